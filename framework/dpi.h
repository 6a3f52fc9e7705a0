// Resolutions of monitors and windows, and the measures of the system at a
// given resolution. The calls that only newer systems have are looked up at
// run time; where they are missing, the screen's one resolution stands for
// every monitor and the system's measures are scaled from it.
#pragma once

#include <windows.h>

// The resolution that the layout's sizes are given in.
constexpr int kDesignDpi = 96;

// A length measured at `fromDpi`, at `toDpi`: the one rule by which the
// framework scales a measure. (The main window's layout keeps a rule of its
// own, by the height of "0" in its font.)
inline int ScaleBetween(int length, int fromDpi, int toDpi) { return ::MulDiv(length, toDpi, fromDpi); }
// A length given at kDesignDpi, at `dpi`.
inline int ScaleFromDesign(int length, int dpi) { return ScaleBetween(length, kDesignDpi, dpi); }

int MonitorDpi(HMONITOR monitor);
// The primary monitor's: the main window opens centred on it.
int PrimaryMonitorDpi();
// The resolution of the monitor at the screen point.
int DpiAt(POINT point);

// GetSystemMetrics at `dpi`.
int SystemMetricForDpi(int index, int dpi);
// The system's fonts (status, menu, message) at `dpi`.
NONCLIENTMETRICSW NonClientMetricsForDpi(int dpi);
// The outer rectangle for a client rectangle, with the frame at `dpi`.
RECT OuterRectForDpi(const RECT& client, DWORD style, DWORD exStyle, int dpi);
