// The application frame and the main window: title, error reporting, the
// SendTo location, the window's styles, geometry, scaling and stay-on-top.
#include "test_support.h"

#include "application.h"
#include "flag_scope.h"
#include "error_text.h"
#include "image_list.h"
#include "exceptions.h"
#include "main_form.h"
#include "message_dialog.h"
#include "message_form.h"
#include "platform_calls.h"
#include "screen.h"
#include "send_to_location.h"
#include "shell_helpers.h"
#include "shell_file_list_box.h"
#include "status_bar.h"
#include "win_handles.h"
#include "system_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// The main window, created once for the whole program as the program does it
// (the application keeps its first form as its main form for good), and
// shared by the tests that use it.
TForm1* SharedMainWindow() {
    if (!Form1) {
        Application->CreateForm(Form1);
        Form1->Show();
        PumpUntilIdle();
    }
    return Form1;
}

RECT BoundsInParent(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// What the tests change of the shared main window, taken when a test begins
// and put back when it ends, however it ends: each test finds the window as
// the first one did, in whatever order they run. Its place and size, its
// resolution, its stay-on-top state, the status bar's bounds, the list's
// folder and selection, the SendTo path and the current folder.
class SharedMainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        TForm1* form = shared_;
        ::GetWindowRect(form->Handle(), &outer_);
        dpi_ = form->PixelsPerInch();
        topmost_ = (::GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        bar_ = BoundsInParent(form->StatusBar1->Handle());
        directory_ = form->ShellFileListBox1->Directory();
        itemIndex_ = form->ShellFileListBox1->ItemIndex();
    }

    void TearDown() override {
        TForm1* form = shared_;
        if (form->PixelsPerInch() != dpi_) MoveToMonitorOf(form->Handle(), dpi_);
        ::SetWindowPos(form->Handle(), nullptr, outer_.left, outer_.top, outer_.right - outer_.left,
                       outer_.bottom - outer_.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (const RECT bar = BoundsInParent(form->StatusBar1->Handle()); !::EqualRect(&bar, &bar_))
            form->StatusBar1->SetBounds(bar_.left, bar_.top, bar_.right - bar_.left, bar_.bottom - bar_.top);
        if (topmost_)
            ::SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (form->ShellFileListBox1->Directory() != directory_) form->ShellFileListBox1->SetDirectory(directory_);
        form->ShellFileListBox1->SetItemIndex(itemIndex_);
        PumpUntilIdle();
    }

private:
    // Made before the SendTo path is saved: the window sets the path when it
    // is made, and every test finds it so, whichever made the window.
    TForm1* const shared_ = SharedMainWindow();
    RECT outer_{};
    int dpi_ = 96;
    bool topmost_ = false;
    RECT bar_{};
    std::wstring directory_;
    int itemIndex_ = -1;
    const SendToPathScope sendToPath_;
    const CurrentFolderScope currentFolder_;
};

class MainWindow : public SharedMainWindowTest {};
class ModalWindows : public SharedMainWindowTest {};

int ItemWidth(HWND list) {
    const RECT r = ItemRectOf(list, 0);
    return r.right - r.left;
}

// Makes GetUserNameW answer with a given name, as the platform would.
std::wstring g_fakeUserName;
BOOL WINAPI FakeGetUserName(LPWSTR buffer, LPDWORD count) {
    if (g_fakeUserName.size() + 1 > *count) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::copy(g_fakeUserName.begin(), g_fakeUserName.end(), buffer);
    buffer[g_fakeUserName.size()] = L'\0';
    *count = static_cast<DWORD>(g_fakeUserName.size() + 1);
    return TRUE;
}
BOOL WINAPI FailingGetUserName(LPWSTR, LPDWORD) { return FALSE; }

}  // namespace

TEST(Application, TitleComesFromTheModuleFileName) {
    struct Case {
        const wchar_t* path;
        const wchar_t* title;
    };
    for (const Case& c : {Case{L"C:\\Outils\\Outil.Portable.EXE", L"Outil"}, Case{L"C:\\RANGEUR.EXE", L"Rangeur"},
                          Case{L"Z:\\a.b\\SendTo.exe", L"Sendto"}, Case{L"X", L"X"}}) {
        EXPECT_EQ(TApplication::TitleFromModulePath(c.path), c.title) << c.path;
    }
}

// The application's box adds "." only after a character above it in code
// order; the box of an error that ends the process adds it unless the text
// already ends with one.
TEST(Application, EachErrorBoxClosesItsTextByItsOwnRule) {
    struct Case {
        const wchar_t* text;
        const wchar_t* errorBox;
        const wchar_t* processBoxEnding;
    };
    for (const Case& c : {Case{L"Accès refusé", L"Accès refusé.", L"."}, Case{L"Erreur E/S 32", L"Erreur E/S 32.", L"."},
                          Case{L"Déjà fini.", L"Déjà fini.", L""}, Case{L"Erreur (interne)", L"Erreur (interne)", L"."},
                          Case{L"Quoi !", L"Quoi !", L"."}, Case{L"Suite -", L"Suite -", L"."},
                          Case{L"Dossier C:\\", L"Dossier C:\\.", L"."}, Case{L"", L"", L""}}) {
        EXPECT_EQ(WithFullStop(c.text), c.errorBox) << c.text;
        EXPECT_EQ(FullStopAfter(c.text), c.processBoxEnding) << c.text;
    }
}

// The error that reading the main window's layout raises where the layout
// is missing.
HRSRC WINAPI NoResource(HMODULE, LPCWSTR, LPCWSTR) { return nullptr; }

std::exception_ptr MissingLayoutError() {
    TPlatformOverride missing(Platform().FindResourceW, &NoResource);
    const auto form = CreateOwnedForm<TForm1>();
    std::exception_ptr error;
    try {
        form->ReadLayout();
    } catch (...) {
        error = std::current_exception();
    }
    return error;
}

std::exception_ptr NestedError() {
    try {
        try {
            throw std::bad_alloc();
        } catch (...) {
            std::throw_with_nested(EReadError(L"Lecture interrompue"));
        }
    } catch (...) {
        return std::current_exception();
    }
}

