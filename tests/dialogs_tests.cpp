// The message dialog in both its presentations, driven as a user would drive
// it, and the shell file helpers.
#include "application.h"
#include "dpi.h"
#include "exceptions.h"
#include "message_dialog.h"
#include "message_form.h"
#include "platform_calls.h"
#include "screen.h"
#include "shell_helpers.h"
#include "task_message_dialog.h"
#include "test_support.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Action = DialogAnswerer::Action;

// The program's exe has comctl32 loaded from the start (its status bar
// needs it); the task dialog is looked up there.
class CommonControlsLoaded : public testing::Environment {
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
    }
};
const auto* const kCommonControls = testing::AddGlobalTestEnvironment(new CommonControlsLoaded);

constexpr wchar_t kTaskDialogClass[] = L"#32770";
constexpr wchar_t kMessageFormClass[] = L"TMessageForm";
constexpr wchar_t kNotice[] = L"Pas de fichier à lancer";
constexpr wchar_t kQuestion[] = L"Voulez-vous copier ce fichier dans le dossier SendTo ?";

// Stands a replacement in for TaskDialogIndirect for the life of the object.
class TaskDialogReplaced : TPlatformOverride<TaskDialogIndirectFunction> {
public:
    explicit TaskDialogReplaced(TaskDialogIndirectFunction f) : TPlatformOverride(Platform().TaskDialogIndirect, f) {}
};

TModalResult ShowNoticeDialog(const std::wstring& message = kNotice) {
    return ShowMessageDialog(message, mtWarning, {mbOK});
}

// Listed Cancel first: the dialog still shows OK on the left.
TModalResult ShowQuestionDialog() {
    return ShowMessageDialog(kQuestion, mtConfirmation, {mbCancel, mbOK});
}

// Presses C on the dialog; the test holds Ctrl.
void PressC(HWND dialog) { DialogAnswerer::PostKey(::GetFocus() ? ::GetFocus() : dialog, 'C'); }

std::wstring ClipboardText() {
    win::ClipboardScope clipboard(nullptr);
    if (!clipboard.opened()) return L"<fermé>";
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (!data) return L"";
    win::GlobalLockScope<wchar_t> text(data);
    return text.get() ? std::wstring(text.get()) : L"";
}

RECT RectOf(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

// A visible top-level window of the thread that does not take the
// activation, standing for the program's main window.
win::UniqueHwnd MakeOtherWindow() {
    win::UniqueHwnd window(::CreateWindowExW(0, L"STATIC", L"autre fenêtre", WS_POPUP | WS_BORDER, 20, 20, 120, 60,
                                             nullptr, nullptr, nullptr, nullptr));
    ::ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    return window;
}

// ---------------------------------------------------------------------------
// Results, as the user closes the dialog.

struct AnswerCase {
    const char* label;
    bool question;
    Action action;
    TModalResult taskDialogResult;
    TModalResult messageFormResult;
};

// Esc differs for a notice: the form's only button is also its cancel button.
constexpr AnswerCase kAnswers[] = {
    {"notice, OK", false, Action::Ok, 1, 1},
    {"notice, Enter", false, Action::Enter, 1, 1},
    {"notice, Esc", false, Action::Escape, 2, 1},
    {"notice, Alt+F4", false, Action::AltF4, 2, 2},
    {"notice, close button", false, Action::Close, 2, 2},
    {"notice, Tab then Enter", false, Action::TabEnter, 1, 1},
    {"question, OK", true, Action::Ok, 1, 1},
    {"question, Annuler", true, Action::Cancel, 2, 2},
    {"question, Enter", true, Action::Enter, 1, 1},
    {"question, Esc", true, Action::Escape, 2, 2},
    {"question, Alt+F4", true, Action::AltF4, 2, 2},
    {"question, close button", true, Action::Close, 2, 2},
    {"question, Tab then Enter", true, Action::TabEnter, 2, 2},
};

void CheckAnswers(bool taskDialog) {
    Presentation presentation(taskDialog);
    const auto checkRow = [&](const AnswerCase& c) {
        SCOPED_TRACE(c.label);
        DialogAnswerer answerer({c.action});
        const TModalResult result = c.question ? ShowQuestionDialog() : ShowNoticeDialog();
        EXPECT_EQ(result, taskDialog ? c.taskDialogResult : c.messageFormResult);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
        const SeenDialog& seen = answerer.Seen()[0];
        EXPECT_EQ(seen.className, taskDialog ? kTaskDialogClass : kMessageFormClass);
        EXPECT_EQ(seen.title, c.question ? L"Confirmer" : L"Avertissement");
        EXPECT_NE(seen.text.find(c.question ? kQuestion : kNotice), std::wstring::npos) << seen.text;
        const std::vector<std::wstring> buttons =
            c.question ? std::vector<std::wstring>{L"OK", L"Annuler"} : std::vector<std::wstring>{L"OK"};
        EXPECT_EQ(seen.buttons, buttons);
        EXPECT_EQ(Application->ModalLevel(), 0);
    };
    for (const AnswerCase& c : kAnswers) checkRow(c);
}

TEST(MessageDialog, TaskDialogResults) { CheckAnswers(true); }

TEST(MessageDialog, MessageFormResults) { CheckAnswers(false); }

// A question that no answerer answers fails the test at once, with its
// text, and ends as Cancel ends it, instead of waiting for a user who never
// comes.
TEST(MessageDialog, OneLeftUnansweredFailsTheTestAtOnceWithItsText) {
    for (bool taskDialog : {false, true}) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "classic form");
        Presentation presentation(taskDialog);
        TModalResult result = mrOk;
        const DWORD start = ::GetTickCount();
        EXPECT_NONFATAL_FAILURE(result = ShowQuestionDialog(), "Voulez-vous copier ce fichier dans le dossier SendTo");
        EXPECT_LT(::GetTickCount() - start, DialogAnswerer::AnswerDeadline) << "the question waited";
        EXPECT_EQ(result, mrCancel);
        EXPECT_EQ(Application->ModalLevel(), 0);
    }
}

