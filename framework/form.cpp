#include "form.h"

#include "application_host.h"
#include "color_scheme.h"
#include "dpi.h"
#include "flag_scope.h"
#include "platform_calls.h"
#include "screen.h"

#include <algorithm>

namespace {

// Windows 10 1703 on; the headers name it only for that version.
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    creatingMainForm_ = ApplicationHost && ApplicationHost->TakeCreatingMainForm();
}

TForm::~TForm() {
    MarkDestroying();
    // The window and its child windows go first, then the child controls,
    // then the non-visual components.
    DestroyHandle();
    DestroyComponents();
    if (Screen) Screen->FormDestroyed(this);
}

void TForm::DoCreate() {
    if (!OnCreate) return;
    try {
        OnCreate(this);
    } catch (...) {
        ApplicationHost->HandleException(this, std::current_exception());
    }
}

void TForm::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    if (HandleAllocated()) ::SetWindowTextW(Handle(), caption_.c_str());
}

void TForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"TForm";
    params.ClassStyle = CS_DBLCLKS;
    params.Caption = caption_;
    params.WndParent = nullptr;
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.ExStyle = WS_EX_CONTROLPARENT;
    // The form's outer size until its layout sets the client size.
    params.Width = 320;
    params.Height = 240;
    const bool toolWindow = borderStyle_ == TBorderStyle::bsToolWindow || borderStyle_ == TBorderStyle::bsSizeToolWin;
    switch (borderStyle_) {
    case TBorderStyle::bsNone: params.Style |= WS_POPUP; break;
    case TBorderStyle::bsSingle:
    case TBorderStyle::bsToolWindow: params.Style |= WS_CAPTION | WS_BORDER; break;
    case TBorderStyle::bsSizeable:
    case TBorderStyle::bsSizeToolWin: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case TBorderStyle::bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (toolWindow) params.ExStyle |= WS_EX_TOOLWINDOW;
    if (borderStyle_ != TBorderStyle::bsNone) params.Style |= WS_SYSMENU;
    if (borderStyle_ == TBorderStyle::bsSingle || borderStyle_ == TBorderStyle::bsSizeable)
        params.Style |= WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    // The main window owns the process's taskbar button.
    if (creatingMainForm_ && ApplicationHost->MainFormOnTaskBar()) params.ExStyle |= WS_EX_APPWINDOW;
    // A dialog or tool window border (either kind) always starts in the
    // normal state.
    if (borderStyle_ > TBorderStyle::bsSizeable) windowState_ = TWindowState::wsNormal;
}

void TForm::CreateWindowDone() {
    ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ApplicationHost->Icon()));
    titleBarDark_ = false;
    ApplyTitleBarScheme();
    if (formStyle_ == TFormStyle::fsStayOnTop)
        ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

int TForm::ClientWidth() {
    RECT r{};
    ::GetClientRect(Handle(), &r);
    return r.right;
}

int TForm::ClientHeight() {
    RECT r{};
    ::GetClientRect(Handle(), &r);
    return r.bottom;
}

void TForm::SetClientSize(int width, int height) {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int dx = width - client.right;
    const int dy = height - client.bottom;
    SetBounds(Left(), Top(), Width() + dx, Height() + dy);
}

void TForm::PlaceForFirstShowing() {
    if (position_ == TPosition::poMainFormCenter && ApplicationHost->MainForm() == this) {
        int x = (Screen->Width() - Width()) / 2;
        int y = (Screen->Height() - Height()) / 2;
        x = std::max(x, Screen->DesktopLeft());
        y = std::max(y, Screen->DesktopTop());
        SetBounds(x, y, Width(), Height());
    }
    position_ = TPosition::poDesigned;
}

void TForm::Show() {
    HWND window = Handle();
    // Controls whose windows nothing asked for yet get them now.
    for (TWinControl* control : Controls()) control->Handle();
    AlignControls();
    PlaceForFirstShowing();
    int command = SW_SHOWNORMAL;
    if (windowState_ == TWindowState::wsMinimized) command = SW_SHOWMINNOACTIVE;
    if (windowState_ == TWindowState::wsMaximized) command = SW_SHOWMAXIMIZED;
    ::ShowWindow(window, command);
}

void TForm::Hide() {
    if (HandleAllocated()) ::ShowWindow(Handle(), SW_HIDE);
}

void TForm::Close() {
    if (OnClose) OnClose(this);
    if (modal_) {
        modalResult_ = mrCancel;
    } else if (ApplicationHost->MainForm() == this) {
        ApplicationHost->Terminate();
    } else {
        Hide();
    }
}

bool TForm::PreProcessKey(MSG&) { return false; }

// A window in the light palette is never asked about its title bar: it
// stays exactly as the system draws it.
void TForm::ApplyTitleBarScheme() {
    const bool dark = Screen->DarkColors();
    if (dark == titleBarDark_) return;
    titleBarDark_ = dark;
    SetDarkTitleBar(Handle(), dark);
}

