#include "message_form.h"

#include "application_host.h"
#include "dpi.h"
#include "exceptions.h"
#include "modal_scope.h"
#include "platform_calls.h"
#include "resource_ids.h"
#include "screen.h"

#include <algorithm>
#include <array>
#include <map>

namespace {

// The icon's side at 96 dpi.
constexpr int kDesignIconSize = 32;

// The resolution the form is laid out for: that of the monitor of the
// window it is centred on (the application's active form), else of its
// owner's, else of the primary monitor's.
int ResolutionFor(HWND form) {
    TForm* active = Screen->ActiveForm();
    HWND beside = active && active->HandleAllocated() ? active->Handle() : ::GetWindow(form, GW_OWNER);
    return beside ? MonitorDpi(::MonitorFromWindow(beside, MONITOR_DEFAULTTOPRIMARY)) : PrimaryMonitorDpi();
}

// The kind's system icon made for the side the form draws it at: scaled
// down from the system's larger image, else copied from the image of the
// system's nearest size.
win::UniqueIcon SystemIcon(const wchar_t* id, int side) {
    HICON icon = nullptr;
    if (SUCCEEDED(Platform().LoadIconWithScaleDown(nullptr, id, side, side, &icon))) return win::UniqueIcon(icon);
    // The system's own icons load only shared, at their standard size.
    const auto shared = static_cast<HICON>(::LoadImageW(nullptr, id, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    return win::UniqueIcon(static_cast<HICON>(::CopyImage(shared, IMAGE_ICON, side, side, LR_COPYFROMRESOURCE)));
}

// Measured once per button and resolution for the whole process, whatever
// font later dialogs use at that resolution.
std::array<int, MsgDlgButtonCount>& ButtonWidthCache(int dpi) {
    static std::map<int, std::array<int, MsgDlgButtonCount>> widths;
    return widths[dpi];
}

// Distances of the layout, in pixels, from the font's dialog units.
struct Metrics {
    int horizontalMargin, verticalMargin, horizontalSpacing, verticalSpacing;
    int minimumButtonWidth, buttonHeight, buttonSpacing;
};

Metrics MetricsFor(HDC dc) {
    static constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, kAlphabet, 52, &extent);
    const int x = extent.cx / 52;
    const int y = extent.cy;
    return {::MulDiv(8, x, 4),  ::MulDiv(8, y, 8),  ::MulDiv(10, x, 4), ::MulDiv(10, y, 8),
            ::MulDiv(50, x, 4), ::MulDiv(14, y, 8), ::MulDiv(4, x, 4)};
}

int CommonButtonWidth(HDC dc, TMsgDlgButtons buttons, int minimum, int dpi) {
    int width = minimum;
    for (TMsgDlgBtn button : ButtonsInOrder(buttons)) {
        int& cached = ButtonWidthCache(dpi)[button];
        if (cached == 0) {
            const std::wstring caption = ButtonCaption(button);
            RECT r{};
            ::DrawTextW(dc, caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
            cached = r.right - r.left + 8;
        }
        width = std::max(width, cached);
    }
    return width;
}

// Wrapped at words within half the screen; every "&" counts, as the label
// draws it.
SIZE MeasureMessage(HDC dc, const std::wstring& message) {
    RECT r{0, 0, Screen->Width() / 2, 0};
    ::DrawTextW(dc, message.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return {r.right - r.left, r.bottom - r.top};
}

TFont MessageFontAt(int dpi) { return TFont(NonClientMetricsForDpi(dpi).lfMessageFont); }

LPCWSTR IconFor(TMsgDlgType kind) {
    switch (kind) {
    case mtWarning: return IDI_EXCLAMATION;
    case mtError: return IDI_HAND;
    case mtInformation: return IDI_ASTERISK;
    case mtConfirmation: return IDI_QUESTION;
    case mtCustom: break;
    }
    return nullptr;
}

TMsgDlgBtn CancelButtonOf(TMsgDlgButtons buttons) {
    if (buttons.Contains(mbCancel)) return mbCancel;
    if (buttons.Contains(mbNo)) return mbNo;
    return mbOK;
}

std::wstring WithoutAmpersands(std::wstring text) {
    std::erase(text, L'&');
    return text;
}

// What the user is told when the clipboard would not take the text.
EClipboardException ClipboardError() {
    return EClipboardException(FormatText(LoadResString(IDS_CLIPBOARD_OPEN_ERROR), {SystemErrorText(::GetLastError())}));
}

// The screen cursor is the arrow while the form is up, then what it was,
// unless something else changed it meanwhile.
class DefaultCursorScope {
public:
    DefaultCursorScope() : saved_(Screen->Cursor()) { Screen->SetCursor(crDefault); }
    ~DefaultCursorScope() {
        if (Screen->Cursor() == crDefault) Screen->SetCursor(saved_);
    }
    DefaultCursorScope(const DefaultCursorScope&) = delete;
    DefaultCursorScope& operator=(const DefaultCursorScope&) = delete;

private:
    TCursor saved_;
};

}  // namespace

// A platform control on the form, in the form's font.
class TMessageChild : public TWinControl {
public:
    TMessageChild(TComponent* owner, const wchar_t* systemClass, std::wstring caption, DWORD style)
        : TWinControl(owner), systemClass_(systemClass), caption_(std::move(caption)), style_(style) {}
    const std::wstring& Caption() const noexcept { return caption_; }

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.SystemClass = systemClass_;
        params.Caption = caption_;
        params.Style |= style_;
    }
    void CreateWindowDone() override {
        HFONT font = static_cast<TForm*>(Parent())->Font().Handle();
        ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

private:
    const wchar_t* systemClass_;
    std::wstring caption_;
    DWORD style_;
};

// The message: a word-wrapping static text shown as it is. A file name may
// hold "&": the question must show the name of the file it acts on.
class TMessageLabel : public TMessageChild {
public:
    TMessageLabel(TComponent* owner, std::wstring text)
        : TMessageChild(owner, L"STATIC", std::move(text), SS_LEFT | SS_NOPREFIX) {}
};

class TMessageButton : public TMessageChild {
public:
    TMessageButton(TComponent* owner, std::wstring caption, TModalResult result, bool isDefault)
        : TMessageChild(owner, L"BUTTON", std::move(caption), WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : 0)),
          result_(result) {}

    // Ends the modal run with the button's result; the help button's 0
    // leaves the form open.
    void Click() { Form().SetModalResult(result_); }

protected:
    void WndProc(TMessage& message) override {
        switch (message.Msg) {
        case CN_COMMAND:
            if (HIWORD(message.WParam) == BN_CLICKED) Click();
            return;
        case WM_SETFOCUS:
            Form().ButtonFocused(this);
            break;
        default:
            break;
        }
        TMessageChild::WndProc(message);
    }

private:
    TMessageForm& Form() const { return *static_cast<TMessageForm*>(Parent()); }

    TModalResult result_;
};

TMessageForm::TMessageForm(TComponent* owner) : TForm(owner) { SetBorderStyle(TBorderStyle::bsDialog); }

void TMessageForm::CreateParams(TCreateParams& params) {
    TForm::CreateParams(params);
    params.ClassName = L"TMessageForm";
    params.WndParent = TModalScope::Owner(TModalScope::TOwnerOf::MessageForm);
}

// Where everything goes at one resolution, in client pixels.
struct TMessageForm::TLayout {
    SIZE client;
    int iconSize;
    POINT iconAt;
    RECT label;
    POINT firstButton;
    SIZE button;
    int buttonSpacing;
};

void TMessageForm::Build(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons,
                         TMsgDlgBtn defaultButton) {
    const int dpi = ResolutionFor(Handle());
    SetPixelsPerInch(dpi);
    Font() = MessageFontAt(dpi);
    messageText_ = message;
    kind_ = kind;
    buttonSet_ = buttons;
    const TLayout layout = LayoutFor(dpi, Font().Handle());
    SetClientSizeOnItsMonitor(layout.client.cx, layout.client.cy);
    SetCaption(DialogTitle(kind));

    // The window is no dialog to the accessibility proxy (its class is the
    // program's own): screen readers are told that it is one, and its message.
    Annotate({CHILDID_SELF, TAccProperty::Role, L"", ROLE_SYSTEM_DIALOG});
    Annotate({CHILDID_SELF, TAccProperty::Description, message});
    Message = Create<TMessageLabel>(message);
    Message->SetParent(this);
    Message->Handle();
    AddButtons(buttons, defaultButton);
    ApplyLayout(layout);
}

TMessageForm::TLayout TMessageForm::LayoutFor(int dpi, HFONT font) const {
    win::WindowDc dc(nullptr);
    win::SelectScope selected(dc.get(), font);
    const Metrics m = MetricsFor(dc.get());
    const int buttonWidth = CommonButtonWidth(dc.get(), buttonSet_, m.minimumButtonWidth, dpi);
    const SIZE text = MeasureMessage(dc.get(), messageText_);
    const int iconSize = ScaleFromDesign(kDesignIconSize, dpi);

    int blockWidth = text.cx;
    int blockHeight = text.cy;
    if (IconFor(kind_)) {
        blockWidth += iconSize + m.horizontalSpacing;
        blockHeight = std::max<int>(blockHeight, iconSize);
    }
    const int count = static_cast<int>(ButtonsInOrder(buttonSet_).size());
    const int groupWidth = count ? count * buttonWidth + (count - 1) * m.buttonSpacing : 0;
    const int clientWidth = std::max(blockWidth, groupWidth) + 2 * m.horizontalMargin;
    const int labelLeft = blockWidth - text.cx + m.horizontalMargin;
    return {{clientWidth, blockHeight + m.buttonHeight + m.verticalSpacing + 2 * m.verticalMargin},
            iconSize,
            {m.horizontalMargin, m.verticalMargin},
            {labelLeft, m.verticalMargin, labelLeft + text.cx, m.verticalMargin + text.cy},
            {(clientWidth - groupWidth) / 2, blockHeight + m.verticalMargin + m.verticalSpacing},
            {buttonWidth, m.buttonHeight},
            m.buttonSpacing};
}

void TMessageForm::ApplyLayout(const TLayout& layout) {
    iconSize_ = layout.iconSize;
    iconAt_ = layout.iconAt;
    icon_ = IconFor(kind_) ? SystemIcon(IconFor(kind_), iconSize_) : win::UniqueIcon();
    const RECT& label = layout.label;
    Message->SetBounds(label.left, label.top, label.right - label.left, label.bottom - label.top);
    POINT at = layout.firstButton;
    for (TMessageButton* button : buttons_) {
        button->SetBounds(at.x, at.y, layout.button.cx, layout.button.cy);
        at.x += layout.button.cx + layout.buttonSpacing;
    }
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

SIZE TMessageForm::ClientSizeForDpi(int dpi) { return LayoutFor(dpi, MessageFontAt(dpi).Handle()).client; }

// The label and the buttons draw with the old font until each holds the new
// one; only then is the old one freed.
void TMessageForm::ChangeScale(int dpi) {
    TFont scaled = MessageFontAt(dpi);
    for (TWinControl* child : Controls())
        ::SendMessageW(child->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(scaled.Handle()), TRUE);
    Font() = std::move(scaled);
    ApplyLayout(LayoutFor(dpi, Font().Handle()));
}

// The form is made on the primary monitor and shown on the active form's.
// There the platform draws its frame at that monitor's resolution, and the
// form, laid out for it already, ignores the change: its outer size is
// measured with that frame, so that the client area keeps what it holds.
void TMessageForm::SetClientSizeOnItsMonitor(int width, int height) {
    const RECT outer = OuterRectForDpi({0, 0, width, height}, static_cast<DWORD>(::GetWindowLongW(Handle(), GWL_STYLE)),
                                       static_cast<DWORD>(::GetWindowLongW(Handle(), GWL_EXSTYLE)), PixelsPerInch());
    SetBounds(Left(), Top(), outer.right - outer.left, outer.bottom - outer.top);
}

void TMessageForm::AddButtons(TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) {
    const TMsgDlgBtn cancelButton = CancelButtonOf(buttons);
    for (TMsgDlgBtn value : ButtonsInOrder(buttons)) {
        const TModalResult result = value == mbHelp ? mrNone : ButtonResult(value);
        auto* button = Create<TMessageButton>(ButtonCaption(value), result, value == defaultButton);
        button->SetParent(this);
        button->Handle();
        buttons_.push_back(button);
        if (value == defaultButton) defaultButton_ = button;
        if (value == cancelButton) cancelButton_ = button;
    }
    TMessageButton* first = defaultButton_ ? defaultButton_ : (buttons_.empty() ? nullptr : buttons_.front());
    if (first) SetActiveControl(first);
}

void TMessageForm::Place() {
    RECT work{};
    TForm* active = Screen->ActiveForm();
    if (active && active != this && active->HandleAllocated() && NearestWorkArea(active->Handle(), work)) {
        SetBounds(work.left + ((work.right - work.left) - Width()) / 2,
                  work.top + ((work.bottom - work.top) - Height()) / 2, Width(), Height());
        return;
    }
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = static_cast<int>((work.right - work.left) - Width()) / 2;
    const int top = static_cast<int>((work.bottom - work.top) - Height()) / 2;
    SetBounds(std::max(left, Screen->DesktopLeft()), std::max(top, Screen->DesktopTop()), Width(), Height());
}

TModalResult TMessageForm::ShowModal() {
    if (HWND capture = ::GetCapture()) {
        ::SendMessageW(capture, WM_CANCELMODE, 0, 0);
        ::ReleaseCapture();
    }
    DefaultCursorScope cursor;
    TModalScope modal;
    modal.Attach(Handle());
    modal_ = true;
    Show();
    ::SetActiveWindow(Handle());
    SetModalResult(mrNone);
    RunModalLoop();
    modal.HandActivationBack();
    Hide();
    return modal.Outcome(ModalResult());
}

void TMessageForm::RunModalLoop() {
    while (ModalResult() == mrNone) {
        try {
            ApplicationHost->HandleMessage();
        } catch (...) {
            // The key handler's errors: reported, and the form stays up.
            ApplicationHost->HandleException(this, std::current_exception());
        }
        // Also when the form's window went with its owner.
        if (ApplicationHost->Closing() || !HandleAllocated()) SetModalResult(mrCancel);
    }
}

bool TMessageForm::PreProcessKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const bool alt = ::GetKeyState(VK_MENU) < 0;
    const bool plain = !shift && !ctrl && !alt;
    switch (msg.wParam) {
    case VK_RETURN:
        if (!plain) return false;
        PressFocusedOrDefault();
        return true;
    case VK_ESCAPE:
        if (!plain) return false;
        if (cancelButton_) cancelButton_->Click();
        return true;
    case VK_TAB:
        MoveFocus(shift ? -1 : 1);
        return true;
    case VK_RIGHT:
    case VK_DOWN:
        MoveFocus(1);
        return true;
    case VK_LEFT:
    case VK_UP:
        MoveFocus(-1);
        return true;
    case 'C':
        if (!ctrl || shift || alt) return false;
        CopyToClipboard();
        return true;
    default:
        return false;
    }
}

namespace {

TMessageButton* FocusedButton(const std::vector<TMessageButton*>& buttons) {
    HWND focus = ::GetFocus();
    auto it = std::find_if(buttons.begin(), buttons.end(), [focus](TMessageButton* b) { return b->Handle() == focus; });
    return it == buttons.end() ? nullptr : *it;
}

}  // namespace

void TMessageForm::MoveFocus(int step) {
    if (buttons_.empty()) return;
    const int count = static_cast<int>(buttons_.size());
    const auto at = std::find(buttons_.begin(), buttons_.end(), FocusedButton(buttons_));
    const int next = at == buttons_.end() ? 0 : (static_cast<int>(at - buttons_.begin()) + step + count) % count;
    ::SetFocus(buttons_[static_cast<size_t>(next)]->Handle());
}

void TMessageForm::ButtonFocused(TMessageButton* focused) {
    for (TMessageButton* button : buttons_)
        ::SendMessageW(button->Handle(), BM_SETSTYLE, button == focused ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TMessageForm::PressFocusedOrDefault() {
    TMessageButton* button = FocusedButton(buttons_);
    if (!button) button = defaultButton_;
    if (button) button->Click();
}

std::wstring TMessageForm::TextForClipboard() const {
    const std::wstring divider = std::wstring(27, L'-') + L"\r\n";
    std::wstring buttonLine;
    for (const TMessageButton* button : buttons_) buttonLine += WithoutAmpersands(button->Caption()) + L"   ";
    return divider + Caption() + L"\r\n" + divider + messageText_ + L"\r\n" + divider + buttonLine + L"\r\n" + divider;
}

void TMessageForm::CopyToClipboard() {
    ::MessageBeep(0);
    const std::wstring text = TextForClipboard();
    // Opened with the form as owner: EmptyClipboard gives the clipboard to
    // that window, and SetClipboardData fails on one that nobody owns.
    win::ClipboardScope clipboard(Handle());
    if (!clipboard.opened()) throw ClipboardError();
    win::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, (text.size() + 1) * sizeof(wchar_t)));
    if (!block) throw EOutOfResources(SystemErrorText(::GetLastError()));
    {
        win::GlobalLockScope<wchar_t> data(block.get());
        if (!data.get()) throw EOutOfResources(SystemErrorText(::GetLastError()));
        std::copy_n(text.c_str(), text.size() + 1, data.get());
    }
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_UNICODETEXT, block.get())) throw ClipboardError();
    // The clipboard owns the block once it took it.
    (void)block.release();
}

void TMessageForm::WndProc(TMessage& message) {
    if (message.Msg == WM_PAINT) {
        PaintIcon();
        message.Result = 0;
        return;
    }
    TForm::WndProc(message);
}

void TMessageForm::PaintIcon() {
    win::PaintScope paint(Handle());
    if (icon_) ::DrawIconEx(paint.get(), iconAt_.x, iconAt_.y, icon_.get(), iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
}

void DestroyMessageForm::operator()(TMessageForm* form) const { ApplicationHost->DestroyComponent(form); }

MessageFormPtr CreateMessageDialog(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons,
                                   TMsgDlgBtn defaultButton) {
    MessageFormPtr form(ApplicationHost->Create<TMessageForm>());
    form->Build(message, kind, buttons, defaultButton);
    return form;
}

TModalResult ShowMessageForm(MessageFormPtr form) {
    form->Place();
    return form->ShowModal();
}
