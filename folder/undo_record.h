// The last change the program made to the SendTo folder, kept so that
// Ctrl+Z can undo it, once the user agrees.
#pragma once

#include "recycle_bin.h"

#include <windows.h>

#include <optional>
#include <string>

class TShellFileListBox;

class TUndoRecord {
public:
    enum class TKind { Nothing, Removed, Renamed, Added };

    // What the commands record, as the paths of the folder's entries: each
    // change takes the place of the one before. A removal keeps the item it
    // made in the Recycle Bin.
    void Removed(const std::wstring& path, TRecycledItem recycled);
    void Renamed(const std::wstring& from, const std::wstring& to);
    // An entry copied or made in the folder; `replaced`, the item of the
    // Recycle Bin that an entry of the same name became to make room for it.
    void Added(const std::wstring& path, std::optional<TRecycledItem> replaced);
    void Forget() noexcept { *this = TUndoRecord(); }

    TKind Kind() const noexcept { return kind_; }
    // The entry as the change left it; for a removal, as it was.
    const std::wstring& Path() const noexcept { return path_; }
    // A rename's old path.
    const std::wstring& OldPath() const noexcept { return oldPath_; }
    bool Replaced() const noexcept { return recycled_.has_value(); }
    // The item that the removal, or the replacement, made in the Recycle Bin.
    const TRecycledItem& Recycled() const noexcept { return *recycled_; }
    // Whether the entry at Path() is still the file that the change left
    // there, unwritten since; another file put in its place is not.
    bool StillAsLeft() const;

private:
    TKind kind_ = TKind::Nothing;
    std::wstring path_;
    std::wstring oldPath_;
    std::optional<TRecycledItem> recycled_;
    std::optional<BY_HANDLE_FILE_INFORMATION> left_;
};

// Ctrl+Z: names the last change and, once the user agrees, undoes it: a
// removed entry comes back from the Recycle Bin, a renamed one takes its old
// name back, an added one goes to the Recycle Bin and the entry it replaced
// comes back. A change that can no longer be undone is refused with the
// reason and changes nothing. Nothing recorded: nothing is asked.
void UndoLastChange(TShellFileListBox& list, TUndoRecord& record);
