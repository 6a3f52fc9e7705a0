// The visual-styles library, looked up at run time: the program must start
// where it is missing. Every use of uxtheme goes through this one table; a
// test stands in for a call with a TPlatformOverride (platform_calls.h).
// It stands beside the table of platform calls rather than in it: it is
// filled through that table's loader, which the table's own making cannot
// call.
#pragma once

#include <windows.h>
#include <uxtheme.h>

struct UxTheme {
    using QueryFn = BOOL(WINAPI*)();
    using OpenFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using OpenForDpiFn = HTHEME(WINAPI*)(HWND, LPCWSTR, UINT);
    using CloseFn = HRESULT(WINAPI*)(HTHEME);
    using PartSizeFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, THEMESIZE, SIZE*);
    using MarginsFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, int, LPCRECT, MARGINS*);
    using BackgroundFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPCRECT);
    using TextFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, LPCRECT);
    using ColorFn = HRESULT(WINAPI*)(HTHEME, int, int, int, COLORREF*);

    QueryFn isThemeActive;
    QueryFn isAppThemed;
    OpenFn open;
    CloseFn close;
    PartSizeFn partSize;
    MarginsFn margins;
    BackgroundFn background;
    TextFn text;
    ColorFn color;
    // Windows 10 1703 on; null before.
    OpenForDpiFn openForDpi;

    // Every drawing function is there.
    bool Complete() const noexcept;
    // Whether the platform draws this program with visual styles now.
    bool StylesActive() const;

    // The table, filled on first use.
    static UxTheme& Functions();
};
