// The program's own message form: shown where the platform's task dialog
// cannot be.
#pragma once

#include "dialog_buttons.h"
#include "win_handles.h"

#include <memory>
#include <string>
#include <vector>

class TMessageButton;
class TMessageLabel;

class TMessageForm final : public TForm {
public:
    explicit TMessageForm(TComponent* owner);

    // Lays the form out for the message, the kind and the buttons.
    void Build(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton);
    // Centres the form on the active form's monitor.
    void Place();
    // Shows the form and runs its modal loop until a result is set.
    TModalResult ShowModal();

    TMessageLabel* Message = nullptr;

    bool PreProcessKey(MSG& msg) override;
    // The focused button shows as the one Enter presses.
    void ButtonFocused(TMessageButton* focused);

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    SIZE ClientSizeForDpi(int dpi) override;
    void ChangeScale(int dpi) override;

private:
    struct TLayout;

    // The layout at `dpi` with `font`, the message font of that resolution.
    TLayout LayoutFor(int dpi, HFONT font) const;
    void ApplyLayout(const TLayout& layout);
    void AddButtons(TMsgDlgButtons buttons, TMsgDlgBtn defaultButton);
    void SetClientSizeOnItsMonitor(int width, int height);
    void RunModalLoop();
    void MoveFocus(int step);
    void PressFocusedOrDefault();
    void CopyToClipboard();
    std::wstring TextForClipboard() const;
    void PaintIcon();

    win::UniqueIcon icon_;
    int iconSize_ = 32;
    POINT iconAt_{};
    std::wstring messageText_;
    TMsgDlgType kind_ = mtCustom;
    TMsgDlgButtons buttonSet_{};
    std::vector<TMessageButton*> buttons_;
    TMessageButton* defaultButton_ = nullptr;
    TMessageButton* cancelButton_ = nullptr;
};

// Destroys a message form through its owner, the application.
struct DestroyMessageForm {
    void operator()(TMessageForm* form) const;
};
using MessageFormPtr = std::unique_ptr<TMessageForm, DestroyMessageForm>;

// The build step: a laid-out form, not yet shown.
MessageFormPtr CreateMessageDialog(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons,
                                   TMsgDlgBtn defaultButton);
// The show step: places the form, runs it modally, destroys it and returns
// its result.
TModalResult ShowMessageForm(MessageFormPtr form);