// The helpers the commands use, on both presentations: a notice is a
// warning with its text and one OK, whichever way it is closed; a question
// is confirmed by OK alone.
TEST(ShellHelpers, NoticeShowsItsTextWithOneOkAndOnlyOkConfirmsAQuestion) {
    const struct {
        const char* label;
        Action action;
        bool confirmed;
    } cases[] = {{"OK", Action::Ok, true},        {"Annuler", Action::Cancel, false},
                 {"Esc", Action::Escape, false},   {"close button", Action::Close, false},
                 {"Alt+F4", Action::AltF4, false}, {"Enter", Action::Enter, true}};
    for (bool taskDialog : {true, false}) {
        Presentation presentation(taskDialog);
        const wchar_t* dialogClass = taskDialog ? kTaskDialogClass : kMessageFormClass;
        const auto checkRow = [&](const auto& c) {
            SCOPED_TRACE(testing::Message() << (taskDialog ? "task dialog, " : "message form, ") << c.label);
            // A notice has no Annuler: Esc closes it in that row.
            DialogAnswerer answerer({c.action == Action::Cancel ? Action::Escape : c.action, c.action});
            (void)ShowNotice(kNotice, mtWarning);
            EXPECT_EQ(AskConfirm(kQuestion), c.confirmed);
            ASSERT_TRUE(SawDialogs(answerer.Seen(), 2u));
            const SeenDialog& notice = answerer.Seen()[0];
            EXPECT_EQ(notice.className, dialogClass);
            EXPECT_EQ(notice.title, L"Avertissement");
            EXPECT_NE(notice.text.find(kNotice), std::wstring::npos) << notice.text;
            EXPECT_EQ(notice.buttons, std::vector<std::wstring>{L"OK"});
            const SeenDialog& question = answerer.Seen()[1];
            EXPECT_EQ(question.className, dialogClass);
            EXPECT_EQ(question.title, L"Confirmer");
            EXPECT_NE(question.text.find(kQuestion), std::wstring::npos) << question.text;
            EXPECT_EQ(question.buttons, (std::vector<std::wstring>{L"OK", L"Annuler"}));
            EXPECT_EQ(Application->ModalLevel(), 0);
        };
        for (const auto& c : cases) checkRow(c);
    }
}

// ---------------------------------------------------------------------------
// When the platform cannot show its task dialog.

HRESULT WINAPI FailingTaskDialog(const TASKDIALOGCONFIG*, int*, int*, BOOL*) { return E_OUTOFMEMORY; }

TEST(MessageDialog, MessageFormWhenTaskDialogCannotBeShown) {
    const struct {
        const char* label;
        TaskDialogIndirectFunction function;
    } cases[] = {{"no TaskDialogIndirect", nullptr}, {"TaskDialogIndirect fails", &FailingTaskDialog}};
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        TaskDialogReplaced replaced(c.function);
        DialogAnswerer answerer({Action::Ok, Action::Cancel});
        EXPECT_EQ(ShowQuestionDialog(), 1);
        EXPECT_FALSE(AskConfirm(kQuestion));
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 2u));
        EXPECT_EQ(answerer.Seen()[0].className, kMessageFormClass);
        EXPECT_EQ(answerer.Seen()[1].className, kMessageFormClass);
        EXPECT_EQ(Application->ModalLevel(), 0);
    };
    for (const auto& c : cases) checkRow(c);
}

// ---------------------------------------------------------------------------
// The rest of the program while a dialog is up.