// One box titled with the program's title, its message ended by a dot when
// it ends in a letter or digit; an abort shows nothing.
TEST(Application, EachErrorIsShownInOneBoxTitledWithTheTitle) {
    const auto framework = [](const wchar_t* message) { return std::make_exception_ptr(EOutOfResources(message)); };
    struct Case {
        const char* label;
        std::exception_ptr error;
        std::optional<std::wstring> shown;  // nullopt: no box
    };
    const Case cases[] = {
        {"a dot added", framework(L"Accès au fichier refusé"), L"Accès au fichier refusé."},
        {"a dot already there", framework(L"Déjà fini."), L"Déjà fini."},
        {"a closing bracket", framework(L"Erreur (interne)"), L"Erreur (interne)"},
        {"a digit", framework(L"Erreur E/S 32"), L"Erreur E/S 32."},
        {"an exclamation mark", framework(L"Quoi !"), L"Quoi !"},
        {"an empty message", framework(L""), L""},
        {"a missing window layout", MissingLayoutError(), L"Ressource TForm1 non trouvée."},
        {"out of memory", std::make_exception_ptr(std::bad_alloc()), L"Mémoire insuffisante."},
        {"a standard-library error", std::make_exception_ptr(std::runtime_error("Clé « absente »")),
         L"Clé « absente »."},
        {"out of memory inside a framework error", NestedError(), L"Mémoire insuffisante."},
        {"an abort", std::make_exception_ptr(EAbort()), std::nullopt},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(c.error);
        DialogAnswerer answerer({DialogAnswerer::Action::Ok});
        // The box is modal: it has been shown and answered when the call returns.
        Application->HandleException(nullptr, c.error);
        if (!c.shown) {
            EXPECT_TRUE(SawDialogs(answerer.Seen(), 0));
            return;
        }
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
        EXPECT_EQ(answerer.Seen()[0].title, Application->Title());
        EXPECT_EQ(answerer.Seen()[0].text, *c.shown);
    };
    for (const Case& c : cases) checkRow(c);
}

TEST(Application, ErrorBoxDisablesTheOtherWindowsAndEnablesThemAfter) {
    HWND main = SharedMainWindow()->Handle();
    bool disabledDuringBox = false;
    DialogAnswerer answerer({DialogAnswerer::Action::Custom}, [&](HWND box) {
        disabledDuringBox = !::IsWindowEnabled(main);
        DialogAnswerer::ClickButton(box, L"OK");
    });
    Application->ShowException(std::make_exception_ptr(EOutOfResources(L"x")));
    EXPECT_TRUE(disabledDuringBox);
    EXPECT_TRUE(::IsWindowEnabled(main));
}

// A piece of work started inside another (a reading inside a rescale) ends
// with the outer one still under way.
TEST(FlagScope, ANestedScopePutsBackTheValueItFound) {
    bool underWay = false;
    {
        const TFlagScope outer(underWay);
        {
            const TFlagScope inner(underWay);
            EXPECT_TRUE(underWay);
        }
        EXPECT_TRUE(underWay) << "the inner scope ended the outer one's work";
    }
    EXPECT_FALSE(underWay);
}

TEST(SendToLocation, PathIsBuiltFromTheLoginName) {
    struct Case {
        std::wstring name;
        std::wstring user;  // as it appears in the path
    };
    const std::wstring name254(254, L'n');
    const std::vector<Case> cases{
        {L"abc", L"abc"},
        {L"Jean Dupont", L"Jean Dupont"},
        {L"élodie.m", L"élodie.m"},
        {name254, name254},
        {std::wstring(255, L'n'), L"Inconnu"},
    };
    TPlatformOverride seam(Platform().GetUserNameW, &FakeGetUserName);
    for (const Case& c : cases) {
        g_fakeUserName = c.name;
        EXPECT_EQ(SendToPathFor(CurrentUserName()),
                  L"C:\\Users\\" + c.user + L"\\AppData\\Roaming\\Microsoft\\Windows\\SendTo")
            << c.name.size();
    }
}

TEST(SendToLocation, FailingFolderIsReportedAndTheListStaysEmpty) {
    TPlatformOverride seam(Platform().GetUserNameW, &FailingGetUserName);
    // A shell without the known-folder call: the path comes from the pattern.
    TPlatformOverride noShellFolder(Platform().SHGetKnownFolderPath, nullptr);
    TempFolder launch;
    launch.Touch(L"avant.txt");
    const CurrentFolderScope inLaunch(launch.Path());
    const SendToPathScope sendToPath;
    const auto form = CreateOwnedForm<TForm1>();
    form->ReadLayout();

    DialogAnswerer answerer({DialogAnswerer::Action::Ok});
    form->DoCreate();
    EXPECT_EQ(SendToPath, L"C:\\Users\\Inconnu\\AppData\\Roaming\\Microsoft\\Windows\\SendTo");
    ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
    EXPECT_EQ(answerer.Seen()[0].title, Application->Title());
    EXPECT_EQ(form->ShellFileListBox1->Directory(), L"");
    EXPECT_EQ(form->ShellFileListBox1->Count(), 0) << "the launch folder is never listed";
}

TEST_F(MainWindow, StylesAndTopmostAsAToolWindowWithTheTaskbarButton) {
    HWND main = SharedMainWindow()->Handle();
    EXPECT_EQ(ClassOf(main), L"TForm1");
    EXPECT_EQ(::GetClassLongW(main, GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS));

    const DWORD style = ::GetWindowLongW(main, GWL_STYLE);
    const DWORD wanted = WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_POPUP | WS_CHILD), 0u);

    const DWORD ex = ::GetWindowLongW(main, GWL_EXSTYLE);
    const DWORD wantedEx = WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT | WS_EX_TOPMOST;
    EXPECT_EQ(ex & wantedEx, wantedEx);
    EXPECT_EQ(::GetWindow(main, GW_OWNER), nullptr);

    HWND app = Application->Handle();
    EXPECT_FALSE(::IsWindowVisible(app));
    const DWORD appEx = ::GetWindowLongW(app, GWL_EXSTYLE);
    EXPECT_EQ(appEx & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE), static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
    EXPECT_EQ(appEx & WS_EX_APPWINDOW, 0u);
}

std::vector<HWND> g_framesScaled;

BOOL WINAPI RecordFrameScaled(HWND window) {
    g_framesScaled.push_back(window);
    return TRUE;
}

