// The platform's task dialog as the message dialog's first presentation.
#pragma once

#include "message_dialog.h"
#include "win_control.h"

#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Puts `replacement` in the place of comctl32's TaskDialogIndirect (null
// stands for a system without it) and returns the function used until now.
// Lets a test see what happens when the platform cannot show the dialog.
TaskDialogIndirectFunction ReplaceTaskDialogIndirect(TaskDialogIndirectFunction replacement);

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
    // Offsets from the work area's top-left corner; negative centres.
    POINT Position{-1, -1};

    // Shows the dialog over the application's active form, else its active
    // window, else its own window. False when the platform could not.
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
                                                  TMsgDlgButtons buttons, int x, int y);
