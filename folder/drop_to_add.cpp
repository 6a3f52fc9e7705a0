#include "drop_to_add.h"

#include "exceptions.h"
#include "platform_calls.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "undo_record.h"

#include <cwchar>
#include <optional>
#include <utility>

namespace {

constexpr wchar_t kAddQuestion[] =
    L"Placer ce programme dans le dossier SENDTO\r\nafin qu'il soit lancé à l'ouverture de Windows ? \r\n\r\n";

// The lines that follow the dropped file's name when the folder gains a
// shortcut, and when an entry makes room for what it gains.
constexpr wchar_t kShortcutMade[] = L"\r\nUn raccourci sera créé.";
constexpr wchar_t kGoesToRecycleBin[] = L" existe déjà et ira dans la Corbeille.";
constexpr wchar_t kCannotReplace[] = L"Impossible de remplacer ";
constexpr wchar_t kShortcutExtension[] = L".lnk";

std::wstring SendToDestination(const std::wstring& name) {
    std::wstring destination = SendToPath;
    if (!destination.ends_with(L'\\')) destination += L'\\';
    return destination + name;
}

// Whether both are the same file, or both nothing.
bool SameIdentity(const std::optional<BY_HANDLE_FILE_INFORMATION>& a,
                  const std::optional<BY_HANDLE_FILE_INFORMATION>& b) {
    if (!a || !b) return a.has_value() == b.has_value();
    return a->dwVolumeSerialNumber == b->dwVolumeSerialNumber && a->nFileIndexHigh == b->nFileIndexHigh &&
           a->nFileIndexLow == b->nFileIndexLow;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    const auto first = FileIdentity(a);
    return first && SameIdentity(first, FileIdentity(b));
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

// What a drop makes in the folder, as its question names it: a copy of the
// file or a shortcut to it, under `name`, and the entry of that name that
// goes to the Recycle Bin to make room, if one is in the way.
struct TAddition {
    bool shortcut = false;
    std::wstring name;
    std::wstring destination;
    bool replaces = false;
    // The entry in the way: which file it is (none where it cannot be
    // read), and how the list shows it.
    std::optional<BY_HANDLE_FILE_INFORMATION> replaced;
    std::wstring replacedShown;
};

// Whether the folder still calls for what the question named: the same
// entry to make, and the same entry, or none, in its way.
bool SameAddition(const TAddition& a, const TAddition& b) {
    return a.shortcut == b.shortcut && a.name == b.name && a.replaces == b.replaces &&
           SameIdentity(a.replaced, b.replaced);
}

TAddition PlanAddition(TShellFileListBox& list, const std::wstring& source, bool shortcut) {
    TAddition addition;
    addition.shortcut = shortcut;
    addition.name = shortcut ? ShortcutFileName(source) : FileNamePart(source);
    addition.destination = SendToDestination(addition.name);
    addition.replaces = shortcut ? AnotherEntryAt(source, addition.destination)
                                 : ReplacesAnEntry(source, addition.destination);
    if (!addition.replaces) return addition;
    addition.replaced = FileIdentity(addition.destination);
    addition.replacedShown = list.ShownName(addition.name);
    return addition;
}

// The question names what was dropped, then says what the folder gains when
// it is not a copy, and which entry goes.
std::wstring AddQuestion(const std::wstring& source, const TAddition& addition) {
    std::wstring question = kAddQuestion + NameAsked(source);
    if (addition.shortcut) question += kShortcutMade;
    if (addition.replaces) question += L"\r\n" + Quoted(addition.replacedShown) + kGoesToRecycleBin;
    return question;
}

// Asks until the user cancels or agrees to what the folder then still calls
// for: an entry that came in the way during the question, or went, is named
// in a new question before anything is done.
std::optional<TAddition> AgreedAddition(TShellFileListBox& list, const std::wstring& source, bool shortcut) {
    TAddition asked = PlanAddition(list, source, shortcut);
    for (;;) {
        if (!AskConfirm(AddQuestion(source, asked))) return std::nullopt;
        TAddition now = PlanAddition(list, source, shortcut);
        if (SameAddition(asked, now)) return now;
        asked = std::move(now);
    }
}

// Puts a shortcut to `target` in the folder; the new entry is selected.
void AddShortcut(TShellFileListBox& list, const std::wstring& target, const TAddition& addition, TUndoRecord& undo) {
    std::optional<TRecycledItem> replaced;
    if (addition.replaces && !MakeRoomFor(addition.name, addition.destination, replaced)) return;
    const HRESULT saved = SaveShortcut(target, addition.destination);
    RecordAddition(undo, addition.destination, SUCCEEDED(saved), std::move(replaced));
    list.Update();
    if (FAILED(saved)) {
        (void)ShowNotice(CannotMakeShortcut(addition.name, saved), mtError);
        return;
    }
    list.SelectFile(addition.name);
}

void CopyIn(TShellFileListBox& list, const std::wstring& source, const TAddition& addition, TUndoRecord& undo) {
    std::optional<TRecycledItem> replaced;
    if (addition.replaces && !MakeRoomFor(addition.name, addition.destination, replaced)) return;
    RecordAddition(undo, addition.destination, CopyFileTo(source, addition.destination) != FALSE,
                   std::move(replaced));
    list.Update();
}

}  // namespace

void AddDroppedFile(TShellFileListBox& list, const std::vector<std::wstring>& dropped, TAddAs as, TUndoRecord& undo) {
    // A drop that names nothing has nothing to add.
    if (dropped.empty() || dropped.front().empty()) return;
    // Copied before the question: another drop during the dialog refills the list.
    const std::wstring source = dropped.front();  // NOLINT(performance-unnecessary-copy-initialization)
    // What was dropped, as it was when it arrived.
    const bool shortcut = BecomesShortcut(source, as);
    const std::optional<TAddition> addition = AgreedAddition(list, source, shortcut);
    if (!addition) return;
    if (addition->shortcut)
        AddShortcut(list, source, *addition, undo);
    else
        CopyIn(list, source, *addition, undo);
}
