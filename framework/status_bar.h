// The status bar along the bottom of the main window: one panel, its hint
// centred when it fits and shortened from the right when it does not. The
// platform's control paints it in the system's colours, taken at each
// paint; in the dark palette the bar paints itself, and the control keeps
// the text all the same, for screen readers, which are also told the whole
// hint.
#pragma once

#include "graphics.h"
#include "win_control.h"

#include <string>

class TStatusBar final : public TWinControl {
public:
    void RescaleStarting() override;
    void RescaleDone() override;
    explicit TStatusBar(TComponent* owner);

    // The text of the bar's single panel.
    void SetPanelText(const std::wstring& text);
    const std::wstring& PanelText() const noexcept { return panelText_; }
    // Takes the system's status font at `dpi` and a height that holds it.
    void SetPixelsPerInch(int dpi);
    const TFont& Font() const noexcept { return font_; }
    // The tooltip window that shows the whole text while the panel shows it
    // shortened; null before the bar's window exists.
    HWND ToolTip() const noexcept { return toolTip_.get(); }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowDone() override;
    void WndProc(TMessage& message) override;
    void BoundsChanged() override;

private:
    bool WantsSizeGrip();
    void SendPanel();
    int TextRoom();
    void ShowWholeTextAsTip(bool shortened);
    // Hands a mouse message of the bar to its tip, which shows and hides by them.
    void RelayToTip(const TMessage& message);
    void ApplyFont(bool redraw);
    void TakeSystemBackground();
    void PaintInDarkPalette();
    void PaintSizeGrip(HDC dc, const RECT& client) const;

    std::wstring panelText_;
    // The text the control holds: centred ones begin with a TAB.
    std::wstring shownText_;
    // The background colour the control was given last.
    COLORREF background_ = CLR_INVALID;
    TFont font_;
    bool sizeGrip_ = false;
    bool rescaling_ = false;
    int pixelsPerInch_ = 96;
    win::UniqueHwnd toolTip_;
};

// `text` as it fits `width` pixels in the font selected into `dc`: whole, or
// cut after its last word that fits with an ellipsis after it (within a word
// when not even the first one fits).
std::wstring FitWithEllipsis(HDC dc, const std::wstring& text, int width);
