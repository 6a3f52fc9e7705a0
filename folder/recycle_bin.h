// Bringing an entry of the folder back from the Recycle Bin, as the Recycle
// Bin's own menu does.
#pragma once

#include "win_handles.h"

#include <shobjidl.h>

#include <string>

// One item of the Recycle Bin, held through its shell folder; empty when
// none was found, or when several were and their dates do not tell which
// was deleted last (Wine's Recycle Bin gives no dates but as text).
struct TRecycledItem {
    win::UniqueCom<IShellFolder2> bin;
    win::UniqueItemIdList item;
    bool undecided = false;

    explicit operator bool() const noexcept { return bin && item; }
};

// The item that the Recycle Bin holds for the file `name` deleted from
// `folder`; of several, the one deleted last.
TRecycledItem FindInRecycleBin(const std::wstring& folder, const std::wstring& name);

// Runs the item's restore command, which puts it back at `path`, where it
// was deleted from; true when the file is there again.
bool RestoreFromRecycleBin(const TRecycledItem& recycled, const std::wstring& path);
