#include "elevated_drops.h"

#include "platform_calls.h"
#include "win_handles.h"

bool ProcessIsElevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const win::UniqueKernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return Platform().GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

void AllowDropsFromOrdinaryPrograms(HWND window) {
    const auto allow = Platform().ChangeWindowMessageFilterEx;
    if (!allow || !ProcessIsElevated()) return;
    // A message the platform will not let through only keeps drops out:
    // nothing to report.
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), kCopyGlobalData})
        (void)allow(window, message, MSGFLT_ALLOW, nullptr);
}
