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
    if (ShellFileListBox1->ItemIndex() == -1) {
        ShowNotice(kNothingToLaunch, mtWarning);
        return;
    }
    if (!AskConfirm(kLaunchQuestion + FileNamePart(ShellFileListBox1->FileName()))) return;
    OpenInShell(Handle(), ShellFileListBox1->FileName());
}

// Enters the SendTo folder again, so that one missing at start shows once it exists.
void TForm1::Raffraichir1Click(TComponent*) { ShellFileListBox1->SetDirectory(SendToPath); }

void TForm1::Supprimer1Click(TComponent*) {
    const std::wstring path = ShellFileListBox1->FileName();
    if (path.empty()) {
        ShowNotice(kNothingToRemove, mtWarning);
        return;
    }
    if (!AskConfirm(kRemoveQuestion + FileNamePart(path))) return;
    // The question that follows is the way out when the file stayed.
    (void)RecycleFile(path);
    ShellFileListBox1->Update();
    if (AskConfirm(kRemoveByHand)) mnu_EXPLORE->Click();
}
