#include "recycle_bin.h"

#include "file_list_box.h"
#include "modal_scope.h"
#include "shell_helpers.h"

#include <shlobj.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

// The Recycle Bin's details of an item (propkey.h, shlguid.h): the folder it
// was deleted from (FMTID_Displaced), and the file's name with its extension
// in every case (System.ItemName).
constexpr GUID kDisplaced = {0x9b174b33, 0x40ff, 0x11d2, {0xa2, 0x7e, 0x00, 0xc0, 0x4f, 0xc3, 0x08, 0x71}};
constexpr SHCOLUMNID kDeletedFrom = {kDisplaced, 2};
constexpr SHCOLUMNID kItemName = {{0x6b8da074, 0x3b5c, 0x43bc, {0x88, 0x6f, 0x0a, 0x2c, 0xdc, 0xe0, 0x0b, 0x6f}}, 100};

// The verb of the restore command in the Recycle Bin's menu of an item.
constexpr char kRestoreVerb[] = "undelete";
// What the restore command is called in a menu that names its commands by
// no verb (Wine's Recycle Bin), in the languages the program knows: a
// command called otherwise is never taken for it.
constexpr std::array<const wchar_t*, 2> kRestoreLabels = {L"Restaurer", L"Restore"};
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

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring AnsiText(const char* text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<size_t>(length - 1), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return wide;
}

// The text of a shell's answer, in whichever of its forms the shell gave it;
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

// A path from a drive's root or a share's.
bool IsFullPath(const std::wstring& path) {
    return (path.size() > 2 && path[1] == L':' && path[2] == L'\\') || path.starts_with(L"\\\\");
}

// The Recycle Bin as the program reads it: the folder, and the column that
// shows where an item was deleted from, looked up once for all its items
// (Wine's Recycle Bin gives its details by column only: it has no
// GetDetailsEx).
class TBinReader {
public:
    explicit TBinReader(IShellFolder2& bin) : bin_(bin), fromColumn_(ColumnOf(kDeletedFrom)) {}

    // Whether the item is the file `name` deleted from `folder`. The name is
    // the file's own, never the one a list shows, which may hide the
    // extension.
    bool DeletedAs(PCUITEMID_CHILD item, const std::wstring& folder, const std::wstring& name) const {
        const auto from = Text(item, kDeletedFrom, fromColumn_);
        return from && SameFileName(*from, folder) && SameFileName(FileName(item), name);
    }

private:
    std::optional<UINT> ColumnOf(const SHCOLUMNID& key) const {
        SHCOLUMNID shown{};
        for (UINT column = 0; SUCCEEDED(bin_.MapColumnToSCID(column, &shown)); ++column)
            if (SameColumn(shown, key)) return column;
        return std::nullopt;
    }

    std::optional<std::wstring> Value(PCUITEMID_CHILD item, const SHCOLUMNID& key) const {
        TDetailValue value;
        if (SUCCEEDED(bin_.GetDetailsEx(item, &key, value.get())) && (*value).vt == VT_BSTR && (*value).bstrVal)
            return std::wstring((*value).bstrVal);
        return std::nullopt;
    }

    std::optional<std::wstring> Text(PCUITEMID_CHILD item, const SHCOLUMNID& key, std::optional<UINT> column) const {
        if (auto value = Value(item, key)) return value;
        SHELLDETAILS details{};
        if (!column || FAILED(bin_.GetDetailsOf(item, *column, &details))) return std::nullopt;
        return ReturnedText(details.str, item);
    }

    // Its name with the extension, else its parsing name in the Recycle Bin
    // (Wine's: the file's name as it was deleted).
    std::wstring FileName(PCUITEMID_CHILD item) const {
        if (auto value = Value(item, kItemName)) return *value;
        STRRET name{};
        if (FAILED(bin_.GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &name))) return {};
        return ReturnedText(name, item);
    }

    IShellFolder2& bin_;
    std::optional<UINT> fromColumn_;
};

win::UniqueItemIdList RecycleBinLocation() {
    PIDLIST_ABSOLUTE location = nullptr;
    if (FAILED(::SHGetFolderLocation(nullptr, CSIDL_BITBUCKET, nullptr, 0, &location))) return nullptr;
    return win::UniqueItemIdList(location);
}

