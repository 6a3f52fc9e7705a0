#include "drop_to_add.h"

#include "exceptions.h"
#include "platform_calls.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "undo_record.h"

#include <cwchar>

namespace {

constexpr wchar_t kAddQuestion[] =
    L"Placer ce programme dans le dossier SENDTO\r\nafin qu'il soit lancé à l'ouverture de Windows ? \r\n\r\n";

constexpr wchar_t kCannotReplace[] = L"Impossible de remplacer ";
constexpr wchar_t kShortcutExtension[] = L".lnk";

std::wstring SendToDestination(const std::wstring& name) {
    std::wstring destination = SendToPath;
    if (!destination.ends_with(L'\\')) destination += L'\\';
    return destination + name;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    const auto first = FileIdentity(a);
    const auto second = FileIdentity(b);
    return first && second && first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh && first->nFileIndexLow == second->nFileIndexLow;
}

// Whether an entry other than the source itself is in the way at the destination.
bool AnotherEntryAt(const std::wstring& source, const std::wstring& destination) {
    return ::GetFileAttributesW(destination.c_str()) != INVALID_FILE_ATTRIBUTES && !SameFile(source, destination);
}

// Whether copying would overwrite an entry of the folder. A folder, a missing
// source or the entry dropped onto itself cannot be copied: nothing is
// overwritten then, and the entry stays where it is.
bool ReplacesAnEntry(const std::wstring& source, const std::wstring& destination) {
    const DWORD sourceAttributes = ::GetFileAttributesW(source.c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES || (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return AnotherEntryAt(source, destination);
}

// The entry in the way goes to the Recycle Bin, where the user can get it
// back (`replaced`, the item it became there); one that cannot go there
// stays, and the user is told that nothing takes its place.
bool MakeRoomFor(const std::wstring& name, const std::wstring& destination, std::optional<TRecycledItem>& replaced) {
    replaced = RecycleKeepingTrack(destination);
    if (replaced) return true;
    (void)ShowNotice(kCannotReplace + name, mtWarning);
    return false;
}

// How the question names what was dropped: its name, or the whole path
// where the path has none (a drive's root).
std::wstring NameAsked(const std::wstring& source) {
    const std::wstring name = FileNamePart(source);
    return name.empty() ? source : name;
}

bool IsShortcutFile(const std::wstring& path) {
    const size_t dot = path.find_last_of(L"\\:.");
    return dot != std::wstring::npos && path[dot] == L'.' && SameFileName(path.substr(dot), kShortcutExtension);
}

// A folder cannot be an entry of its own: the file browser adds a shortcut
// to it, and so does the program. A shortcut to a shortcut would serve
// nothing: a shortcut is copied.
bool BecomesShortcut(const std::wstring& source, TAddAs as) {
    const DWORD attributes = ::GetFileAttributesW(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) || (as == TAddAs::Shortcut && !IsShortcutFile(source));
}

// The name with what a file name cannot hold left out, and the spaces at
// either end, which the file browser takes off a name it is given (Wine's
// shell names a drive without a label " (C:)").
std::wstring AsFileName(std::wstring name) {
    std::erase_if(name, ForbiddenInFileName);
    const size_t first = name.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    return name.substr(first, name.find_last_not_of(L' ') - first + 1);
}

// The shortcut takes the name the shell shows for its target ("Disque local
// (C:)" for a drive's root), as a file name can hold it.
std::wstring ShortcutFileName(const std::wstring& target) {
    SHFILEINFOW info{};
    std::wstring name;
    if (Platform().SHGetFileInfoW(target.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME) != 0)
        name = AsFileName(std::wstring(info.szDisplayName, ::wcsnlen(info.szDisplayName, MAX_PATH)));
    if (name.empty()) name = AsFileName(NameAsked(target));
    return name + kShortcutExtension;
}

// The system has a text for a COM result as for an error code.
std::wstring CannotMakeShortcut(const std::wstring& name, HRESULT result) {
    return L"Impossible de créer le raccourci « " + name + L" » :\r\n\r\n" +
           SystemErrorText(static_cast<DWORD>(result));
}

// What the folder holds after an entry was made at `destination`, or not
// made, an entry of that name having gone to the Recycle Bin (`replaced`) or not.
void RecordAddition(TUndoRecord& undo, const std::wstring& destination, bool made,
                    std::optional<TRecycledItem> replaced) {
    if (made) {
        TellShellCreated(destination);
        undo.Added(destination, std::move(replaced));
    } else if (replaced) {
        undo.Removed(destination, std::move(*replaced));
    }
}

// Puts a shortcut to `target` in the folder; the new entry is selected.
void AddShortcut(TShellFileListBox& list, const std::wstring& target, TUndoRecord& undo) {
    const std::wstring name = ShortcutFileName(target);
    const std::wstring destination = SendToDestination(name);
    std::optional<TRecycledItem> replaced;
    if (AnotherEntryAt(target, destination) && !MakeRoomFor(name, destination, replaced)) return;
    const HRESULT saved = SaveShortcut(target, destination);
    RecordAddition(undo, destination, SUCCEEDED(saved), std::move(replaced));
    list.Update();
    if (FAILED(saved)) {
        (void)ShowNotice(CannotMakeShortcut(name, saved), mtError);
        return;
    }
    list.SelectFile(name);
}

}  // namespace

void AddDroppedFile(TShellFileListBox& list, const std::vector<std::wstring>& dropped, TAddAs as, TUndoRecord& undo) {
    // A drop that names nothing has nothing to add.
    if (dropped.empty() || dropped.front().empty()) return;
    // Copied before the question: another drop during the dialog refills the list.
    const std::wstring source = dropped.front();  // NOLINT(performance-unnecessary-copy-initialization)
    const std::wstring name = FileNamePart(source);
    const std::wstring destination = SendToDestination(name);
    // What was dropped, as it was when it arrived.
    const bool shortcut = BecomesShortcut(source, as);
    if (!AskConfirm(kAddQuestion + NameAsked(source))) return;
    if (shortcut) {
        AddShortcut(list, source, undo);
        return;
    }
    std::optional<TRecycledItem> replaced;
    if (ReplacesAnEntry(source, destination) && !MakeRoomFor(name, destination, replaced)) return;
    RecordAddition(undo, destination, CopyFileTo(source, destination) != FALSE, std::move(replaced));
    list.Update();
}
