#include "main_form.h"

#include "application_host.h"
#include "dropped_names.h"
#include "file_drag_drop.h"
#include "shell_file_list_box.h"

namespace {

bool KeyDown(int key) { return ::GetKeyState(key) < 0; }

}  // namespace

// Taken before the list sees the key, so that no character is made of it
// for the type-ahead. Other keys (letters, arrows, Shift+F10, the menu key)
// go on to the list as before. While a question is up the keys are its own:
// none starts a command over it.
bool TForm1::PreProcessKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN || ApplicationHost->ModalLevel() > 0 || !ShellFileListBox1 ||
        msg.hwnd != ShellFileListBox1->Handle())
        return false;
    const bool ctrl = KeyDown(VK_CONTROL);
    const bool plain = !ctrl && !KeyDown(VK_SHIFT);
    switch (msg.wParam) {
    case VK_RETURN:
        if (!plain) return false;
        mnu_LANCERClick(ShellFileListBox1);
        return true;
    case VK_DELETE:
        if (!plain) return false;
        Supprimer1Click(ShellFileListBox1);
        return true;
    case VK_F5:
        if (!plain) return false;
        Raffraichir1Click(ShellFileListBox1);
        return true;
    case 'V':
        if (!ctrl || KeyDown(VK_SHIFT)) return false;
        PasteFiles();
        return true;
    default:
        return false;
    }
}

void TForm1::PasteFiles() {
    const std::vector<std::wstring> files = ClipboardFileNames(Handle());
    if (!files.empty()) FileDragDrop1Drop(FileDragDrop1, POINT{}, files);
}