win::UniqueCom<IShellFolder2> OpenRecycleBin() {
    IShellFolder* rawDesktop = nullptr;
    if (FAILED(::SHGetDesktopFolder(&rawDesktop))) return nullptr;
    const win::UniqueCom<IShellFolder> desktop(rawDesktop);
    const win::UniqueItemIdList location = RecycleBinLocation();
    IShellFolder2* rawBin = nullptr;
    if (!location || FAILED(desktop->BindToObject(location.get(), nullptr, __uuidof(IShellFolder2),
                                                  reinterpret_cast<void**>(&rawBin))))
        return nullptr;
    return win::UniqueCom<IShellFolder2>(rawBin);
}

// The items of the Recycle Bin that are the file `name` deleted from `folder`:
// one reading of the whole Recycle Bin.
std::vector<win::UniqueItemIdList> ItemsDeletedAs(IShellFolder2& bin, const std::wstring& folder,
                                                  const std::wstring& name) {
    std::vector<win::UniqueItemIdList> found;
    IEnumIDList* rawItems = nullptr;
    // S_FALSE with no list: the Recycle Bin is empty.
    if (bin.EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &rawItems) != S_OK ||
        !rawItems)
        return found;
    const win::UniqueCom<IEnumIDList> items(rawItems);
    const TBinReader reader(bin);
    PITEMID_CHILD rawItem = nullptr;
    while (items->Next(1, &rawItem, nullptr) == S_OK) {
        win::UniqueItemIdList item(rawItem);
        if (reader.DeletedAs(item.get(), folder, name)) found.push_back(std::move(item));
    }
    return found;
}

// The file that the item keeps in the Recycle Bin, where the shell gives one
// (Wine gives the file's old name alone, no path); empty otherwise.
std::wstring ItemFile(PCUITEMID_CHILD child) {
    const win::UniqueItemIdList location = RecycleBinLocation();
    const win::UniqueItemIdList item(location ? ::ILCombine(location.get(), child) : nullptr);
    wchar_t path[MAX_PATH] = {};
    if (!item || !::SHGetPathFromIDListW(item.get(), path) || !IsFullPath(path)) return {};
    return path;
}

bool IsFile(const std::wstring& path, const std::optional<BY_HANDLE_FILE_INFORMATION>& file) {
    const auto now = FileIdentity(path);
    return file && now && SameFileState(*file, *now);
}

// Whether the shell gives each candidate a file of its own.
bool CandidatesHaveFiles(const TRecycledItem& recycled) {
    return std::all_of(recycled.candidates.begin(), recycled.candidates.end(),
                       [](const auto& candidate) { return !ItemFile(candidate.get()).empty(); });
}

win::UniqueCom<IContextMenu> ItemMenu(IShellFolder2& bin, PCUITEMID_CHILD item, HWND owner) {
    PCUITEMID_CHILD items[] = {item};
    IContextMenu* rawMenu = nullptr;
    if (FAILED(bin.GetUIObjectOf(owner, 1, items, __uuidof(IContextMenu), nullptr, reinterpret_cast<void**>(&rawMenu))))
        return nullptr;
    return win::UniqueCom<IContextMenu>(rawMenu);
}

std::wstring CommandVerb(IContextMenu& menu, UINT offset) {
    wchar_t verb[64] = {};
    if (FAILED(menu.GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(verb), 64))) return {};
    verb[63] = L'\0';
    return verb;
}

// A menu item's text without its "&" marks.
std::wstring Label(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    std::wstring label = text;
    std::erase(label, L'&');
    return label;
}

bool IsRestoreLabel(const std::wstring& label) {
    return std::any_of(kRestoreLabels.begin(), kRestoreLabels.end(), [&](const wchar_t* restore) {
        return ::CompareStringOrdinal(label.c_str(), -1, restore, -1, TRUE) == CSTR_EQUAL;
    });
}

// A command of the menu: its offset, and its text.
struct TCommand {
    UINT offset;
    std::wstring label;
};

// The menu's commands, in menu order: its items that are neither separators
// nor sub-menus.
std::vector<TCommand> Commands(HMENU menu) {
    std::vector<TCommand> commands;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item)) continue;
        if ((item.fType & MFT_SEPARATOR) || item.hSubMenu || item.wID < kFirstCommand || item.wID > kLastCommand)
            continue;
        commands.push_back({item.wID - kFirstCommand, Label(menu, static_cast<UINT>(i))});
    }
    return commands;
}

