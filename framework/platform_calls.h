// The platform calls that tests stand in for, in one table. The program
// makes them through Platform(); a test puts its own in with a
// TPlatformOverride, which gives the slot its previous call back when it ends.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shtypes.h>
#include <objidl.h>

#include <type_traits>
#include <utility>

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using LoadLibraryExFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
using LanguageFn = LANGID(WINAPI*)();
using TickCountFn = DWORD(WINAPI*)();
using DeviceCapsFn = int(WINAPI*)(HDC, int);
using FindResourceFn = HRSRC(WINAPI*)(HMODULE, LPCWSTR, LPCWSTR);
using GetUserNameFn = BOOL(WINAPI*)(LPWSTR, LPDWORD);
using KnownFolderPathFn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
using ShellFileInfoFn = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using FileOperationFn = int(WINAPI*)(LPSHFILEOPSTRUCTW);
using DpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using ChangeWindowMessageFilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
using TokenInformationFn = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
using VersionFn = BOOL(WINAPI*)(LPOSVERSIONINFOW);
using MsgWaitFn = DWORD(WINAPI*)(DWORD, const HANDLE*, DWORD, DWORD, DWORD);
using WaitMessageFn = BOOL(WINAPI*)();
using FirstChangeFn = HANDLE(WINAPI*)(LPCWSTR, BOOL, DWORD);
using NextChangeFn = BOOL(WINAPI*)(HANDLE);
using MoveFileFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
using ChangeNotifyFn = void(WINAPI*)(LONG, UINT, LPCVOID, LPCVOID);
using NotifyImeFn = BOOL(WINAPI*)(HIMC, DWORD, DWORD, DWORD);
using AsyncKeyStateFn = SHORT(WINAPI*)(int);
using CreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
using MetricsForDpiFn = int(WINAPI*)(int, UINT);
using ParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using ImageListFn = HRESULT(WINAPI*)(int, REFIID, void**);
using MemStreamFn = IStream*(WINAPI*)(const BYTE*, UINT);
using NonClientDpiScalingFn = BOOL(WINAPI*)(HWND);
using IconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
using RegGetValueFn = LSTATUS(WINAPI*)(HKEY, LPCWSTR, LPCWSTR, DWORD, LPDWORD, PVOID, LPDWORD);
using WindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
using ParametersInfoFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);

