// The shell call behind the folder commands.
#pragma once

#include <windows.h>

// Opens a path in the shell; a test may put one in that only records.
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
extern ShellExecuteFn ShellExecuteCall;
