#include "app/main_form.h"

#include "filelist/shell_file_list_box.h"
#include "folder/send_to_location.h"
#include "folder/shell_helpers.h"

namespace {

constexpr wchar_t kAddQuestion[] =
    L"Placer ce programme dans le dossier SENDTO\r\nafin qu'il soit lancé à l'ouverture de Windows ? \r\n\r\n";

std::wstring SendToDestination(const std::wstring& name) {
    std::wstring destination = SendToPath;
    if (!destination.ends_with(L'\\')) destination += L'\\';
    return destination + name;
}

}  // namespace

void TForm1::FileDragDrop1Drop(TComponent*, const POINT&, const std::vector<std::wstring>& value) {
    // A drop that names nothing has nothing to add.
    if (value.empty() || value.front().empty()) return;
    // Copied before the question: another drop during the dialog refills the list.
    const std::wstring source = value.front();
    const std::wstring name = FileNamePart(source);
    const std::wstring destination = SendToDestination(name);
    if (!AskConfirm(kAddQuestion + name)) return;
    (void)CopyFileTo(source, destination);
    ShellFileListBox1->Update();
}
