// What both presentations of a message dialog share: its kinds, its
// buttons, and their French titles, captions and results.
#pragma once

#include "form.h"

#include <initializer_list>
#include <string>
#include <vector>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose
};
constexpr int MsgDlgButtonCount = mbClose + 1;

// A set of buttons: button value n is bit n. Built from a list of buttons
// ({mbOK, mbCancel}) so that a lone button can never pass as a raw mask.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
        for (TMsgDlgBtn b : buttons) mask_ = static_cast<unsigned short>(mask_ | (1u << b));
    }
    constexpr explicit TMsgDlgButtons(unsigned short mask) : mask_(mask) {}
    constexpr bool Contains(TMsgDlgBtn button) const noexcept { return (mask_ >> button) & 1u; }
    constexpr unsigned short Mask() const noexcept { return mask_; }
    constexpr bool operator==(const TMsgDlgButtons&) const = default;

private:
    unsigned short mask_ = 0;
};

// The title bar text for a kind: its French title, the application's title
// for mtCustom.
std::wstring DialogTitle(TMsgDlgType kind);
std::wstring ButtonCaption(TMsgDlgBtn button);
// The result a button reports when it closes the dialog.
TModalResult ButtonResult(TMsgDlgBtn button);
// The buttons of the set in button order, whatever order they were listed in.
std::vector<TMsgDlgBtn> ButtonsInOrder(TMsgDlgButtons buttons);
// OK when present, else Yes, else Retry (which may be absent: no default).
TMsgDlgBtn DefaultButton(TMsgDlgButtons buttons);
