// The program as it starts, with its list on a given folder, its shell call
// written to a journal file instead of made, and one command started as soon
// as its loop runs: the smoke tests end it while that command's question is
// up, from outside, as Windows or another program would.
//
//   command_host.exe <folder> <journal> <launch|remove|drop> <task|form> [dropped file]
#include "application.h"
#include "folder_commands.h"
#include "main_form.h"
#include "message_dialog.h"
#include "platform_calls.h"
#include "program.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "test_support.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> g_arguments;

const std::wstring& Argument(size_t index) {
    static const std::wstring none;
    return index < g_arguments.size() ? g_arguments[index] : none;
}

HINSTANCE WINAPI JournalShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    win::UniqueFile journal(::CreateFileW(Argument(2).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    const std::wstring line = std::wstring(file ? file : L"") + L"\n";
    DWORD written = 0;
    (void)::WriteFile(journal.get(), line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written,
                      nullptr);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

void StartCommand() {
    const std::wstring& command = Argument(3);
    if (command == L"launch") Form1->mnu_LANCERClick(nullptr);
    if (command == L"remove") Form1->Supprimer1Click(nullptr);
    if (command == L"drop")
        ::PostMessageW(Form1->ShellFileListBox1->Handle(), WM_DROPFILES,
                       reinterpret_cast<WPARAM>(MakeDrop({Argument(5)}, {4, 4})), 0);
}

void CALLBACK StartCommandOnce(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    try {
        StartCommand();
    } catch (...) {
        Application->HandleException(nullptr, std::current_exception());
    }
}

void EntrySequence() {
    Application->Initialize();
    Application->SetMainFormOnTaskBar(true);
    Application->CreateForm(Form1);
    UseTaskDialogs = Argument(4) == L"task";
    static TPlatformOverride journal(Platform().ShellExecuteW, &JournalShellExecute);
    SendToPath = Argument(1);
    Form1->ShellFileListBox1->SetDirectory(SendToPath);
    Form1->ShellFileListBox1->SetItemIndex(0);
    ::SetTimer(nullptr, 0, 50, &StartCommandOnce);
    Application->Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    if (LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        g_arguments.assign(arguments, arguments + count);
        ::LocalFree(arguments);
    }
    return RunProgram(&EntrySequence);
}
