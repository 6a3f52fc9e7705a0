#include "message_dialog.h"

#include "application_host.h"
#include "exceptions.h"
#include "message_form.h"
#include "resource_ids.h"
#include "system_library.h"
#include "task_message_dialog.h"

bool UseTaskDialogs = true;

namespace {

constexpr UINT kButtonCaptionIds[MsgDlgButtonCount] = {
    IDS_BTN_YES, IDS_BTN_NO,  IDS_BTN_OK,        IDS_BTN_CANCEL,     IDS_BTN_ABORT, IDS_BTN_RETRY,
    IDS_BTN_IGNORE, IDS_BTN_ALL, IDS_BTN_NO_TO_ALL, IDS_BTN_YES_TO_ALL, IDS_BTN_HELP, IDS_BTN_CLOSE};
constexpr TModalResult kButtonResults[MsgDlgButtonCount] = {6, 7, 1, 2, 3, 4, 5, 12, 13, 14, -1, 8};
constexpr UINT kTitleIds[] = {IDS_MSG_WARNING, IDS_MSG_ERROR, IDS_MSG_INFORMATION, IDS_MSG_CONFIRM};

int PlatformMajorVersion() {
    static const int major = [] {
        OSVERSIONINFOW info{sizeof(info)};
        return ::GetVersionExW(&info) ? static_cast<int>(info.dwMajorVersion) : 0;
    }();
    return major;
}

// Wine's comctl32 6 carries the version number 5.81: a manifest that
// redirects comctl32 to the common controls 6 assembly counts as well.
bool ManifestSelectsCommonControls6() {
    ACTCTX_SECTION_KEYED_DATA data{sizeof(data)};
    return ::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                      &data) != FALSE;
}

bool CommonControlsV6() {
    // A version that cannot be read is taken as recent enough.
    static const bool v6 = [] {
        const DWORD version = FileVersionMS(L"comctl32.dll");
        return version == 0 || version >= 0x60000 || ManifestSelectsCommonControls6();
    }();
    return v6;
}

bool TaskDialogsApply() {
    return PlatformMajorVersion() >= 6 && UseTaskDialogs && ApplicationHost->VisualStylesActive() &&
           CommonControlsV6();
}

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

bool NearestWorkArea(HWND window, RECT& area) {
    MONITORINFO info{sizeof(info)};
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return false;
    area = info.rcWork;
    return true;
}

TModalResult ShowMessageDialog(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons, int, int x,
                               int y, const std::wstring&) {
    // The program ships no help file: the help context and file lead nowhere.
    if (TaskDialogsApply()) {
        if (const auto result = ShowTaskMessageDialog(message, kind, buttons, x, y)) return *result;
    }
    // Also where the platform could not show its task dialog: the question
    // is still asked, rather than taken as refused without a word.
    return ShowMessageForm(CreateMessageDialog(message, kind, buttons, DefaultButton(buttons)), x, y);
}