// Where the per-monitor awareness falls back to its first version, the
// system scales a window's frame only when asked as the window is made: each
// top-level window asks, and no control.
TEST(MainWindowCreation, EachTopLevelWindowHasItsFrameScaledWithItsMonitor) {
    TPlatformOverride recording(Platform().EnableNonClientDpiScaling, &RecordFrameScaled);
    g_framesScaled.clear();
    const auto form = CreateOwnedForm<TForm1>();
    form->ReadLayout();
    MessageFormPtr question = CreateMessageDialog(L"Question ?", mtConfirmation, {mbOK, mbCancel}, mbOK);
    EXPECT_EQ(g_framesScaled, (std::vector<HWND>{form->Handle(), question->Handle()}));
}

TEST_F(MainWindow, GeometryAtDesignSizeIsCentredOnThePrimaryScreen) {
    TForm1* form = SharedMainWindow();
    HWND main = form->Handle();
    const RECT client = ClientRectOf(main);
    EXPECT_EQ(client.right, TForm1::DesignClientWidth);
    EXPECT_EQ(client.bottom, TForm1::DesignClientHeight);

    const RECT list = BoundsInParent(form->ShellFileListBox1->Handle());
    EXPECT_EQ(list.right - list.left, TForm1::DesignClientWidth);
    EXPECT_EQ(list.bottom - list.top, TForm1::DesignListHeight);
    const RECT bar = BoundsInParent(form->StatusBar1->Handle());
    EXPECT_EQ(bar.top, TForm1::DesignListHeight);
    EXPECT_EQ(bar.right - bar.left, TForm1::DesignClientWidth);
    EXPECT_EQ(bar.bottom - bar.top, TForm1::DesignStatusBarHeight);
    EXPECT_TRUE(::GetWindowLongW(form->StatusBar1->Handle(), GWL_STYLE) & SBARS_SIZEGRIP);

    RECT outer{};
    ::GetWindowRect(main, &outer);
    EXPECT_EQ(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
    EXPECT_EQ(outer.top, (::GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2);
}

TEST_F(MainWindow, ResizingKeepsTheStatusBarAtTheBottomAndHalvesTheColumns) {
    TForm1* form = SharedMainWindow();
    TempFolder folder;
    folder.Touch(L"un.txt");
    form->ShellFileListBox1->SetDirectory(folder.Path());
    EXPECT_EQ(ItemWidth(form->ShellFileListBox1->Handle()), TForm1::DesignClientWidth / 2);

    RECT outer{};
    ::GetWindowRect(form->Handle(), &outer);
    const RECT before = ClientRectOf(form->Handle());
    ::SetWindowPos(form->Handle(), nullptr, 0, 0, outer.right - outer.left + 57, outer.bottom - outer.top + 80,
                   SWP_NOMOVE | SWP_NOZORDER);
    const RECT client = ClientRectOf(form->Handle());
    ASSERT_EQ(client.right, before.right + 57);
    const RECT bar = BoundsInParent(form->StatusBar1->Handle());
    EXPECT_EQ(bar.bottom - bar.top, TForm1::DesignStatusBarHeight);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right);
    const RECT list = BoundsInParent(form->ShellFileListBox1->Handle());
    EXPECT_EQ(list.bottom - list.top, client.bottom - TForm1::DesignStatusBarHeight);
    EXPECT_EQ(ItemWidth(form->ShellFileListBox1->Handle()), client.right / 2);
}

// The height of "0" in Tahoma at that height, as the platform measures it.
int ZeroHeight(int fontHeight) {
    LOGFONTW log{};
    log.lfHeight = fontHeight;
    log.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(log.lfFaceName, L"Tahoma");
    win::UniqueFont font(::CreateFontIndirectW(&log));
    win::WindowDc dc(nullptr);
    win::SelectScope selected(dc.get(), font.get());
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), L"0", 1, &size);
    return size.cy;
}


namespace {

// The screen's resolution as the test sets it; the other capabilities as usual.
int g_pixelsPerInch = 96;
int WINAPI TestResolution(HDC dc, int index) {
    return index == LOGPIXELSY ? g_pixelsPerInch : SystemCalls().GetDeviceCaps(dc, index);
}

}  // namespace

// The design is 243 x 169 for a "0" 13 pixels high.
TEST_F(MainWindow, ScalesByTheZeroHeightWhenTheResolutionDiffers) {
    struct Case {
        int ppi;
        int fontHeight;
    };
    for (const Case& c : {Case{96, -11}, Case{97, -11}, Case{120, -14}, Case{144, -17}}) {
        SCOPED_TRACE(c.ppi);
        g_pixelsPerInch = c.ppi;
        std::optional<TScreen> screen;
        {
            TPlatformOverride resolution(Platform().GetDeviceCaps, &TestResolution);
            screen.emplace();
        }
        TPlatformOverride<TScreen*> current(Screen, &*screen);
        MonitorsAt monitor(static_cast<UINT>(c.ppi));
        const auto form = CreateOwnedForm<TForm1>();
        form->ReadLayout();
        EXPECT_EQ(form->Font().Height(), c.fontHeight);
        const int zero = ZeroHeight(c.fontHeight);
        const RECT client = ClientRectOf(form->Handle());
        EXPECT_EQ(client.right, ::MulDiv(TForm1::DesignClientWidth, zero, TForm1::DesignTextHeight));
        EXPECT_EQ(client.bottom, ::MulDiv(TForm1::DesignClientHeight, zero, TForm1::DesignTextHeight));
    }
}

namespace {

// What the window's scaling sets: the form's and the list's fonts, the entry
// height, the status bar's height and font, and the client size.
std::array<int, 7> ScaledMeasures(TForm1* form) {
    const RECT client = ClientRectOf(form->Handle());
    return {form->Font().Height(),
            form->ShellFileListBox1->Font().Height(),
            static_cast<int>(::SendMessageW(form->ShellFileListBox1->Handle(), LB_GETITEMHEIGHT, 0, 0)),
            static_cast<int>(BoundsInParent(form->StatusBar1->Handle()).bottom -
                             BoundsInParent(form->StatusBar1->Handle()).top),
            static_cast<int>(form->StatusBar1->Font().Log().lfHeight),
            static_cast<int>(client.right),
            static_cast<int>(client.bottom)};
}

// A main window made while its monitor has `dpi`.
OwnedForm<TForm1> StartedAt(int dpi) {
    MonitorsAt monitor(static_cast<UINT>(dpi));
    auto form = CreateOwnedForm<TForm1>();
    form->ReadLayout();
    return form;
}

}  // namespace

