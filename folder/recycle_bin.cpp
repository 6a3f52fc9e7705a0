#include "recycle_bin.h"

#include "modal_scope.h"
#include "file_list_box.h"

#include <shlobj.h>

#include <optional>
#include <utility>
#include <vector>

namespace {

// The Recycle Bin's details of an item (propkey.h, shlguid.h): where it was
// deleted from and when (FMTID_Displaced), the file's name with its
// extension in every case (System.ItemName), and the name the list of the
// Recycle Bin shows (System.ItemNameDisplay).
constexpr GUID kDisplaced = {0x9b174b33, 0x40ff, 0x11d2, {0xa2, 0x7e, 0x00, 0xc0, 0x4f, 0xc3, 0x08, 0x71}};
constexpr SHCOLUMNID kDeletedFrom = {kDisplaced, 2};
constexpr SHCOLUMNID kDateDeleted = {kDisplaced, 3};
constexpr SHCOLUMNID kItemName = {{0x6b8da074, 0x3b5c, 0x43bc, {0x88, 0x6f, 0x0a, 0x2c, 0xdc, 0xe0, 0x0b, 0x6f}}, 100};
constexpr SHCOLUMNID kItemNameDisplay = {{0xb725f130, 0x47ef, 0x101a, {0xa5, 0xf1, 0x02, 0x60, 0x8c, 0x9e, 0xeb, 0xac}},
                                         10};

// The verb of the restore command in the Recycle Bin's menu of an item.
constexpr char kRestoreVerb[] = "undelete";
// The identifiers that the item's menu gives its commands.
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7fff;

// A value the shell gives, cleared once.
class TDetailValue {
public:
    TDetailValue() = default;
    ~TDetailValue() { ::VariantClear(&value_); }
    TDetailValue(const TDetailValue&) = delete;
    TDetailValue& operator=(const TDetailValue&) = delete;

    VARIANT* get() noexcept { return &value_; }
    const VARIANT& operator*() const noexcept { return value_; }

private:
    VARIANT value_{};
};

bool SameColumn(const SHCOLUMNID& a, const SHCOLUMNID& b) { return a.fmtid == b.fmtid && a.pid == b.pid; }

std::wstring AnsiText(const char* text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<size_t>(length - 1), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return wide;
}

// The text of a column's answer, in whichever of its forms the shell gave it;
// its own copy is freed.
std::wstring ReturnedText(STRRET& text, PCUITEMID_CHILD item) {
    switch (text.uType) {
    case STRRET_WSTR: {
        const win::UniqueCoTaskText owned(text.pOleStr);
        return owned ? std::wstring(owned.get()) : std::wstring();
    }
    case STRRET_CSTR: return AnsiText(text.cStr);
    case STRRET_OFFSET: return AnsiText(reinterpret_cast<const char*>(item) + text.uOffset);
    default: return {};
    }
}

// The text of the column that shows `key`, for a folder that answers by
// column only (Wine's Recycle Bin has no GetDetailsEx).
std::optional<std::wstring> ColumnText(IShellFolder2& bin, PCUITEMID_CHILD item, const SHCOLUMNID& key) {
    SHCOLUMNID shown{};
    for (UINT column = 0; SUCCEEDED(bin.MapColumnToSCID(column, &shown)); ++column) {
        if (!SameColumn(shown, key)) continue;
        SHELLDETAILS details{};
        if (FAILED(bin.GetDetailsOf(item, column, &details))) return std::nullopt;
        return ReturnedText(details.str, item);
    }
    return std::nullopt;
}

// A text detail of the item: its value, else its column's text.
std::optional<std::wstring> DetailText(IShellFolder2& bin, PCUITEMID_CHILD item, const SHCOLUMNID& key,
                                       const SHCOLUMNID& column) {
    TDetailValue value;
    if (SUCCEEDED(bin.GetDetailsEx(item, &key, value.get())) && (*value).vt == VT_BSTR && (*value).bstrVal)
        return std::wstring((*value).bstrVal);
    return ColumnText(bin, item, column);
}

// When the item was deleted; 0, older than any date, when the folder does
// not say (Wine's gives the date as text only).
double DateDeleted(IShellFolder2& bin, PCUITEMID_CHILD item) {
    TDetailValue value;
    if (SUCCEEDED(bin.GetDetailsEx(item, &kDateDeleted, value.get())) && (*value).vt == VT_DATE)
        return (*value).date;
    return 0;
}

bool DeletedFrom(IShellFolder2& bin, PCUITEMID_CHILD item, const std::wstring& folder, const std::wstring& name) {
    const auto from = DetailText(bin, item, kDeletedFrom, kDeletedFrom);
    const auto itemName = DetailText(bin, item, kItemName, kItemNameDisplay);
    return from && itemName && SameFileName(*from, folder) && SameFileName(*itemName, name);
}

win::UniqueCom<IShellFolder2> OpenRecycleBin() {
    IShellFolder* rawDesktop = nullptr;
    if (FAILED(::SHGetDesktopFolder(&rawDesktop))) return nullptr;
    const win::UniqueCom<IShellFolder> desktop(rawDesktop);
    PIDLIST_ABSOLUTE rawLocation = nullptr;
    if (FAILED(::SHGetFolderLocation(nullptr, CSIDL_BITBUCKET, nullptr, 0, &rawLocation))) return nullptr;
    const win::UniqueItemIdList location(rawLocation);
    IShellFolder2* rawBin = nullptr;
    if (FAILED(desktop->BindToObject(location.get(), nullptr, __uuidof(IShellFolder2),
                                     reinterpret_cast<void**>(&rawBin))))
        return nullptr;
    return win::UniqueCom<IShellFolder2>(rawBin);
}

win::UniqueCom<IContextMenu> ItemMenu(const TRecycledItem& recycled, HWND owner) {
    PCUITEMID_CHILD items[] = {recycled.item.get()};
    IContextMenu* rawMenu = nullptr;
    if (FAILED(recycled.bin->GetUIObjectOf(owner, 1, items, __uuidof(IContextMenu), nullptr,
                                           reinterpret_cast<void**>(&rawMenu))))
        return nullptr;
    return win::UniqueCom<IContextMenu>(rawMenu);
}

bool InvokeCommand(IContextMenu& menu, HWND owner, LPCSTR verb) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return SUCCEEDED(menu.InvokeCommand(&info));
}