// How the restore command is asked of the menu: by its verb where the menu
// names its commands by verbs (the menu itself then tells which is the
// restore); by offset, where it names none (Wine's Recycle Bin answers
// GetCommandString with E_NOTIMPL), only for the command called as the
// restore is; nothing otherwise.
std::optional<LPCSTR> RestoreCommand(IContextMenu& menu, HMENU items) {
    const std::vector<TCommand> commands = Commands(items);
    if (std::any_of(commands.begin(), commands.end(),
                    [&](const TCommand& command) { return !CommandVerb(menu, command.offset).empty(); }))
        return kRestoreVerb;
    const auto restore = std::find_if(commands.begin(), commands.end(),
                                      [](const TCommand& command) { return IsRestoreLabel(command.label); });
    if (restore == commands.end()) return std::nullopt;
    return MAKEINTRESOURCEA(restore->offset);
}

// The command runs to its end before the call returns: the shell may
// otherwise carry it out on a thread of its own.
void InvokeToTheEnd(IContextMenu& menu, HWND owner, LPCSTR command) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = CMIC_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpVerb = command;
    info.nShow = SW_SHOWNORMAL;
    (void)menu.InvokeCommand(&info);
}

// Runs the candidate's restore command: true when a file is at `path` afterwards.
bool RestoreCandidate(IShellFolder2& bin, PCUITEMID_CHILD candidate, const std::wstring& path) {
    const win::UniqueCom<IContextMenu> menu =
        ItemMenu(bin, candidate, TModalScope::Owner(TModalScope::TOwnerOf::ShellQuestion));
    return menu && RunRestoreCommand(*menu, path);
}

// The candidates to try, in turn: the one whose file is the file, alone,
// where the shell tells; else each of them.
std::vector<PCUITEMID_CHILD> CandidatesToTry(const TRecycledItem& recycled) {
    std::vector<PCUITEMID_CHILD> tried;
    for (const auto& candidate : recycled.candidates) tried.push_back(candidate.get());
    if (!CandidatesHaveFiles(recycled)) return tried;
    std::erase_if(tried, [&](PCUITEMID_CHILD candidate) { return !IsFile(ItemFile(candidate), recycled.file); });
    return tried;
}

}  // namespace

std::optional<TRecycledItem> RecycleKeepingTrack(const std::wstring& path) {
    const std::optional<BY_HANDLE_FILE_INFORMATION> file = FileIdentity(path);
    if (!RecycleFile(path)) return std::nullopt;
    return FindRecycled(path, file);
}

TRecycledItem FindRecycled(const std::wstring& path, const std::optional<BY_HANDLE_FILE_INFORMATION>& file) {
    TRecycledItem found{file, OpenRecycleBin(), {}};
    const std::wstring name = FileNamePart(path);
    if (found.bin) found.candidates = ItemsDeletedAs(*found.bin, path.substr(0, path.size() - name.size() - 1), name);
    return found;
}

bool GoneFromRecycleBin(const TRecycledItem& recycled) {
    return recycled.candidates.empty() || (CandidatesHaveFiles(recycled) && CandidatesToTry(recycled).empty());
}

bool RestoreFromRecycleBin(const TRecycledItem& recycled, const std::wstring& path) {
    for (PCUITEMID_CHILD candidate : CandidatesToTry(recycled)) {
        if (!RestoreCandidate(*recycled.bin, candidate, path)) continue;
        if (IsFile(path, recycled.file)) return true;
        // Another file of that name, deleted from the same folder.
        if (!RecycleFile(path)) return false;
    }
    return false;
}

bool RunRestoreCommand(IContextMenu& menu, const std::wstring& path) {
    const HWND owner = TModalScope::Owner(TModalScope::TOwnerOf::ShellQuestion);
    win::UniqueMenu items(::CreatePopupMenu());
    if (!items || FAILED(menu.QueryContextMenu(items.get(), 0, kFirstCommand, kLastCommand, CMF_NORMAL)))
        return false;
    const std::optional<LPCSTR> command = RestoreCommand(menu, items.get());
    if (!command) return false;
    {
        // The shell's questions and error boxes answer only keys pressed while they are up.
        const TModalScope modal(owner, TModalScope::TActivationGone::Leave);
        InvokeToTheEnd(menu, owner, *command);
    }
    return Exists(path);
}
