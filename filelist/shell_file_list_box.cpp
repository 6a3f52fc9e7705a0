#include "shell_file_list_box.h"

#include "dpi.h"
#include "entry_name_edit.h"
#include "flag_scope.h"
#include "platform_calls.h"
#include "screen.h"
#include "system_library.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <optional>

namespace {

// Overlays are asked for only from shell version 5 on. The version is read
// until it comes out non-zero, then kept.
bool ShellHasOverlays() {
    static DWORD version = 0;
    if (version == 0) version = FileVersionMS(L"shell32.dll");
    return version >= 0x50000;
}

bool FileNameLess(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                            static_cast<int>(b.size())) == CSTR_LESS_THAN;
}

// Restores the screen cursor and the list's drawing, however a reading ends.
class ReadingScope {
public:
    explicit ReadingScope(HWND list) : list_(list), cursor_(Screen->Cursor()) {
        ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }
    ReadingScope(const ReadingScope&) = delete;
    ReadingScope& operator=(const ReadingScope&) = delete;
    ~ReadingScope() {
        ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list_, nullptr, TRUE);
        Screen->SetCursor(cursor_);
    }

private:
    HWND list_;
    TCursor cursor_;
};

SIZE IconSizeOf(HIMAGELIST images) {
    int cx = 16, cy = 16;
    if (images) ::ImageList_GetIconSize(images, &cx, &cy);
    return {cx, cy};
}

// One of the shell's system image lists (SHIL_*), or null. The shell keeps
// them for the process's life; the reference taken here is never given back.
HIMAGELIST ShellImageList(int which) {
    static constexpr GUID kImageListId = {0x46EB5926, 0x582E, 0x4017, {0x9F, 0xDF, 0xE8, 0x99, 0x8D, 0xAA, 0x09, 0x50}};
    void* list = nullptr;
    return SUCCEEDED(Platform().SHGetImageList(which, kImageListId, &list)) ? static_cast<HIMAGELIST>(list) : nullptr;
}

// The list whose icons are nearest `wanted` pixels, the larger on a tie:
// the small list when it has that size, else one of the shell's others.
HIMAGELIST NearestIconList(HIMAGELIST small, int wanted) {
    if (!small || IconSizeOf(small).cy == wanted) return small;
    constexpr int kLarge = 0, kExtraLarge = 2, kSystemSmall = 3;  // SHIL_*
    HIMAGELIST best = small;
    for (int which : {kSystemSmall, kLarge, kExtraLarge}) {
        HIMAGELIST candidate = ShellImageList(which);
        if (!candidate) continue;
        const int distance = std::abs(IconSizeOf(candidate).cy - wanted);
        const int bestDistance = std::abs(IconSizeOf(best).cy - wanted);
        if (distance < bestDistance || (distance == bestDistance && IconSizeOf(candidate).cy > IconSizeOf(best).cy))
            best = candidate;
    }
    return best;
}

}  // namespace

TShellFileListBox::TShellFileListBox(TComponent* owner) : TFileListBox(owner) {
    // Only the list is wanted: no file is named, so that the shell looks at
    // none (an empty name would make it inspect the current folder).
    SHFILEINFOW info{};
    constexpr UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    smallImages_ = reinterpret_cast<HIMAGELIST>(
        Platform().SHGetFileInfoW(L"", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), flags));
    images_ = smallImages_;
    iconSize_ = IconSizeOf(images_);
}

void TShellFileListBox::SetPixelsPerInch(int dpi) {
    images_ = NearestIconList(smallImages_, SystemMetricForDpi(SM_CYSMICON, dpi));
    iconSize_ = IconSizeOf(images_);
    TFileListBox::SetPixelsPerInch(dpi);
}

// The entry holds its icon with room that grows with the resolution: none at
// 96 dpi, where the 16-pixel icon fills the 16-pixel entry as it always has.
int TShellFileListBox::GlyphEntryHeight() const {
    return std::max(TFileListBox::GlyphEntryHeight(), static_cast<int>(iconSize_.cy) + ScaleFromDesign(2, PixelsPerInch()) - 2);
}

