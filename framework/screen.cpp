#include "screen.h"

#include "color_scheme.h"
#include "platform_calls.h"

#include <utility>


TScreen* Screen = nullptr;

TScreen::TScreen() {
    win::WindowDc dc(nullptr);
    pixelsPerInch_ = Platform().GetDeviceCaps(dc.get(), LOGPIXELSY);
    ReadSystemFonts();
    appsDark_ = AppsSetToDark();
}

bool TScreen::DarkColors() const noexcept { return appsDark_ && !HighContrastOn(); }

bool TScreen::ReadAppColorMode() {
    const bool dark = AppsSetToDark();
    return std::exchange(appsDark_, dark) != dark;
}

COLORREF TScreen::SchemeColor(int index) const noexcept {
    return DarkColors() ? DarkSchemeColor(index) : ::GetSysColor(index);
}

HBRUSH TScreen::SchemeBrush(int index) {
    if (!DarkColors()) return ::GetSysColorBrush(index);
    const COLORREF color = DarkSchemeColor(index);
    win::UniqueBrush& brush = darkBrushes_[color];
    if (!brush) brush.reset(::CreateSolidBrush(color));
    return brush.get();
}

void TScreen::ReadSystemFonts() {
    metrics_ = NONCLIENTMETRICSW{};
    metrics_.cbSize = sizeof(metrics_);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics_), &metrics_, 0)) {
        // Fall back on the system font for every role.
        LOGFONTW system{};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(system), &system);
        metrics_.lfStatusFont = metrics_.lfMenuFont = metrics_.lfMessageFont = system;
    }
}

void TScreen::SetCursor(TCursor cursor) {
    if (cursor_ == cursor) return;
    cursor_ = cursor;
    if (cursor_ != crDefault) {
        ::SetCursor(CursorHandle());
    } else {
        // Let the window under the mouse choose its cursor again.
        POINT p;
        ::GetCursorPos(&p);
        ::SetCursorPos(p.x, p.y);
    }
}

HCURSOR TScreen::CursorHandle() const noexcept {
    return ::LoadCursorW(nullptr, cursor_ == crHourGlass ? IDC_WAIT : IDC_ARROW);
}

void TScreen::FormDestroyed(TForm* form) noexcept {
    if (activeForm_ == form) activeForm_ = nullptr;
}

bool NearestWorkArea(HWND window, RECT& area) {
    MONITORINFO info{sizeof(info)};
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return false;
    area = info.rcWork;
    return true;
}
