// Enumerates the files of one folder that pass an attribute and name filter.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

class TSearchFiles {
public:
    std::wstring RootDirectory;
    std::vector<std::wstring> Masks;  // upper-cased when matched
    DWORD ExcludeAttr = 0;

    // Bare names of the files that passed, in the platform's order.
    std::vector<std::wstring> Files;

    // Fills Files; a folder that cannot be read counts as empty.
    void Search();
};

// Whether `name` matches `mask`: "*" alone matches everything; otherwise the
// whole name must match, "*" standing for any run of characters. Both are
// compared upper-cased by the user's locale.
bool MaskMatches(std::wstring_view mask, std::wstring_view name);

// The text upper-cased by the user's locale.
std::wstring UpperCase(std::wstring_view text);
