#include "drop/elevated_drops.h"

#include "app/system_library.h"

TElevationCalls& ElevationCalls() {
    static TElevationCalls calls{
        SystemFunction<ChangeWindowMessageFilterExFn>(L"user32.dll", "ChangeWindowMessageFilterEx")};
    return calls;
}

void AllowDropsFromOrdinaryPrograms(HWND window) {
    const auto allow = ElevationCalls().ChangeWindowMessageFilterEx;
    if (!allow) return;
    // A message the platform will not let through only keeps drops out, as
    // before: nothing to report.
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        (void)allow(window, message, MSGFLT_ALLOW, nullptr);
}