TEST(MessageDialog, OtherWindowsDisabledWhileUp) {
    for (bool taskDialog : {true, false}) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "message form");
        Presentation presentation(taskDialog);
        win::UniqueHwnd other = MakeOtherWindow();
        bool enabledMeanwhile = true;
        int levelMeanwhile = 0;
        DialogAnswerer answerer({Action::Custom}, [&](HWND dialog) {
            enabledMeanwhile = ::IsWindowEnabled(other.get());
            levelMeanwhile = Application->ModalLevel();
            DialogAnswerer::ClickButton(dialog, L"OK");
        });
        EXPECT_EQ(ShowQuestionDialog(), 1);
        EXPECT_FALSE(enabledMeanwhile);
        EXPECT_EQ(levelMeanwhile, 1);
        EXPECT_TRUE(::IsWindowEnabled(other.get()));
        EXPECT_EQ(Application->ModalLevel(), 0);
    }
}

HWND g_otherWindow = nullptr;
bool g_otherEnabledInside = true;

HRESULT WINAPI ThrowingTaskDialog(const TASKDIALOGCONFIG*, int*, int*, BOOL*) {
    g_otherEnabledInside = ::IsWindowEnabled(g_otherWindow);
    throw EOutOfResources(L"Mémoire insuffisante");
}

TEST(MessageDialog, WindowsEnabledAgainWhenAnErrorEscapes) {
    win::UniqueHwnd other = MakeOtherWindow();
    g_otherWindow = other.get();
    TaskDialogReplaced replaced(&ThrowingTaskDialog);
    EXPECT_THROW(ShowQuestionDialog(), EOutOfResources);
    EXPECT_FALSE(g_otherEnabledInside);
    EXPECT_TRUE(::IsWindowEnabled(other.get()));
    EXPECT_EQ(Application->ModalLevel(), 0);
}

// Runs `action` once from a thread timer, which a modal loop dispatches.
std::function<void()> g_later;

void CALLBACK RunLater(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    const std::function<void()> action = std::exchange(g_later, nullptr);
    if (action) action();
}

void Later(std::function<void()> action) {
    g_later = std::move(action);
    ::SetTimer(nullptr, 0, 10, &RunLater);
}

TEST(MessageDialog, NestedDialogsEachRestoreTheStateTheyFound) {
    const auto checkRow = [&](bool taskDialog) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "message form");
        Presentation presentation(taskDialog);
        win::UniqueHwnd other = MakeOtherWindow();
        TModalResult inner = mrNone;
        bool otherEnabledUnderOuter = true;
        bool outerEnabledAgain = false;
        int levelUnderOuter = 0;
        // The outer question opens a notice over itself, then is answered.
        DialogAnswerer answerer({Action::Custom, Action::Ok}, [&](HWND outer) {
            Later([&, outer] {
                inner = ShowNoticeDialog();
                otherEnabledUnderOuter = ::IsWindowEnabled(other.get());
                outerEnabledAgain = ::IsWindowEnabled(outer);
                levelUnderOuter = Application->ModalLevel();
                DialogAnswerer::ClickButton(outer, L"OK");
            });
        });
        EXPECT_EQ(ShowQuestionDialog(), mrOk);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 2u));
        EXPECT_EQ(inner, mrOk);
        EXPECT_FALSE(otherEnabledUnderOuter) << "the inner dialog enabled what the outer one disabled";
        EXPECT_TRUE(outerEnabledAgain);
        EXPECT_EQ(levelUnderOuter, 1);
        EXPECT_TRUE(::IsWindowEnabled(other.get()));
        EXPECT_EQ(Application->ModalLevel(), 0);
    };
    for (bool taskDialog : {true, false}) checkRow(taskDialog);
}

TEST(MessageDialog, EachPresentationIsCentredOnTheWorkArea) {
    const auto checkRow = [&](bool taskDialog) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "message form");
        Presentation presentation(taskDialog);
        RECT dialog{};
        DialogAnswerer answerer({Action::Custom}, [&](HWND window) {
            dialog = RectOf(window);
            DialogAnswerer::ClickButton(window, L"OK");
        });
        EXPECT_EQ(ShowNoticeDialog(), 1);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
        EXPECT_EQ(answerer.Seen()[0].className, taskDialog ? kTaskDialogClass : kMessageFormClass);
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_NEAR(dialog.left + dialog.right, work.left + work.right, 1);
        EXPECT_NEAR(dialog.top + dialog.bottom, work.top + work.bottom, 1);
    };
    for (bool taskDialog : {true, false}) checkRow(taskDialog);
}

// ---------------------------------------------------------------------------
// The message form's layout.

struct DialogUnits {
    int x, y;
};

int WidthOf(const RECT& r) { return r.right - r.left; }
int HeightOf(const RECT& r) { return r.bottom - r.top; }

DialogUnits UnitsOf(const LOGFONTW& log) {
    win::UniqueFont font(::CreateFontIndirectW(&log));
    win::WindowDc dc(nullptr);
    win::SelectScope selected(dc.get(), font.get());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc.get(), L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &extent);
    return {extent.cx / 52, extent.cy};
}

