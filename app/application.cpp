#include "application.h"

#include "color_scheme.h"
#include "error_text.h"
#include "exceptions.h"
#include "form.h"
#include "loop_waits.h"
#include "modal_scope.h"
#include "screen.h"
#include "system_library.h"
#include "ux_theme.h"

#include <ole2.h>


TApplication* Application = nullptr;

namespace {

constexpr wchar_t kApplicationClass[] = L"TApplication";

}  // namespace

// The window of the application itself: never shown, it hears what concerns
// the whole program (closing, the end of the session, activation, themes).
class TApplicationWindow : public TWinControl {
public:
    explicit TApplicationWindow(TApplication& application) : TWinControl(nullptr), application_(application) {}

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.ClassName = kApplicationClass;
        params.Caption = application_.Title();
        params.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        params.ExStyle = WS_EX_TOOLWINDOW;
        params.X = ::GetSystemMetrics(SM_CXSCREEN) / 2;
        params.Y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
        params.Width = params.Height = 0;
        params.Icon = application_.Icon();
    }
    void WndProc(TMessage& message) override {
        if (!application_.ApplicationMessage(message)) DefaultHandler(message);
    }

private:
    TApplication& application_;
};

std::wstring TApplication::TitleFromModulePath(const std::wstring& path) {
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    name = name.substr(0, name.find(L'.'));
    if (name.size() > 1) ::CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return name;
}

TApplication::TApplication() {
    oleInitialized_ = SUCCEEDED(::OleInitialize(nullptr));
    visualStylesActive_ = UxTheme::Functions().StylesActive();
    icon_ = ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON");
    // The title takes its name from the path's first 255 characters only, as
    // a module name read into 256 characters (its terminating zero included).
    title_ = TitleFromModulePath(ModulePath().substr(0, 255));

    // The icon comes with the window class; a WM_SETICON on top would have
    // the platform convert it a second time for a window that never shows.
    window_ = std::make_unique<TApplicationWindow>(*this);
    HWND window = window_->Handle();
    HMENU menu = ::GetSystemMenu(window, FALSE);
    for (UINT command : {SC_MAXIMIZE, SC_SIZE, SC_MOVE}) ::DeleteMenu(menu, command, MF_BYCOMMAND);
}

HWND TApplication::Handle() const noexcept { return window_ ? window_->Handle() : nullptr; }

TApplication::~TApplication() {
    MarkDestroying();
    DestroyComponents();
    window_.reset();
    if (comInitialized_) ::CoUninitialize();
    if (oleInitialized_) ::OleUninitialize();
}

void TApplication::Initialize() {
    if (!comInitialized_) comInitialized_ = SUCCEEDED(::CoInitialize(nullptr));
}

void TApplication::SetMainFormOnTaskBar(bool value) {
    if (mainFormOnTaskBar_ == value) return;
    mainFormOnTaskBar_ = value;
    if (value && window_) {
        const LONG ex = ::GetWindowLongW(Handle(), GWL_EXSTYLE);
        ::SetWindowLongW(Handle(), GWL_EXSTYLE, ex | WS_EX_TOOLWINDOW);
        ::SetWindowTextW(Handle(), nullptr);
    }
}

void TApplication::FormConstructed(TForm* form) {
    form->ReadLayout();
    form->DoCreate();
    if (!mainForm_) {
        form->Handle();
        mainForm_ = form;
        if (mainFormOnTaskBar_ && window_) {
            LONG ex = ::GetWindowLongW(Handle(), GWL_EXSTYLE) | WS_EX_NOACTIVATE;
            ex &= ~WS_EX_APPWINDOW;
            ::SetWindowLongW(Handle(), GWL_EXSTYLE, ex);
        }
    }
}

int TApplication::StartupShowCommand() const {
    STARTUPINFOW info{sizeof(info)};
    ::GetStartupInfoW(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

void TApplication::Run() {
    if (!mainForm_) return;

    switch (StartupShowCommand()) {
    case SW_SHOWMAXIMIZED: mainForm_->SetWindowState(TWindowState::wsMaximized); break;
    case SW_SHOWMINNOACTIVE:
        mainForm_->SetWindowState(TWindowState::wsMinimized);
        Minimize();
        break;
    default: break;
    }
    mainForm_->Show();

    while (!terminated_) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this, std::current_exception());
        }
    }
}

void TApplication::Minimize() {
    NormalizeTopMosts();
    if (mainForm_) mainForm_->SetWindowState(TWindowState::wsMinimized);
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) Idle();
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    // Under a modal window of ours, its input passes the modal rule's filter
    // first, as in the platform's own modal loops.
    if (ModalLevel() > 0 && ::CallMsgFilterW(&msg, TModalScope::OwnLoopFilterCode)) return true;
    if (IsKeyMessage(msg)) return true;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
}

bool TApplication::IsKeyMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
    auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(::GetAncestor(msg.hwnd, GA_ROOT)));
    return form && form->PreProcessKey(msg);
}

void TApplication::Idle() {
    // Nothing runs while idle: wait for the next input. Outside modal windows
    // the loop also waits for what it follows (the folder listed), so that
    // what that starts never runs under a question or an open menu.
    if (ModalLevel() > 0) ::WaitMessage(); else WaitForInputOrLoopWaits();
}

