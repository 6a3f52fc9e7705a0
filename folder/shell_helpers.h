// The program's small utility layer over the shell and the message dialog.
#pragma once

#include "message_dialog.h"

#include <shellapi.h>

#include <string>

// Moves the file to the Recycle Bin; true when the shell succeeded. The
// shell asks nothing, unless the file cannot go there and would be destroyed;
// its question then belongs to the main window, and answers only keys
// pressed while it is up.
bool RecycleFile(const std::wstring& path);
// Copies source over destination, replacing it; the platform call's result.
BOOL CopyFileTo(const std::wstring& source, const std::wstring& destination);
// Tell the shell of a file the program made or renamed, so that its open
// windows and caches show the change at once.
void TellShellCreated(const std::wstring& path);
void TellShellRenamed(const std::wstring& from, const std::wstring& to);
// Shows a notice with one OK button; always true.
bool ShowNotice(const std::wstring& message, TMsgDlgType kind);
// Asks an OK/Cancel question; true only for OK.
bool AskConfirm(const std::wstring& message);

// The characters after the last "\" or ":", or the whole path.
inline std::wstring FileNamePart(const std::wstring& path) { return path.substr(path.find_last_of(L"\\:") + 1); }
