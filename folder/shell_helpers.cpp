#include "shell_helpers.h"

#include "modal_scope.h"
#include "platform_calls.h"
#include "win_handles.h"

#include <shlobj.h>
#include <shobjidl.h>

bool RecycleFile(const std::wstring& path) {
    // Nothing there to recycle. Wine would ask whether to destroy it for good.
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    // The shell reads a list of names ended by an empty one: the appended
    // zero and the string's own terminator.
    const std::wstring from = path + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = TModalScope::Owner(TModalScope::TOwnerOf::ShellQuestion);
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    // A file that the Recycle Bin cannot take (a network folder, a file too
    // big for it) would be destroyed for good: the shell asks first.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_WANTNUKEWARNING;
    // The shell's question, Yes by default, must not take the repeats of the
    // key that answered the program's own question, held on.
    const TModalScope modal(operation.hwnd, TModalScope::TActivationGone::Leave);
    // The user may have refused to let it be destroyed: it is still there.
    return Platform().SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

BOOL CopyFileTo(const std::wstring& source, const std::wstring& destination) {
    return ::CopyFileW(source.c_str(), destination.c_str(), FALSE);
}

std::optional<BY_HANDLE_FILE_INFORMATION> FileIdentity(const std::wstring& path) {
    win::UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return info;
}

bool SameFileState(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow && a.nFileSizeHigh == b.nFileSizeHigh &&
           a.nFileSizeLow == b.nFileSizeLow && ::CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

void TellShellCreated(const std::wstring& path) {
    Platform().SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, path.c_str(), nullptr);
}

void TellShellRenamed(const std::wstring& from, const std::wstring& to) {
    Platform().SHChangeNotify(SHCNE_RENAMEITEM, SHCNF_PATHW, from.c_str(), to.c_str());
}

HRESULT SaveShortcut(const std::wstring& target, const std::wstring& path) {
    IShellLinkW* rawLink = nullptr;
    HRESULT result = Platform().CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER,
                                                 __uuidof(IShellLinkW), reinterpret_cast<void**>(&rawLink));
    if (FAILED(result)) return result;
    const win::UniqueCom<IShellLinkW> link(rawLink);
    result = link->SetPath(target.c_str());
    if (FAILED(result)) return result;
    IPersistFile* rawFile = nullptr;
    result = link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&rawFile));
    if (FAILED(result)) return result;
    const win::UniqueCom<IPersistFile> file(rawFile);
    // Only what this save made is taken away when it fails.
    const bool wasThere = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    result = file->Save(path.c_str(), TRUE);
    if (FAILED(result) && !wasThere) ::DeleteFileW(path.c_str());
    return result;
}

bool ShowNotice(const std::wstring& message, TMsgDlgType kind) {
    (void)ShowMessageDialog(message, kind, {mbOK});
    return true;
}

bool AskConfirm(const std::wstring& message) {
    return ShowMessageDialog(message, mtConfirmation, {mbOK, mbCancel}) == mrOk;
}
