#include "entry_rename.h"

#include "exceptions.h"
#include "platform_calls.h"
#include "search_files.h"
#include "shell_helpers.h"
#include "undo_record.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

namespace {

constexpr wchar_t kBadCharacters[] =
    L"Un nom de fichier ne peut pas contenir les caractères suivants : \\ / : * ? \" < > |";
constexpr wchar_t kNoName[] = L"Vous devez taper un nom de fichier.";
constexpr wchar_t kTooLong[] = L"Ce nom de fichier est trop long pour ce dossier. Tapez un nom plus court.";
constexpr wchar_t kExtensionQuestion[] =
    L"Si vous modifiez l'extension d'un nom de fichier, le fichier risque de devenir inutilisable.\r\n\r\n"
    L"Voulez-vous vraiment la modifier ?";
constexpr wchar_t kNoLongerListed[] = L"\r\n\r\nSans extension, le fichier ne sera plus affiché dans cette liste.";
// What a rename in case only puts after the new name for its step in between.
constexpr wchar_t kAsideTag[] = L".~renommage";
// How many names in between are tried before a rename in case only gives up.
constexpr int kAsideAttempts = 100;

std::wstring ReservedName(const std::wstring& name) {
    return L"Le nom " + Quoted(name) + L" est réservé par le système. Tapez un autre nom.";
}

std::wstring AlreadyThere(const std::wstring& name) {
    return L"Il existe déjà un fichier nommé " + Quoted(name) + L" dans ce dossier. Tapez un autre nom.";
}

// Whether the extension changes: a hidden one is part of both names, and
// kept, so never changes.
bool ChangesExtension(const std::wstring& fileName, const std::wstring& newName) {
    return !SameFileName(FileExtension(fileName), FileExtension(newName));
}

// The file browser's question; a name the list will not show is said too.
std::wstring ExtensionQuestion(TShellFileListBox& list, const std::wstring& newName) {
    std::wstring question = kExtensionQuestion;
    if (!MaskMatches(list.Mask(), newName)) question += kNoLongerListed;
    return question;
}

bool OnlySpacesAndDots(const std::wstring& text) {
    return text.find_first_not_of(L" .") == std::wstring::npos;
}

bool HasForbiddenCharacter(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), ForbiddenInFileName);
}

// The digits of the numbered device names: 1 to 9, and the superscript
// ones that the system takes for 1, 2 and 3.
bool IsDeviceDigit(wchar_t c) {
    return (c >= L'1' && c <= L'9') || std::wstring_view(L"\u00B9\u00B2\u00B3").find(c) != std::wstring_view::npos;
}

// The device names that the system reserves, whatever follows a first dot.
bool IsReservedDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    base.erase(base.find_last_not_of(L' ') + 1);
    std::transform(base.begin(), base.end(), base.begin(), [](wchar_t c) { return std::towupper(c); });
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == device) return true;
    return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && IsDeviceDigit(base[3]);
}

bool TooLong(const std::wstring& folder, const std::wstring& name) {
    // The platform's limits: one name of the path, and the whole path with its ending zero.
    return name.size() > 255 || folder.size() + 1 + name.size() >= MAX_PATH;
}

// Whether another file than `fileName` is named `newName` in the folder:
// listed, or on disk unlisted (a hidden one).
bool AnotherFileNamed(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& newName) {
    if (SameFileName(newName, fileName)) return false;
    for (int i = 0; i < list.Count(); ++i)
        if (SameFileName(list.EntryFileName(i), newName)) return true;
    const std::wstring path = list.Directory() + L"\\" + newName;
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The name of the file as the folder holds it, or empty when it is not there.
std::wstring NameOnDisk(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW(path.c_str(), &data));
    return find ? data.cFileName : L"";
}

// Renames without replacing: false with the platform's error code set.
bool MoveWithoutReplacing(const std::wstring& from, const std::wstring& to) {
    return Platform().MoveFileExW(from.c_str(), to.c_str(), 0) != FALSE;
}

// The platform's errors for a name another file already has.
bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

// The `attempt`th name in between tried for `to`: the new name and the tag,
// the name cut short where the path would not fit within MAX_PATH; empty
// when the tag alone does not fit.
std::wstring PathAside(const std::wstring& to, int attempt) {
    const std::wstring tag = attempt == 1 ? kAsideTag : kAsideTag + std::to_wstring(attempt);
    const std::wstring name = FileNamePart(to);
    const std::wstring folder = to.substr(0, to.size() - name.size());  // with its "\"
    const size_t room = std::min<size_t>(255, MAX_PATH - 1 - folder.size());
    if (room <= tag.size()) return {};
    return folder + name.substr(0, room - tag.size()) + tag;
}