void TShellFileListBox::ReadFolder() {
    if (!HandleAllocated()) return;
    ClearItems();
    fileNames_.clear();
    // No folder yet, or one that cannot be entered any more: the list stays
    // empty rather than show whatever folder the process happens to be in.
    // The user hears why only when they asked for the folder (the program
    // starting, Raffraichir, F5): entering it then fails with its error box
    // before this reading. A reading the folder watch asked for, when the
    // folder went away behind the program's back, raises no box of its own:
    // the list empties, and the user's next Raffraichir says why.
    if (Directory().empty() || !::SetCurrentDirectoryW(Directory().c_str())) {
        watch_.Watch(L"");
        return;
    }
    watch_.Watch(Directory());

    ReadingScope scope(Handle());
    const DWORD attributes = FileTypeAttributes();
    searchFiles_.RootDirectory = Directory();
    searchFiles_.Masks = {Mask()};
    searchFiles_.ExcludeAttr = ~attributes & 0xA7;
    searchFiles_.Search();

    std::vector<std::wstring> names = std::move(searchFiles_.Files);
    std::sort(names.begin(), names.end(), FileNameLess);
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON;
    if (ShellHasOverlays()) flags |= SHGFI_OVERLAYINDEX;
    AddEntries(names, flags);
}

void TShellFileListBox::AddEntries(const std::vector<std::wstring>& names, UINT queryFlags) {
    fileNames_.reserve(names.size());
    for (const std::wstring& name : names) {
        SHFILEINFOW info{};
        const int index = AddItem(EntryText(name, name, queryFlags, info), static_cast<DWORD>(info.iIcon));
        fileNames_.push_back(name);
        if (index == 100) Screen->SetCursor(crHourGlass);
    }
}

std::wstring TShellFileListBox::EntryText(const std::wstring& path, const std::wstring& name, UINT queryFlags,
                                          SHFILEINFOW& info) const {
    const bool named = Platform().SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), queryFlags) != 0 &&
                       info.szDisplayName[0] != L'\0';
    // An entry the shell cannot name shows the file's own name rather
    // than an invisible line.
    return forceFileExtensions_ || !named ? name
                                          : std::wstring(info.szDisplayName, ::wcsnlen(info.szDisplayName, MAX_PATH));
}

bool TShellFileListBox::HoldsFile(const std::wstring& path) const {
    return std::any_of(fileNames_.begin(), fileNames_.end(),
                       [&](const std::wstring& name) { return JoinFolderPath(name) == path; });
}

int TShellFileListBox::TextLeft() const {
    // The margins around the icon and the text, 2 pixels at 96 dpi.
    const int margin = ScaleFromDesign(2, PixelsPerInch());
    return ShowGlyphs() ? iconSize_.cx + 2 * margin : 0;
}

void TShellFileListBox::DrawListItem(int index, const RECT& rect, UINT state) {
    HDC dc = canvas_.Dc;
    const int margin = ScaleFromDesign(2, PixelsPerInch());
    const int offset = TextLeft() + margin;
    if (ShowGlyphs()) {
        // The icon blends its soft edges into what is under it: drawn over the
        // previous drawing it would darken at every redraw. The cell ends
        // where the text's rectangle begins.
        const RECT iconCell{rect.left, rect.top, rect.left + offset - margin, rect.bottom};
        win::UniqueBrush background(::CreateSolidBrush(ColorToRGB(Color())));
        ::FillRect(dc, &iconCell, background.get());
        const DWORD word = ItemData(index);
        const int x = rect.left + margin;
        const int y = (rect.top + rect.bottom - iconSize_.cy) / 2;
        if (images_) {
            const UINT overlay = word >> 24;
            const int icon = static_cast<int>(word & 0x00FFFFFF);
            const UINT style = overlay == 0 ? ILD_TRANSPARENT : ILD_NORMAL | INDEXTOOVERLAYMASK(overlay);
            ::ImageList_DrawEx(images_, icon, dc, x, y, 0, 0, ::ImageList_GetBkColor(images_), CLR_NONE, style);
        }
    }
    const std::wstring text = ItemText(index);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    RECT textRect{rect.left + offset - margin, rect.top, rect.left + offset - margin + extent.cx + 2 * margin,
                  rect.bottom};
    win::UniqueBrush brush(::CreateSolidBrush(canvas_.Brush));
    ::FillRect(dc, &textRect, brush.get());
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, canvas_.Brush);
    ::ExtTextOutW(dc, rect.left + offset, rect.top, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                  nullptr);
    if (state & ODS_FOCUS) ::DrawFocusRect(dc, &textRect);
}

