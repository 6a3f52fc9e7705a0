#include "elevated_drops.h"

#include "platform_calls.h"

void AllowDropsFromOrdinaryPrograms(HWND window) {
    const auto allow = Platform().ChangeWindowMessageFilterEx;
    if (!allow) return;
    // A message the platform will not let through only keeps drops out, as
    // before: nothing to report.
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        (void)allow(window, message, MSGFLT_ALLOW, nullptr);
}
