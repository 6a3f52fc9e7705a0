// Adding a file dropped on the list to the SendTo folder.
#pragma once

#include <string>
#include <vector>

class TShellFileListBox;

// Copies the first dropped file into the SendTo folder, once the user agrees.
void AddDroppedFile(TShellFileListBox& list, const std::vector<std::wstring>& dropped);
