#include "folder/shell_helpers.h"

#include <shellapi.h>

bool RecycleFile(const std::wstring& path) {
    // The shell reads a list of names ended by an empty one: the appended
    // zero and the string's own terminator.
    const std::wstring from = path + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    return ::SHFileOperationW(&operation) == 0;
}

BOOL CopyFileTo(const std::wstring& source, const std::wstring& destination) {
    return ::CopyFileW(source.c_str(), destination.c_str(), FALSE);
}

bool ShowNotice(const std::wstring& message, TMsgDlgType kind) {
    (void)ShowMessageDialog(message, kind, {mbOK}, 0, -1, -1, L"");
    return true;
}

bool AskConfirm(const std::wstring& message) {
    return ShowMessageDialog(message, mtConfirmation, {mbOK, mbCancel}, 0, -1, -1, L"") == mrOk;
}
