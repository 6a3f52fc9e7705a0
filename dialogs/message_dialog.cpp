#include "message_dialog.h"

#include "application_host.h"
#include "message_form.h"
#include "system_library.h"
#include "task_message_dialog.h"

bool UseTaskDialogs = true;

namespace {

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
    return SystemAtLeast(6, 0) && UseTaskDialogs && ApplicationHost->VisualStylesActive() &&
           CommonControlsV6();
}

}  // namespace

TModalResult ShowMessageDialog(const std::wstring& message, TMsgDlgType kind, TMsgDlgButtons buttons) {
    if (TaskDialogsApply()) {
        if (const auto result = ShowTaskMessageDialog(message, kind, buttons)) return *result;
    }
    // Also where the platform could not show its task dialog: the question
    // is still asked, rather than taken as refused without a word.
    return ShowMessageForm(CreateMessageDialog(message, kind, buttons, DefaultButton(buttons)));
}