std::wstring CommandVerb(IContextMenu& menu, UINT offset) {
    wchar_t verb[64] = {};
    if (FAILED(menu.GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(verb), 64))) return {};
    verb[63] = L'\0';
    return verb;
}

// The offsets of the menu's commands, in menu order: its items that are
// neither separators nor sub-menus.
std::vector<UINT> CommandOffsets(HMENU menu) {
    std::vector<UINT> offsets;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item)) continue;
        if ((item.fType & MFT_SEPARATOR) || item.hSubMenu || item.wID < kFirstCommand || item.wID > kLastCommand)
            continue;
        offsets.push_back(item.wID - kFirstCommand);
    }
    return offsets;
}

// The restore command's offset in a menu that names its commands by no verb
// at all (Wine's Recycle Bin answers GetCommandString with E_NOTIMPL, and
// takes its commands by offset only): its first command, "Restore", as in the
// Recycle Bin's menu on Windows. A menu that names any verb offers nothing
// here: there "undelete" is the only way in.
std::optional<UINT> RestoreOffsetWithoutVerbs(IContextMenu& menu, HMENU items) {
    const std::vector<UINT> offsets = CommandOffsets(items);
    for (UINT offset : offsets)
        if (!CommandVerb(menu, offset).empty()) return std::nullopt;
    if (offsets.empty()) return std::nullopt;
    return offsets.front();
}

}  // namespace

TRecycledItem FindInRecycleBin(const std::wstring& folder, const std::wstring& name) {
    TRecycledItem found;
    win::UniqueCom<IShellFolder2> bin = OpenRecycleBin();
    if (!bin) return found;
    IEnumIDList* rawItems = nullptr;
    // S_FALSE with no list: the Recycle Bin is empty.
    if (bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &rawItems) != S_OK ||
        !rawItems)
        return found;
    const win::UniqueCom<IEnumIDList> items(rawItems);
    double latest = -1;
    PITEMID_CHILD rawItem = nullptr;
    while (items->Next(1, &rawItem, nullptr) == S_OK) {
        win::UniqueItemIdList item(rawItem);
        if (!DeletedFrom(*bin, item.get(), folder, name)) continue;
        const double deleted = DateDeleted(*bin, item.get());
        if (deleted < latest) continue;
        found.undecided = deleted == latest;
        latest = deleted;
        found.item = std::move(item);
    }
    if (found.undecided) found.item.reset();
    if (found.item) found.bin = std::move(bin);
    return found;
}

bool RestoreFromRecycleBin(const TRecycledItem& recycled, const std::wstring& path) {
    if (!recycled) return false;
    const HWND owner = TModalScope::Owner(TModalScope::TOwnerOf::ShellQuestion);
    const win::UniqueCom<IContextMenu> menu = ItemMenu(recycled, owner);
    win::UniqueMenu items(::CreatePopupMenu());
    if (!menu || !items || FAILED(menu->QueryContextMenu(items.get(), 0, kFirstCommand, kLastCommand, CMF_NORMAL)))
        return false;
    // The shell's questions and error boxes answer only keys pressed while they are up.
    const TModalScope modal(owner, TModalScope::TActivationGone::Leave);
    (void)InvokeCommand(*menu, owner, kRestoreVerb);
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const std::optional<UINT> offset = RestoreOffsetWithoutVerbs(*menu, items.get());
    if (offset) (void)InvokeCommand(*menu, owner, MAKEINTRESOURCEA(*offset));
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
