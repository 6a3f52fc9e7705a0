#include "status_bar.h"

#include "dpi.h"
#include "form.h"
#include "screen.h"

#include <windowsx.h>

#include <algorithm>

namespace {

constexpr wchar_t kEllipsis[] = L"\u2026";
// The bar's height at the design resolution, and the room it leaves above
// and below its text there.
constexpr int kDesignHeight = 19;
constexpr int kDesignTextMargins = 3;

int LineHeight(HFONT font) {
    win::WindowDc dc(nullptr);
    win::SelectScope select(dc.get(), font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    return metrics.tmHeight;
}

int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

TTTOOLINFOW ToolFor(HWND bar, const std::wstring& text) {
    TTTOOLINFOW tool{sizeof(tool)};
    // The bar hands the tip its mouse messages itself: one way of seeing a
    // window's messages first, the framework's, rather than a second
    // subclass stacked on it.
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = bar;
    tool.uId = reinterpret_cast<UINT_PTR>(bar);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    return tool;
}

}  // namespace

std::wstring FitWithEllipsis(HDC dc, const std::wstring& text, int width) {
    if (TextWidth(dc, text) <= width) return text;
    // The first words say what to do: keep as many whole words as fit.
    for (size_t end = text.rfind(L' '); end != std::wstring::npos && end > 0; end = text.rfind(L' ', end - 1)) {
        std::wstring shortened = text.substr(0, end) + kEllipsis;
        if (TextWidth(dc, shortened) <= width) return shortened;
    }
    for (size_t end = text.size(); end > 0; --end) {
        std::wstring shortened = text.substr(0, end - 1) + kEllipsis;
        if (TextWidth(dc, shortened) <= width) return shortened;
    }
    return kEllipsis;
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner), font_(Screen->HintFont(), clBtnText) {
    SetAlign(TAlign::alBottom);
    SetBounds(0, 0, 0, kDesignHeight);
}

void TStatusBar::SetPixelsPerInch(int dpi) {
    pixelsPerInch_ = dpi;
    font_.Assign(NonClientMetricsForDpi(dpi).lfStatusFont);
    // 19 pixels at 96 dpi, scaled, and never too low for the font's line.
    const int height = std::max(ScaleFromDesign(kDesignHeight, dpi),
                                LineHeight(font_.Handle()) + ScaleFromDesign(kDesignTextMargins, dpi));
    SetBounds(Left(), Top(), Width(), height);
    if (HandleAllocated()) ApplyFont(true);
}

void TStatusBar::ApplyFont(bool redraw) {
    const auto font = reinterpret_cast<WPARAM>(font_.Handle());
    ::SendMessageW(Handle(), WM_SETFONT, font, redraw);
    if (toolTip_) ::SendMessageW(toolTip_.get(), WM_SETFONT, font, FALSE);
    SendPanel();
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
    // The tip of a window that is gone would point at nothing.
    toolTip_.reset();
    background_ = CLR_INVALID;
    TakeSystemBackground();
    ApplyFont(false);
}

// The control keeps the colour it is given: it is given the system's again
// whenever that changed since.
void TStatusBar::TakeSystemBackground() {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    if (face == background_) return;
    background_ = face;
    ::SendMessageW(Handle(), SB_SETBKCOLOR, 0, static_cast<LPARAM>(face));
}

void TStatusBar::PaintInDarkPalette() {
    win::PaintScope paint(Handle());
    HDC dc = paint.get();
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::FillRect(dc, &client, Screen->SchemeBrush(COLOR_BTNFACE));
    RECT area{};
    ::SendMessageW(Handle(), SB_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    int borders[3] = {};
    ::SendMessageW(Handle(), SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    const int inset = borders[0] + SystemMetricForDpi(SM_CXEDGE, pixelsPerInch_) + 1;
    area.left += inset;
    area.right -= inset;
    if (sizeGrip_) area.right = std::min(area.right, client.right - SystemMetricForDpi(SM_CXVSCROLL, pixelsPerInch_));
    const bool centred = !shownText_.empty() && shownText_.front() == L'\t';
    const std::wstring text = centred ? shownText_.substr(1) : shownText_;
    win::SelectScope font(dc, font_.Handle());
    ::SetTextColor(dc, Screen->SchemeColor(COLOR_BTNTEXT));
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (centred ? DT_CENTER : DT_LEFT));
    if (sizeGrip_) PaintSizeGrip(dc, client);
}

// Six dots in a triangle in the corner, as the platform's grip shows them.
void TStatusBar::PaintSizeGrip(HDC dc, const RECT& client) const {
    const int dot = ScaleFromDesign(2, pixelsPerInch_);
    const int step = ScaleFromDesign(4, pixelsPerInch_);
    const HBRUSH ink = Screen->SchemeBrush(COLOR_GRAYTEXT);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column <= row; ++column) {
            const int right = client.right - step * column - dot;
            const int bottom = client.bottom - step * (2 - row) - dot;
            const RECT square{right - dot, bottom - dot, right, bottom};
            ::FillRect(dc, &square, ink);
        }
    }
}

