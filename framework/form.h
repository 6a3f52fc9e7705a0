// A top-level window of the program, holding controls it lays out.
#pragma once

#include "graphics.h"
#include "win_control.h"

#include <functional>
#include <string>

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TPosition { poDesigned, poScreenCenter, poMainFormCenter };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Builds the components and sets the values of the form's layout.
    virtual void ReadLayout() {}
    // Runs OnCreate; an exception from it is reported and creation goes on.
    void DoCreate();
    std::function<void(TComponent* sender)> OnCreate;

    const std::wstring& Caption() const noexcept { return caption_; }
    void SetCaption(const std::wstring& caption);
    TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style) noexcept { borderStyle_ = style; }
    TFormStyle FormStyle() const noexcept { return formStyle_; }
    void SetFormStyle(TFormStyle style) noexcept { formStyle_ = style; }
    TPosition Position() const noexcept { return position_; }
    void SetPosition(TPosition position) noexcept { position_ = position; }
    TWindowState WindowState() const noexcept { return windowState_; }
    void SetWindowState(TWindowState state) noexcept { windowState_ = state; }
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color) noexcept { color_ = color; }
    TFont& Font() noexcept { return font_; }

    int ClientWidth();
    int ClientHeight();
    void SetClientSize(int width, int height);

    // Shows the form; the first showing places it as its Position asks.
    void Show();
    void Hide();
    // Asks to close: ends the program for the main form, the modal run for a
    // modal form, and hides any other form; OnClose runs first.
    void Close();
    std::function<void(TComponent* sender)> OnClose;

    void SetActiveControl(TWinControl* control) noexcept { activeControl_ = control; }
    TModalResult ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(TModalResult result) noexcept { modalResult_ = result; }

    // The resolution the form is laid out for: its monitor's.
    int PixelsPerInch() const noexcept { return pixelsPerInch_; }

    // A key message on its way to one of the form's windows; true when the
    // form handled it and the message must not be dispatched.
    virtual bool PreProcessKey(MSG& msg);

    // The palette changed (the apps' dark setting, a high-contrast theme,
    // the system's colours): the title bar follows, and everything repaints.
    void ColorSchemeChanged();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowDone() override;
    void WndProc(TMessage& message) override;
    void BoundsChanged() override;
    void AlignControls();
    void PlaceForFirstShowing();
    // The client size the form takes at `dpi`, from its size now.
    virtual SIZE ClientSizeForDpi(int dpi);
    // Lays the form out again for `dpi`; PixelsPerInch() is still the old one.
    virtual void ChangeScale(int dpi);
    void SetPixelsPerInch(int dpi) noexcept { pixelsPerInch_ = dpi; }

    bool modal_ = false;
    bool creatingMainForm_ = false;

private:
    void MoveToDpi(int dpi, const RECT& suggested);
    void ApplyTitleBarScheme();
    bool AnswerScaledSize(int dpi, SIZE& outer);

    int pixelsPerInch_ = 96;
    bool rescaling_ = false;
    // What the window's title bar was last asked to be: the system's own
    // until the dark palette is first in effect.
    bool titleBarDark_ = false;
    std::wstring caption_;
    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TPosition position_ = TPosition::poDesigned;
    TWindowState windowState_ = TWindowState::wsNormal;
    TColor color_ = clBtnFace;
    TFont font_;
    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = mrNone;
};

// The text's height in the font, as drawn on a screen-compatible surface.
int TextHeightOf(HFONT font, const wchar_t* text);