void TForm::ColorSchemeChanged() {
    if (!HandleAllocated()) return;
    ApplyTitleBarScheme();
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

SIZE TForm::ClientSizeForDpi(int dpi) {
    return {ScaleBetween(ClientWidth(), pixelsPerInch_, dpi), ScaleBetween(ClientHeight(), pixelsPerInch_, dpi)};
}

void TForm::ChangeScale(int dpi) { font_.SetHeight(ScaleBetween(font_.Height(), pixelsPerInch_, dpi)); }

// The platform's rectangle places the window on its new monitor; the client
// size is then made exact, which it already is where the platform asked for
// it first (WM_GETDPISCALEDSIZE).
void TForm::MoveToDpi(int dpi, const RECT& suggested) {
    if (dpi == pixelsPerInch_) return;
    const SIZE client = ClientSizeForDpi(dpi);
    // The form's bounds and its controls' pass through sizes of neither
    // resolution on the way: the controls are laid out once, at the end.
    for (TWinControl* control : Controls()) control->RescaleStarting();
    {
        const TFlagScope rescaling(rescaling_);
        ChangeScale(dpi);
        pixelsPerInch_ = dpi;
        SetBounds(suggested.left, suggested.top, suggested.right - suggested.left, suggested.bottom - suggested.top);
        SetClientSize(client.cx, client.cy);
    }
    AlignControls();
    for (TWinControl* control : Controls()) control->RescaleDone();
}

bool TForm::AnswerScaledSize(int dpi, SIZE& outer) {
    const SIZE client = ClientSizeForDpi(dpi);
    const RECT r = OuterRectForDpi({0, 0, client.cx, client.cy}, static_cast<DWORD>(::GetWindowLongW(Handle(), GWL_STYLE)),
                                   static_cast<DWORD>(::GetWindowLongW(Handle(), GWL_EXSTYLE)), dpi);
    outer = {r.right - r.left, r.bottom - r.top};
    return true;
}

void TForm::BoundsChanged() {
    if (!rescaling_) AlignControls();
}

void TForm::AlignControls() {
    if (!HandleAllocated()) return;
    RECT area{};
    ::GetClientRect(Handle(), &area);
    for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
        for (TWinControl* c : Controls()) {
            if (c->Align() != pass) continue;
            switch (pass) {
            case TAlign::alTop:
                c->SetBounds(area.left, area.top, area.right - area.left, c->Height());
                area.top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(area.left, area.bottom - c->Height(), area.right - area.left, c->Height());
                area.bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(area.left, area.top, c->Width(), area.bottom - area.top);
                area.left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(area.right - c->Width(), area.top, c->Width(), area.bottom - area.top);
                area.right -= c->Width();
                break;
            default:
                c->SetBounds(area.left, area.top, std::max(0L, area.right - area.left),
                             std::max(0L, area.bottom - area.top));
                break;
            }
        }
    }
}

void TForm::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_NCCREATE:
        if (const auto scaleFrame = Platform().EnableNonClientDpiScaling) (void)scaleFrame(Handle());
        break;
    case WM_CLOSE:
        Close();
        return;
    case WM_ERASEBKGND: {
        RECT r{};
        ::GetClientRect(Handle(), &r);
        win::UniqueBrush brush(::CreateSolidBrush(ColorToRGB(color_)));
        ::FillRect(reinterpret_cast<HDC>(message.WParam), &r, brush.get());
        message.Result = 1;
        return;
    }
    case WM_ACTIVATE:
        if (LOWORD(message.WParam) != WA_INACTIVE) {
            Screen->SetActiveForm(this);
            if (!activeControl_ && !Controls().empty()) activeControl_ = Controls().front();
            if (activeControl_ && activeControl_->HandleAllocated() && !HIWORD(message.WParam))
                ::SetFocus(activeControl_->Handle());
            message.Result = 0;
            return;
        }
        break;
    case WM_SETFOCUS:
        if (activeControl_ && activeControl_->HandleAllocated()) {
            ::SetFocus(activeControl_->Handle());
            return;
        }
        break;
    case WM_DPICHANGED:
        MoveToDpi(HIWORD(message.WParam), *reinterpret_cast<const RECT*>(message.LParam));
        message.Result = 0;
        return;
    case kGetDpiScaledSize:
        message.Result = AnswerScaledSize(static_cast<int>(message.WParam), *reinterpret_cast<SIZE*>(message.LParam));
        return;
    case WM_QUERYENDSESSION:
        message.Result = 1;
        return;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        // Only top-level windows hear of these; controls that follow system
        // settings and colours (the common controls among them) hear them
        // from here.
        for (TWinControl* control : Controls()) control->Perform(message.Msg, message.WParam, message.LParam);
        if (message.Msg == WM_SYSCOLORCHANGE || message.WParam == SPI_SETHIGHCONTRAST) ColorSchemeChanged();
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

int TextHeightOf(HFONT font, const wchar_t* text) {
    win::WindowDc dc(nullptr);
    win::SelectScope select(dc.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text, static_cast<int>(wcslen(text)), &size);
    return size.cy;
}