// The one panel's width, which is the bar's, less its borders and the size
// grip that covers its right end. The control's own part rectangles are not
// asked: it never sees the bar's size change.
int TStatusBar::TextRoom() {
    RECT part{};
    ::GetClientRect(Handle(), &part);
    int borders[3] = {};
    ::SendMessageW(Handle(), SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    // The grip and the edges at the bar's resolution, which may not be the
    // system's.
    int room = part.right - part.left - 2 * (borders[0] + SystemMetricForDpi(SM_CXEDGE, pixelsPerInch_) + 1);
    if (sizeGrip_) room -= SystemMetricForDpi(SM_CXVSCROLL, pixelsPerInch_);
    return room;
}

void TStatusBar::SendPanel() {
    // One part spanning the bar.
    int right = -1;
    ::SendMessageW(Handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
    std::wstring shown;
    {
        win::WindowDc dc(Handle());
        win::SelectScope font(dc.get(), font_.Handle());
        shown = FitWithEllipsis(dc.get(), panelText_, TextRoom());
    }
    // A text that fits is centred (one TAB before it); a shortened one starts
    // at the left, so that its first words show.
    const bool shortened = shown != panelText_;
    if (!shortened) shown = L"\t" + shown;
    shownText_ = shown;
    ::SendMessageW(Handle(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    ShowWholeTextAsTip(shortened);
    // The part (child 1 to the accessibility proxy) is read with the whole
    // hint, not the shortened one that the mouse's tip completes.
    Annotate({1, TAccProperty::Name, panelText_});
}

void TStatusBar::ShowWholeTextAsTip(bool shortened) {
    HWND bar = Handle();
    if (!toolTip_) {
        // Owned by no window: a topmost window owned by the main window would
        // take part in the main window's own topmost handling.
        toolTip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr));
        if (!toolTip_) return;
        // The whole hint in the bar's own font, at the bar's resolution.
        ::SendMessageW(toolTip_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
    }
    TTTOOLINFOW tool = ToolFor(bar, panelText_);
    const bool shown = ::SendMessageW(toolTip_.get(), TTM_GETTOOLCOUNT, 0, 0) > 0;
    if (shortened && !shown) {
        ::SendMessageW(toolTip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    } else if (shortened) {
        ::SendMessageW(toolTip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    } else if (shown) {
        ::SendMessageW(toolTip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void TStatusBar::SetPanelText(const std::wstring& text) {
    panelText_ = text;
    if (HandleAllocated()) SendPanel();
}

void TStatusBar::BoundsChanged() {
    if (!rescaling_ && HandleAllocated() && WantsSizeGrip() != sizeGrip_) RecreateWnd();
}

// The grip is decided once, where the bar ends up: the places it passes on
// the way would make its window again, and its tip with it, for nothing.
void TStatusBar::RescaleStarting() { rescaling_ = true; }

void TStatusBar::RescaleDone() {
    rescaling_ = false;
    BoundsChanged();
}

void TStatusBar::RelayToTip(const TMessage& message) {
    if (!toolTip_) return;
    MSG relayed{Handle(), message.Msg, message.WParam, message.LParam, static_cast<DWORD>(::GetMessageTime()), {}};
    const DWORD at = ::GetMessagePos();
    relayed.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ::SendMessageW(toolTip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void TStatusBar::WndProc(TMessage& message) {
    if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST) RelayToTip(message);
    switch (message.Msg) {
    case WM_SIZE:
        // The bar keeps the bounds the window's layout gives it: the control
        // never sees the size change, only its parts are laid out again.
        SendPanel();
        ::InvalidateRect(Handle(), nullptr, TRUE);
        return;
    case WM_ERASEBKGND:
        if (Screen->DarkColors()) {
            message.Result = 1;
            return;
        }
        TakeSystemBackground();
        break;
    case WM_PAINT:
        if (Screen->DarkColors()) {
            PaintInDarkPalette();
            message.Result = 0;
            return;
        }
        TakeSystemBackground();
        break;
    case WM_SETTINGCHANGE:
        Screen->ReadSystemFonts();
        font_.Assign(NonClientMetricsForDpi(pixelsPerInch_).lfStatusFont);
        ApplyFont(true);
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}
