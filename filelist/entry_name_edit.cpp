#include "entry_name_edit.h"

#include "platform_calls.h"

TEntryNameEdit::TEntryNameEdit(TComponent* owner) : TWinControl(owner) {
    // An edit box has no label beside it that a screen reader could read.
    Annotate({CHILDID_SELF, TAccProperty::Name, L"Nouveau nom"});
}

void TEntryNameEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClass = L"EDIT";
    params.Style |= WS_BORDER | ES_AUTOHSCROLL;
}

std::wstring TEntryNameEdit::Text() {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void TEntryNameEdit::CompleteComposition() {
    const win::InputContext context(Handle());
    if (context.get()) Platform().ImmNotifyIME(context.get(), NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
}

void TEntryNameEdit::Begin(const std::wstring& text, size_t selected, HFONT font) {
    HWND edit = Handle();
    ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // A file name holds at most MAX_PATH - 1 characters: more cannot be typed.
    ::SendMessageW(edit, EM_LIMITTEXT, MAX_PATH - 1, 0);
    ::SetWindowTextW(edit, text.c_str());
    ::SendMessageW(edit, EM_SETSEL, 0, static_cast<LPARAM>(selected));
    TakeFocus();
}

void TEntryNameEdit::TakeFocus() { ::SetFocus(Handle()); }

void TEntryNameEdit::TellList(bool rename, bool focusGone) {
    if (Parent() && Parent()->HandleAllocated())
        ::PostMessageW(Parent()->Handle(), CM_ENDNAMEEDIT, rename, focusGone);
}

void TEntryNameEdit::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_GETDLGCODE:
        message.Result = DLGC_WANTALLKEYS;
        return;
    case WM_KEYDOWN:
        if (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) {
            // A held key ends the edit once.
            if (!IsKeyRepeat(message.LParam)) TellList(message.WParam == VK_RETURN, false);
            return;
        }
        break;
    case WM_CHAR:
        // The characters of Enter and Esc: no beep, no line break.
        if (message.WParam == L'\r' || message.WParam == 0x1B) return;
        break;
    case WM_KILLFOCUS:
        DefaultHandler(message);
        TellList(true, true);
        return;
    default:
        break;
    }
    TWinControl::WndProc(message);
}
