// The folder list of the main window: each file with the shell's display name
// and small icon, painted by the control in columns.
#pragma once

#include "file_list_box.h"
#include "folder_watch.h"
#include "search_files.h"

#include <shellapi.h>

#include <string>
#include <vector>

class TShellFileListBox : public TFileListBox {
public:
    explicit TShellFileListBox(TComponent* owner);

    void SetForceFileExtensions(bool force) noexcept { forceFileExtensions_ = force; }

    // The shell's system small-icon list (shared: never destroyed here).
    HIMAGELIST Images() const noexcept { return images_; }
    SIZE IconSize() const noexcept { return iconSize_; }

    // The file name of entry `index`, as the folder holds it.
    const std::wstring& EntryFileName(int index) const { return fileNames_.at(static_cast<size_t>(index)); }
    // Whether an entry of the list stands for the file at `path`.
    bool HoldsFile(const std::wstring& path) const;

    using TCustomListBox::DrawItem;
    // Takes the shell's icons at the system's small-icon size for `dpi`, or
    // the nearest size the shell has.
    void SetPixelsPerInch(int dpi) override;

protected:
    void ReadFolder() override;
    // The entry's own file name: the shown text is the shell's name, which
    // need not name the file.
    std::wstring EntryName(int index) override { return EntryFileName(index); }
    void DrawListItem(int index, const RECT& rect, UINT state) override;
    int GlyphEntryHeight() const override;

private:
    void AddEntries(const std::vector<std::wstring>& names, UINT queryFlags);

    bool forceFileExtensions_ = false;
    HIMAGELIST smallImages_ = nullptr;
    HIMAGELIST images_ = nullptr;
    SIZE iconSize_{16, 16};
    TSearchFiles searchFiles_;
    // The file behind each entry, by entry index: the shown text is the
    // shell's name, which need not name the file.
    std::vector<std::wstring> fileNames_;
    // Follows the folder listed; changes made by anyone show by themselves.
    TFolderWatch watch_{[this] { return RereadKeepingPlace(*this); }};
};
