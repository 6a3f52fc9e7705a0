#include "dpi.h"

#include "platform_calls.h"
#include "screen.h"

namespace {

int ScreenDpi() { return Screen ? Screen->PixelsPerInch() : kDesignDpi; }

void ScaleFont(LOGFONTW& font, int dpi) { font.lfHeight = ScaleBetween(font.lfHeight, ScreenDpi(), dpi); }

}  // namespace

int MonitorDpi(HMONITOR monitor) {
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    UINT x = 0, y = 0;
    if (SUCCEEDED(Platform().GetDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y > 0) return static_cast<int>(y);
    return ScreenDpi();
}

int PrimaryMonitorDpi() { return MonitorDpi(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)); }

int DpiAt(POINT point) { return MonitorDpi(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)); }

int SystemMetricForDpi(int index, int dpi) {
    if (const auto forDpi = Platform().GetSystemMetricsForDpi) return forDpi(index, static_cast<UINT>(dpi));
    return ScaleBetween(::GetSystemMetrics(index), ScreenDpi(), dpi);
}

NONCLIENTMETRICSW NonClientMetricsForDpi(int dpi) {
    const auto forDpi = Platform().SystemParametersInfoForDpi;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi)))
        return metrics;
    if (!Screen) return metrics;
    metrics.lfStatusFont = Screen->HintFont();
    metrics.lfMenuFont = Screen->MenuFont();
    metrics.lfMessageFont = Screen->MessageFont();
    for (LOGFONTW* font : {&metrics.lfStatusFont, &metrics.lfMenuFont, &metrics.lfMessageFont}) ScaleFont(*font, dpi);
    return metrics;
}

RECT OuterRectForDpi(const RECT& client, DWORD style, DWORD exStyle, int dpi) {
    const auto forDpi = Platform().AdjustWindowRectExForDpi;
    RECT outer = client;
    if (!forDpi || !forDpi(&outer, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    return outer;
}