TNameForEditing NameForEditing(const std::wstring& fileName, const std::wstring& shown) {
    const std::wstring extension = FileExtension(fileName);
    if (extension.empty()) return {fileName, L"", fileName.size()};
    const size_t dot = fileName.size() - extension.size();
    const bool extensionShown = shown.size() >= extension.size() &&
                                SameFileName(shown.substr(shown.size() - extension.size()), extension);
    if (extensionShown) return {fileName, L"", dot};
    // The shell hides the extension (always for a shortcut's ".lnk"): the
    // user edits the name without it, as the shell would give it for editing.
    const std::wstring stem = fileName.substr(0, dot);
    return {stem, extension, stem.size()};
}

void TShellFileListBox::EditSelectedName() {
    const int index = ItemIndex();
    if (EditingName() || index < 0 || index >= Count()) return;
    editedFile_ = EntryFileName(index);
    edited_ = NameForEditing(editedFile_, ItemText(index));
    watch_.SetHeld(true);
    nameEdit_ = Create<TEntryNameEdit>();
    nameEdit_->SetParent(this);
    PlaceNameEdit();
    nameEdit_->Begin(edited_.text, edited_.selected, Font().Handle());
}

int TShellFileListBox::EditedIndex() {
    const auto file = std::find_if(fileNames_.begin(), fileNames_.end(),
                                   [this](const std::wstring& name) { return SameFileName(name, editedFile_); });
    return file == fileNames_.end() ? -1 : static_cast<int>(file - fileNames_.begin());
}

