// The one modal notice-and-question operation of the program.
#pragma once

#include "dialog_buttons.h"

#include <string>

// Shows `message` in a modal dialog of the given kind with the given buttons,
// centred on the active form's monitor, and returns the result of the button
// that closed it (2 when it was dismissed).
TModalResult ShowMessageDialog(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons);

// Process-wide: false makes every dialog use the program's own message form
// instead of the platform's task dialog.
extern bool UseTaskDialogs;
