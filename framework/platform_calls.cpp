#include "platform_calls.h"

#include "system_library.h"

#include <shlobj.h>

namespace {

template <typename F>
F FunctionOf(HMODULE module, const char* name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

HRESULT WINAPI KnownFolderPathOnFirstUse(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, PWSTR* path) {
    static const auto shell = SystemFunction<KnownFolderPathFn>(L"shell32.dll", "SHGetKnownFolderPath");
    return shell ? shell(id, flags, token, path) : E_NOTIMPL;
}

HRESULT WINAPI TaskDialogOnFirstUse(const TASKDIALOGCONFIG* config, int* button, int* radio, BOOL* verified) {
    static const auto show =
        FunctionOf<TaskDialogIndirectFunction>(::GetModuleHandleW(L"comctl32.dll"), "TaskDialogIndirect");
    return show ? show(config, button, radio, verified) : E_NOTIMPL;
}

HRESULT WINAPI IconWithScaleDownOnFirstUse(HINSTANCE module, PCWSTR name, int width, int height, HICON* icon) {
    static const auto load =
        FunctionOf<IconWithScaleDownFn>(::GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown");
    return load ? load(module, name, width, height, icon) : E_NOTIMPL;
}

HRESULT WINAPI DpiForMonitorOnFirstUse(HMONITOR monitor, int type, UINT* x, UINT* y) {
    static const auto dpi = SystemFunction<DpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    return dpi ? dpi(monitor, type, x, y) : E_NOTIMPL;
}

HRESULT WINAPI ImageListOnFirstUse(int which, REFIID id, void** list) {
    static const auto get = SystemFunction<ImageListFn>(L"shell32.dll", "SHGetImageList");
    return get ? get(which, id, list) : E_NOTIMPL;
}

IStream* WINAPI MemStreamOnFirstUse(const BYTE* data, UINT size) {
    static const auto create = SystemFunction<MemStreamFn>(L"shlwapi.dll", "SHCreateMemStream");
    return create ? create(data, size) : nullptr;
}

HRESULT WINAPI WindowAttributeOnFirstUse(HWND window, DWORD attribute, LPCVOID value, DWORD size) {
    static const auto set = SystemFunction<WindowAttributeFn>(L"dwmapi.dll", "DwmSetWindowAttribute");
    return set ? set(window, attribute, value, size) : E_NOTIMPL;
}

}  // namespace

const TPlatformCalls& SystemCalls() {
    static const TPlatformCalls calls{
        FunctionOf<SetDefaultDllDirectoriesFn>(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"),
        &::LoadLibraryExW,
        &::GetSystemDefaultLangID,
        &::GetTickCount,
        &::GetDeviceCaps,
        &::FindResourceW,
        &::GetUserNameW,
        &KnownFolderPathOnFirstUse,
        &::SHGetFileInfoW,
        &::ShellExecuteW,
        &::SHFileOperationW,
        &TaskDialogOnFirstUse,
        &DpiForMonitorOnFirstUse,
        FunctionOf<ChangeWindowMessageFilterExFn>(::GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx"),
        &::GetTokenInformation,
        &::GetVersionExW,
        &::MsgWaitForMultipleObjectsEx,
        &::WaitMessage,
        FunctionOf<MetricsForDpiFn>(::GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi"),
        FunctionOf<ParametersForDpiFn>(::GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi"),
        FunctionOf<AdjustForDpiFn>(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi"),
        &ImageListOnFirstUse,
        &MemStreamOnFirstUse,
        &::FindFirstChangeNotificationW,
        &::FindNextChangeNotification,
        &::MoveFileExW,
        &::SHChangeNotify,
        &::ImmNotifyIME,
        &::GetAsyncKeyState,
        &::CoCreateInstance,
        &IconWithScaleDownOnFirstUse,
        FunctionOf<NonClientDpiScalingFn>(::GetModuleHandleW(L"user32.dll"), "EnableNonClientDpiScaling"),
        &::RegGetValueW,
        &WindowAttributeOnFirstUse,
        &::SystemParametersInfoW,
    };
    return calls;
}

TPlatformCalls& Platform() {
    static TPlatformCalls calls = SystemCalls();
    return calls;
}
