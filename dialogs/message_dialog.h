// The one modal notice-and-question operation of the program.
#pragma once

#include "app/form.h"

#include <initializer_list>
#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose
};

// A set of buttons: button value n is bit n.
using TMsgDlgButtons = unsigned short;
constexpr TMsgDlgButtons MsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
    TMsgDlgButtons set = 0;
    for (TMsgDlgBtn b : buttons) set = static_cast<TMsgDlgButtons>(set | (1u << b));
    return set;
}

// Shows `message` in a modal dialog of the given kind with the given buttons
// and returns the result of the button that closed it (2 when it was
// dismissed). X and Y of -1 centre the dialog.
TModalResult ShowMessageDialog(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons,
                               int helpContext, int x, int y, const std::wstring& helpFile);
