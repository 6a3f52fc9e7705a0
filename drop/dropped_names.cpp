#include "dropped_names.h"

#include "win_handles.h"

std::vector<std::wstring> DroppedFileNames(HDROP drop) {
    std::vector<std::wstring> names;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        // The string's own terminator slot takes the zero the call writes.
        std::wstring name(length, L'\0');
        name.resize(::DragQueryFileW(drop, i, name.data(), length + 1));
        names.push_back(std::move(name));
    }
    return names;
}

std::vector<std::wstring> ClipboardFileNames(HWND owner) {
    if (!::IsClipboardFormatAvailable(CF_HDROP)) return {};
    const win::ClipboardScope clipboard(owner);
    if (!clipboard.opened()) return {};
    // The clipboard keeps the drop: it is read, never released here.
    HANDLE data = ::GetClipboardData(CF_HDROP);
    return data ? DroppedFileNames(static_cast<HDROP>(data)) : std::vector<std::wstring>{};
}
