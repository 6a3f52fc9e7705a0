// What the tests and the benchmarks share: files made and removed, and a
// program started as a user starts it and watched from outside. Free of
// GoogleTest, so that the benchmarks use it as the tests do.
#pragma once

#include "win_handles.h"

#include <windows.h>

#include <optional>
#include <string>

// Creates (or empties) a file holding `content`, with the given attributes.
void MakeFile(const std::wstring& path, const std::string& content = "",
              DWORD attributes = FILE_ATTRIBUTE_NORMAL);
// Deletes a folder tree, read-only files too.
void RemoveTree(const std::wstring& path);
// Deletes a file, or a folder tree: whatever is at `path`.
void RemoveItem(const std::wstring& path);

// A value of the user's settings (a REG_DWORD under HKEY_CURRENT_USER), set
// for the life of the object, or removed for nullopt, and put back as it
// was, a missing value included.
class UserSettingScope {
public:
    UserSettingScope(const wchar_t* key, const wchar_t* name, std::optional<DWORD> value);
    ~UserSettingScope();
    UserSettingScope(const UserSettingScope&) = delete;
    UserSettingScope& operator=(const UserSettingScope&) = delete;

    void Set(std::optional<DWORD> value) const;

private:
    const wchar_t* key_;
    const wchar_t* name_;
    std::optional<DWORD> before_;
};

// A window's class name.
std::wstring ClassOf(HWND window);

// The system folder (System32), where the platform's own programs are.
std::wstring SystemFolder();

// A process started with the command line `"exe" arguments` in `folder`
// (the caller's own when empty), shown as `showCommand` asks when it is not
// negative, with CreateProcessW's `creationFlags`. Its handle is empty when
// it could not start.
struct StartedProcess {
    win::UniqueKernelHandle process;
    DWORD id = 0;
};
StartedProcess StartProcess(const std::wstring& exe, const std::wstring& arguments = L"", int showCommand = -1,
                            const std::wstring& folder = L"", DWORD creationFlags = 0);

// The first top-level window of the process of that class (of any class
// when `cls` is empty), visible if asked, other than `except`.
HWND FindWindowOfProcess(DWORD processId, const std::wstring& cls, bool visible, HWND except = nullptr);
