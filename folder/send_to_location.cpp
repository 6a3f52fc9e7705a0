#include "folder/send_to_location.h"

#include "app/exceptions.h"
#include "app/main_form.h"
#include "filelist/shell_file_list_box.h"

std::wstring SendToPath;
GetUserNameFn GetUserNameCall = &::GetUserNameW;

std::wstring CurrentUserName() {
    std::wstring buffer(255, L'\0');
    DWORD count = 255;
    if (!GetUserNameCall(buffer.data(), &count) || count == 0) return L"Inconnu";
    buffer.resize(count - 1);
    return buffer;
}

std::wstring SendToPathFor(const std::wstring& userName) { return FormatText(kSendToPattern, {userName}); }

void TForm1::FormCreate(TComponent*) {
    SendToPath = SendToPathFor(CurrentUserName());
    ShellFileListBox1->SetDirectory(SendToPath);
}

void FinalizeUnit1() { SendToPath.clear(); }
