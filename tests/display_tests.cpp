// The program in every display setting: the apps' dark setting, a change of
// it while the program runs, a high-contrast theme, a change of the
// system's colours; and what screen readers are told (annotations, the
// menu items' data).
#include "list_fixtures.h"
#include "test_support.h"

#include "color_scheme.h"
#include "entry_name_edit.h"
#include "image_list.h"
#include "main_form.h"
#include "message_dialog.h"
#include "platform_calls.h"
#include "popup_menu.h"
#include "screen.h"
#include "shell_file_list_box.h"
#include "status_bar.h"
#include "system_library.h"
#include "ux_theme.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

using Action = DialogAnswerer::Action;

// ---- Colours as the eye reads them ------------------------------------------

double Channel(BYTE value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The relative luminance and contrast ratio of the Web Content Accessibility
// Guidelines: 4.5 is the least for text.
double Luminance(COLORREF c) {
    return 0.2126 * Channel(GetRValue(c)) + 0.7152 * Channel(GetGValue(c)) + 0.0722 * Channel(GetBValue(c));
}
double Contrast(COLORREF a, COLORREF b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
// Dark enough for light text: the dark palette's surfaces and its selection.
bool IsDark(COLORREF c) { return Luminance(c) < 0.15; }

// The contrast of the box's text with `background`: that of its pixel
// farthest from it (the glyphs' solid middle).
double TextContrast(const Surface& surface, const RECT& box, COLORREF background) {
    double best = 1;
    for (COLORREF c : surface.Pixels(box)) best = std::max(best, Contrast(c, background));
    return best;
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof(text), "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

// Dispatches the thread's messages until the window has nothing left to paint.
bool PumpUntilPainted(HWND window) {
    const bool painted = PumpUntil([&] { return !::GetUpdateRect(window, nullptr, FALSE); });
    EXPECT_TRUE(painted) << "the window was not painted";
    return painted;
}

// ---- The settings ------------------------------------------------------------

BOOL CALLBACK TellSettingChange(HWND window, LPARAM name) {
    ::SendMessageW(window, WM_SETTINGCHANGE, 0, name);
    return TRUE;
}

// What the system does when a setting changes: every top-level window of
// the program hears WM_SETTINGCHANGE with the setting's name.
void BroadcastSettingChange(const wchar_t* name) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &TellSettingChange, reinterpret_cast<LPARAM>(name));
    PumpUntilIdle();
}

// The user switched apps to light or dark.
void BroadcastColorSetChange() { BroadcastSettingChange(L"ImmersiveColorSet"); }

constexpr wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

enum class AppsMode { Light, Dark, NoSetting };

// The value of AppsUseLightTheme that stands for a mode: 1 light, 0 dark.
std::optional<DWORD> AppsLight(AppsMode mode) {
    if (mode == AppsMode::NoSetting) return std::nullopt;
    return mode == AppsMode::Light ? 1 : 0;
}

class AppsModeScope {
public:
    explicit AppsModeScope(AppsMode mode) : setting_(kPersonalize, kAppsUseLightTheme, AppsLight(mode)) {
        BroadcastColorSetChange();
    }
    AppsModeScope(const AppsModeScope&) = delete;
    AppsModeScope& operator=(const AppsModeScope&) = delete;

    void Set(AppsMode mode) {
        setting_.Set(AppsLight(mode));
        BroadcastColorSetChange();
    }

private:
    // Members end in reverse order: the setting is put back, then told.
    struct ToldAtTheEnd {
        ~ToldAtTheEnd() { BroadcastColorSetChange(); }
    } told_;
    UserSettingScope setting_;
};

// A high-contrast theme on, as SystemParametersInfoW reports it.
class HighContrastScope {
public:
    HighContrastScope() = default;

private:
    static BOOL WINAPI Answer(UINT action, UINT size, PVOID data, UINT flags) {
        if (action != SPI_GETHIGHCONTRAST) return SystemCalls().SystemParametersInfoW(action, size, data, flags);
        static_cast<HIGHCONTRASTW*>(data)->dwFlags = HCF_HIGHCONTRASTON | HCF_AVAILABLE;
        return TRUE;
    }
    TPlatformOverride<ParametersInfoFn> on_{Platform().SystemParametersInfoW, &Answer};
};

// What the program asks of the desktop window manager.
class TitleBarRequests {
public:
    struct Request {
        HWND window;
        DWORD attribute;
        BOOL value;
    };
    TitleBarRequests() { requests_.clear(); }
    const std::vector<Request>& Seen() const noexcept { return requests_; }
    // The last dark-mode value asked for the window, if any.
    std::optional<BOOL> Last(HWND window) const {
        std::optional<BOOL> last;
        for (const Request& r : requests_)
            if (r.window == window && r.attribute == kUseImmersiveDarkMode) last = r.value;
        return last;
    }

private:
    static HRESULT WINAPI Record(HWND window, DWORD attribute, LPCVOID value, DWORD size) {
        requests_.push_back({window, attribute, size == sizeof(BOOL) ? *static_cast<const BOOL*>(value) : -1});
        return S_OK;
    }
    static inline std::vector<Request> requests_;
    TPlatformOverride<WindowAttributeFn> recording_{Platform().DwmSetWindowAttribute, &Record};
};

// Counts the program's reads of the apps' setting.
class SettingReads {
public:
    SettingReads() { count_ = 0; }
    int Count() const noexcept { return count_; }

private:
    static LSTATUS WINAPI CountAndRead(HKEY key, LPCWSTR subKey, LPCWSTR value, DWORD flags, LPDWORD type, PVOID data,
                                       LPDWORD size) {
        if (value && std::wstring(value) == kAppsUseLightTheme) ++count_;
        return SystemCalls().RegGetValueW(key, subKey, value, flags, type, data, size);
    }
    static inline int count_ = 0;
    TPlatformOverride<RegGetValueFn> counting_{Platform().RegGetValueW, &CountAndRead};
};

// ---- What screen readers are told ---------------------------------------------

struct Annotation {
    HWND window;
    DWORD object;
    DWORD child;
    std::string property;  // "name", "description", "role", or "clear <property>"
    std::wstring text;
    LONG role;
};

std::string PropertyName(const MSAAPROPID& id) {
    if (::IsEqualGUID(id, PROPID_ACC_NAME)) return "name";
    if (::IsEqualGUID(id, PROPID_ACC_DESCRIPTION)) return "description";
    if (::IsEqualGUID(id, PROPID_ACC_ROLE)) return "role";
    return "other";
}

// The accessibility layer's annotation service, as the program's CoCreateInstance
// finds it: it records what it is told. Other classes come from the system.
class RecordedAnnotations : public IAccPropServices {
public:
    RecordedAnnotations() { current_ = this; }
    ~RecordedAnnotations() { current_ = nullptr; }
    RecordedAnnotations(const RecordedAnnotations&) = delete;
    RecordedAnnotations& operator=(const RecordedAnnotations&) = delete;

    const std::vector<Annotation>& Seen() const noexcept { return seen_; }
    // The last value told of that property of the window's part, if any.
    std::optional<Annotation> Find(HWND window, DWORD child, const std::string& property) const {
        std::optional<Annotation> found;
        for (const Annotation& a : seen_)
            if (a.window == window && a.child == child && a.property == property) found = a;
        return found;
    }

    HRESULT WINAPI QueryInterface(REFIID id, void** out) override {
        if (::IsEqualGUID(id, IID_IUnknown) || ::IsEqualGUID(id, IID_IAccPropServices)) {
            *out = static_cast<IAccPropServices*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The object lives as long as the test's scope, whatever is counted.
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }

    HRESULT WINAPI SetHwndProp(HWND window, DWORD object, DWORD child, MSAAPROPID id, VARIANT value) override {
        seen_.push_back({window, object, child, PropertyName(id), L"", value.vt == VT_I4 ? value.lVal : -1});
        return S_OK;
    }
    HRESULT WINAPI SetHwndPropStr(HWND window, DWORD object, DWORD child, MSAAPROPID id, LPCWSTR text) override {
        seen_.push_back({window, object, child, PropertyName(id), text ? text : L"(null)", 0});
        return S_OK;
    }
    HRESULT WINAPI ClearHwndProps(HWND window, DWORD object, DWORD child, const MSAAPROPID* ids, int count) override {
        for (int i = 0; i < count; ++i) seen_.push_back({window, object, child, "clear " + PropertyName(ids[i]), L"", 0});
        return S_OK;
    }

    HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
    HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override { return E_NOTIMPL; }

private:
    static HRESULT WINAPI Create(REFCLSID id, LPUNKNOWN outer, DWORD context, REFIID interfaceId, LPVOID* out) {
        if (current_ && ::IsEqualGUID(id, CLSID_AccPropServices)) return current_->QueryInterface(interfaceId, out);
        return SystemCalls().CoCreateInstance(id, outer, context, interfaceId, out);
    }

    static inline RecordedAnnotations* current_ = nullptr;
    std::vector<Annotation> seen_;
    TPlatformOverride<CreateInstanceFn> creating_{Platform().CoCreateInstance, &Create};
};

// ---- The main window -------------------------------------------------------------

// The main window over a folder of three entries, the second selected.
class DisplayTest : public MainFormTest {
protected:
    void SetUp() override {
        for (const wchar_t* name : {L"Alpha.txt", L"Beta.txt", L"Gamma.txt"}) folder.Touch(name);
        MainFormTest::SetUp();
        List()->Update();
        Select(L"Beta.txt");
    }

    // The list and the status bar as painted now, in the window's client area.
    struct Painted {
        RECT entry;       // the selected entry, in the list
        RECT otherEntry;  // an entry not selected
        RECT listClient;
        RECT bar;         // the status bar, in the form's client area
        std::vector<COLORREF> pixels;
        COLORREF listBackground;
        COLORREF selection;
        COLORREF barBackground;
        double entryContrast;
        double selectionContrast;
        double barContrast;
    };
    Painted Paint() {
        ShowForm();
        ::RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpUntilIdle();
        Painted p{};
        p.entry = ItemRectOf(ListWindow(), 1);
        p.otherEntry = ItemRectOf(ListWindow(), 0);
        p.listClient = ClientRectOf(ListWindow());
        Surface list(p.listClient.right, p.listClient.bottom);
        list.CopyClient(ListWindow());
        p.listBackground = list.At(p.listClient.right - 3, p.listClient.bottom - 3);
        // The selection's fill, right of the icon and left of the text, above
        // the focus rectangle's dotted bottom line.
        const int textLeft = p.entry.left + List()->IconSize().cx + 4;
        p.selection = list.At(textLeft + 1, p.entry.bottom - 2);
        p.entryContrast = TextContrast(list, p.otherEntry, p.listBackground);
        const RECT selectedText{textLeft, p.entry.top, p.entry.right, p.entry.bottom};
        p.selectionContrast = TextContrast(list, selectedText, p.selection);

        HWND bar = form->StatusBar1->Handle();
        p.bar = ClientRectOf(bar);
        Surface barShot(p.bar.right, p.bar.bottom);
        barShot.CopyClient(bar);
        p.barBackground = barShot.At(2, p.bar.bottom / 2);
        p.barContrast = TextContrast(barShot, p.bar, p.barBackground);

        const RECT all = ClientRectOf(form->Handle());
        Surface whole(all.right, all.bottom);
        whole.CopyClient(form->Handle());
        p.pixels = whole.Pixels();
        return p;
    }

    struct MenuItemPainted {
        COLORREF background;
        double contrast;
        std::vector<COLORREF> pixels;
    };
    // Raffraichir drawn as the open menu draws it, in that state.
    MenuItemPainted PaintMenuItem(UINT state) const {
        TMenuItem* item = form->Raffraichir1;
        (void)form->PopupMenu1->BuildMenu();
        MEASUREITEMSTRUCT m{ODT_MENU, 0, item->Command()};
        form->PopupMenu1->MeasureItem(*item, m);
        const int height = static_cast<int>(m.itemHeight);
        Surface s(200, height);
        s.Fill(RGB(255, 0, 255));
        DRAWITEMSTRUCT d{ODT_MENU, 0, item->Command(), ODA_DRAWENTIRE, state, nullptr, s.Dc()};
        d.rcItem = {0, 0, 200, height};
        form->PopupMenu1->DrawItem(*item, d);
        MenuItemPainted p;
        p.background = s.At(195, height / 2);
        // The caption, right of the image and its gutter.
        p.contrast = TextContrast(s, {40, 0, 190, height}, p.background);
        p.pixels = s.Pixels();
        return p;
    }
};

struct QuestionPainted {
    COLORREF background = 0;
    double contrast = 0;
    std::vector<COLORREF> pixels;
};

// The classic question, as it shows, answered once read.
QuestionPainted PaintQuestion() {
    Presentation classic(false);
    QuestionPainted painted;
    DialogAnswerer answerer({Action::Custom}, [&](HWND form) {
        ::RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        const RECT all = ClientRectOf(form);
        Surface shot(all.right, all.bottom);
        shot.CopyClient(form);
        painted.background = shot.At(all.right - 2, 2);
        HWND label = ::FindWindowExW(form, nullptr, L"Static", nullptr);
        RECT text{};
        ::GetWindowRect(label, &text);
        ::MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&text), 2);
        painted.contrast = TextContrast(shot, text, painted.background);
        painted.pixels = shot.Pixels();
        DialogAnswerer::ClickButton(form, L"OK");
    });
    ShowMessageDialog(L"Lancer Beta.txt", mtConfirmation, {mbOK, mbCancel});
    return painted;
}

}  // namespace

