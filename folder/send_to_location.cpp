#include "send_to_location.h"

#include "exceptions.h"
#include "platform_calls.h"
#include "shell_file_list_box.h"
#include "win_handles.h"

#include <knownfolders.h>
#include <shlobj.h>

std::wstring SendToPath;

std::wstring CurrentUserName() {
    std::wstring buffer(255, L'\0');
    DWORD count = 255;
    if (!Platform().GetUserNameW(buffer.data(), &count) || count == 0) return L"Inconnu";
    buffer.resize(count - 1);
    return buffer;
}

std::wstring SendToPathFor(const std::wstring& userName) { return FormatText(kSendToPattern, {userName}); }

std::wstring ShellSendToPath() {
    const KnownFolderPathFn knownFolderPath = Platform().SHGetKnownFolderPath;
    if (!knownFolderPath) return {};
    // Not verified: a redirected folder that is missing is still the one the
    // shell reads, and is reported as missing rather than swapped for another.
    // The shell's buffer is ours to free, whatever the result.
    PWSTR raw = nullptr;
    const HRESULT result = knownFolderPath(FOLDERID_SendTo, KF_FLAG_DONT_VERIFY, nullptr, &raw);
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
