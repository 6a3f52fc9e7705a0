// Access to system DLLs that the program loads itself, from System32 only.
#pragma once

#include <windows.h>

#include <string>

// Takes the current folder out of the DLL search for the whole process: the
// program moves into the user-writable SendTo folder, and a DLL planted there
// must never be loaded. System32 only where the platform allows it.
void RestrictDllSearch();

// The module, loaded from System32 on first request and kept for the
// process's life; null when it cannot be loaded.
HMODULE SystemLibrary(const wchar_t* name);

// A function of a System32 library, or null.
template <typename F>
F SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = SystemLibrary(library);
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// The full path of the program's own file.
std::wstring ModulePath();

// The upper half (dwFileVersionMS) of a system file's version, or 0.
DWORD FileVersionMS(const wchar_t* file);

// Whether the system is at least version major.minor (6.0 Vista, 6.2
// Windows 8). Without a manifest entry for a later system, Windows 8.1 and
// later report 6.2, which still answers every question up to Windows 8.
bool SystemAtLeast(DWORD major, DWORD minor);
