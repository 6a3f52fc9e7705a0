#include "entry_rename.h"

#include "exceptions.h"
#include "platform_calls.h"
#include "shell_helpers.h"

#include <algorithm>
#include <cwctype>

namespace {

constexpr wchar_t kBadCharacters[] =
    L"Un nom de fichier ne peut pas contenir les caractères suivants : \\ / : * ? \" < > |";
constexpr wchar_t kNoName[] = L"Vous devez taper un nom de fichier.";
constexpr wchar_t kTooLong[] = L"Ce nom de fichier est trop long pour ce dossier. Tapez un nom plus court.";

std::wstring Quoted(const std::wstring& name) { return L"« " + name + L" »"; }

std::wstring ReservedName(const std::wstring& name) {
    return L"Le nom " + Quoted(name) + L" est réservé par le système. Tapez un autre nom.";
}

std::wstring AlreadyThere(const std::wstring& name) {
    return L"Il existe déjà un fichier nommé " + Quoted(name) + L" dans ce dossier. Tapez un autre nom.";
}

std::wstring RenameRefused(const std::wstring& name, DWORD error) {
    return L"Impossible de renommer " + Quoted(name) + L" :\r\n\r\n" + SystemErrorText(error);
}

bool OnlySpacesAndDots(const std::wstring& text) {
    return text.find_first_not_of(L" .") == std::wstring::npos;
}

bool HasForbiddenCharacter(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), ForbiddenInFileName);
}

// The device names that the system reserves, whatever follows a first dot.
bool IsReservedDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    base.erase(base.find_last_not_of(L' ') + 1);
    std::transform(base.begin(), base.end(), base.begin(), [](wchar_t c) { return std::towupper(c); });
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && base[3] >= L'1' &&
           base[3] <= L'9';
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

// A rename that changes only the case. Windows changes it in place; where
// the platform keeps the old case (Wine's file systems) or takes the file
// itself for a file in the way, the file goes through a name of its own.
bool RenameCase(const std::wstring& from, const std::wstring& to) {
    if (MoveWithoutReplacing(from, to) && NameOnDisk(to) == FileNamePart(to)) return true;
    const std::wstring between = to + L".~renommage";
    if (!MoveWithoutReplacing(from, between)) return false;
    if (MoveWithoutReplacing(between, to)) return true;
    const DWORD error = ::GetLastError();
    (void)MoveWithoutReplacing(between, from);
    ::SetLastError(error);
    return false;
}

}  // namespace

std::wstring RenameProblem(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                           const std::wstring& newName) {
    if (HasForbiddenCharacter(typed)) return kBadCharacters;
    if (OnlySpacesAndDots(typed)) return kNoName;
    if (IsReservedDeviceName(newName)) return ReservedName(newName);
    if (TooLong(list.Directory(), newName)) return kTooLong;
    if (AnotherFileNamed(list, fileName, newName)) return AlreadyThere(newName);
    return {};
}

TRenameResult RenameEntry(TShellFileListBox& list, const std::wstring& fileName, const std::wstring& typed,
                          const std::wstring& hiddenExtension) {
    const std::wstring newName = typed + hiddenExtension;
    if (const std::wstring problem = RenameProblem(list, fileName, typed, newName); !problem.empty()) {
        ShowNotice(problem, mtWarning);
        return TRenameResult::TypeAgain;
    }
    const std::wstring from = list.Directory() + L"\\" + fileName;
    const std::wstring to = list.Directory() + L"\\" + newName;
    const bool renamed = SameFileName(fileName, newName) ? RenameCase(from, to) : MoveWithoutReplacing(from, to);
    if (renamed) {
        TellShellRenamed(from, to);
        return TRenameResult::Renamed;
    }
    const DWORD error = ::GetLastError();
    // Another program made a file of that name since the check.
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        ShowNotice(AlreadyThere(newName), mtWarning);
        return TRenameResult::TypeAgain;
    }
    ShowNotice(RenameRefused(fileName, error), mtError);
    return TRenameResult::NotRenamed;
}
