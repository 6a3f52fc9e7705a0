#include "folder_commands.h"

#include "modal_scope.h"
#include "platform_calls.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "undo_record.h"

#include <shellapi.h>

namespace {

constexpr wchar_t kNothingToLaunch[] = L"Pas de fichier à lancer";
constexpr wchar_t kLaunchQuestion[] = L"Lancer ";
constexpr wchar_t kNothingToRemove[] = L"Pas de fichier à supprimer";
constexpr wchar_t kRemoveQuestion[] = L"Retirer ce programme du dossier de démarrage de Windows\r\n\r\n";
constexpr wchar_t kRemoveByHand[] =
    L"Si ce fichier n'a pas pu être détruit automatiquement\r\n\r\n"
    L"Vous devez le supprimer manuellement\r\n\r\n"
    L"Voulez vous le faire maintenant ?";

// Whatever the shell does with the path, it reports itself: its boxes and
// questions, owned by `owner`, answer only keys pressed while they are up.
// The program it starts keeps the activation.
void OpenInShell(HWND owner, const std::wstring& path) {
    const TModalScope modal(owner, TModalScope::TActivationGone::Leave);
    (void)Platform().ShellExecuteW(owner, L"OPEN", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void OpenSendToFolder(HWND owner) { OpenInShell(owner, SendToPath); }

void LaunchSelected(TShellFileListBox& list, HWND owner) {
    const int index = list.ItemIndex();
    if (index == -1) {
        ShowNotice(kNothingToLaunch, mtWarning);
        return;
    }
    // The list may be read again while the question is up: what opens is
    // the file asked about, and only while the list still holds it.
    const std::wstring path = list.FileName();
    if (!AskConfirm(kLaunchQuestion + list.ItemText(index))) return;
    if (list.HoldsFile(path)) OpenInShell(owner, path);
}

void RereadSendToFolder(TShellFileListBox& list) { list.SetDirectory(SendToPath); }

bool RemoveSelected(TShellFileListBox& list, TUndoRecord& undo) {
    const std::wstring path = list.FileName();
    if (path.empty()) {
        ShowNotice(kNothingToRemove, mtWarning);
        return false;
    }
    // The question names the entry as the list shows it; the file is what goes.
    if (!AskConfirm(kRemoveQuestion + list.ItemText(list.ItemIndex()))) return false;
    // The question that follows is the way out when the file stayed.
    if (std::optional<TRecycledItem> recycled = RecycleKeepingTrack(path)) undo.Removed(path, std::move(*recycled));
    list.Update();
    return AskConfirm(kRemoveByHand);
}
