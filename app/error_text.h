// The closing "." of the program's two error boxes. The two rules differ on
// purpose and sit side by side so that neither is taken for the other.
#pragma once

#include <string>

// The application's error box: a "." after a text whose last character
// comes after "." in code order (a letter or a digit), so that one ending
// in ".", "!", ")", "," or a space is left as it is.
std::wstring WithFullStop(std::wstring text);

// The box of an error that ends the process: "." unless the text is empty
// or ends with one already (the box puts it after the text itself).
std::wstring FullStopAfter(const std::wstring& text);
