// The keys and gestures of the main window's list, in one table: the list's
// key handling takes its commands from it, F1 shows it, and the release's
// README.txt names each of them.
#pragma once

#include <windows.h>

#include <span>
#include <string>

class TForm1;

struct TListKey {
    const wchar_t* name;  // the key as printed on a French keyboard, or the gesture
    const wchar_t* does;  // what it does, in French
    // The key that starts `command` on the list, with Ctrl or without; none
    // for a gesture that the list box, the menu or the drop target handles.
    UINT vk = 0;
    bool ctrl = false;
    void (*command)(TForm1&) = nullptr;
};

std::span<const TListKey> ListKeys();
// The entry whose command a key of the list starts, Shift being up; null
// for a key that goes on to the list box.
const TListKey* ListKeyFor(WPARAM vk, bool ctrl);
// F1's notice: the keys and gestures, one a line.
std::wstring ListKeysNotice();
