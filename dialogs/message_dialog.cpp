#include "dialogs/message_dialog.h"

TModalResult ShowMessageDialog(const std::wstring&, TMsgDlgType, TMsgDlgButtons, int, int, int, const std::wstring&) {
    return mrCancel;
}
