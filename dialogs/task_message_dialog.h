// The platform's task dialog as the message dialog's first presentation.
#pragma once

#include "dialog_buttons.h"
#include "win_control.h"

#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TTaskDialogButtonItem {
    std::wstring Caption;
    TModalResult ModalResult;  // also the identifier the platform reports
};

// One task dialog: filled in, executed once, then dropped.
class TTaskMessageDialog {
public:
    std::wstring Caption;  // the title bar
    std::wstring Text;
    PCWSTR MainIcon = nullptr;
    std::vector<TTaskDialogButtonItem> Buttons;
    TModalResult DefaultButton = 0;

    // Shows the dialog over the owner the modal rule chooses for a task
    // dialog. False when the platform could not.
    bool Execute();
    bool Execute(HWND parentWnd);
    // The button that closed the dialog (2 when it was dismissed).
    TModalResult ModalResult() const noexcept { return modalResult_; }

private:
    static HRESULT CALLBACK Callback(HWND window, UINT notification, WPARAM wParam, LPARAM lParam,
                                     LONG_PTR self) noexcept;
    HRESULT Notify(HWND window, UINT notification, WPARAM wParam);
    void PlaceOnWorkArea();
    void WatchCancellation();

    HWND parent_ = nullptr;
    HWND window_ = nullptr;
    // The dialog's window while the cancellation is watched.
    std::unique_ptr<TPlatformWindow> dialogWindow_;
    TModalResult modalResult_ = mrNone;
};

// The task-dialog presentation of ShowMessageDialog: the result, or nothing
// when the platform could not show the dialog.
std::optional<TModalResult> ShowTaskMessageDialog(const std::wstring& message, TMsgDlgType kind,
                                                  TMsgDlgButtons buttons);
