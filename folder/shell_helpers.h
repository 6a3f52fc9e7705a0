// The program's small utility layer over the shell and the message dialog.
#pragma once

#include "message_dialog.h"

#include <shellapi.h>

#include <cwchar>
#include <optional>
#include <string>

// Moves the file to the Recycle Bin; true when the shell succeeded. The
// shell asks nothing, unless the file cannot go there and would be destroyed;
// its question then belongs to the main window, and answers only keys
// pressed while it is up.
bool RecycleFile(const std::wstring& path);
// Copies source over destination, replacing it; the platform call's result.
BOOL CopyFileTo(const std::wstring& source, const std::wstring& destination);
// The file's identity, whatever path names it, with its size and the time it
// was last written; nullopt when it cannot be read.
std::optional<BY_HANDLE_FILE_INFORMATION> FileIdentity(const std::wstring& path);
// Whether two readings of FileIdentity are the same file, unwritten between them.
bool SameFileState(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b);
// Tell the shell of a file the program made or renamed, so that its open
// windows and caches show the change at once.
void TellShellCreated(const std::wstring& path);
void TellShellRenamed(const std::wstring& from, const std::wstring& to);
// Saves a shell shortcut to `target` at `path`; the COM result. A save that
// failed leaves no half-written file behind.
HRESULT SaveShortcut(const std::wstring& target, const std::wstring& path);
// Shows a notice with one OK button; always true.
bool ShowNotice(const std::wstring& message, TMsgDlgType kind);
// Asks an OK/Cancel question; true only for OK.
bool AskConfirm(const std::wstring& message);

// A name as the messages quote it.
inline std::wstring Quoted(const std::wstring& name) { return L"« " + name + L" »"; }

// The characters after the last "\" or ":", or the whole path.
inline std::wstring FileNamePart(const std::wstring& path) { return path.substr(path.find_last_of(L"\\:") + 1); }

// Whether a file name cannot hold the character: the ones the platform
// reserves, and the control characters.
inline bool ForbiddenInFileName(wchar_t c) { return c < L' ' || std::wcschr(L"\\/:*?\"<>|", c) != nullptr; }
