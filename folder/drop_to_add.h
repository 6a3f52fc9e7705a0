// Adding a file dropped on the list to the SendTo folder.
#pragma once

#include <string>
#include <vector>

class TShellFileListBox;
class TUndoRecord;

// What the user asked a dropped file to become in the folder. A folder
// becomes a shortcut to it either way, and a shortcut is copied either way.
enum class TAddAs { Copy, Shortcut };

// Adds the first dropped file to the SendTo folder, once the user agrees: a
// copy of it, or a shortcut to it. What changed is recorded in `undo`.
void AddDroppedFile(TShellFileListBox& list, const std::vector<std::wstring>& dropped, TAddAs as, TUndoRecord& undo);