namespace {

// The image's pixels drawn over white, row by row.
std::vector<COLORREF> PixelsOf(const TImageSet& images, int index) {
    Surface surface(images.Size.cx, images.Size.cx);
    surface.Fill(RGB(255, 255, 255));
    ::ImageList_DrawEx(images.Handle, index, surface.Dc(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
    return surface.Pixels();
}

}  // namespace

// At 96 dpi the menu draws the images as read; at 200 % each of their pixels
// becomes four of the same colour, mask and alpha images alike, with no blur.
TEST_F(MainWindow, MenuImagesStayAsReadAt96DpiAndDoubleExactlyAt200Percent) {
    TImageList* images = SharedMainWindow()->ImageList1;
    const TImageSet asRead = images->ForDpi(96);
    EXPECT_EQ(asRead.Handle, images->Handle());
    const TImageSet doubled = images->ForDpi(192);
    ASSERT_EQ(doubled.Size.cx, 32);
    ASSERT_EQ(doubled.Count, asRead.Count);
    for (int index = 0; index < asRead.Count; ++index) {
        SCOPED_TRACE(index);
        const auto small = PixelsOf(asRead, index);
        const auto large = PixelsOf(doubled, index);
        int differing = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const COLORREF want = small[static_cast<size_t>(y / 2 * 16 + x / 2)];
                const COLORREF got = large[static_cast<size_t>(y * 32 + x)];
                // One step of rounding in a channel is no blur.
                for (int shift : {0, 8, 16})
                    if (std::abs(static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF)) > 1) {
                        ++differing;
                        break;
                    }
            }
        EXPECT_EQ(differing, 0);
    }
}

TEST_F(MainWindow, MovedToAnotherResolutionItLooksAsIfStartedThereAndComesBackAsItWas) {
    for (int dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        const auto startedThere = ScaledMeasures(StartedAt(dpi).get());

        const auto form = StartedAt(96);
        const auto startedHere = ScaledMeasures(form.get());
        EXPECT_EQ(startedHere[5], TForm1::DesignClientWidth);
        EXPECT_EQ(startedHere[3], TForm1::DesignStatusBarHeight);
        EXPECT_NE(startedThere, startedHere);
        MoveToMonitorOf(form->Handle(), dpi);
        EXPECT_EQ(form->PixelsPerInch(), dpi);
        EXPECT_EQ(ScaledMeasures(form.get()), startedThere);
        MoveToMonitorOf(form->Handle(), 96);
        EXPECT_EQ(ScaledMeasures(form.get()), startedHere);
    }
}

// The frame as Wine draws it at every resolution: Windows draws it at the
// monitor's, and answers for that same frame.
BOOL WINAPI FrameAsDrawn(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT) {
    return ::AdjustWindowRectEx(rect, style, menu, exStyle);
}

// Moved to monitors of other resolutions, the window keeps the user's place:
// the same list window with its selection, the first column shown after
// each move the one that holds the entry the user left first shown (not
// one column further back per move), the focus, no reading of the folder,
// the same status bar and tip; and its outer size is the one it answered
// when the platform asked, also where the platform moves it without asking.
TEST_F(MainWindow, MovedToAnotherResolutionKeepsTheUsersPlace) {
    TPlatformOverride frame(Platform().AdjustWindowRectExForDpi, &FrameAsDrawn);
    TempFolder folder;
    for (int i = 0; i < 60; ++i) folder.Touch(L"m" + std::to_wstring(100 + i) + L".txt");
    const auto form = StartedAt(96);
    TShellFileListBox& list = *form->ShellFileListBox1;
    list.SetDirectory(folder.Path());
    form->Show();
    ::SetForegroundWindow(form->Handle());
    const HWND window = list.Handle();
    ::SetFocus(window);
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == form->Handle() && ::GetFocus() == window; }))
        << "the window did not come to the front with the focus on its list";
    list.SetItemIndex(50);
    ::SendMessageW(window, LB_SETTOPINDEX, 40, 0);
    const LRESULT top = ::SendMessageW(window, LB_GETTOPINDEX, 0, 0);
    const HWND bar = form->StatusBar1->Handle();
    const HWND tip = form->StatusBar1->ToolTip();
    ASSERT_EQ(::GetFocus(), window);
    ReadingCounter readings(L"m150.txt");
    const struct {
        const char* label;
        int dpi;
        bool sizeAsked;
    } moves[] = {
        {"to 144 dpi", 144, true},
        {"to 192 dpi", 192, true},
        {"back to 96 dpi", 96, true},
        {"to 144 dpi, WM_DPICHANGED alone", 144, false},
        {"back to 96 dpi, WM_DPICHANGED alone", 96, false},
    };
    std::map<int, SIZE> answeredAt;
    for (const auto& move : moves) {
        SCOPED_TRACE(move.label);
        if (move.sizeAsked)
            answeredAt[move.dpi] = MoveToMonitorOf(form->Handle(), move.dpi);
        else
            MoveUnaskedToMonitorOf(form->Handle(), form->PixelsPerInch(), move.dpi);
        const SIZE answered = answeredAt.at(move.dpi);
        RECT outer{};
        ::GetWindowRect(form->Handle(), &outer);
        EXPECT_EQ(outer.right - outer.left, answered.cx);
        EXPECT_EQ(outer.bottom - outer.top, answered.cy);
        EXPECT_EQ(list.Handle(), window);
        EXPECT_EQ(SelectedFile(list), L"m150.txt");
        const RECT client = ClientRectOf(window);
        const LRESULT perColumn = client.bottom / ::SendMessageW(window, LB_GETITEMHEIGHT, 0, 0);
        EXPECT_EQ(::SendMessageW(window, LB_GETTOPINDEX, 0, 0), top - top % perColumn);
        const RECT shown = ItemRectOf(window, top);
        EXPECT_TRUE(shown.left >= 0 && shown.top >= 0 && shown.right <= client.right && shown.bottom <= client.bottom)
            << "the entry first shown went out of sight";
        EXPECT_EQ(::GetFocus(), window);
        EXPECT_EQ(readings.Count(), 0);
        EXPECT_EQ(form->StatusBar1->Handle(), bar);
        EXPECT_EQ(form->StatusBar1->ToolTip(), tip);
    }
}

