// Renaming an entry of the folder in place: the new name checked as the file
// browser checks it, the user told in French what is wrong with it, and the
// file renamed without ever replacing another.
#pragma once

#include "shell_file_list_box.h"

#include <windows.h>

#include <string>

class TUndoRecord;

// What is wrong with `newName` as the new name of the file `fileName` of the
// list's folder, typed as `typed` (the extension the shell hides is added
// to it): the message the user reads, or empty when nothing is. The name is
// checked as the system stores it, without its trailing dots and spaces.
std::wstring RenameProblem(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                           const std::wstring& newName);

// Renames the entry's file to the name typed followed by `hiddenExtension`,
// as the system stores it, or tells the user why it cannot. A change of the
// extension is asked first; Cancel goes back to the name typed. A file that
// moved is recorded in `undo`.
TRenameResult RenameEntry(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                          const std::wstring& hiddenExtension, TUndoRecord& undo);

// Moves the entry's file, never over another: the path it has now, with the
// platform's error code set when that is not `to`.
std::wstring MoveEntryFile(const std::wstring& from, const std::wstring& to);
// What the user reads when the platform refused to rename the file `name`.
std::wstring RenameRefused(const std::wstring& name, DWORD error);
// What the user reads when the file `name` was left under the name in
// between `aside`, the platform having refused the rest of the rename.
std::wstring LeftAside(const std::wstring& name, const std::wstring& aside, DWORD error);
