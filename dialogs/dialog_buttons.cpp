#include "dialog_buttons.h"

#include "application_host.h"
#include "exceptions.h"
#include "resource_ids.h"

namespace {

constexpr UINT kButtonCaptionIds[MsgDlgButtonCount] = {
    IDS_BTN_YES, IDS_BTN_NO,  IDS_BTN_OK,        IDS_BTN_CANCEL,     IDS_BTN_ABORT, IDS_BTN_RETRY,
    IDS_BTN_IGNORE, IDS_BTN_ALL, IDS_BTN_NO_TO_ALL, IDS_BTN_YES_TO_ALL, IDS_BTN_HELP, IDS_BTN_CLOSE};
constexpr TModalResult kButtonResults[MsgDlgButtonCount] = {6, 7, 1, 2, 3, 4, 5, 12, 13, 14, -1, 8};
constexpr UINT kTitleIds[] = {IDS_MSG_WARNING, IDS_MSG_ERROR, IDS_MSG_INFORMATION, IDS_MSG_CONFIRM};

}  // namespace

std::wstring DialogTitle(TMsgDlgType kind) {
    return kind == mtCustom ? ApplicationHost->Title() : LoadResString(kTitleIds[kind]);
}

std::wstring ButtonCaption(TMsgDlgBtn button) { return LoadResString(kButtonCaptionIds[button]); }

TModalResult ButtonResult(TMsgDlgBtn button) { return kButtonResults[button]; }

std::vector<TMsgDlgBtn> ButtonsInOrder(TMsgDlgButtons buttons) {
    std::vector<TMsgDlgBtn> inOrder;
    for (int value = mbYes; value < MsgDlgButtonCount; ++value)
        if (buttons.Contains(static_cast<TMsgDlgBtn>(value))) inOrder.push_back(static_cast<TMsgDlgBtn>(value));
    return inOrder;
}

TMsgDlgBtn DefaultButton(TMsgDlgButtons buttons) {
    if (buttons.Contains(mbOK)) return mbOK;
    if (buttons.Contains(mbYes)) return mbYes;
    return mbRetry;
}
