#include "list_keys.h"

#include "main_form.h"
#include "shell_file_list_box.h"

namespace {

constexpr TListKey kListKeys[] = {
    {L"Déposer un fichier", L"le copie dans le dossier"},
    {L"Déposer un dossier", L"y ajoute un raccourci vers lui"},
    {L"Alt en déposant un fichier", L"un raccourci au lieu d'une copie"},
    {L"Ctrl+V", L"ajoute le fichier copié dans l'Explorateur, comme un dépôt", 'V', true,
     [](TForm1& form) { form.PasteFiles(); }},
    {L"Entrée, double-clic", L"lance l'entrée choisie", VK_RETURN, false,
     [](TForm1& form) { form.mnu_LANCERClick(form.ShellFileListBox1); }},
    {L"Suppr", L"envoie l'entrée choisie dans la Corbeille", VK_DELETE, false,
     [](TForm1& form) { form.Supprimer1Click(form.ShellFileListBox1); }},
    {L"F2", L"renomme l'entrée choisie (Entrée valide, Échap annule)", VK_F2, false,
     [](TForm1& form) { form.ShellFileListBox1->EditSelectedName(); }},
    {L"F5", L"relit le dossier", VK_F5, false, [](TForm1& form) { form.Raffraichir1Click(form.ShellFileListBox1); }},
    {L"Ctrl+Z", L"annule la dernière modification du dossier", 'Z', true, [](TForm1& form) { form.UndoChange(); }},
    {L"F1", L"montre cette liste", VK_F1, false, [](TForm1& form) { form.ShowKeys(); }},
    {L"Clic droit, Maj+F10", L"le menu : Explorer, Lancer, Raffraichir, Supprimer"},
    {L"Lettres, flèches", L"choisissent une entrée"},
};

}  // namespace

std::span<const TListKey> ListKeys() { return kListKeys; }

const TListKey* ListKeyFor(WPARAM vk, bool ctrl) {
    for (const TListKey& key : kListKeys)
        if (key.command && key.vk == vk && key.ctrl == ctrl) return &key;
    return nullptr;
}

std::wstring ListKeysNotice() {
    std::wstring text = L"Touches et gestes de la liste :\r\n";
    for (const TListKey& key : kListKeys) text += std::wstring(L"\r\n") + key.name + L" : " + key.does;
    return text + L"\r\n\r\nRien n'est ajouté, lancé, retiré ni rétabli sans votre accord.";
}