TEST_F(DisplayTest, AppsSetToDarkPaintTheListTheBarAndTheTitleBarDarkWithReadableText) {
    const TitleBarRequests titleBar;
    const AppsModeScope dark(AppsMode::Dark);
    const Painted p = Paint();
    EXPECT_TRUE(IsDark(p.listBackground)) << Hex(p.listBackground);
    EXPECT_GE(p.entryContrast, 4.5);
    EXPECT_TRUE(IsDark(p.selection)) << Hex(p.selection);
    EXPECT_NE(p.selection, p.listBackground) << "the selection shows";
    EXPECT_GE(p.selectionContrast, 4.5);
    EXPECT_TRUE(IsDark(p.barBackground)) << Hex(p.barBackground);
    EXPECT_GE(p.barContrast, 4.5);
    EXPECT_EQ(titleBar.Last(form->Handle()), std::optional<BOOL>(TRUE));
}

TEST_F(DisplayTest, AppsSetToDarkPaintTheMenuDarkWithReadableText) {
    const AppsModeScope dark(AppsMode::Dark);
    for (const bool themed : {true, false}) {
        SCOPED_TRACE(themed ? "themed" : "classic");
        std::optional<TPlatformOverride<UxTheme::OpenFn>> classic;
        if (!themed) classic.emplace(UxTheme::Functions().open, nullptr);
        for (const UINT state : {0u, static_cast<UINT>(ODS_SELECTED)}) {
            SCOPED_TRACE(state ? "selected" : "normal");
            const MenuItemPainted item = PaintMenuItem(state);
            EXPECT_TRUE(IsDark(item.background)) << Hex(item.background);
            EXPECT_GE(item.contrast, 4.5);
        }
    }
    // The room around the items too.
    const win::UniqueMenu menu = form->PopupMenu1->BuildMenu();
    MENUINFO info{sizeof(info)};
    info.fMask = MIM_BACKGROUND;
    ASSERT_TRUE(::GetMenuInfo(menu.get(), &info));
    LOGBRUSH brush{};
    ASSERT_TRUE(info.hbrBack && ::GetObjectW(info.hbrBack, sizeof(brush), &brush));
    EXPECT_TRUE(IsDark(brush.lbColor)) << Hex(brush.lbColor);
}

