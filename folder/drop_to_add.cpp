#include "drop_to_add.h"

#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "win_handles.h"

#include <optional>

namespace {

constexpr wchar_t kAddQuestion[] =
    L"Placer ce programme dans le dossier SENDTO\r\nafin qu'il soit lancé à l'ouverture de Windows ? \r\n\r\n";

constexpr wchar_t kCannotReplace[] = L"Impossible de remplacer ";

std::wstring SendToDestination(const std::wstring& name) {
    std::wstring destination = SendToPath;
    if (!destination.ends_with(L'\\')) destination += L'\\';
    return destination + name;
}

// The file's identity, whatever path names it; nullopt when it cannot be read.
std::optional<BY_HANDLE_FILE_INFORMATION> FileIdentity(const std::wstring& path) {
    win::UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return info;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    const auto first = FileIdentity(a);
    const auto second = FileIdentity(b);
    return first && second && first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh && first->nFileIndexLow == second->nFileIndexLow;
}

// Whether copying would overwrite an entry of the folder. A folder, a missing
// source or the entry dropped onto itself cannot be copied: nothing is
// overwritten then, and the entry stays where it is.
bool ReplacesAnEntry(const std::wstring& source, const std::wstring& destination) {
    const DWORD sourceAttributes = ::GetFileAttributesW(source.c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES || (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return ::GetFileAttributesW(destination.c_str()) != INVALID_FILE_ATTRIBUTES && !SameFile(source, destination);
}

}  // namespace

void AddDroppedFile(TShellFileListBox& list, const std::vector<std::wstring>& dropped) {
    // A drop that names nothing has nothing to add.
    if (dropped.empty() || dropped.front().empty()) return;
    // Copied before the question: another drop during the dialog refills the list.
    const std::wstring source = dropped.front();  // NOLINT(performance-unnecessary-copy-initialization)
    const std::wstring name = FileNamePart(source);
    const std::wstring destination = SendToDestination(name);
    if (!AskConfirm(kAddQuestion + name)) return;
    // The entry replaced goes to the Recycle Bin, where the user can get it
    // back; one that cannot go there stays, and nothing is copied over it.
    if (ReplacesAnEntry(source, destination) && !RecycleFile(destination)) {
        (void)ShowNotice(kCannotReplace + name, mtWarning);
        return;
    }
    if (CopyFileTo(source, destination)) TellShellCreated(destination);
    list.Update();
}
