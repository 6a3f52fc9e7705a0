// Drops from ordinary programs into the program run as administrator.
#pragma once

#include <windows.h>

// WM_COPYGLOBALDATA: the shell's drop data travels with it.
constexpr UINT kCopyGlobalData = 0x0049;

// Lets the shell's drops reach `window` from the ordinary file browser when
// the program runs elevated; the platform blocks them otherwise, and the
// user sees only the "no" cursor. Without elevation it changes nothing.
void AllowDropsFromOrdinaryPrograms(HWND window);
