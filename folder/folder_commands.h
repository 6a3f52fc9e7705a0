// The folder commands: each asks its question, then acts on the SendTo folder
// through the list that shows it.
#pragma once

#include <windows.h>

class TShellFileListBox;
class TUndoRecord;

// Opens the SendTo folder in the shell's file browser.
void OpenSendToFolder(HWND owner);
// Opens the selected entry in the shell, once the user agrees.
void LaunchSelected(TShellFileListBox& list, HWND owner);
// Enters the SendTo folder again, so that one missing at start shows once it exists.
void RereadSendToFolder(TShellFileListBox& list);
// Sends the selected entry to the Recycle Bin, once the user agrees, and
// records it in `undo`; true when the user then asks for the folder, to
// remove the file by hand.
bool RemoveSelected(TShellFileListBox& list, TUndoRecord& undo);