int CaptionWidth(const LOGFONTW& log, const std::wstring& caption) {
    win::UniqueFont font(::CreateFontIndirectW(&log));
    win::WindowDc dc(nullptr);
    win::SelectScope selected(dc.get(), font.get());
    RECT r{};
    ::DrawTextW(dc.get(), caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
    return r.right - r.left;
}

// The size of `text` drawn wrapped within `width` in that font.
SIZE TextExtent(const LOGFONTW& log, const std::wstring& text, int width) {
    win::UniqueFont font(::CreateFontIndirectW(&log));
    win::WindowDc dc(nullptr);
    win::SelectScope selected(dc.get(), font.get());
    RECT r{0, 0, width, 0};
    ::DrawTextW(dc.get(), text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return {WidthOf(r), HeightOf(r)};
}

// What a message form looked like, read from its windows.
struct FormLayout {
    RECT window{};
    RECT client{};
    RECT label{};  // in client coordinates
    std::vector<RECT> buttons;
    LOGFONTW font{};
};

BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
    auto& layout = *reinterpret_cast<FormLayout*>(param);
    RECT r = RectOf(child);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0) {
        layout.buttons.push_back(r);
        auto font = reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0));
        ::GetObjectW(font, sizeof(layout.font), &layout.font);
    } else {
        layout.label = r;
    }
    return TRUE;
}

// Shows a message form and reads its layout; the first button closes it.
FormLayout ShowAndMeasure(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons) {
    Presentation classic(false);
    FormLayout layout;
    DialogAnswerer answerer({Action::Custom}, [&](HWND form) {
        layout.window = RectOf(form);
        ::GetClientRect(form, &layout.client);
        ::EnumChildWindows(form, &ReadChild, reinterpret_cast<LPARAM>(&layout));
        ::PostMessageW(::FindWindowExW(form, nullptr, L"Button", nullptr), BM_CLICK, 0, 0);
    });
    ShowMessageDialog(message, kind, buttons);
    return layout;
}

TEST(MessageForm, LayoutFromTheMessageFont) {
    std::wstring message;
    for (int i = 0; i < 12; ++i) message += L"Le fichier déposé sera copié dans le dossier SendTo de l'utilisateur. ";
    const FormLayout layout = ShowAndMeasure(message, mtWarning, {mbOK});
    ASSERT_EQ(layout.buttons.size(), 1u);
    EXPECT_STREQ(layout.font.lfFaceName, Screen->MessageFont().lfFaceName);
    EXPECT_EQ(layout.font.lfHeight, Screen->MessageFont().lfHeight);

    const DialogUnits u = UnitsOf(layout.font);
    const RECT& label = layout.label;
    const RECT& button = layout.buttons[0];

    // Wrapped within half the screen: the form grows in height, not width.
    EXPECT_LE(WidthOf(label), Screen->Width() / 2);
    EXPECT_GT(WidthOf(label), Screen->Width() / 2 - 20 * u.x);
    EXPECT_GE(HeightOf(label), 4 * u.y);
    // The whole text fits the label, wrapped as the label wraps it.
    const SIZE text = TextExtent(layout.font, message, WidthOf(label));
    EXPECT_LE(text.cx, WidthOf(label));
    EXPECT_LE(text.cy, HeightOf(label));

    // The 32-pixel icon, the label and the button do not overlap, and
    // margins go round them all: the same above the label as below the button.
    EXPECT_GT(label.left, 32 + u.x);
    EXPECT_GT(label.top, 0);
    EXPECT_GT(button.top, label.bottom);
    EXPECT_GT(layout.client.right, label.right);
    EXPECT_EQ(layout.client.bottom - button.bottom, label.top);

    // The button holds its caption with room to spare, and is taller than a
    // line of its text.
    EXPECT_GE(WidthOf(button), CaptionWidth(layout.font, L"OK") + 8);
    EXPECT_GT(HeightOf(button), u.y);
    // One short button, centred under the whole width.
    EXPECT_EQ(button.left, (layout.client.right - WidthOf(button)) / 2);

    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(layout.window.left, work.left + (WidthOf(work) - WidthOf(layout.window)) / 2, 1);
    EXPECT_NEAR(layout.window.top, work.top + (HeightOf(work) - HeightOf(layout.window)) / 2, 1);
}

// What the question's label showed, and the platform's drawing of the
// message as it is, in the label's font and colours and on its rectangle.
struct LabelShown {
    SIZE label{};
    SIZE measured{};  // the message measured as it is, wrapped within half the screen
    std::vector<COLORREF> painted;
    std::vector<COLORREF> asItIs;
};

