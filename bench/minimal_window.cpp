// The least a program can do to show the SendTo folder with the shell's names
// and icons: find the folder, get the system icon list, enumerate the folder
// with one shell query per file, then show a plain window until it is closed.
// The start-up benchmark measures the program against it.
#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <string>

namespace {

void ListSendTo() {
    PWSTR raw = nullptr;
    (void)::SHGetKnownFolderPath(FOLDERID_SendTo, KF_FLAG_DONT_VERIFY, nullptr, &raw);
    const std::wstring folder = raw ? raw : L"";
    ::CoTaskMemFree(raw);

    SHFILEINFOW info{};
    (void)::SHGetFileInfoW(L"", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                           SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (!::SetCurrentDirectoryW(folder.c_str())) return;
    WIN32_FIND_DATAW data;
    HANDLE first = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (first == INVALID_HANDLE_VALUE) return;
    // Not the program's handle wrappers: they would link the common controls.
    const std::unique_ptr<void, decltype(&::FindClose)> find(first, &::FindClose);
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        (void)::SHGetFileInfoW(data.cFileName, 0, &info, sizeof(info),
                               SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON | SHGFI_OVERLAYINDEX);
    } while (::FindNextFileW(find.get(), &data));
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ListSendTo();
    WNDCLASSW wc{};
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Envoyer vers", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, 260, 210, nullptr, nullptr, instance, nullptr);
    ::ShowWindow(window, SW_SHOWNORMAL);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