namespace {

const std::wstring kHint = L"Déposez un fichier pour l'ajouter au dossier \"Envoyer vers ...\" de Windows";

std::wstring PanelText(HWND bar) {
    wchar_t text[128] = {};
    ::SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ToolTipText(HWND tip, HWND bar) {
    wchar_t text[128] = {};
    TTTOOLINFOW tool{sizeof(tool)};
    tool.hwnd = bar;
    tool.uId = reinterpret_cast<UINT_PTR>(bar);
    tool.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    return text;
}

}  // namespace

// Too wide for the bar, the hint shows its first words and an ellipsis from
// the left, and the whole of it as the bar's tip; when it fits, it is centred
// and there is no tip.
TEST_F(MainWindow, StatusBarHintIsCentredWhenItFitsElseShortenedWithItsWholeTextAsTip) {
    TForm1* form = SharedMainWindow();
    struct Case {
        const char* label;
        int extraWidth;
        bool fits;
    };
    RECT outer{};
    ::GetWindowRect(form->Handle(), &outer);
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ::SetWindowPos(form->Handle(), nullptr, 0, 0, outer.right - outer.left + c.extraWidth,
                       outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
        HWND bar = form->StatusBar1->Handle();
        EXPECT_EQ(::SendMessageW(bar, SB_GETPARTS, 0, 0), 1);
        const std::wstring shown = PanelText(bar);
        HWND tip = form->StatusBar1->ToolTip();
        ASSERT_NE(tip, nullptr);
        if (c.fits) {
            EXPECT_EQ(shown, L"\t" + kHint);
            EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
            return;
        }
        ASSERT_GE(shown.size(), 2u);
        EXPECT_NE(shown[0], L'\t');
        EXPECT_EQ(shown.back(), L'\u2026');
        const std::wstring kept = shown.substr(0, shown.size() - 1);
        EXPECT_EQ(kHint.compare(0, kept.size(), kept), 0) << "not the hint's first words";
        EXPECT_EQ(kHint[kept.size()], L' ') << "cut inside a word";
        EXPECT_GE(kept.size(), std::wstring(L"Déposez un fichier").size());
        EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
        EXPECT_EQ(ToolTipText(tip, bar), kHint);
        // The tip learns of the mouse from the bar itself: no second
        // subclass stands on the bar's window procedure.
        EXPECT_EQ(::GetWindowLongPtrW(bar, GWLP_WNDPROC),
                  ::GetWindowLongPtrW(form->ShellFileListBox1->Handle(), GWLP_WNDPROC));
        const RECT barClient = ClientRectOf(bar);
        POINT inBar{barClient.right / 2, barClient.bottom / 2};
        POINT onScreen = inBar;
        ::ClientToScreen(bar, &onScreen);
        ::SetCursorPos(onScreen.x, onScreen.y);
        ::SendMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM(inBar.x, inBar.y));
        EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; }, 5000))
            << "the mouse over the shortened hint did not show the whole of it";
        ::SendMessageW(tip, TTM_POP, 0, 0);
    };
    for (const Case& c : {Case{"design width", 0, false}, Case{"wide window", 400, true}}) checkRow(c);
}

TEST(StatusBar, FitWithEllipsisKeepsWholeWordsThenLettersThenTheEllipsisAlone) {
    win::WindowDc dc(nullptr);
    SIZE letter{};
    ::GetTextExtentPoint32W(dc.get(), L"x", 1, &letter);
    auto width = [&](const std::wstring& text) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    struct Case {
        const char* label;
        std::wstring text;
        int room;
        std::wstring expected;
    };
    const Case cases[] = {
        {"fits", L"un deux", width(L"un deux"), L"un deux"},
        {"one word less", L"un deux trois", width(L"un deux\u2026"), L"un deux\u2026"},
        {"first word too long", L"anticonstitutionnel mot", width(L"anti\u2026"), L"anti\u2026"},
        {"no room", L"mot", 0, L"\u2026"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(FitWithEllipsis(dc.get(), c.text, c.room), c.expected);
    }
}

TEST_F(MainWindow, ActivationGivesTheFocusToTheList) {
    TForm1* form = SharedMainWindow();
    ::SetActiveWindow(form->Handle());
    ::SetForegroundWindow(form->Handle());
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == form->ShellFileListBox1->Handle(); }))
        << "the focus is on a window of class " << ClassOf(::GetFocus());
}

// ---- Modal windows over the main window ------------------------------------------

namespace {

// Each way the program puts a modal window up, over the main window.
struct ModalWindowCase {
    const char* label;
    std::function<void()> show;
};

void AskWithTaskDialogs(bool taskDialogs) {
    Presentation presentation(taskDialogs);
    (void)ShowMessageDialog(L"Lancer Outil.lnk", mtConfirmation, {mbOK, mbCancel});
}

const ModalWindowCase kModalWindows[] = {
    {"classic form", [] { AskWithTaskDialogs(false); }},
    {"task dialog", [] { AskWithTaskDialogs(true); }},
    {"error box", [] { Application->ShowException(std::make_exception_ptr(Exception(L"Échec"))); }},
    {"message box", [] { (void)Application->MessageBox(L"Continuer ?", L"Sendto", MB_OKCANCEL); }},
};

// The main window active, with the focus on its list, as after a click.
void ActivateMainWindow() {
    TForm1* form = SharedMainWindow();
    ::SetForegroundWindow(form->Handle());
    ::SetActiveWindow(form->Handle());
    ::SetFocus(form->ShellFileListBox1->Handle());
    ASSERT_TRUE(PumpUntil([&] {
        return ::GetActiveWindow() == form->Handle() && ::GetFocus() == form->ShellFileListBox1->Handle();
    })) << "the main window did not become active";
}

POINT CentreOf(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::vector<HWND> ButtonsOf(HWND dialog) {
    std::vector<HWND> buttons;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0 && ::IsWindowVisible(child)) buttons.push_back(child);
    }
    return buttons;
}

// What a window-procedure hook on the thread saw, in order: the main window
// enabled or activated, and any window about to be hidden.
enum class Seen { Enabled, Activated, Hidden };
struct OrderSeen {
    HWND window;
    Seen what;
};
std::vector<OrderSeen> g_order;
HWND g_orderMain = nullptr;