LabelShown ShowQuestionAndReadLabel(const std::wstring& message) {
    Presentation classic(false);
    LabelShown shown;
    DialogAnswerer answerer({Action::Custom}, [&](HWND form) {
        HWND label = ::FindWindowExW(form, nullptr, L"Static", nullptr);
        const RECT bounds = RectOf(label);
        shown.label = {WidthOf(bounds), HeightOf(bounds)};
        const RECT area{0, 0, shown.label.cx, shown.label.cy};
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
        Surface painted(area.right, area.bottom);
        ::SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(painted.Dc()), PRF_CLIENT);
        shown.painted = painted.Pixels();

        Surface reference(area.right, area.bottom);
        win::SelectScope selected(reference.Dc(), font);
        // The colours the form gives its static controls.
        auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(form, WM_CTLCOLORSTATIC,
                                                              reinterpret_cast<WPARAM>(reference.Dc()),
                                                              reinterpret_cast<LPARAM>(label)));
        ::FillRect(reference.Dc(), &area, brush);
        RECT text = area;
        ::DrawTextW(reference.Dc(), message.c_str(), -1, &text, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        shown.asItIs = reference.Pixels();

        RECT measured{0, 0, Screen->Width() / 2, 0};
        ::DrawTextW(reference.Dc(), message.c_str(), -1, &measured,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        shown.measured = {WidthOf(measured), HeightOf(measured)};
        DialogAnswerer::ClickButton(form, L"OK");
    });
    ShowMessageDialog(message, mtConfirmation, {mbOK, mbCancel});
    return shown;
}

// On a monitor of 144 dpi the form takes the message font of that resolution,
// and everything measured from it grows with it: margins, buttons, the icon.
TEST(MessageForm, LaidOutAtTheResolutionOfItsMonitor) {
    struct Laid {
        int fontHeight;
        SIZE client;
    };
    auto build = [](UINT dpi) {
        MonitorsAt monitor(dpi);
        MessageFormPtr form = CreateMessageDialog(L"Question ?", mtConfirmation, {mbOK, mbCancel}, mbOK);
        EXPECT_EQ(form->PixelsPerInch(), static_cast<int>(dpi));
        return Laid{form->Font().Height(), {form->ClientWidth(), form->ClientHeight()}};
    };
    const Laid here = build(96);
    const Laid there = build(144);
    EXPECT_EQ(here.fontHeight, Screen->MessageFont().lfHeight);
    EXPECT_EQ(there.fontHeight, NonClientMetricsForDpi(144).lfMessageFont.lfHeight);
    EXPECT_GT(std::abs(there.fontHeight), std::abs(here.fontHeight));
    // The icon alone is 48 pixels high there, plus the margins and the buttons.
    EXPECT_GT(there.client.cy, 48 + here.client.cy - 32);
    EXPECT_GT(there.client.cx, here.client.cx);
}

namespace {

std::vector<int> g_iconSides;

HRESULT WINAPI RecordIconSide(HINSTANCE module, PCWSTR name, int width, int height, HICON* icon) {
    g_iconSides.push_back(width);
    return SystemCalls().LoadIconWithScaleDown(module, name, width, height, icon);
}

}  // namespace

// The icon is made for the resolution the form is laid out at, when it is
// made and again when it moves to a monitor of another: the system's image
// of that size, not the 32-pixel one stretched.
TEST(MessageForm, ItsIconIsMadeAtEachResolutionItIsLaidOutFor) {
    TPlatformOverride recording(Platform().LoadIconWithScaleDown, &RecordIconSide);
    g_iconSides.clear();
    MonitorsAt monitor(96);
    MessageFormPtr form = CreateMessageDialog(L"Question ?", mtConfirmation, {mbOK, mbCancel}, mbOK);
    MoveToMonitorOf(form->Handle(), 144);
    MoveToMonitorOf(form->Handle(), 192);
    EXPECT_EQ(g_iconSides, (std::vector<int>{32, 48, 64}));
}

namespace {

// A frame that grows with the resolution, as Windows draws it on a monitor
// of that resolution: Wine draws its own at the screen's whatever the
// monitor, and a form must be measured with the frame of the monitor it goes to.
RECT FrameAt(UINT dpi) {
    const int side = ::MulDiv(8, static_cast<int>(dpi), 96);
    return {side, ::MulDiv(30, static_cast<int>(dpi), 96), side, side};
}

BOOL WINAPI FrameGrowingWithResolution(RECT* rect, DWORD, BOOL, DWORD, UINT dpi) {
    const RECT frame = FrameAt(dpi);
    rect->left -= frame.left;
    rect->top -= frame.top;
    rect->right += frame.right;
    rect->bottom += frame.bottom;
    return TRUE;
}

}  // namespace

