// The folder list of the main window: each file with the shell's display name
// and small icon, painted by the control in columns.
#pragma once

#include "file_list_box.h"
#include "folder_watch.h"
#include "search_files.h"

#include <shellapi.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TEntryNameEdit;

// What the user edits for an entry: the shell's name where it is the file's
// name with the extension hidden (which a new name then keeps), else the
// file's own name; and how many of its first characters start selected: the
// part before an extension that shows, the whole name otherwise.
struct TNameForEditing {
    std::wstring text;
    std::wstring hiddenExtension;
    size_t selected = 0;
};
TNameForEditing NameForEditing(const std::wstring& fileName, const std::wstring& shown);

// How a rename asked of the folder's side ended.
enum class TRenameResult {
    Renamed,
    TypeAgain,  // the name was refused: the box stays, with what was typed
    NotRenamed  // the platform refused: the box closes and the folder is read again
};

class TShellFileListBox final : public TFileListBox {
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
    // Selects the entry of that file name, as the platform compares file
    // names, and scrolls it into view; nothing when none is listed. Whether
    // one is.
    bool SelectFile(const std::wstring& fileName);
    // How the list shows the file of that name: its entry's text, or, where
    // the list has not read it yet, the text its entry would have.
    std::wstring ShownName(const std::wstring& fileName);

    // F2: the selected entry's name in a box over the entry, to rename it in
    // place; nothing when no entry is selected. Changes to the folder wait
    // while the box is open.
    void EditSelectedName();
    bool EditingName() const noexcept { return nameEdit_ != nullptr; }
    // Closes the box; with `rename`, a changed name goes to OnRename first,
    // and the box stays open when the name was refused. Whether it closed.
    bool EndNameEdit(bool rename);
    // Renames the entry's file `fileName` in the folder to the name typed
    // followed by the extension the shell hides, telling the user why not.
    std::function<TRenameResult(const std::wstring& fileName, const std::wstring& typed,
                                const std::wstring& hiddenExtension)>
        OnRename;

    using TCustomListBox::DrawItem;
    // Takes the shell's icons at the system's small-icon size for `dpi`, or
    // the nearest size the shell has.
    void SetPixelsPerInch(int dpi) override;
    // The box of a rename in place follows the entry to its new size.
    void RescaleDone() override;

protected:
    void WndProc(TMessage& message) override;
    void ReadFolder() override;
    // The entry's own file name: the shown text is the shell's name, which
    // need not name the file.
    std::wstring EntryName(int index) override { return EntryFileName(index); }
    void DrawListItem(int index, const RECT& rect, UINT state) override;
    int GlyphEntryHeight() const override;

private:
    void AddEntries(const std::vector<std::wstring>& names, UINT queryFlags);
    // The text of the entry for the file `name` at `path`: the shell's name,
    // asked with `queryFlags`, which also fill `info`.
    std::wstring EntryText(const std::wstring& path, const std::wstring& name, UINT queryFlags,
                           SHFILEINFOW& info) const;
    // The entry of that file name, as the platform compares file names, or -1.
    int IndexOfFile(const std::wstring& fileName) const;
    // Where an entry's text begins, from the entry's left edge.
    int TextLeft() const;
    // The edited file's entry, or -1.
    int EditedIndex();
    // Puts the box over the edited entry's text, in the list's font, the
    // entry scrolled into sight first.
    void PlaceNameEdit();
    void CloseNameEdit();
    void ReleaseClosedEdit();
    // A click at `at` (client coordinates in a mouse message's LParam) ends
    // the edit: false when the name was refused and the box stays.
    bool EndNameEditByClick(LPARAM at);
    void DoubleClickEndingEdit();

    bool forceFileExtensions_ = false;
    HIMAGELIST smallImages_ = nullptr;
    HIMAGELIST images_ = nullptr;
    SIZE iconSize_{16, 16};
    TSearchFiles searchFiles_;
    // The file behind each entry, by entry index: the shown text is the
    // shell's name, which need not name the file.
    std::vector<std::wstring> fileNames_;
    // The rename in place: the box, the file it renames, and what the user
    // started from.
    TEntryNameEdit* nameEdit_ = nullptr;
    TEntryNameEdit* closedEdit_ = nullptr;
    std::wstring editedFile_;
    TNameForEditing edited_;
    bool endingEdit_ = false;
    // Set by the click that ended the last edit, until the next click:
    // whether it selected an entry, which the double-click it begins is about.
    std::optional<bool> editEndedOnEntry_;
    // Follows the folder listed; changes made by anyone show by themselves.
    TFolderWatch watch_{[this] { return RereadKeepingPlace(*this); }};
};
