// The screen: resolution, system fonts, metrics, the forms and the cursor.
#pragma once

#include "win_handles.h"

#include <map>

class TForm;

enum TCursor { crDefault = 0, crHourGlass = -11 };

class TScreen {
public:
    TScreen();

    // Logical pixels per inch of the screen (LOGPIXELSY).
    int PixelsPerInch() const noexcept { return pixelsPerInch_; }

    // The system's fonts as the non-client metrics give them.
    const LOGFONTW& HintFont() const noexcept { return metrics_.lfStatusFont; }
    const LOGFONTW& MenuFont() const noexcept { return metrics_.lfMenuFont; }
    const LOGFONTW& MessageFont() const noexcept { return metrics_.lfMessageFont; }
    void ReadSystemFonts();

    // Whether the program paints in its dark palette now: apps set to dark
    // when the setting was last read, and no high-contrast theme on.
    bool DarkColors() const noexcept;
    // Reads the apps' light or dark setting again (once at start, then on
    // each change of it); whether it changed.
    bool ReadAppColorMode();
    // A system colour (COLOR_*) in the palette of the moment, and a brush of
    // it that the screen keeps (never to be deleted by its user).
    COLORREF SchemeColor(int index) const noexcept;
    HBRUSH SchemeBrush(int index);

    int Width() const noexcept { return ::GetSystemMetrics(SM_CXSCREEN); }
    int Height() const noexcept { return ::GetSystemMetrics(SM_CYSCREEN); }
    int DesktopLeft() const noexcept { return ::GetSystemMetrics(SM_XVIRTUALSCREEN); }
    int DesktopTop() const noexcept { return ::GetSystemMetrics(SM_YVIRTUALSCREEN); }

    // The screen cursor: crDefault lets each window show its own.
    TCursor Cursor() const noexcept { return cursor_; }
    void SetCursor(TCursor cursor);
    HCURSOR CursorHandle() const noexcept;

    // The form that last became active, if it still exists.
    TForm* ActiveForm() const noexcept { return activeForm_; }
    void SetActiveForm(TForm* form) noexcept { activeForm_ = form; }
    // A form going away is no longer the active one.
    void FormDestroyed(TForm* form) noexcept;

private:
    int pixelsPerInch_ = 96;
    NONCLIENTMETRICSW metrics_{};
    bool appsDark_ = false;
    std::map<COLORREF, win::UniqueBrush> darkBrushes_;
    TCursor cursor_ = crDefault;
    TForm* activeForm_ = nullptr;
};

extern TScreen* Screen;

// The work area of the monitor nearest to the window; false when unknown.
bool NearestWorkArea(HWND window, RECT& area);
