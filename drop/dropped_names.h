// The file names that a shell drop carries, from a drop or the clipboard.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

// Every name of the drop, in the shell's order, whatever its length, wide or
// in the system's code page; none when `drop` is not a drop block of this
// process that holds them whole: a
// lower program may post any handle to an elevated window. Only a live
// global block is read, and nothing outside it.
std::optional<std::vector<std::wstring>> DroppedFileNames(HDROP drop);

// The files that the file browser's Copy left on the clipboard (CF_HDROP);
// empty when it holds none or cannot be opened.
std::vector<std::wstring> ClipboardFileNames(HWND owner);
