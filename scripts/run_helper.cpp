// scripts/run.sh's helper, run under Wine inside run.sh's throw-away prefix.
// It is not part of the program and is never shipped.
//
//   run_helper fill      sets the prefix as a freshly installed Windows has
//                        it: known extensions hidden, and in the SendTo
//                        folder the shell's four send-to targets (empty
//                        files whose extension names the handler) and
//                        shortcuts to two programs, Notepad and WordPad.
//   run_helper entries   waits for the program's main window and prints the
//                        entries its list shows, one a line, in UTF-8.
//   run_helper geometry  waits for that window and prints its rectangle on the
//                        screen as WIDTHxHEIGHT+X+Y (for cropping a screenshot).
#include "win_handles.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Names as a French Windows shows them; the extension picks the shell handler.
constexpr const wchar_t* kTargetFiles[] = {
    L"Bureau (créer un raccourci).DeskLink",
    L"Destinataire.MAPIMail",
    L"Documents.mydocs",
    L"Dossier compressé.ZFSendToTarget",
};

struct Shortcut {
    const wchar_t* name;
    const wchar_t* target;  // environment variables expanded
};
constexpr Shortcut kShortcuts[] = {
    {L"Bloc-notes.lnk", L"%SystemRoot%\\system32\\notepad.exe"},
    {L"WordPad.lnk", L"%ProgramFiles%\\Windows NT\\Accessories\\wordpad.exe"},
};

constexpr std::wstring_view kMainWindowClass = L"TForm1";
constexpr std::wstring_view kMainWindowTitle = L"Envoyer vers";

std::string Utf8(std::wstring_view text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    return bytes;
}

// Bytes as they are: Wine hands them to the Unix stream unchanged.
void Write(DWORD stream, const std::string& bytes) {
    DWORD written = 0;
    (void)::WriteFile(::GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void WriteLine(DWORD stream, std::wstring_view text) { Write(stream, Utf8(text) + "\n"); }

[[noreturn]] void Fail(const std::wstring& what) { throw std::runtime_error(Utf8(what)); }

void Check(HRESULT result, const wchar_t* what) {
    if (SUCCEEDED(result)) return;
    wchar_t code[16] = {};
    ::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(result));
    Fail(std::wstring(what) + L" failed: " + code);
}

class ComScope {
public:
    ComScope() { Check(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), L"CoInitializeEx"); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { ::CoUninitialize(); }
};

std::wstring SendToFolder() {
    wchar_t* raw = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_SendTo, KF_FLAG_CREATE, nullptr, &raw);
    const win::UniqueCoTaskText path(raw);
    Check(result, L"SHGetKnownFolderPath(SendTo)");
    return path.get();
}

std::wstring Expanded(const wchar_t* text) {
    const DWORD size = ::ExpandEnvironmentStringsW(text, nullptr, 0);
    std::wstring expanded(size, L'\0');
    ::ExpandEnvironmentStringsW(text, expanded.data(), size);
    expanded.resize(size - 1);
    return expanded;
}

void MakeEmptyFile(const std::wstring& path) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
    if (!file) Fail(L"cannot create " + path);
}

// Through the shell's own shortcut interface, as the system makes them.
void MakeShortcut(const std::wstring& path, const std::wstring& target) {
    if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) Fail(L"no program at " + target);
    IShellLinkW* rawLink = nullptr;
    Check(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(&rawLink)),
          L"CoCreateInstance(ShellLink)");
    win::UniqueCom<IShellLinkW> link(rawLink);
    Check(link->SetPath(target.c_str()), L"IShellLinkW::SetPath");
    IPersistFile* rawFile = nullptr;
    Check(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile)), L"QueryInterface(IPersistFile)");
    win::UniqueCom<IPersistFile> file(rawFile);
    Check(file->Save(path.c_str(), TRUE), L"IPersistFile::Save");
}

void HideKnownExtensions() {
    const DWORD hidden = 1;
    if (::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                          L"HideFileExt", REG_DWORD, &hidden, sizeof(hidden)) != ERROR_SUCCESS)
        Fail(L"hiding known extensions in the registry");
}

void Fill() {
    HideKnownExtensions();
    ComScope com;
    const std::wstring folder = SendToFolder() + L"\\";
    for (const wchar_t* name : kTargetFiles) MakeEmptyFile(folder + name);
    for (const Shortcut& shortcut : kShortcuts) MakeShortcut(folder + shortcut.name, Expanded(shortcut.target));
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM found) {
    wchar_t cls[64] = {};
    ::GetClassNameW(window, cls, 64);
    if (cls != kMainWindowClass || !::IsWindowVisible(window) || !WindowText(window).starts_with(kMainWindowTitle))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND WaitForMainWindow() {
    for (int tries = 0; tries < 300; ++tries) {
        HWND found = nullptr;
        ::EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        ::Sleep(100);
    }
    Fail(L"no visible window \"" + std::wstring(kMainWindowTitle) + L"\" after 30 s");
}

// Read across processes: the system copies a list box's strings for us.
std::vector<std::wstring> ListEntries(HWND mainWindow) {
    HWND list = ::FindWindowExW(mainWindow, nullptr, L"ListBox", nullptr);
    if (!list) Fail(L"the main window has no list box");
    std::vector<std::wstring> entries;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        const LRESULT copied = ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
        entries.push_back(std::move(text));
    }
    return entries;
}

std::wstring Geometry(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top) + L"+" +
           std::to_wstring(r.left) + L"+" + std::to_wstring(r.top);
}

int Run(std::wstring_view command) {
    if (command == L"fill") {
        Fill();
    } else if (command == L"entries") {
        for (const std::wstring& entry : ListEntries(WaitForMainWindow())) WriteLine(STD_OUTPUT_HANDLE, entry);
    } else if (command == L"geometry") {
        WriteLine(STD_OUTPUT_HANDLE, Geometry(WaitForMainWindow()));
    } else {
        WriteLine(STD_ERROR_HANDLE, L"usage: run_helper fill|entries|geometry");
        return 2;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc == 2 ? argv[1] : L"");
    } catch (const std::exception& e) {
        Write(STD_ERROR_HANDLE, std::string("run_helper: ") + e.what() + "\n");
        return 1;
    }
}
