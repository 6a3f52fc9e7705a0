#include "folder/folder_commands.h"

#include "app/main_form.h"
#include "app/popup_menu.h"
#include "filelist/shell_file_list_box.h"
#include "folder/send_to_location.h"
#include "folder/shell_helpers.h"

#include <shellapi.h>

ShellExecuteFn ShellExecuteCall = &::ShellExecuteW;

namespace {

constexpr wchar_t kNothingToLaunch[] = L"Pas de fichier à lancer";
constexpr wchar_t kLaunchQuestion[] = L"Lancer ";
constexpr wchar_t kNothingToRemove[] = L"Pas de fichier à supprimer";
constexpr wchar_t kRemoveQuestion[] = L"Retirer ce programme du dossier de démarrage de Windows\r\n\r\n";
constexpr wchar_t kRemoveByHand[] =
    L"Si ce fichier n'a pas pu être détruit automatiquement\r\n\r\n"
    L"Vous devez le supprimer manuellement\r\n\r\n"
    L"Voulez vous le faire maintenant ?";

// Whatever the shell does with the path, it reports itself.
void OpenInShell(HWND owner, const std::wstring& path) {
    (void)ShellExecuteCall(owner, L"OPEN", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void TForm1::mnu_EXPLOREClick(TComponent*) { OpenInShell(Handle(), SendToPath); }

void TForm1::mnu_LANCERClick(TComponent*) {
    const int index = ShellFileListBox1->ItemIndex();
    if (index == -1) {
        ShowNotice(kNothingToLaunch, mtWarning);
        return;
    }
    // The list may be read again while the question is up: what opens is
    // the file asked about, and only while the list still holds it.
    const std::wstring path = ShellFileListBox1->FileName();
    if (!AskConfirm(kLaunchQuestion + ShellFileListBox1->ItemText(index))) return;
    if (ShellFileListBox1->HoldsFile(path)) OpenInShell(Handle(), path);
}

// Enters the SendTo folder again, so that one missing at start shows once it exists.
void TForm1::Raffraichir1Click(TComponent*) { ShellFileListBox1->SetDirectory(SendToPath); }

void TForm1::Supprimer1Click(TComponent*) {
    const std::wstring path = ShellFileListBox1->FileName();
    if (path.empty()) {
        ShowNotice(kNothingToRemove, mtWarning);
        return;
    }
    // The question names the entry as the list shows it; the file is what goes.
    if (!AskConfirm(kRemoveQuestion + ShellFileListBox1->ItemText(ShellFileListBox1->ItemIndex()))) return;
    // The question that follows is the way out when the file stayed.
    (void)RecycleFile(Handle(), path);
    ShellFileListBox1->Update();
    if (AskConfirm(kRemoveByHand)) mnu_EXPLORE->Click();
}