struct TPlatformCalls {
    // Null where Windows 7 lacks the update (KB2533623) that brings it, and
    // with it the LOAD_LIBRARY_SEARCH_* flags.
    SetDefaultDllDirectoriesFn SetDefaultDllDirectories;
    // The loader behind SystemLibrary: a test sees the path it is given.
    LoadLibraryExFn LoadLibraryExW;
    // The system locale's language, which decides how menu hotkeys are written.
    LanguageFn GetSystemDefaultLangID;
    // The program's clock: the type-ahead's and the main loop's.
    TickCountFn GetTickCount;
    // The screen's resolution, read when the screen object is made.
    DeviceCapsFn GetDeviceCaps;
    // Where the main window's layout is found among the program's resources.
    FindResourceFn FindResourceW;
    GetUserNameFn GetUserNameW;
    // Looked up in shell32 on first use: a system without it must still
    // start, and the DLL search is restricted only once the program runs.
    // It answers E_NOTIMPL where the system lacks it.
    KnownFolderPathFn SHGetKnownFolderPath;
    ShellFileInfoFn SHGetFileInfoW;
    ShellExecuteFn ShellExecuteW;
    FileOperationFn SHFileOperationW;
    // Looked up on first use in the comctl32 that the manifest put in the
    // process; it answers E_NOTIMPL where that one lacks it.
    TaskDialogIndirectFunction TaskDialogIndirect;
    // A monitor's resolution (shcore, from Windows 8.1 on), looked up on
    // first use; it answers E_NOTIMPL where the system lacks it.
    DpiForMonitorFn GetDpiForMonitor;
    // Lets a window hear messages from programs of a lower integrity level.
    // Looked up in user32 when the program starts; null where it is missing.
    ChangeWindowMessageFilterExFn ChangeWindowMessageFilterEx;
    // Tells, among other things, whether the program runs elevated.
    TokenInformationFn GetTokenInformation;
    // The system's version as the program's manifest lets it see it.
    VersionFn GetVersionExW;
    // The main loop's wait, and its fallback when the wait fails.
    MsgWaitFn MsgWaitForMultipleObjectsEx;
    WaitMessageFn WaitMessage;
    // The system's measures at a resolution (Windows 10 1607 on); null where
    // the system lacks them.
    MetricsForDpiFn GetSystemMetricsForDpi;
    ParametersForDpiFn SystemParametersInfoForDpi;
    AdjustForDpiFn AdjustWindowRectExForDpi;
    // One of the shell's system image lists (Windows XP on), looked up in
    // shell32 on first use; it answers E_NOTIMPL where the system lacks it.
    ImageListFn SHGetImageList;
    // A stream over memory, looked up in shlwapi on first use (exported by
    // name from Vista on; the program links no shlwapi import); it answers
    // null where the system lacks it.
    MemStreamFn SHCreateMemStream;
    // The folder watch's change handle.
    FirstChangeFn FindFirstChangeNotificationW;
    NextChangeFn FindNextChangeNotification;
    // The rename's move: a test sees the flags it is given, and can make the
    // target appear just before it.
    MoveFileFn MoveFileExW;
    // Tells the shell (its open windows and caches) of a change the program made.
    ChangeNotifyFn SHChangeNotify;
    // Tells an input method what to do with what it composes: a test stands
    // in for an input method, which Wine may not have.
    NotifyImeFn ImmNotifyIME;
    // A key's physical state. A drop arrives while another program is in
    // front, and the thread's own key state follows only its own input.
    AsyncKeyStateFn GetAsyncKeyState;
    // Makes the COM objects the program asks of the system (the shell's
    // shortcut, the accessibility layer's annotations): a test can give one
    // that fails, or one that records what it is told.
    CreateInstanceFn CoCreateInstance;
    // An icon drawn for the size asked, scaled down from a larger image
    // rather than stretched up from a smaller one; looked up on first use in
    // the comctl32 that the manifest put in the process, it answers
    // E_NOTIMPL where that one lacks it.
    IconWithScaleDownFn LoadIconWithScaleDown;
    // Has the system scale a top-level window's frame and caption with its
    // monitor's resolution, where the manifest's per-monitor awareness falls
    // back to its first version (Windows 10 1607), which does not by itself;
    // the second does it anyway. Null where the system lacks it.
    NonClientDpiScalingFn EnableNonClientDpiScaling;
    // Reads the user's settings: whether apps are to be dark.
    RegGetValueFn RegGetValueW;
    // A top-level window's frame as the desktop window manager draws it (the
    // title bar's dark mode), looked up in dwmapi on first use; it answers
    // E_NOTIMPL where the system lacks it.
    WindowAttributeFn DwmSetWindowAttribute;
    // The system's settings the colours follow: whether a high-contrast theme is on.
    ParametersInfoFn SystemParametersInfoW;
};

// The table the program calls through.
TPlatformCalls& Platform();
// The platform's own calls, as the table holds them before any override.
const TPlatformCalls& SystemCalls();

// Puts `replacement` in a slot of a call table for as long as it lives (or
// in the screen object's place, for a test that makes a screen of its own).
template <typename Fn>
class TPlatformOverride {
public:
    TPlatformOverride(Fn& slot, std::type_identity_t<Fn> replacement)
        : slot_(slot), saved_(std::exchange(slot, replacement)) {}
    ~TPlatformOverride() { slot_ = saved_; }
    TPlatformOverride(const TPlatformOverride&) = delete;
    TPlatformOverride& operator=(const TPlatformOverride&) = delete;

private:
    Fn& slot_;
    Fn saved_;
};
