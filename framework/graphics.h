// Colours and fonts as the controls describe them.
#pragma once

#include "win_handles.h"

#include <string>

// A colour: an RGB value, or a system colour index flagged in the top byte.
using TColor = DWORD;
constexpr TColor SystemColor(int index) { return 0xFF000000u | static_cast<DWORD>(index); }
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clNone = 0x1FFFFFFFu;

// A system colour in the palette of the moment (TScreen::SchemeColor).
COLORREF ColorToRGB(TColor color) noexcept;

// A font description with the platform font made from it on first use.
class TFont {
public:
    TFont();
    explicit TFont(const LOGFONTW& log, TColor color = clWindowText);

    const LOGFONTW& Log() const noexcept { return log_; }
    void Assign(const LOGFONTW& log);
    void SetName(const std::wstring& name);
    int Height() const noexcept { return log_.lfHeight; }
    void SetHeight(int height);
    // The size in points at a resolution.
    int Size(int pixelsPerInch) const;
    void SetSize(int points, int pixelsPerInch);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color) noexcept { color_ = color; }

    HFONT Handle();

private:
    LOGFONTW log_{};
    TColor color_ = clWindowText;
    win::UniqueFont handle_;
};