void TApplication::Terminate() {
    closing_ = true;
    ::PostQuitMessage(0);
}

void TApplication::HandleException(TComponent*, const std::exception_ptr& error) {
    if (HWND capture = ::GetCapture()) ::SendMessageW(capture, WM_CANCELMODE, 0, 0);
    if (IsAbort(error)) return;
    ShowException(error);
}

void TApplication::ShowException(const std::exception_ptr& error) {
    MessageBox(WithFullStop(ExceptionMessage(error)), title_, MB_OK | MB_ICONERROR);
}

namespace {

POINT MonitorCentre(HMONITOR monitor) {
    MONITORINFO info{sizeof(info)};
    ::GetMonitorInfoW(monitor, &info);
    return {(info.rcMonitor.left + info.rcMonitor.right) / 2, (info.rcMonitor.top + info.rcMonitor.bottom) / 2};
}

}  // namespace

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    HWND owner = TModalScope::Owner(TModalScope::TOwnerOf::ErrorBox);
    HWND app = Handle();
    RECT appRect{};
    bool moved = false;
    if (owner && app && ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST) !=
                            ::MonitorFromWindow(app, MONITOR_DEFAULTTONEAREST)) {
        ::GetWindowRect(app, &appRect);
        const POINT centre = MonitorCentre(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST));
        ::SetWindowPos(app, nullptr, centre.x, centre.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        moved = true;
    }
    int result;
    {
        TModalScope modal(owner);
        result = modal.Outcome(::MessageBoxW(owner, text.c_str(), caption.c_str(), flags));
    }
    if (moved)
        ::SetWindowPos(app, nullptr, (appRect.left + appRect.right) / 2, (appRect.top + appRect.bottom) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    return result;
}

namespace {

// The topmost windows owned by `owner`, in Z order, up to the first owned
// window that is not topmost; and the window just before that one.
struct TopMostWalk {
    HWND owner;
    std::vector<HWND> found;
    HWND beforeFirstNormal = HWND_TOPMOST;
    HWND previous = HWND_TOPMOST;

    static BOOL CALLBACK Visit(HWND w, LPARAM param) {
        auto& state = *reinterpret_cast<TopMostWalk*>(param);
        if (::GetWindow(w, GW_OWNER) == state.owner) {
            if (!(::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
                state.beforeFirstNormal = state.previous;
                return FALSE;
            }
            state.found.push_back(w);
        }
        state.previous = w;
        return TRUE;
    }
};

}  // namespace

void TApplication::NormalizeTopMosts() {
    if (topMostLevel_++ > 0 || !mainForm_ || !mainForm_->HandleAllocated()) return;
    TopMostWalk walk{mainForm_->Handle()};
    ::EnumWindows(&TopMostWalk::Visit, reinterpret_cast<LPARAM>(&walk));
    HWND after = walk.beforeFirstNormal;
    if (after == HWND_TOPMOST || (::GetWindowLongW(after, GWL_EXSTYLE) & WS_EX_TOPMOST)) after = HWND_NOTOPMOST;
    for (HWND w : walk.found) {
        ::SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        topMostList_.push_back(w);
    }
}

void TApplication::RestoreTopMosts() {
    if (topMostLevel_ == 0 || --topMostLevel_ > 0) return;
    RestoreStayOnTopMainForm();
    for (HWND w : topMostList_)
        if (::IsWindow(w))
            ::SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    topMostList_.clear();
}

// Making an owned window non-topmost makes its owner non-topmost too, so the
// normalizing may have taken the main window out of the topmost band. It goes
// back first, so that the windows it owns come back above it.
void TApplication::RestoreStayOnTopMainForm() {
    if (!mainForm_ || mainForm_->FormStyle() != TFormStyle::fsStayOnTop || !mainForm_->HandleAllocated()) return;
    HWND main = mainForm_->Handle();
    if (!(::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST))
        ::SetWindowPos(main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

namespace {

BOOL CALLBACK FollowColorScheme(HWND window, LPARAM) noexcept {
    if (auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(window))) form->ColorSchemeChanged();
    return TRUE;
}

}  // namespace

void TApplication::RepaintForms() { ::EnumThreadWindows(::GetCurrentThreadId(), &FollowColorScheme, 0); }

bool TApplication::ApplicationMessage(TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        if (mainForm_) mainForm_->Close();
        return true;
    case WM_QUERYENDSESSION:
        message.Result = 1;
        return true;
    case WM_ENDSESSION:
        if (message.WParam) {
            Terminate();
            if (OnEndSession) OnEndSession();
        }
        return true;
    case WM_ACTIVATEAPP:
        if (message.WParam) RestoreTopMosts(); else NormalizeTopMosts();
        return true;
    case WM_THEMECHANGED:
        visualStylesActive_ = UxTheme::Functions().StylesActive();
        return false;
    case WM_SETTINGCHANGE:
        // Every top-level window hears of the change: this one alone reads
        // the setting again, once, and has the forms follow.
        if (IsColorSetChange(message.LParam) && Screen->ReadAppColorMode()) RepaintForms();
        return false;
    default:
        return false;
    }
}