// The box never edits out of sight: F2 on an entry the user scrolled away
// from, or a size that makes the columns flow again, brings the entry into
// sight first.
void TShellFileListBox::PlaceNameEdit() {
    if (!nameEdit_) return;
    const int index = EditedIndex();
    if (index < 0) return;
    ScrollIntoView(index);
    const std::optional<RECT> entry = ItemRect(index);
    if (!entry) return;
    // At least the height of a line of the list's font inside the box's border.
    const int height = std::max(static_cast<int>(entry->bottom - entry->top),
                                FontLineHeight(Font().Handle()) + 2 * SystemMetricForDpi(SM_CYEDGE, PixelsPerInch()));
    // Centred on the entry; on the first or the last line, where the taller
    // box has no room to spare, it stays inside the list.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int centred = (entry->top + entry->bottom - height) / 2;
    const int top = std::max(0, std::min(centred, static_cast<int>(client.bottom) - height));
    nameEdit_->SetBounds(entry->left + TextLeft(), top, entry->right - entry->left - TextLeft(), height);
    if (nameEdit_->HandleAllocated())
        ::SendMessageW(nameEdit_->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
}

void TShellFileListBox::RescaleDone() {
    TFileListBox::RescaleDone();
    PlaceNameEdit();
}

bool TShellFileListBox::EndNameEdit(bool rename) {
    if (!nameEdit_ || endingEdit_) return !nameEdit_;
    const TFlagScope ending(endingEdit_);
    if (rename) nameEdit_->CompleteComposition();
    const std::wstring typed = nameEdit_->Text();
    const bool asked = rename && typed != edited_.text && OnRename;
    const TRenameResult result = asked ? OnRename(editedFile_, typed, edited_.hiddenExtension)
                                       : TRenameResult::NotRenamed;
    if (result == TRenameResult::TypeAgain) {
        nameEdit_->TakeFocus();
        return false;
    }
    CloseNameEdit();
    if (result == TRenameResult::Renamed) {
        Update();
        SelectFile(NameAsStored(typed + edited_.hiddenExtension));
    } else if (asked) {
        // Refused by the platform: the list shows the folder as it now is.
        RereadKeepingPlace(*this);
    }
    return true;
}

void TShellFileListBox::CloseNameEdit() {
    // The focus stays in the list, unless the user took it elsewhere.
    if (::GetFocus() == nameEdit_->Handle()) ::SetFocus(Handle());
    // The box may be closing from inside its own message handling (Alt+F4
    // typed in it, the wheel it hands to the list): it hides now, and goes
    // once its messages are done.
    ::ShowWindow(nameEdit_->Handle(), SW_HIDE);
    ReleaseClosedEdit();
    closedEdit_ = std::exchange(nameEdit_, nullptr);
    ::PostMessageW(Handle(), CM_RELEASENAMEEDIT, 0, 0);
    watch_.SetHeld(false);
}

void TShellFileListBox::ReleaseClosedEdit() {
    if (closedEdit_) DestroyComponent(std::exchange(closedEdit_, nullptr));
}

int TShellFileListBox::IndexOfFile(const std::wstring& fileName) const {
    const auto file = std::find_if(fileNames_.begin(), fileNames_.end(),
                                   [&](const std::wstring& name) { return SameFileName(name, fileName); });
    return file == fileNames_.end() ? -1 : static_cast<int>(file - fileNames_.begin());
}

bool TShellFileListBox::SelectFile(const std::wstring& fileName) {
    const int index = IndexOfFile(fileName);
    if (index < 0) return false;
    SetItemIndex(index);
    return true;
}

std::wstring TShellFileListBox::ShownName(const std::wstring& fileName) {
    if (const int index = IndexOfFile(fileName); index >= 0) return ItemText(index);
    SHFILEINFOW info{};
    return EntryText(JoinFolderPath(fileName), fileName, SHGFI_DISPLAYNAME, info);
}

// The click is about the entry that was under the pointer, which the
// reading after a rename may move: that entry is selected wherever the sort
// takes it, with the list left where the user clicked it. The edited entry
// itself is selected already, under its new name, and in sight.
bool TShellFileListBox::EndNameEditByClick(LPARAM at) {
    const int index = ItemAt({GET_X_LPARAM(at), GET_Y_LPARAM(at)});
    const std::wstring clicked = index >= 0 ? EntryFileName(index) : std::wstring();
    const bool onEditedEntry = index >= 0 && index == EditedIndex();
    const LRESULT top = ::SendMessageW(Handle(), LB_GETTOPINDEX, 0, 0);
    if (!EndNameEdit(true)) return false;
    if (onEditedEntry) {
        editEndedOnEntry_ = ItemIndex() >= 0;
    } else if (clicked.empty()) {
        editEndedOnEntry_ = false;
    } else {
        ::SendMessageW(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        editEndedOnEntry_ = SelectFile(clicked);
    }
    return true;
}

// About the entry that the click ending the edit selected, or about nothing:
// never about whatever the new order put under the pointer.
void TShellFileListBox::DoubleClickEndingEdit() {
    if (*std::exchange(editEndedOnEntry_, std::nullopt) && OnDblClick) OnDblClick(this);
}

void TShellFileListBox::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_ENDNAMEEDIT:
        // The focus gone elsewhere ends the edit only if it is still away
        // once the change of focus is over.
        if (!message.LParam || (nameEdit_ && ::GetFocus() != nameEdit_->Handle())) EndNameEdit(message.WParam != 0);
        return;
    case CM_RELEASENAMEEDIT:
        ReleaseClosedEdit();
        return;
    case WM_SIZE:
        // The columns flow again at the new size: the box follows its entry.
        TFileListBox::WndProc(message);
        PlaceNameEdit();
        return;
    case WM_LBUTTONDOWN:
        // The click that ends an edit is done once it selected what it was
        // on: the list under it may have been read again and re-sorted.
        editEndedOnEntry_.reset();
        if (EditingName()) {
            EndNameEditByClick(message.LParam);
            return;
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (EditingName() && !EndNameEditByClick(message.LParam)) return;
        if (editEndedOnEntry_) {
            DoubleClickEndingEdit();
            return;
        }
        break;
    case WM_RBUTTONDOWN:
    case WM_CONTEXTMENU:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
        // A right-click elsewhere, or the entries moving under the box, ends
        // the edit with its name first; a name refused keeps the box, and
        // the click does nothing more.
        if (EditingName() && !EndNameEdit(true)) return;
        break;
    default:
        break;
    }
    TFileListBox::WndProc(message);
}
