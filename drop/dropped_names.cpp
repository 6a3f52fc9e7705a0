#include "dropped_names.h"

#include "win_handles.h"

#include <shlobj.h>

#include <algorithm>
#include <utility>

namespace {

// Whether the names from `chars` on, each ended by a zero, end as a list (an
// empty name) before `end`.
template <typename Char>
bool ListEndsBefore(const Char* chars, const Char* end) {
    while (chars != end) {
        if (*chars == Char{}) return true;
        chars = std::find(chars, end, Char{});
        if (chars == end) return false;
        ++chars;
    }
    return false;
}

// Whether the block holds a drop's header and, after it, its whole list of
// names, wide or in the system's code page as its header says.
bool HoldsWholeDrop(const BYTE* block, SIZE_T size) {
    const auto* header = reinterpret_cast<const DROPFILES*>(block);
    const DWORD offset = header->pFiles;
    if (offset < sizeof(DROPFILES) || offset >= size) return false;
    if (!header->fWide) return ListEndsBefore(reinterpret_cast<const char*>(block + offset),
                                              reinterpret_cast<const char*>(block + size));
    // Wide names begin on their own boundary.
    if (offset % sizeof(wchar_t) != 0) return false;
    const auto* names = reinterpret_cast<const wchar_t*>(block + offset);
    return ListEndsBefore(names, names + (size - offset) / sizeof(wchar_t));
}

// Every name of a drop that holds them whole, through the shell, which
// widens the names of a drop made in the system's code page.
std::vector<std::wstring> QueriedNames(HDROP drop) {
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::wstring> names;
    names.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(::DragQueryFileW(drop, i, nullptr, 0), L'\0');
        (void)::DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size() + 1));
        names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

std::optional<std::vector<std::wstring>> DroppedFileNames(HDROP drop) {
    // Zero for a handle that is no live global block of this process.
    const SIZE_T size = ::GlobalSize(drop);
    if (size < sizeof(DROPFILES)) return std::nullopt;
    {
        const win::GlobalLockScope<const BYTE> block(drop);
        if (!block.get() || !HoldsWholeDrop(block.get(), size)) return std::nullopt;
    }
    return QueriedNames(drop);
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
