// Renaming an entry of the folder in place: the new name checked as the file
// browser checks it, the user told in French what is wrong with it, and the
// file renamed without ever replacing another.
#pragma once

#include "shell_file_list_box.h"

#include <string>

// What is wrong with `newName` as the new name of the file `fileName` of the
// list's folder, typed as `typed` (the extension the shell hides is added
// to it): the message the user reads, or empty when nothing is. The name is
// checked as the system stores it, without its trailing dots and spaces.
std::wstring RenameProblem(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                           const std::wstring& newName);

// Renames the entry's file to the name typed followed by `hiddenExtension`,
// as the system stores it, or tells the user why it cannot. A change of the
// extension is asked first; Cancel goes back to the name typed.
TRenameResult RenameEntry(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                          const std::wstring& hiddenExtension);