// Laid out for a monitor of 192 dpi, the form's client area there, within the
// frame of that resolution, holds its buttons: centred, with room below them.
TEST(MessageForm, OnAMonitorOf192DpiItsClientAreaThereHoldsItsButtons) {
    MonitorsAt monitor(192);
    TPlatformOverride frame(Platform().AdjustWindowRectExForDpi, &FrameGrowingWithResolution);
    MessageFormPtr form = CreateMessageDialog(L"Question ?", mtConfirmation, {mbOK, mbCancel}, mbOK);
    RECT outer{};
    ::GetWindowRect(form->Handle(), &outer);
    const RECT around = FrameAt(192);
    const int clientWidth = outer.right - outer.left - around.left - around.right;
    const int clientHeight = outer.bottom - outer.top - around.top - around.bottom;
    std::vector<RECT> buttons;
    for (HWND child = ::GetWindow(form->Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassOf(child).c_str(), L"Button") != 0) continue;
        RECT r = RectOf(child);
        ::MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
        buttons.push_back(r);
    }
    ASSERT_EQ(buttons.size(), 2u);
    const int left = std::min(buttons[0].left, buttons[1].left);
    const int right = std::max(buttons[0].right, buttons[1].right);
    EXPECT_GT(left, 0);
    EXPECT_LE(std::abs((clientWidth - right) - left), 1) << "the buttons are not centred in the client area";
    EXPECT_GT(clientHeight, std::max(buttons[0].bottom, buttons[1].bottom));
    // Each button holds its caption in the font of that resolution.
    for (HWND child = ::GetWindow(form->Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassOf(child).c_str(), L"Button") != 0) continue;
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)), sizeof(font), &font);
        EXPECT_GT(WidthOf(RectOf(child)), CaptionWidth(font, WindowText(child)));
    }
}

// Moved to a monitor of 192 dpi and back, the question's label and buttons
// get the message font of that resolution while the one they hold is still
// live, and the form is laid out for it: the label holds its message and each
// button its caption, centred, with the margin above the label below them.
TEST(MessageForm, MovedToAnotherResolutionItsChildrenHoldALiveFontAndTheirText) {
    std::vector<std::wstring> givenAfterTheOldWasFreed;
    MessageFormPtr form = CreateMessageDialog(kQuestion, mtConfirmation, {mbOK, mbCancel}, mbOK);
    const int setter = 0;
    for (TWinControl* child : form->Controls())
        child->SetMessageFilter(&setter, [child, &givenAfterTheOldWasFreed](TMessage& message) {
            if (message.Msg != WM_SETFONT) return false;
            const auto held = reinterpret_cast<HFONT>(::SendMessageW(child->Handle(), WM_GETFONT, 0, 0));
            if (::GetObjectType(held) != OBJ_FONT) givenAfterTheOldWasFreed.push_back(WindowText(child->Handle()));
            return false;
        });
    for (int dpi : {192, 96}) {
        SCOPED_TRACE(dpi);
        givenAfterTheOldWasFreed.clear();
        MoveToMonitorOf(form->Handle(), dpi);
        EXPECT_TRUE(givenAfterTheOldWasFreed.empty())
            << "the old font was freed before these children had the new one: "
            << testing::PrintToString(givenAfterTheOldWasFreed);
        const LOGFONTW expected = NonClientMetricsForDpi(dpi).lfMessageFont;
        const RECT client = ClientRectOf(form->Handle());
        RECT label{};
        RECT buttons{};  // the box round the buttons
        int children = 0;
        for (HWND child = ::GetWindow(form->Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            ++children;
            const std::wstring text = WindowText(child);
            SCOPED_TRACE(testing::PrintToString(text));
            const auto font = reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0));
            EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT)) << "the child holds a freed font";
            LOGFONTW held{};
            ::GetObjectW(font, sizeof(held), &held);
            EXPECT_EQ(held.lfHeight, expected.lfHeight);
            RECT r = RectOf(child);
            ::MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
            if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0) {
                EXPECT_GE(WidthOf(r), CaptionWidth(expected, text) + 8);
                EXPECT_GT(HeightOf(r), UnitsOf(expected).y);
                ::UnionRect(&buttons, &buttons, &r);
            } else {
                const SIZE needed = TextExtent(expected, text, WidthOf(r));
                EXPECT_LE(needed.cx, WidthOf(r));
                EXPECT_LE(needed.cy, HeightOf(r));
                label = r;
            }
        }
        EXPECT_EQ(children, 3);
        EXPECT_GT(label.top, 0);
        EXPECT_GT(buttons.left, 0);
        EXPECT_LE(std::abs((client.right - buttons.right) - buttons.left), 1) << "the buttons are not centred";
        EXPECT_EQ(client.bottom - buttons.bottom, label.top);
    }
}

