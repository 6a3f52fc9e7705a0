// The program's one window: the SendTo folder's list, its status bar, its
// context menu and the drop target.
#pragma once

#include "form.h"
#include "undo_record.h"

#include <string>
#include <vector>

class TPopupMenu;
class TMenuItem;
class TShellFileListBox;
class TImageList;
class TFileDragDrop;
class TStatusBar;
enum class TAddAs;

class TForm1 final : public TForm {
public:
    explicit TForm1(TComponent* owner);

    void ReadLayout() override;

    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* mnu_EXPLORE = nullptr;
    TMenuItem* mnu_LANCER = nullptr;
    TMenuItem* Supprimer1 = nullptr;
    TMenuItem* N1 = nullptr;
    TShellFileListBox* ShellFileListBox1 = nullptr;
    TImageList* ImageList1 = nullptr;
    TFileDragDrop* FileDragDrop1 = nullptr;
    TMenuItem* Raffraichir1 = nullptr;
    TMenuItem* N2 = nullptr;
    TStatusBar* StatusBar1 = nullptr;

    void FormCreate(TComponent* sender);
    void mnu_EXPLOREClick(TComponent* sender);
    void mnu_LANCERClick(TComponent* sender);
    void Supprimer1Click(TComponent* sender);
    void FileDragDrop1Drop(TComponent* sender, const POINT& pos, const std::vector<std::wstring>& value);
    void Raffraichir1Click(TComponent* sender);
    // The list's keys, as the table of ListKeys gives them.
    bool PreProcessKey(MSG& msg) override;
    void PasteFiles();
    // Ctrl+Z: undoes the last change made to the folder, once the user agrees.
    void UndoChange();
    // F1: the list's keys and gestures, in a notice.
    void ShowKeys();

    // The layout's design values.
    static constexpr int DesignPixelsPerInch = 96;
    static constexpr int DesignFontHeight = -11;
    static constexpr int DesignTextHeight = 13;
    static constexpr int DesignClientWidth = 243;
    static constexpr int DesignListHeight = 150;
    static constexpr int DesignStatusBarHeight = 19;
    static constexpr int DesignClientHeight = DesignListHeight + DesignStatusBarHeight;
    static constexpr int DesignListFontHeight = -13;

protected:
    void CreateParams(TCreateParams& params) override;
    SIZE ClientSizeForDpi(int dpi) override;
    void ChangeScale(int dpi) override;

private:
    void CreateMenu();
    TMenuItem* AddMenuItem(const wchar_t* caption, int imageIndex);
    void ReadImages();
    void ApplyScale(int dpi);
    // Adds the first of the files dropped or pasted to the folder.
    void AddFiles(const std::vector<std::wstring>& files, TAddAs as);

    // The last change this run made to the folder: one level of undo.
    TUndoRecord lastChange_;
};

extern TForm1* Form1;
