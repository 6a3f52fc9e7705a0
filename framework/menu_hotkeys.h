// Menu hotkeys as pure text work: which character a caption marks, and
// giving each caption of a menu a character of its own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The character as the user's locale writes it in upper case.
wchar_t Upper(wchar_t ch);

// The character after the caption's single "&" ("&&" stands for an
// ampersand), or 0.
wchar_t HotkeyOf(const std::wstring& caption);

// Gives hotkeys to the captions of one menu, in menu order: a caption keeps
// a digit or letter it marks unless an earlier caption holds it already;
// the others get the first character of their own still free, the order
// tried again until every caption is served or none more can be. On a
// Far-East system the hotkey goes after the caption in parentheses, and
// captions still without one get what is left.
void AssignHotkeys(std::vector<std::wstring>& captions, bool farEast);
