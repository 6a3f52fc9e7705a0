#include "search_files.h"

#include "win_handles.h"

std::wstring UpperCase(std::wstring_view text) {
    std::wstring upper(text);
    if (!upper.empty()) ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

namespace {

bool WildcardMatch(std::wstring_view mask, std::wstring_view name) {
    // Greedy match with backtracking to the last "*".
    size_t m = 0, n = 0, starMask = std::wstring_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == L'*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == name[n]) {
            ++m;
            ++n;
        } else if (starMask != std::wstring_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == L'*') ++m;
    return m == mask.size();
}

bool PassesAttributes(DWORD attributes, DWORD exclude) {
    constexpr DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((attributes & hiddenSystem) == hiddenSystem) return false;
    return (attributes & exclude) == 0;
}

}  // namespace

bool MaskMatches(std::wstring_view mask, std::wstring_view name) {
    if (mask == L"*") return true;
    return WildcardMatch(UpperCase(mask), UpperCase(name));
}

void TSearchFiles::Search() {
    Files.clear();
    std::wstring pattern = RootDirectory;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';

    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW(pattern.c_str(), &data));
    if (!find) return;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!PassesAttributes(data.dwFileAttributes, ExcludeAttr)) continue;
        for (const std::wstring& mask : Masks) {
            if (MaskMatches(mask, data.cFileName)) {
                Files.emplace_back(data.cFileName);
                break;
            }
        }
    } while (::FindNextFileW(find.get(), &data));
}
