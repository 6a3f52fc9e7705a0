// Where the current user's SendTo folder is.
#pragma once

#include <windows.h>

#include <string>

// The SendTo folder's path, set once when the main window is created.
extern std::wstring SendToPath;

// The path pattern; "%s" stands for the login name.
inline constexpr wchar_t kSendToPattern[] = L"C:\\Users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\SendTo";

// The login name of the user the process runs for, or "Inconnu".
std::wstring CurrentUserName();
// The SendTo folder's path for a login name.
std::wstring SendToPathFor(const std::wstring& userName);

// The platform call behind CurrentUserName; a test may put a failing one in.
using GetUserNameFn = BOOL(WINAPI*)(LPWSTR, LPDWORD);
extern GetUserNameFn GetUserNameCall;

// Releases the program module's state at shutdown.
void FinalizeUnit1();
