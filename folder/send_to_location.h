// Where the current user's SendTo folder is.
#pragma once

#include <windows.h>
#include <shtypes.h>

#include <string>

class TShellFileListBox;

// The SendTo folder's path, set once when the main window is created and
// released with the program's other module state when the process ends.
extern std::wstring SendToPath;

// The path pattern; "%s" stands for the login name.
inline constexpr wchar_t kSendToPattern[] = L"C:\\Users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\SendTo";

// The login name of the user the process runs for, or "Inconnu".
std::wstring CurrentUserName();
// The SendTo folder's path for a login name.
std::wstring SendToPathFor(const std::wstring& userName);
// The folder behind the shell's "Send to" menu, redirections included, or
// empty when the shell gives none.
std::wstring ShellSendToPath();
// The shell's SendTo folder, else the pattern's for the login name.
std::wstring SendToFolderPath();

// Finds the SendTo folder, keeps its path and has the list enter it; the
// list's error, when it cannot, is left to the caller.
void EnterSendToFolder(TShellFileListBox& list);