LRESULT CALLBACK RecordOrder(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto& m = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (m.hwnd == g_orderMain && m.message == WM_ENABLE && m.wParam) g_order.push_back({m.hwnd, Seen::Enabled});
        if (m.hwnd == g_orderMain && m.message == WM_ACTIVATE && LOWORD(m.wParam) != WA_INACTIVE)
            g_order.push_back({m.hwnd, Seen::Activated});
        const bool hiding = (m.message == WM_SHOWWINDOW && !m.wParam) ||
                            (m.message == WM_WINDOWPOSCHANGING &&
                             (reinterpret_cast<const WINDOWPOS*>(m.lParam)->flags & SWP_HIDEWINDOW));
        if (hiding) g_order.push_back({m.hwnd, Seen::Hidden});
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Shows the modal window with the hook recording; the window is answered OK.
HWND ShowRecordingOrder(const std::function<void()>& show) {
    HWND dialog = nullptr;
    g_order.clear();
    DialogAnswerer answerer({DialogAnswerer::Action::Custom}, [&](HWND window) {
        dialog = window;
        DialogAnswerer::ClickButton(window, L"OK");
    });
    const win::UniqueHook hook(::SetWindowsHookExW(WH_CALLWNDPROC, &RecordOrder, nullptr, ::GetCurrentThreadId()));
    show();
    return dialog;
}

// Where the modal window was first hidden in the recorded order.
std::vector<OrderSeen>::const_iterator HidingOf(HWND dialog) {
    return std::find_if(g_order.begin(), g_order.end(),
                        [&](const OrderSeen& o) { return o.what == Seen::Hidden && o.window == dialog; });
}

bool SeenBetween(std::vector<OrderSeen>::const_iterator from, std::vector<OrderSeen>::const_iterator to, Seen what) {
    return std::any_of(from, to, [what](const OrderSeen& o) { return o.what == what; });
}

}  // namespace