// An entry's name may hold "&": the question shows the name of the file it
// acts on, every "&" drawn, and the form is laid out for what is drawn.
TEST(MessageForm, NamesWithAmpersandsShowAsTheyAre) {
    const auto checkRow = [&](const wchar_t* name) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        const std::wstring message = L"Lancer " + std::wstring(name);
        const LabelShown shown = ShowQuestionAndReadLabel(message);
        EXPECT_EQ(shown.label.cx, shown.measured.cx);
        EXPECT_EQ(shown.label.cy, shown.measured.cy);
        ASSERT_FALSE(shown.painted.empty());
        EXPECT_TRUE(shown.painted == shown.asItIs) << "the label draws the message otherwise than as it is";
    };
    for (const wchar_t* name : {L"a&b.txt", L"&&", L"Outils R&&D & Cie.lnk"}) checkRow(name);
}

// Changes the system's message font for the life of the object.
class MessageFontChanged {
public:
    explicit MessageFontChanged(LONG height) {
        saved_.cbSize = sizeof(saved_);
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0);
        NONCLIENTMETRICSW changed = saved_;
        changed.lfMessageFont.lfHeight = height;
        ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(changed), &changed, 0);
        Screen->ReadSystemFonts();
    }
    ~MessageFontChanged() {
        ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(saved_), &saved_, 0);
        Screen->ReadSystemFonts();
    }

private:
    NONCLIENTMETRICSW saved_{};
};

// No other test lays out these two buttons: the first dialog here measures them.
TEST(MessageForm, ButtonWidthsMeasuredOncePerProcess) {
    const TMsgDlgButtons buttons{mbNoToAll, mbYesToAll};
    FormLayout large;
    {
        MessageFontChanged font(-24);
        if (Screen->MessageFont().lfHeight != -24) GTEST_SKIP() << "the message font cannot be changed here";
        large = ShowAndMeasure(L"Remplacer ?", mtConfirmation, buttons);
    }
    const FormLayout normal = ShowAndMeasure(L"Remplacer ?", mtConfirmation, buttons);
    ASSERT_EQ(large.buttons.size(), 2u);
    ASSERT_EQ(normal.buttons.size(), 2u);
    ASSERT_LT(normal.font.lfHeight, 0);
    ASSERT_GT(normal.font.lfHeight, -24);

    const int measuredLarge = std::max(CaptionWidth(large.font, L"Non &pour tout"),
                                       CaptionWidth(large.font, L"O&ui pour tout")) + 8;
    const int measuredNormal = std::max(CaptionWidth(normal.font, L"Non &pour tout"),
                                        CaptionWidth(normal.font, L"O&ui pour tout")) + 8;
    const int minimumNormal = ::MulDiv(50, UnitsOf(normal.font).x, 4);
    EXPECT_EQ(WidthOf(large.buttons[0]), std::max(::MulDiv(50, UnitsOf(large.font).x, 4), measuredLarge));
    // The smaller font keeps the widths measured in the larger one.
    EXPECT_EQ(WidthOf(normal.buttons[0]), std::max(minimumNormal, measuredLarge));
    EXPECT_GT(WidthOf(normal.buttons[0]), std::max(minimumNormal, measuredNormal));
    EXPECT_EQ(WidthOf(normal.buttons[1]), WidthOf(normal.buttons[0]));
}

// ---------------------------------------------------------------------------
// Ctrl+C on the message form.

// What the clipboard held while the form was still up, read once the form
// has handled the keys posted before (a timer comes after queued input).
struct ClipboardWhileUp {
    static inline HWND form = nullptr;
    static inline HWND owner = nullptr;
    static inline std::wstring text;

    static void CALLBACK ReadThenClose(HWND, UINT, UINT_PTR timer, DWORD) {
        ::KillTimer(nullptr, timer);
        owner = ::GetClipboardOwner();
        text = ClipboardText();
        DialogAnswerer::ClickButton(form, L"OK");
    }
};

TEST(MessageForm, CtrlCCopiesTheDialogAsTextOwnedByTheForm) {
    Presentation classic(false);
    const ClipboardPutBack clipboard;
    // A message holding "&" is copied as it is.
    for (const std::wstring& message : {std::wstring(kNotice), std::wstring(L"Impossible de remplacer a&b && c.txt")}) {
        SCOPED_TRACE(testing::PrintToString(message));
        PutTextOnClipboard(Application->Handle(), L"avant");
        DialogAnswerer answerer({Action::Custom}, [](HWND form) {
            ClipboardWhileUp::form = form;
            PressC(form);
            ::SetTimer(nullptr, 0, 10, &ClipboardWhileUp::ReadThenClose);
        });
        const TModalResult result = [&] {
            const ModifiersHeld ctrl({VK_CONTROL, VK_LCONTROL});
            return ShowNoticeDialog(message);
        }();
        EXPECT_EQ(result, 1);
        // Without an owner the platform refuses SetClipboardData after
        // EmptyClipboard: the user's clipboard would be emptied for nothing.
        EXPECT_EQ(ClipboardWhileUp::owner, ClipboardWhileUp::form);
        const std::wstring divider = L"---------------------------\r\n";
        const std::wstring copied =
            divider + L"Avertissement\r\n" + divider + message + L"\r\n" + divider + L"OK   \r\n" + divider;
        EXPECT_EQ(ClipboardWhileUp::text, copied);
        EXPECT_EQ(ClipboardText(), copied);
    }
}

