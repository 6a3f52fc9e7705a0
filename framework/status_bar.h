// The status bar along the bottom of the main window: one centred panel.
#pragma once

#include "graphics.h"
#include "win_control.h"

#include <string>

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);

    // The text of the bar's single panel, shown centred.
    void SetPanelText(const std::wstring& text);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowDone() override;
    void WndProc(TMessage& message) override;
    void BoundsChanged() override;

private:
    bool WantsSizeGrip();
    void SendPanel();

    std::wstring panelText_;
    TColor color_ = clBtnFace;
    TFont font_;
    bool sizeGrip_ = false;
};
