// Drops from ordinary programs into the program run as administrator.
#pragma once

#include <windows.h>

// WM_COPYGLOBALDATA: the shell's drop data travels with it.
constexpr UINT kCopyGlobalData = 0x0049;

// Whether the program runs elevated; false when that cannot be told.
bool ProcessIsElevated();

// Lets the shell's drops reach `window` from the ordinary file browser when
// the program runs elevated; the platform blocks them otherwise, and the
// user sees only the "no" cursor. A window allowed these messages takes them
// from every lower program, which could then hand the drop code a forged
// handle: only the two that a drop needs are allowed, the drop code reads no
// handle it has not checked, and a program that is not elevated keeps the
// platform's default.
void AllowDropsFromOrdinaryPrograms(HWND window);