// Another thread holds the clipboard open until the object goes.
class ClipboardHeldElsewhere {
public:
    ClipboardHeldElsewhere()
        : opened_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          holder_([this] {
              // Opened for a window: Wine lets two threads open it for none.
              win::UniqueHwnd owner(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                      nullptr, nullptr));
              win::ClipboardScope clipboard(owner.get());
              ::SetEvent(opened_.get());
              ::WaitForSingleObject(release_.get(), INFINITE);
          }) {
        ::WaitForSingleObject(opened_.get(), INFINITE);
    }
    ~ClipboardHeldElsewhere() {
        ::SetEvent(release_.get());
        holder_.join();
    }

private:
    win::UniqueKernelHandle opened_;
    win::UniqueKernelHandle release_;
    std::thread holder_;
};

TEST(MessageForm, ClipboardInUseIsReportedAndTheFormStaysOpen) {
    Presentation classic(false);
    const ClipboardPutBack clipboard;
    PutTextOnClipboard(Application->Handle(), L"avant");
    TModalResult result = mrNone;
    std::vector<SeenDialog> seen;
    {
        ClipboardHeldElsewhere held;
        DialogAnswerer answerer({Action::Custom, Action::Ok, Action::Cancel}, &PressC);
        {
            const ModifiersHeld ctrl({VK_CONTROL, VK_LCONTROL});
            result = ShowQuestionDialog();
        }
        seen = answerer.Seen();
    }
    EXPECT_EQ(result, 2);
    ASSERT_TRUE(SawDialogs(seen, 3u));
    EXPECT_EQ(seen[0].className, kMessageFormClass);
    EXPECT_EQ(seen[1].className, L"#32770");
    EXPECT_EQ(seen[1].title, Application->Title());
    EXPECT_EQ(seen[1].text.rfind(L"Impossible d'ouvrir le Presse-papiers : ", 0), 0u) << seen[1].text;
    EXPECT_EQ(seen[2].className, kMessageFormClass);
    EXPECT_EQ(ClipboardText(), L"avant");
}

// ---------------------------------------------------------------------------
// The file helpers.

TEST(ShellHelpers, RecycleFileMovesTheFileToTheRecycleBin) {
    const RecycledByTest recycled;
    TempFolder folder;
    const std::wstring trash = WineRecycleBinFolder();
    for (const std::wstring& name : {UniqueName(L"simple", L".txt"), UniqueName(L"nom avec espaces éàç", L".txt")}) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const std::wstring path = folder.Touch(name, "contenu");
        EXPECT_TRUE(RecycleFile(path));
        EXPECT_FALSE(FileExists(path));
        if (!trash.empty()) {
            EXPECT_TRUE(FileExists(trash + L"\\" + name));
        }
    }
}

TEST(ShellHelpers, RecycleFileOfAMissingPathFails) {
    TempFolder folder;
    DialogAnswerer shellErrors({});  // any box the shell shows gets Esc
    EXPECT_FALSE(RecycleFile(folder.Path(L"absent.txt")));
    EXPECT_FALSE(RecycleFile(folder.Path(L"dossier absent\\absent.txt")));
}

TEST(ShellHelpers, CopyFileToReplacesTheDestination) {
    TempFolder folder;
    const std::wstring source = folder.Touch(L"source é.txt", "nouveau contenu");
    const std::wstring destination = folder.Touch(L"destination.txt", "ancien");
    EXPECT_NE(CopyFileTo(source, destination), FALSE);
    EXPECT_EQ(ReadFileBytes(destination), "nouveau contenu");
    EXPECT_EQ(CopyFileTo(folder.Path(L"absent.txt"), destination), FALSE);
    EXPECT_EQ(ReadFileBytes(destination), "nouveau contenu");
}

// ---------------------------------------------------------------------------
// Not run by default: holds one dialog of each presentation on screen for a
// while, so that a screenshot can be taken from outside.

HWND g_heldDialog = nullptr;

void CALLBACK CloseHeldDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    DialogAnswerer::ClickButton(g_heldDialog, L"OK");
}

TEST(Screenshots, DISABLED_HoldEachPresentation) {
    for (bool taskDialog : {true, false}) {
        Presentation presentation(taskDialog);
        DialogAnswerer answerer({Action::Custom}, [](HWND dialog) {
            g_heldDialog = dialog;
            ::SetTimer(nullptr, 0, 4000, &CloseHeldDialog);
        });
        ShowQuestionDialog();
    }
}

}  // namespace