// Under Wine the task dialog's buttons are child windows, as the classic
// form's are; on Windows they are drawn by the dialog itself, and there the
// hit test can only name the dialog.
TEST_F(ModalWindows, EachIsAboveTheTopmostMainWindowWhereItsButtonsAre) {
    HWND main = SharedMainWindow()->Handle();
    ASSERT_TRUE(::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const auto checkRow = [&](const ModalWindowCase& c) {
        SCOPED_TRACE(c.label);
        ActivateMainWindow();
        std::vector<std::pair<HWND, HWND>> hits;  // button or dialog, window at its centre
        bool overTheMainWindow = false;
        DialogAnswerer answerer({DialogAnswerer::Action::Custom}, [&](HWND dialog) {
            RECT mainRect{};
            ::GetWindowRect(main, &mainRect);
            std::vector<HWND> targets = ButtonsOf(dialog);
            if (targets.empty()) targets.push_back(dialog);
            for (HWND target : targets) {
                const POINT centre = CentreOf(target);
                overTheMainWindow |= ::PtInRect(&mainRect, centre) != FALSE;
                HWND hit = ::WindowFromPoint(centre);
                hits.emplace_back(target, target == dialog ? ::GetAncestor(hit, GA_ROOT) : hit);
            }
            DialogAnswerer::ClickButton(dialog, L"OK");
        });
        c.show();
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
        EXPECT_TRUE(overTheMainWindow) << "the test needs a button where the main window is";
        for (const auto& [target, hit] : hits) EXPECT_EQ(hit, target);
    };
    for (const ModalWindowCase& c : kModalWindows) checkRow(c);
}

TEST_F(ModalWindows, TheMainWindowIsEnabledBeforeTheModalWindowHidesAndIsActiveAfter) {
    TForm1* form = SharedMainWindow();
    g_orderMain = form->Handle();
    const auto checkRow = [&](const ModalWindowCase& c) {
        SCOPED_TRACE(c.label);
        ActivateMainWindow();
        HWND dialog = ShowRecordingOrder(c.show);
        ASSERT_NE(dialog, nullptr);
        const auto hidden = HidingOf(dialog);
        ASSERT_NE(hidden, g_order.end()) << "the modal window was never hidden";
        EXPECT_TRUE(SeenBetween(g_order.begin(), hidden, Seen::Enabled))
            << "the main window was not enabled before the modal window hid";
        EXPECT_FALSE(SeenBetween(hidden, g_order.end(), Seen::Enabled))
            << "the main window was enabled after the modal window hid";
        EXPECT_TRUE(::IsWindowEnabled(form->Handle()));
        EXPECT_EQ(::GetActiveWindow(), form->Handle());
        EXPECT_EQ(::GetFocus(), form->ShellFileListBox1->Handle());
    };
    for (const ModalWindowCase& c : kModalWindows) checkRow(c);
}

// The classic form's owner, the application's window, does not take the
// activation: the form hands it to the main window before it hides, where
// the platform would search the Z order and might pass over the main window.
// After a drop from another program no window of ours was active: nothing is
// handed.
TEST_F(ModalWindows, TheClassicFormHandsTheActivationBackBeforeItHides) {
    TForm1* form = SharedMainWindow();
    g_orderMain = form->Handle();
    const auto checkRow = [&](const bool fromAnotherProgram) {
        SCOPED_TRACE(fromAnotherProgram ? "drop from another program" : "command in the main window");
        ActivateMainWindow();
        std::optional<ForeignWindowInFront> other;
        if (fromAnotherProgram) other.emplace();
        ASSERT_EQ(::GetActiveWindow() == nullptr, fromAnotherProgram);
        HWND dialog = ShowRecordingOrder([] { AskWithTaskDialogs(false); });
        ASSERT_NE(dialog, nullptr);
        const auto hidden = HidingOf(dialog);
        ASSERT_NE(hidden, g_order.end()) << "the form was never hidden";
        EXPECT_EQ(SeenBetween(g_order.begin(), hidden, Seen::Activated), !fromAnotherProgram);
        if (!fromAnotherProgram) {
            EXPECT_EQ(::GetActiveWindow(), form->Handle());
            EXPECT_EQ(::GetFocus(), form->ShellFileListBox1->Handle());
        }
    };
    for (const bool fromAnotherProgram : {false, true}) checkRow(fromAnotherProgram);
    ActivateMainWindow();
}

// ---- Stay on top across program switches ----------------------------------------

namespace {

bool IsTopmost(HWND window) { return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// Whether `upper` comes before `lower` in the Z order.
bool IsAbove(HWND upper, HWND lower) {
    for (HWND w = ::GetWindow(upper, GW_HWNDNEXT); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (w == lower) return true;
    return false;
}

void SendActivateApp(bool active) {
    ::SendMessageW(Application->Handle(), WM_ACTIVATEAPP, active, 0);
}

}  // namespace

// The user switches to another program and back while a question is up: the
// question and the main window stay in the topmost band, the question above.
TEST_F(MainWindow, StaysOnTopWithItsQuestionAfterTheUserSwitchedPrograms) {
    HWND main = SharedMainWindow()->Handle();
    ActivateMainWindow();
    bool mainTopmost = false, questionTopmost = false, questionAbove = false;
    DialogAnswerer answerer({DialogAnswerer::Action::Custom}, [&](HWND question) {
        SendActivateApp(false);
        SendActivateApp(true);
        mainTopmost = IsTopmost(main);
        questionTopmost = IsTopmost(question);
        questionAbove = IsAbove(question, main);
        DialogAnswerer::ClickButton(question, L"OK");
    });
    AskWithTaskDialogs(true);
    ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
    EXPECT_TRUE(mainTopmost);
    EXPECT_TRUE(questionTopmost);
    EXPECT_TRUE(questionAbove) << "the question went under the main window";
    EXPECT_TRUE(IsTopmost(main));
}

// On Windows, taking a question out of the topmost band while the program is
// inactive takes its owner, the main window, out too. Wine does not, and it
// will not put the main window back while a topmost window it owns sits above
// it: the state is taken away here by hand, with no question up.
TEST_F(MainWindow, ComesBackOnTopWhenThePlatformTookTheStateAway) {
    HWND main = SharedMainWindow()->Handle();
    ActivateMainWindow();
    SendActivateApp(false);
    ::SetWindowPos(main, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(IsTopmost(main));
    SendActivateApp(true);
    EXPECT_TRUE(IsTopmost(main));
}

namespace {

HWND shellQuestionOwner;

int WINAPI RecordShellQuestionOwner(LPSHFILEOPSTRUCTW operation) {
    shellQuestionOwner = operation->hwnd;
    return 0x78;  // refused: nothing is moved
}

}  // namespace

// The shell's own question (the Recycle Bin's, for a file it would destroy)
// belongs to the topmost main window, also when another program is in front,
// as it is when a drop arrives: no window of ours is active then.
TEST_F(MainWindow, OwnsTheShellsQuestionsWhateverWindowIsActive) {
    HWND main = SharedMainWindow()->Handle();
    TempFolder folder;
    const std::wstring file = folder.Touch(L"entree.txt");
    TPlatformOverride<FileOperationFn> recording(Platform().SHFileOperationW, &RecordShellQuestionOwner);
    const auto checkRow = [&](const bool anotherInFront) {
        SCOPED_TRACE(anotherInFront ? "another program in front" : "the main window active");
        ActivateMainWindow();
        std::optional<ForeignWindowInFront> other;
        if (anotherInFront) {
            other.emplace();
            ASSERT_TRUE(other->Active()) << "the other window did not take the activation";
        }
        shellQuestionOwner = nullptr;
        EXPECT_FALSE(RecycleFile(file));
        EXPECT_EQ(shellQuestionOwner, main);
    };
    for (const bool anotherInFront : {false, true}) checkRow(anotherInFront);
}

// The owner follows the message form's rule: from a menu command the main
// window, a tool window, is active and the question goes to the application's
// hidden window; a drop arrives while another program is active, and the
// question goes to the main window. The task dialog's parent is the main
// window in both.
TEST_F(ModalWindows, EachQuestionsOwnerFromTheMenuAndFromADrop) {
    TForm1* form = SharedMainWindow();
    TempFolder folder;
    folder.Touch(L"Outil.txt");
    form->ShellFileListBox1->SetDirectory(folder.Path());
    TempFolder elsewhere;
    const std::wstring dropped = elsewhere.Touch(L"Nouveau.txt");
    HWND list = form->ShellFileListBox1->Handle();
    const auto checkRow = [&](const bool taskDialog) {
        Presentation presentation(taskDialog);
        const std::wstring dialogClass = taskDialog ? L"#32770" : L"TMessageForm";
        {
            SCOPED_TRACE(taskDialog ? "task dialog, from the menu" : "message form, from the menu");
            ActivateMainWindow();
            form->ShellFileListBox1->SetItemIndex(0);
            DialogAnswerer answerer({DialogAnswerer::Action::Cancel});
            MenuDriver driver([](HWND menu) { MenuDriver::TypeChar(menu, L'l'); });
            ::PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
            ASSERT_TRUE(PumpUntil([&] { return !answerer.Seen().empty() && Application->ModalLevel() == 0; }))
                << "the question was not asked and closed";
            const SeenDialog& question = answerer.Seen()[0];
            EXPECT_EQ(question.className, dialogClass);
            EXPECT_EQ(question.text, L"Lancer " + ShownName(L"Outil.txt"));
            EXPECT_EQ(question.owner, taskDialog ? form->Handle() : Application->Handle());
            EXPECT_EQ(question.ownerClass, taskDialog ? L"TForm1" : L"TApplication");
        }
        {
            SCOPED_TRACE(taskDialog ? "task dialog, from a drop" : "message form, from a drop");
            ForeignWindowInFront other;
            ASSERT_TRUE(other.Active()) << "the other window did not take the activation";
            DialogAnswerer answerer({DialogAnswerer::Action::Cancel});
            ::PostMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped}, {4, 4})), 0);
            ASSERT_TRUE(PumpUntil([&] { return !answerer.Seen().empty() && Application->ModalLevel() == 0; }))
                << "the question was not asked and closed";
            const SeenDialog& question = answerer.Seen()[0];
            EXPECT_EQ(question.className, dialogClass);
            EXPECT_NE(question.text.find(L"Nouveau.txt"), std::wstring::npos) << question.text;
            EXPECT_EQ(question.owner, form->Handle());
            EXPECT_EQ(question.ownerClass, L"TForm1");
        }
    };
    for (const bool taskDialog : {true, false}) checkRow(taskDialog);
    EXPECT_FALSE(FileExists(SendToPath + L"\\Nouveau.txt"));
}

namespace {

int StatusBarWindows(HWND parent) {
    int count = 0;
    for (HWND child = ::FindWindowExW(parent, nullptr, STATUSCLASSNAMEW, nullptr); child;
         child = ::FindWindowExW(parent, child, STATUSCLASSNAMEW, nullptr))
        ++count;
    return count;
}

}  // namespace