TEST(DisplaySettings, AppsSetToDarkPaintTheClassicQuestionDarkWithReadableText) {
    const AppsModeScope dark(AppsMode::Dark);
    const QuestionPainted question = PaintQuestion();
    EXPECT_TRUE(IsDark(question.background)) << Hex(question.background);
    EXPECT_GE(question.contrast, 4.5);
}

// Light is the system's colours, painted exactly as where the system has no
// such setting (Windows 7, 8): no palette of the program's own, no request
// for the title bar.
TEST_F(DisplayTest, AppsSetToLightPaintExactlyAsWithoutTheSetting) {
    const TitleBarRequests titleBar;
    AppsModeScope mode(AppsMode::NoSetting);
    const Painted without = Paint();
    const MenuItemPainted menuWithout = PaintMenuItem(ODS_SELECTED);
    const QuestionPainted questionWithout = PaintQuestion();
    mode.Set(AppsMode::Light);
    const Painted light = Paint();
    EXPECT_TRUE(light.pixels == without.pixels) << "the window's pixels differ";
    EXPECT_TRUE(PaintMenuItem(ODS_SELECTED).pixels == menuWithout.pixels) << "the menu item's pixels differ";
    EXPECT_TRUE(PaintQuestion().pixels == questionWithout.pixels) << "the question's pixels differ";
    EXPECT_EQ(light.listBackground, ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(light.selection, ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(light.barBackground, ::GetSysColor(COLOR_BTNFACE));
    EXPECT_TRUE(titleBar.Seen().empty());
}

// The window follows a change of the setting at once, in the same windows:
// no restart, nothing made again.
TEST_F(DisplayTest, ASettingChangeRepaintsInTheNewPaletteAtOnce) {
    const TitleBarRequests titleBar;
    AppsModeScope mode(AppsMode::Light);
    const HWND list = ListWindow();
    EXPECT_EQ(Paint().listBackground, ::GetSysColor(COLOR_WINDOW));
    mode.Set(AppsMode::Dark);
    ASSERT_EQ(ListWindow(), list);
    // Nothing asks for a paint but the change itself.
    ASSERT_TRUE(PumpUntilPainted(list));
    Surface shot(ClientRectOf(list).right, ClientRectOf(list).bottom);
    shot.CopyClient(list);
    const COLORREF dark = shot.At(ClientRectOf(list).right - 3, ClientRectOf(list).bottom - 3);
    EXPECT_TRUE(IsDark(dark)) << Hex(dark);
    EXPECT_EQ(titleBar.Last(form->Handle()), std::optional<BOOL>(TRUE));
    mode.Set(AppsMode::Light);
    ASSERT_TRUE(PumpUntilPainted(list));
    shot.CopyClient(list);
    EXPECT_EQ(shot.At(ClientRectOf(list).right - 3, ClientRectOf(list).bottom - 3), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(titleBar.Last(form->Handle()), std::optional<BOOL>(FALSE));
}

// Under a high-contrast theme the user's colours rule, whatever the apps'
// setting says.
TEST_F(DisplayTest, HighContrastKeepsTheSystemColoursWhenAppsAreSetToDark) {
    const TitleBarRequests titleBar;
    const HighContrastScope highContrast;
    const AppsModeScope dark(AppsMode::Dark);
    const Painted p = Paint();
    EXPECT_EQ(p.listBackground, ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(p.selection, ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(p.barBackground, ::GetSysColor(COLOR_BTNFACE));
    const MenuItemPainted item = PaintMenuItem(0);
    EXPECT_FALSE(IsDark(item.background)) << Hex(item.background);
    EXPECT_FALSE(titleBar.Last(form->Handle()).value_or(FALSE));
}

// The system's colours change while the program runs (a high-contrast theme
// put on, say): the status bar takes the new face colour. Wine's themed
// status bar paints the theme's background whatever colour it is given,
// where Windows' paints the colour: the bar's theme is taken off here.
TEST_F(DisplayTest, ASystemColourChangeReachesTheStatusBar) {
    const AppsModeScope light(AppsMode::Light);
    using SetThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    const auto setTheme = SystemFunction<SetThemeFn>(L"uxtheme.dll", "SetWindowTheme");
    ASSERT_TRUE(setTheme);
    // A class name that no theme has: the bar draws itself classic.
    ASSERT_EQ(setTheme(form->StatusBar1->Handle(), L" ", L" "), S_OK);
    EXPECT_EQ(Paint().barBackground, ::GetSysColor(COLOR_BTNFACE));
    const int indexes[] = {COLOR_BTNFACE};
    const COLORREF saved[] = {::GetSysColor(COLOR_BTNFACE)};
    const COLORREF changed[] = {RGB(64, 128, 192)};
    ASSERT_TRUE(::SetSysColors(1, indexes, changed));
    struct Restore {
        const int* indexes;
        const COLORREF* saved;
        ~Restore() {
            ::SetSysColors(1, indexes, saved);
            PumpUntilIdle();
        }
    } restore{indexes, saved};
    PumpUntilIdle();
    EXPECT_EQ(Paint().barBackground, changed[0]);
}

// One registry read when the program starts, one for each change of the
// setting, however many windows hear of it, and none for other changes or
// for painting.
TEST_F(DisplayTest, TheSettingIsReadOnceAtStartAndOncePerChange) {
    const SettingReads reads;
    {
        const TScreen screen;
        EXPECT_EQ(reads.Count(), 1) << "at start";
    }
    (void)Paint();
    (void)PaintMenuItem(0);
    BroadcastSettingChange(L"Policy");
    EXPECT_EQ(reads.Count(), 1) << "another setting";
    BroadcastColorSetChange();
    EXPECT_EQ(reads.Count(), 2) << "the apps' setting";
}

// ---- Screen readers ---------------------------------------------------------------

class AnnotationsTest : public DisplayTest {
protected:
    RecordedAnnotations recorded;
};

TEST_F(AnnotationsTest, TheListTheBoxAndTheStatusBarsPartAreNamed) {
    ShowForm();
    const std::optional<Annotation> list = recorded.Find(ListWindow(), CHILDID_SELF, "name");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->object, static_cast<DWORD>(OBJID_CLIENT));
    EXPECT_EQ(list->text, L"Envoyer vers");

    // The part shows the hint shortened; its name is the whole hint.
    HWND bar = form->StatusBar1->Handle();
    wchar_t shown[256] = {};
    ::SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(shown));
    ASSERT_NE(std::wstring(shown), form->StatusBar1->PanelText()) << "the hint should be shortened in the bar";
    const std::optional<Annotation> part = recorded.Find(bar, 1, "name");
    ASSERT_TRUE(part);
    EXPECT_EQ(part->text, form->StatusBar1->PanelText());

    Press(ListWindow(), VK_F2);
    HWND box = ::FindWindowExW(ListWindow(), nullptr, L"Edit", nullptr);
    ASSERT_TRUE(box) << "F2 opened no box";
    const std::optional<Annotation> boxName = recorded.Find(box, CHILDID_SELF, "name");
    ASSERT_TRUE(boxName);
    EXPECT_EQ(boxName->text, L"Nouveau nom");
    Press(box, VK_ESCAPE);
}

TEST(DisplaySettings, TheClassicQuestionIsAnnouncedAsADialogWithItsMessage) {
    RecordedAnnotations recorded;
    Presentation classic(false);
    HWND shown = nullptr;
    DialogAnswerer answerer({Action::Custom}, [&](HWND form) {
        shown = form;
        DialogAnswerer::ClickButton(form, L"OK");
    });
    ShowMessageDialog(L"Lancer Beta.txt", mtConfirmation, {mbOK, mbCancel});
    ASSERT_TRUE(shown);
    const std::optional<Annotation> role = recorded.Find(shown, CHILDID_SELF, "role");
    ASSERT_TRUE(role);
    EXPECT_EQ(role->role, ROLE_SYSTEM_DIALOG);
    const std::optional<Annotation> description = recorded.Find(shown, CHILDID_SELF, "description");
    ASSERT_TRUE(description);
    EXPECT_EQ(description->text, L"Lancer Beta.txt");
    // Taken back when the window went.
    EXPECT_TRUE(recorded.Find(shown, CHILDID_SELF, "clear role"));
    EXPECT_TRUE(recorded.Find(shown, CHILDID_SELF, "clear description"));
}

TEST_F(DisplayTest, EachMenuItemsDataStartsWithItsTextForScreenReaders) {
    const win::UniqueMenu menu = form->PopupMenu1->BuildMenu();
    const int count = ::GetMenuItemCount(menu.get());
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_DATA | MIIM_FTYPE;
        ASSERT_TRUE(::GetMenuItemInfoW(menu.get(), static_cast<UINT>(i), TRUE, &info));
        const auto* data = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG));
        wchar_t text[64] = {};
        ::GetMenuStringW(menu.get(), static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(data->pszWText, data->cchWText), text);
        if (!(info.fType & MFT_SEPARATOR)) {
            EXPECT_NE(std::wstring(text), L"");
        }
    }
}
