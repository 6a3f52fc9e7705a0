#include "send_to_location.h"

#include "exceptions.h"
#include "shell_file_list_box.h"
#include "system_library.h"
#include "win_handles.h"

#include <knownfolders.h>
#include <shlobj.h>

namespace {

// Looked up when first asked, not while static objects are made: the DLL
// search is restricted only once the program runs.
HRESULT WINAPI KnownFolderPathOnFirstUse(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, PWSTR* path) {
    static const KnownFolderPathFn shell = ShellKnownFolderPath();
    return shell ? shell(id, flags, token, path) : E_NOTIMPL;
}

}  // namespace

std::wstring SendToPath;
GetUserNameFn GetUserNameCall = &::GetUserNameW;
KnownFolderPathFn KnownFolderPathCall = &KnownFolderPathOnFirstUse;

KnownFolderPathFn ShellKnownFolderPath() {
    // Looked up rather than imported: a system without it must still start.
    return SystemFunction<KnownFolderPathFn>(L"shell32.dll", "SHGetKnownFolderPath");
}

std::wstring CurrentUserName() {
    std::wstring buffer(255, L'\0');
    DWORD count = 255;
    if (!GetUserNameCall(buffer.data(), &count) || count == 0) return L"Inconnu";
    buffer.resize(count - 1);
    return buffer;
}

std::wstring SendToPathFor(const std::wstring& userName) { return FormatText(kSendToPattern, {userName}); }

std::wstring ShellSendToPath() {
    if (!KnownFolderPathCall) return {};
    // Not verified: a redirected folder that is missing is still the one the
    // shell reads, and is reported as missing rather than swapped for another.
    // The shell's buffer is ours to free, whatever the result.
    PWSTR raw = nullptr;
    const HRESULT result = KnownFolderPathCall(FOLDERID_SendTo, KF_FLAG_DONT_VERIFY, nullptr, &raw);
    const win::UniqueCoTaskText path(raw);
    return SUCCEEDED(result) && path ? std::wstring(path.get()) : std::wstring();
}

std::wstring SendToFolderPath() {
    std::wstring shell = ShellSendToPath();
    return shell.empty() ? SendToPathFor(CurrentUserName()) : shell;
}

void EnterSendToFolder(TShellFileListBox& list) {
    SendToPath = SendToFolderPath();
    list.SetDirectory(SendToPath);
}
