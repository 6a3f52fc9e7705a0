#include "task_message_dialog.h"

#include "application_host.h"
#include "modal_scope.h"
#include "platform_calls.h"
#include "screen.h"

#include <algorithm>

namespace {

PCWSTR TextOrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

PCWSTR TaskDialogIcon(TMsgDlgType kind) {
    switch (kind) {
    case mtWarning: return TD_WARNING_ICON;
    case mtError: return TD_ERROR_ICON;
    case mtInformation:
    case mtConfirmation: return TD_INFORMATION_ICON;
    case mtCustom: break;
    }
    return nullptr;
}

}  // namespace

bool TTaskMessageDialog::Execute() { return Execute(TModalScope::Owner(TModalScope::TOwnerOf::TaskDialog)); }

bool TTaskMessageDialog::Execute(HWND parentWnd) {
    parent_ = parentWnd;
    window_ = nullptr;
    modalResult_ = mrNone;

    std::vector<TASKDIALOG_BUTTON> buttons;
    for (const TTaskDialogButtonItem& item : Buttons) buttons.push_back({item.ModalResult, item.Caption.c_str()});
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = parent_;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.pszWindowTitle = TextOrNull(Caption);
    config.pszContent = TextOrNull(Text);
    config.pszMainIcon = MainIcon;
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.data();
    config.nDefaultButton = DefaultButton;
    config.pfCallback = &Callback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(this);

    TModalScope modal(parent_);
    const TaskDialogIndirectFunction show = Platform().TaskDialogIndirect;
    int button = 0;
    int radio = 0;
    BOOL verified = FALSE;
    const HRESULT shown = show ? show(&config, &button, &radio, &verified) : E_NOTIMPL;
    modalResult_ = shown == S_OK ? modal.Outcome(button) : button;
    return shown == S_OK;
}

HRESULT CALLBACK TTaskMessageDialog::Callback(HWND window, UINT notification, WPARAM wParam, LPARAM,
                                              LONG_PTR self) noexcept {
    try {
        return reinterpret_cast<TTaskMessageDialog*>(self)->Notify(window, notification, wParam);
    } catch (...) {
        ApplicationHost->HandleException(nullptr, std::current_exception());
        return S_OK;
    }
}

HRESULT TTaskMessageDialog::Notify(HWND window, UINT notification, WPARAM wParam) {
    switch (notification) {
    case TDN_DIALOG_CONSTRUCTED:
        window_ = window;
        return S_OK;
    case TDN_CREATED:
        PlaceOnWorkArea();
        WatchCancellation();
        return S_OK;
    case TDN_BUTTON_CLICKED:
        // The help button keeps the dialog open; there is no help to show.
        return static_cast<int>(wParam) == ButtonResult(mbHelp) ? S_FALSE : S_OK;
    default:
        return S_OK;
    }
}

void TTaskMessageDialog::PlaceOnWorkArea() {
    RECT work{};
    if (!window_ || !NearestWorkArea(parent_, work)) return;
    RECT dialog{};
    ::GetWindowRect(window_, &dialog);
    // A dialog larger than the work area overlaps both edges alike.
    const int x = ((work.right - work.left) - (dialog.right - dialog.left)) / 2;
    const int y = ((work.bottom - work.top) - (dialog.bottom - dialog.top)) / 2;
    ::SetWindowPos(window_, nullptr, work.left + x, work.top + y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Wine's task dialog ignores Esc, Alt+F4 and the close button when it has no
// Cancel button; they end it here with IDCANCEL, as the platform's
// cancellation does elsewhere. Only such a dialog is watched: one with a
// Cancel button keeps the platform's own path. Whether it has one is read
// from our button list, not from child windows, which the platform's task
// dialog on Windows does not make for its buttons.
void TTaskMessageDialog::WatchCancellation() {
    const bool hasCancel = std::any_of(Buttons.begin(), Buttons.end(),
                                       [](const TTaskDialogButtonItem& item) { return item.ModalResult == mrCancel; });
    if (hasCancel || !window_) return;
    dialogWindow_ = std::make_unique<TPlatformWindow>(window_);
    dialogWindow_->SetMessageFilter(this, [window = window_](TMessage& message) {
        if (message.Msg != WM_COMMAND || LOWORD(message.WParam) != IDCANCEL) return false;
        ::EndDialog(window, IDCANCEL);
        return true;
    });
}

std::optional<TModalResult> ShowTaskMessageDialog(const std::wstring& message, TMsgDlgType kind,
                                                  TMsgDlgButtons buttons) {
    TTaskMessageDialog dialog;
    const TMsgDlgBtn defaultButton = DefaultButton(buttons);
    for (TMsgDlgBtn button : ButtonsInOrder(buttons)) {
        dialog.Buttons.push_back({ButtonCaption(button), ButtonResult(button)});
        if (button == defaultButton) dialog.DefaultButton = ButtonResult(button);
    }
    dialog.Caption = DialogTitle(kind);
    dialog.MainIcon = TaskDialogIcon(kind);
    dialog.Text = message;
    if (!dialog.Execute()) return std::nullopt;
    return dialog.ModalResult();
}