// Moves the file to a name in between that no file of the folder has: that
// path, or empty with the platform's error code set.
std::wstring MoveAside(const std::wstring& from, const std::wstring& to) {
    for (int attempt = 1; attempt <= kAsideAttempts; ++attempt) {
        std::wstring aside = PathAside(to, attempt);
        if (aside.empty()) {
            ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return {};
        }
        if (MoveWithoutReplacing(from, aside)) return aside;
        if (!NameTaken(::GetLastError())) return {};
    }
    ::SetLastError(ERROR_CANNOT_MAKE);
    return {};
}

// A rename that changes only the case. Windows changes it in place; where
// the platform keeps the old case (Wine's file systems) or takes the file
// itself for a file in the way, the file goes through a name in between.
// The path the file has now: `to` when renamed; `from`, or the name in
// between when the way back was refused too, with the platform's error code
// set.
std::wstring RenameCase(const std::wstring& from, const std::wstring& to) {
    if (MoveWithoutReplacing(from, to) && NameOnDisk(to) == FileNamePart(to)) return to;
    const std::wstring aside = MoveAside(from, to);
    if (aside.empty()) return from;
    if (MoveWithoutReplacing(aside, to)) return to;
    const DWORD error = ::GetLastError();
    std::wstring now = MoveWithoutReplacing(aside, from) ? from : aside;
    ::SetLastError(error);
    return now;
}

// Tells the user why the file is not at `to`, and how the edit goes on.
TRenameResult SayWhyNotRenamed(const std::wstring& from, const std::wstring& to, const std::wstring& now,
                               DWORD error) {
    const std::wstring fileName = FileNamePart(from);
    if (now != from) {
        ShowNotice(LeftAside(fileName, FileNamePart(now), error), mtError);
        return TRenameResult::NotRenamed;
    }
    // Another program made a file of that name since the check.
    if (NameTaken(error)) {
        ShowNotice(AlreadyThere(FileNamePart(to)), mtWarning);
        return TRenameResult::TypeAgain;
    }
    ShowNotice(RenameRefused(fileName, error), mtError);
    return TRenameResult::NotRenamed;
}

}  // namespace

std::wstring RenameRefused(const std::wstring& name, DWORD error) {
    return L"Impossible de renommer " + Quoted(name) + L" :\r\n\r\n" + SystemErrorText(error);
}

std::wstring LeftAside(const std::wstring& name, const std::wstring& aside, DWORD error) {
    return RenameRefused(name, error) + L"\r\n\r\nLe fichier porte maintenant le nom " + Quoted(aside) + L".";
}

std::wstring MoveEntryFile(const std::wstring& from, const std::wstring& to) {
    if (SameFileName(from, to)) return RenameCase(from, to);
    return MoveWithoutReplacing(from, to) ? to : from;
}

std::wstring RenameProblem(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                           const std::wstring& newName) {
    if (HasForbiddenCharacter(typed)) return kBadCharacters;
    if (OnlySpacesAndDots(typed)) return kNoName;
    const std::wstring stored = NameAsStored(newName);
    if (IsReservedDeviceName(stored)) return ReservedName(stored);
    if (TooLong(list.Directory(), stored)) return kTooLong;
    if (AnotherFileNamed(list, fileName, stored)) return AlreadyThere(stored);
    return {};
}

TRenameResult RenameEntry(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                          const std::wstring& hiddenExtension, TUndoRecord& undo) {
    if (const std::wstring problem = RenameProblem(list, fileName, typed, typed + hiddenExtension);
        !problem.empty()) {
        ShowNotice(problem, mtWarning);
        return TRenameResult::TypeAgain;
    }
    const std::wstring newName = NameAsStored(typed + hiddenExtension);
    // Only dots or spaces added at the end: the system would keep the name.
    if (newName == fileName) return TRenameResult::Renamed;
    if (ChangesExtension(fileName, newName) && !AskConfirm(ExtensionQuestion(list, newName)))
        return TRenameResult::TypeAgain;
    const std::wstring from = list.Directory() + L"\\" + fileName;
    const std::wstring to = list.Directory() + L"\\" + newName;
    const std::wstring now = MoveEntryFile(from, to);
    const DWORD error = ::GetLastError();
    if (now != from) {
        TellShellRenamed(from, now);
        undo.Renamed(from, now);
    }
    return now == to ? TRenameResult::Renamed : SayWhyNotRenamed(from, to, now, error);
}
