// The file names that a shell drop carries, from a drop or the clipboard.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Every name of the drop, in the shell's order, whatever its length.
std::vector<std::wstring> DroppedFileNames(HDROP drop);

// The files that the file browser's Copy left on the clipboard (CF_HDROP);
// empty when it holds none or cannot be opened.
std::vector<std::wstring> ClipboardFileNames(HWND owner);
