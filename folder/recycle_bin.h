// Sending an entry of the folder to the Recycle Bin so that it can come back,
// and bringing that very file back with the Recycle Bin's own restore command.
#pragma once

#include "win_handles.h"

#include <shobjidl.h>

#include <optional>
#include <string>
#include <vector>

// What a removal left in the Recycle Bin: the file, as it was when it went
// (its identity survives the trip, which is a move within its volume), and
// the items of the Recycle Bin that may be it: those of its name deleted
// from its folder, read once right after the removal. Which of them is the
// file is told by the item's own file where the shell gives one (Windows);
// elsewhere (Wine) only a restore tells.
struct TRecycledItem {
    std::optional<BY_HANDLE_FILE_INFORMATION> file;
    win::UniqueCom<IShellFolder2> bin;
    std::vector<win::UniqueItemIdList> candidates;
};

// Sends the file to the Recycle Bin (as RecycleFile does) and keeps track of
// it; nullopt when the file stayed.
std::optional<TRecycledItem> RecycleKeepingTrack(const std::wstring& path);

// The items that may be `file`, just sent to the Recycle Bin from `path`:
// one reading of the whole Recycle Bin.
TRecycledItem FindRecycled(const std::wstring& path, const std::optional<BY_HANDLE_FILE_INFORMATION>& file);

// Whether the file is known to have left the Recycle Bin since (emptied,
// restored by hand). Where the shell gives the items no file of their own
// this cannot be told without reading the whole Recycle Bin: false, and the
// restore tells.
bool GoneFromRecycleBin(const TRecycledItem& recycled);

// Puts the file back at `path`, where it was deleted from; true when it is
// there again once the restore has finished. Another file that a candidate
// brought back goes straight back to the Recycle Bin.
bool RestoreFromRecycleBin(const TRecycledItem& recycled, const std::wstring& path);

// Runs the restore command of an item's menu to its end: true when a file is
// at `path` afterwards. A command that it cannot tell is the restore is
// never run.
bool RunRestoreCommand(IContextMenu& menu, const std::wstring& path);