TEST_F(MainWindow, StatusBarRecreatedForItsSizeGripKeepsItsBoundsAndTextInOneWindow) {
    TForm1* form = SharedMainWindow();
    TStatusBar* bar = form->StatusBar1;
    const RECT designed = BoundsInParent(bar->Handle());
    // Lifted off the bottom edge the bar loses its grip, back on it the bar
    // has it again: each change re-creates the window.
    struct Case {
        const char* label;
        int top;
        bool grip;
    };
    for (const Case& c : {Case{"lifted", designed.top - 3, false}, Case{"lowered", designed.top, true}}) {
        SCOPED_TRACE(c.label);
        HWND before = bar->Handle();
        bar->SetBounds(designed.left, c.top, designed.right - designed.left, designed.bottom - designed.top);
        HWND after = bar->Handle();
        EXPECT_NE(after, before);
        EXPECT_FALSE(::IsWindow(before));
        EXPECT_EQ(StatusBarWindows(form->Handle()), 1);
        EXPECT_EQ((::GetWindowLongW(after, GWL_STYLE) & SBARS_SIZEGRIP) != 0, c.grip);
        const RECT now = BoundsInParent(after);
        EXPECT_EQ(now.left, designed.left);
        EXPECT_EQ(now.top, c.top);
        EXPECT_EQ(now.right - now.left, designed.right - designed.left);
        EXPECT_EQ(now.bottom - now.top, designed.bottom - designed.top);
        EXPECT_EQ(bar->Top(), c.top);
        EXPECT_EQ(bar->Width(), designed.right - designed.left);
        EXPECT_EQ(form->StatusBar1->PanelText(), kHint);
        EXPECT_EQ(PanelText(after).rfind(L"Déposez un fichier", 0), 0u);
        EXPECT_EQ(::SendMessageW(bar->ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 1);
    }
}

namespace {

// A library planted in the current folder, as someone could plant one in the
// user-writable SendTo folder that the program works in.
class PlantedLibrary {
public:
    // A copy of the library built beside the test exe, under a name that only
    // the current folder holds.
    PlantedLibrary() : inFolder_(Planted(folder_)) {}
    PlantedLibrary(const PlantedLibrary&) = delete;
    PlantedLibrary& operator=(const PlantedLibrary&) = delete;

    // Whether a load by name finds it.
    static bool Found() {
        HMODULE module = ::LoadLibraryW(kName);
        if (module) ::FreeLibrary(module);
        return module != nullptr;
    }

private:
    static constexpr wchar_t kName[] = L"sendto-planted.dll";

    // The folder, with the library copied in.
    static const std::wstring& Planted(const TempFolder& folder) {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring built = self;
        built = built.substr(0, built.find_last_of(L'\\') + 1) + L"planted_library.dll";
        ::CopyFileW(built.c_str(), folder.Path(kName).c_str(), FALSE);
        return folder.Path();
    }

    TempFolder folder_;
    const CurrentFolderScope inFolder_;
};

}  // namespace

// What the loader was given, through the seam in front of it.
struct LoaderCall {
    std::wstring file;
    DWORD flags;
};
std::vector<LoaderCall> g_loaderCalls;

HMODULE WINAPI RecordLoad(LPCWSTR file, HANDLE reserved, DWORD flags) {
    g_loaderCalls.push_back({file, flags});
    return ::LoadLibraryExW(file, reserved, flags);
}

// A spelling of a System32 library's name that SystemLibrary has not been
// asked for in this process: it keeps each module for the process's life
// under the name as it was spelt, and the loader reads names in any case.
std::wstring NotYetAskedSpelling(const std::wstring& name) {
    static unsigned asked = 0;
    std::wstring spelt = name;
    unsigned upper = asked++;
    for (wchar_t& c : spelt) {
        if (!::IsCharAlphaW(c)) continue;
        if (upper & 1) c = static_cast<wchar_t>(std::towupper(c));
        upper >>= 1;
    }
    return spelt;
}

// Nothing gives the process its standard DLL search back once restricted:
// the first run of this test in the process shows the planted library found
// before, a later one (--gtest_repeat) starts restricted and shows the rest.
// Each half asks for a library that nothing else in this program loads
// through SystemLibrary, under a spelling not asked for before.
TEST(SystemLibrary, TheCurrentFolderIsOutOfTheDllSearch) {
    static bool restrictedByAnEarlierRun = false;
    PlantedLibrary planted;
    if (!restrictedByAnEarlierRun) {
        ASSERT_TRUE(PlantedLibrary::Found()) << "the standard search looks in the current folder";
    }
    const std::wstring winmm = NotYetAskedSpelling(L"winmm.dll");
    const std::wstring msimg32 = NotYetAskedSpelling(L"msimg32.dll");
    g_loaderCalls.clear();
    std::optional<TPlatformOverride<LoadLibraryExFn>> recorded(std::in_place, Platform().LoadLibraryExW, &RecordLoad);

    // Windows 7 without the update that brings SetDefaultDllDirectories: the
    // loader is given the full path in System32. (Wine ignores the
    // SetDllDirectoryW(L"") that keeps the current folder out there, so the
    // planted library cannot show that half here.)
    const SetDefaultDllDirectoriesFn available = Platform().SetDefaultDllDirectories;
    {
        TPlatformOverride windows7(Platform().SetDefaultDllDirectories, nullptr);
        RestrictDllSearch();
        EXPECT_NE(SystemLibrary(winmm.c_str()), nullptr);
    }
    ::SetDllDirectoryW(nullptr);

    ASSERT_NE(available, nullptr) << "Wine has it, as Windows 8 and later do";
    RestrictDllSearch();
    restrictedByAnEarlierRun = true;
    EXPECT_FALSE(PlantedLibrary::Found());
    EXPECT_NE(SystemLibrary(msimg32.c_str()), nullptr);
    recorded.reset();

    ASSERT_EQ(g_loaderCalls.size(), 2u);
    EXPECT_EQ(g_loaderCalls[0].file, SystemFolder() + L"\\" + winmm);
    EXPECT_EQ(g_loaderCalls[0].flags, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
    EXPECT_EQ(g_loaderCalls[1].file, msimg32);
    EXPECT_EQ(g_loaderCalls[1].flags, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
}
