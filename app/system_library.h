// Access to system DLLs that the program loads itself, from System32 only.
#pragma once

#include <windows.h>

// Kernel32's SetDefaultDllDirectories, looked up at start: Windows 7 has it
// only with an update (KB2533623), which also brings the LOAD_LIBRARY_SEARCH_*
// flags. Null where it is missing; a test may put null in its place.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
extern SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesCall;

// The loader call behind SystemLibrary; a test puts in one that records
// what the loader was given.
using LoadLibraryExFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
extern LoadLibraryExFn LoadLibraryExCall;

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

// The upper half (dwFileVersionMS) of a system file's version, or 0.
DWORD FileVersionMS(const wchar_t* file);
