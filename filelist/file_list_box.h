// A list box that shows the files of one folder and gives the selected
// file's full path.
#pragma once

#include "custom_list_box.h"

#include <functional>
#include <string>

// Attribute classes of the files listed.
enum TFileAttr : unsigned {
    ftReadOnly = 1u << 0,
    ftHidden = 1u << 1,
    ftSystem = 1u << 2,
    ftVolumeID = 1u << 3,
    ftDirectory = 1u << 4,
    ftArchive = 1u << 5,
    ftNormal = 1u << 6,
};

// Whether two names name the same file: the platform's file names ignore case.
bool SameFileName(const std::wstring& a, const std::wstring& b);
// The name a file given `name` gets: the platform drops the trailing dots
// and spaces of a path's last name.
std::wstring NameAsStored(const std::wstring& name);
// The name's extension, from its last dot on; empty when there is none, or
// when its only dot starts the name (".cache").
std::wstring FileExtension(const std::wstring& name);

class TFileListBox : public TCustomListBox {
public:
    explicit TFileListBox(TComponent* owner);

    const std::wstring& Directory() const noexcept { return directory_; }
    // Moves into `folder` and lists it; throws EInOutError when a move fails,
    // leaving the folder, the entries and the current directory as they were.
    void SetDirectory(const std::wstring& folder);

    const std::wstring& Mask() const noexcept { return mask_; }
    bool ShowGlyphs() const noexcept { return showGlyphs_; }
    void SetShowGlyphs(bool show);
    void FontChanged() override;
    // The resolution the entries are measured for. A change gives the window
    // the font as it stands and re-measures the entries in place.
    int PixelsPerInch() const noexcept { return pixelsPerInch_; }
    virtual void SetPixelsPerInch(int dpi);

    // Full path of the selected entry, or empty.
    std::wstring FileName();
    // Reads the folder again.
    void Update() { ReadFolder(); }

protected:
    virtual void ReadFolder() = 0;
    // The name that entry `index` stands for inside Directory.
    virtual std::wstring EntryName(int index) { return ItemText(index); }

    void CreateWindowDone() override;
    void RecomputeItemHeight();
    // The height that holds an entry's text and, where shown, its glyph.
    int EntryHeight();
    // The lowest entry height that holds an entry's glyph.
    virtual int GlyphEntryHeight() const;
    // The attribute bits that the FileType members stand for.
    DWORD FileTypeAttributes() const;
    // The selected entry's index, or -1 when none is selected.
    int SelectedIndex();
    std::wstring JoinFolderPath(const std::wstring& name) const;

private:
    void ApplyFilePath(const std::wstring& path);
    void ChangeFolder(const std::wstring& path);

    std::wstring directory_;
    std::wstring mask_ = L"*.*";
    unsigned fileType_ = ftNormal;
    bool showGlyphs_ = false;
    int pixelsPerInch_ = 96;
};

// The process's current directory.
std::wstring CurrentDirectory();
// The height of a line of text in that font.
int FontLineHeight(HFONT font);
