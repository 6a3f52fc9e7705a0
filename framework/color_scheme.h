// The program's two palettes: the system's colours, read at each paint, and
// a dark one, used while the user has set apps to dark (the setting that
// Windows 10 and later keep for apps) and no high-contrast theme is on.
// Light is the system's own colours, untouched: a program with the dark
// setting off, or on a system without it, paints as it always has.
#pragma once

#include <windows.h>

// The user's choice for apps, read from where Windows keeps it; false where
// the system has no such setting. One registry read each time.
bool AppsSetToDark();
// SPI_GETHIGHCONTRAST's HCF_HIGHCONTRASTON: the user's high-contrast colours
// rule, and no palette of the program's own may stand in for them.
bool HighContrastOn() noexcept;

// The dark palette's stand-in for a system colour (COLOR_*); the system's
// own colour for the indexes the palette leaves alone.
COLORREF DarkSchemeColor(int index) noexcept;

// Whether WM_SETTINGCHANGE's LParam names the change of the apps' light or
// dark setting ("ImmersiveColorSet").
bool IsColorSetChange(LPARAM settingName) noexcept;

// Asks the desktop window manager to draw the window's title bar dark or
// light (DWMWA_USE_IMMERSIVE_DARK_MODE, Windows 10 20H1 on). Elsewhere the
// call fails and the frame stays as the system draws it.
void SetDarkTitleBar(HWND window, bool dark);
// The attribute that asks for it.
constexpr DWORD kUseImmersiveDarkMode = 20;
