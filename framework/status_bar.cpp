#include "status_bar.h"

#include "form.h"
#include "screen.h"

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner), font_(Screen->HintFont(), clBtnText) {
    SetAlign(TAlign::alBottom);
    SetBounds(0, 0, 0, 19);
}

void TStatusBar::CreateParams(TCreateParams& params) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    TWinControl::CreateParams(params);
    params.SystemClass = STATUSCLASSNAMEW;
    sizeGrip_ = WantsSizeGrip();
    params.Style |= sizeGrip_ ? SBARS_SIZEGRIP : CCS_TOP;
}

bool TStatusBar::WantsSizeGrip() {
    auto* form = dynamic_cast<TForm*>(Parent());
    if (!form || !form->HandleAllocated()) return false;
    const TBorderStyle border = form->BorderStyle();
    if (border != TBorderStyle::bsSizeable && border != TBorderStyle::bsSizeToolWin) return false;
    RECT client{};
    ::GetClientRect(form->Handle(), &client);
    return Left() + Width() == client.right && Top() + Height() == client.bottom;
}

void TStatusBar::CreateWindowDone() {
    HWND bar = Handle();
    ::SendMessageW(bar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(color_)));
    ::SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
    SendPanel();
}

void TStatusBar::SendPanel() {
    // One part spanning the bar; one TAB before the text centres it.
    int right = -1;
    ::SendMessageW(Handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
    const std::wstring centred = L"\t" + panelText_;
    ::SendMessageW(Handle(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(centred.c_str()));
}

void TStatusBar::SetPanelText(const std::wstring& text) {
    panelText_ = text;
    if (HandleAllocated()) SendPanel();
}

void TStatusBar::BoundsChanged() {
    if (HandleAllocated() && WantsSizeGrip() != sizeGrip_) RecreateWnd();
}

void TStatusBar::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_SIZE:
        // The bar keeps the bounds the window's layout gives it: the control
        // never sees the size change, only its parts are laid out again.
        SendPanel();
        ::InvalidateRect(Handle(), nullptr, TRUE);
        return;
    case WM_SETTINGCHANGE:
        Screen->ReadSystemFonts();
        font_.Assign(Screen->HintFont());
        ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}
