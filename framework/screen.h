// The screen: resolution, system fonts, metrics, the forms and the cursor.
#pragma once

#include "win_handles.h"


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
    TCursor cursor_ = crDefault;
    TForm* activeForm_ = nullptr;
};

extern TScreen* Screen;

// The work area of the monitor nearest to the window; false when unknown.
bool NearestWorkArea(HWND window, RECT& area);
