#include "file_list_box.h"

#include "dpi.h"
#include "exceptions.h"

#include <algorithm>

namespace {

// The height of the file glyphs: an entry with glyphs is one pixel taller.
constexpr int kGlyphHeight = 15;

std::wstring LowerCase(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

bool SameFileName(const std::wstring& a, const std::wstring& b) { return LowerCase(a) == LowerCase(b); }

std::wstring NameAsStored(const std::wstring& name) {
    const size_t kept = name.find_last_not_of(L" .");
    return kept == std::wstring::npos ? std::wstring() : name.substr(0, kept + 1);
}

std::wstring FileExtension(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos || dot == 0 ? std::wstring() : name.substr(dot);
}

namespace {

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME: return false;
    default: return true;  // there, but not ours to look into
    }
}

void MoveTo(const std::wstring& folder) {
    if (!::SetCurrentDirectoryW(folder.c_str())) throw EInOutError(::GetLastError(), folder);
}

}  // namespace

int FontLineHeight(HFONT font) {
    win::WindowDc dc(nullptr);
    win::SelectScope select(dc.get(), font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    return metrics.tmHeight;
}

std::wstring CurrentDirectory() {
    wchar_t buffer[261] = {};
    const DWORD n = ::GetCurrentDirectoryW(261, buffer);
    return n > 0 && n < 261 ? std::wstring(buffer, n) : std::wstring();
}

TFileListBox::TFileListBox(TComponent* owner) : TCustomListBox(owner) { RecomputeItemHeight(); }

void TFileListBox::CreateWindowDone() {
    TCustomListBox::CreateWindowDone();
    ReadFolder();
}

void TFileListBox::FontChanged() {
    TCustomListBox::FontChanged();
    RecomputeItemHeight();
}

void TFileListBox::SetShowGlyphs(bool show) {
    if (showGlyphs_ == show) return;
    showGlyphs_ = show;
    if (show && ItemHeight() < GlyphEntryHeight()) RecomputeItemHeight();
}

// A window moved to a monitor of another resolution keeps its list where the
// user left it: the window stays, with the font as scaled for `dpi` and
// entries of the new height.
void TFileListBox::SetPixelsPerInch(int dpi) {
    pixelsPerInch_ = dpi;
    TCustomListBox::FontChanged();
    SetItemHeightInPlace(EntryHeight());
}

int TFileListBox::GlyphEntryHeight() const { return ScaleFromDesign(kGlyphHeight + 1, pixelsPerInch_); }

int TFileListBox::EntryHeight() {
    const int height = FontLineHeight(Font().Handle());
    return showGlyphs_ ? std::max(height, GlyphEntryHeight()) : height;
}

void TFileListBox::RecomputeItemHeight() { SetItemHeight(EntryHeight()); }

DWORD TFileListBox::FileTypeAttributes() const {
    DWORD attributes = 0;
    if (fileType_ & ftReadOnly) attributes |= 0x01;
    if (fileType_ & ftHidden) attributes |= 0x02;
    if (fileType_ & ftSystem) attributes |= 0x04;
    if (fileType_ & ftArchive) attributes |= 0x20;
    if (fileType_ & ftNormal) attributes |= 0xA1;
    return attributes;
}

int TFileListBox::SelectedIndex() {
    const int index = ItemIndex();
    if (index < 0 || Count() == 0 || ::SendMessageW(Handle(), LB_GETSEL, index, 0) <= 0) return -1;
    return index;
}

std::wstring TFileListBox::JoinFolderPath(const std::wstring& name) const {
    if (!directory_.empty() && directory_.back() == L'\\') return directory_ + name;
    return directory_ + L'\\' + name;
}

std::wstring TFileListBox::FileName() {
    const int index = SelectedIndex();
    const std::wstring name = index < 0 ? std::wstring() : EntryName(index);
    return name.empty() ? std::wstring() : JoinFolderPath(name);
}

void TFileListBox::SetDirectory(const std::wstring& folder) {
    if (folder.empty()) return;
    ApplyFilePath(folder);
    ReadFolder();
}

void TFileListBox::ApplyFilePath(const std::wstring& path) {
    if (path.empty() || SameFileName(path, FileName())) return;

    // Split the path into drive, folder and last part, moving the current
    // directory as far as it goes; always come back to where we started.
    const std::wstring start = CurrentDirectory();
    std::wstring drive = path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
    std::wstring rest = path.substr(drive.size());
    std::wstring last = rest.substr(rest.find_last_of(L'\\') == std::wstring::npos ? 0 : rest.find_last_of(L'\\') + 1);
    std::wstring folder = rest.substr(0, rest.size() - last.size());
    if (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
    if (folder.empty()) folder = L"\\";
    try {
        if (!drive.empty() && FolderExists(drive)) MoveTo(drive);
        if (!folder.empty()) MoveTo(folder);
        // A file standing where the folder should be makes the move fail with
        // the platform's own error (ERROR_DIRECTORY): its parent is never
        // listed in the folder's place.
        if (!last.empty() && last.find_first_of(L"*?") == std::wstring::npos) {
            MoveTo(last);
            folder = folder == L"\\" ? folder + last : folder + L'\\' + last;
            last.clear();
        }
    } catch (...) {
        if (FolderExists(start)) ::SetCurrentDirectoryW(start.c_str());
        throw;
    }
    if (FolderExists(start)) ::SetCurrentDirectoryW(start.c_str());
    ChangeFolder(drive + folder);
}

void TFileListBox::ChangeFolder(const std::wstring& path) {
    if (SameFileName(path, directory_)) return;
    if (!directory_.empty() && FolderExists(directory_)) MoveTo(directory_);
    MoveTo(path);
    // The caller reads the new folder once the change is complete.
    directory_ = CurrentDirectory();
}
