#include "dropped_names.h"

#include "win_handles.h"

#include <shlobj.h>

#include <algorithm>

namespace {

// The names from `chars` on, each ended by a zero and the list by an empty
// name; none when the list does not end before `end`.
std::optional<std::vector<std::wstring>> NameList(const wchar_t* chars, const wchar_t* end) {
    std::vector<std::wstring> names;
    while (chars != end) {
        if (*chars == L'\0') return names;
        const wchar_t* zero = std::find(chars, end, L'\0');
        if (zero == end) return std::nullopt;
        names.emplace_back(chars, zero);
        chars = zero + 1;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::wstring>> DroppedFileNames(HDROP drop) {
    // Zero for a handle that is no live global block of this process.
    const SIZE_T size = ::GlobalSize(drop);
    if (size < sizeof(DROPFILES)) return std::nullopt;
    const win::GlobalLockScope<const BYTE> block(drop);
    if (!block.get()) return std::nullopt;
    const auto* header = reinterpret_cast<const DROPFILES*>(block.get());
    // The names follow the header, as wide characters on their own boundary.
    const DWORD offset = header->pFiles;
    if (!header->fWide || offset < sizeof(DROPFILES) || offset >= size || offset % sizeof(wchar_t) != 0)
        return std::nullopt;
    const auto* names = reinterpret_cast<const wchar_t*>(block.get() + offset);
    return NameList(names, names + (size - offset) / sizeof(wchar_t));
}

std::vector<std::wstring> ClipboardFileNames(HWND owner) {
    if (!::IsClipboardFormatAvailable(CF_HDROP)) return {};
    const win::ClipboardScope clipboard(owner);
    if (!clipboard.opened()) return {};
    // The clipboard keeps the drop: it is read, never released here.
    HANDLE data = ::GetClipboardData(CF_HDROP);
    if (!data) return {};
    return DroppedFileNames(static_cast<HDROP>(data)).value_or(std::vector<std::wstring>{});
}
