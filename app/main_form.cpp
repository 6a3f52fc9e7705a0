#include "main_form.h"

#include "application_host.h"
#include "dpi.h"
#include "drop_to_add.h"
#include "dropped_names.h"
#include "entry_rename.h"
#include "exceptions.h"
#include "file_drag_drop.h"
#include "folder_commands.h"
#include "image_list.h"
#include "list_keys.h"
#include "platform_calls.h"
#include "popup_menu.h"
#include "resource_ids.h"
#include "screen.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "status_bar.h"

TForm1* Form1 = nullptr;

namespace {

constexpr wchar_t kClassName[] = L"TForm1";
constexpr wchar_t kLayoutResource[] = L"TFORM1";

// What the layout's scaling rule finds at one resolution: the form's font
// height, and the height of "0" in that font, which every size follows.
struct LayoutScale {
    int fontHeight;
    int zeroHeight;

    bool Scales() const noexcept { return zeroHeight != TForm1::DesignTextHeight; }
    int Apply(int length) const { return ::MulDiv(length, zeroHeight, TForm1::DesignTextHeight); }
    SIZE ClientSize() const {
        return {Apply(TForm1::DesignClientWidth), Apply(TForm1::DesignClientHeight)};
    }
};

LayoutScale ScaleAt(int dpi) {
    // The layout's font is kept unless the resolution differs from the
    // design's and the framework's default font would differ from it there.
    const int defaultFontHeight = -::MulDiv(8, dpi, 72);
    int height = TForm1::DesignFontHeight;
    if (dpi != TForm1::DesignPixelsPerInch && height != defaultFontHeight)
        height = ::MulDiv(TForm1::DesignFontHeight, dpi, TForm1::DesignPixelsPerInch);
    TFont font;
    font.SetName(L"Tahoma");
    font.SetHeight(height);
    return {height, TextHeightOf(font.Handle(), L"0")};
}

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {}

void TForm1::CreateParams(TCreateParams& params) {
    TForm::CreateParams(params);
    params.ClassName = kClassName;
}

TMenuItem* TForm1::AddMenuItem(const wchar_t* caption, int imageIndex) {
    auto* item = Create<TMenuItem>();
    item->SetCaption(caption);
    item->SetImageIndex(imageIndex);
    PopupMenu1->Add(item);
    return item;
}

void TForm1::CreateMenu() {
    PopupMenu1 = Create<TPopupMenu>();
    mnu_EXPLORE = AddMenuItem(L"Explorer", 0);
    mnu_EXPLORE->OnClick = [this](TComponent* s) { mnu_EXPLOREClick(s); };
    N1 = AddMenuItem(L"-", -1);
    mnu_LANCER = AddMenuItem(L"Lancer", 1);
    mnu_LANCER->SetDefault(true);
    mnu_LANCER->OnClick = [this](TComponent* s) { mnu_LANCERClick(s); };
    Raffraichir1 = AddMenuItem(L"Raffraichir", 2);
    Raffraichir1->OnClick = [this](TComponent* s) { Raffraichir1Click(s); };
    N2 = AddMenuItem(L"-", -1);
    Supprimer1 = AddMenuItem(L"Supprimer", 3);
    Supprimer1->OnClick = [this](TComponent* s) { Supprimer1Click(s); };
}

void TForm1::ReadImages() {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = Platform().FindResourceW(module, kLayoutResource, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    // The layout belongs to the form class: the message names the class.
    if (!data) throw EResNotFound(FormatText(LoadResString(IDS_RESOURCE_NOT_FOUND), {kClassName}));
    ImageList1->ReadStream(data, ::SizeofResource(module, resource));
}

// Everything the layout sizes, for `dpi`, from the layout's own values: a
// window moved to another resolution looks as if it had been started there.
void TForm1::ApplyScale(int dpi) {
    const LayoutScale scale = ScaleAt(dpi);
    Font().SetHeight(scale.fontHeight);
    auto* list = ShellFileListBox1;
    list->Font().SetHeight(DesignListFontHeight);
    if (scale.Scales()) {
        list->SetBounds(0, 0, scale.Apply(DesignClientWidth), scale.Apply(DesignListHeight));
        list->Font().SetSize(scale.Apply(list->Font().Size(dpi)), dpi);
        // The status bar follows the system font: only its place moves.
        StatusBar1->SetBounds(StatusBar1->Left(), scale.Apply(DesignListHeight), StatusBar1->Width(), StatusBar1->Height());
    }
    // The list's window stays, where the user left it: its font, icons and
    // entry height follow in place.
    list->SetPixelsPerInch(dpi);
    StatusBar1->SetPixelsPerInch(dpi);
}

SIZE TForm1::ClientSizeForDpi(int dpi) {
    const LayoutScale from = ScaleAt(PixelsPerInch());
    const LayoutScale to = ScaleAt(dpi);
    const SIZE designed = from.ClientSize();
    // A window left at its designed size takes the designed size there;
    // one the user resized keeps its proportions.
    if (ClientWidth() == designed.cx && ClientHeight() == designed.cy) return to.ClientSize();
    return {::MulDiv(ClientWidth(), to.zeroHeight, from.zeroHeight),
            ::MulDiv(ClientHeight(), to.zeroHeight, from.zeroHeight)};
}

void TForm1::ChangeScale(int dpi) { ApplyScale(dpi); }

void TForm1::ReadLayout() {
    SetBounds(0, 0, 0, 0);
    SetBorderStyle(TBorderStyle::bsSizeToolWin);
    SetCaption(L"Envoyer vers : Tervalo 2019 ***{:-");
    SetColor(clBtnFace);
    Font().SetName(L"Tahoma");
    Font().SetHeight(DesignFontHeight);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetPosition(TPosition::poMainFormCenter);
    OnCreate = [this](TComponent* s) { FormCreate(s); };
    // A rename in place that is under way when the program closes renames nothing.
    OnClose = [this](TComponent*) { ShellFileListBox1->EndNameEdit(false); };

    ShellFileListBox1 = Create<TShellFileListBox>();
    ShellFileListBox1->BeginLoading();
    ShellFileListBox1->SetParent(this);
    ShellFileListBox1->SetBounds(0, 0, DesignClientWidth, DesignListHeight);
    ShellFileListBox1->SetAlign(TAlign::alClient);
    ShellFileListBox1->SetColumns(2);
    ShellFileListBox1->SetShowGlyphs(true);
    ShellFileListBox1->SetForceFileExtensions(false);
    // Read by screen readers as the window's purpose, not as an unnamed list.
    ShellFileListBox1->Annotate({CHILDID_SELF, TAccProperty::Name, L"Envoyer vers"});
    ShellFileListBox1->Font().SetName(L"Tahoma");
    ShellFileListBox1->Font().SetHeight(DesignListFontHeight);
    ShellFileListBox1->FontChanged();
    ShellFileListBox1->OnDblClick = [this](TComponent* s) { mnu_LANCERClick(s); };
    ShellFileListBox1->OnRename = [this](const std::wstring& file, const std::wstring& typed,
                                         const std::wstring& hiddenExtension) {
        return RenameEntry(*ShellFileListBox1, file, typed, hiddenExtension, lastChange_);
    };

    StatusBar1 = Create<TStatusBar>();
    StatusBar1->BeginLoading();
    StatusBar1->SetParent(this);
    StatusBar1->SetBounds(0, DesignListHeight, DesignClientWidth, DesignStatusBarHeight);
    StatusBar1->SetPanelText(L"Déposez un fichier pour l'ajouter au dossier \"Envoyer vers ...\" de Windows");

    CreateMenu();
    PopupMenu1->BeginLoading();

    ImageList1 = Create<TImageList>();
    ImageList1->BeginLoading();
    ReadImages();

    FileDragDrop1 = Create<TFileDragDrop>();
    FileDragDrop1->BeginLoading();
    FileDragDrop1->SetDropTarget(ShellFileListBox1);
    FileDragDrop1->OnDrop = [this](TComponent* s, const POINT& p, const std::vector<std::wstring>& v) {
        FileDragDrop1Drop(s, p, v);
    };

    ShellFileListBox1->SetPopupMenu(PopupMenu1);
    PopupMenu1->SetImages(ImageList1);

    // The window opens centred on the primary monitor: its resolution rules.
    const int dpi = PrimaryMonitorDpi();
    SetPixelsPerInch(dpi);
    ApplyScale(dpi);
    const SIZE client = ScaleAt(dpi).ClientSize();
    // Applying the client size needs the native window: it is created here, hidden.
    SetClientSize(client.cx, client.cy);

    for (TComponent* c : {static_cast<TComponent*>(ShellFileListBox1), static_cast<TComponent*>(StatusBar1),
                          static_cast<TComponent*>(PopupMenu1), static_cast<TComponent*>(ImageList1),
                          static_cast<TComponent*>(FileDragDrop1)})
        c->Loaded();
}

void TForm1::FormCreate(TComponent*) { EnterSendToFolder(*ShellFileListBox1); }

void TForm1::mnu_EXPLOREClick(TComponent*) { OpenSendToFolder(Handle()); }

void TForm1::mnu_LANCERClick(TComponent*) { LaunchSelected(*ShellFileListBox1, Handle()); }

void TForm1::Raffraichir1Click(TComponent*) { RereadSendToFolder(*ShellFileListBox1); }

void TForm1::Supprimer1Click(TComponent*) {
    if (RemoveSelected(*ShellFileListBox1, lastChange_)) mnu_EXPLORE->Click();
}

namespace {

bool KeyDown(int key) { return ::GetKeyState(key) < 0; }

// Alt held as the files arrive asks for a shortcut, as in the file browser.
// A drag from another program leaves that program in front, and the
// thread's key state then misses the keys: the physical state tells.
bool AltHeldNow() { return Platform().GetAsyncKeyState(VK_MENU) < 0; }

}  // namespace

// Taken before the list sees the key, so that no character is made of it
// for the type-ahead. Other keys (letters, arrows, Shift+F10, the menu key)
// go on to the list. While a question is up the keys are its own: none
// starts a command over it. A held key starts its command once, on the
// press: its repeats go nowhere, so that holding Enter never launches
// through a question that the next repeat would answer.
bool TForm1::PreProcessKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN || ApplicationHost->ModalLevel() > 0 || !ShellFileListBox1 ||
        msg.hwnd != ShellFileListBox1->Handle())
        return false;
    if (KeyDown(VK_SHIFT)) return false;
    const TListKey* key = ListKeyFor(msg.wParam, KeyDown(VK_CONTROL));
    if (!key) return false;
    if (!IsKeyRepeat(msg.lParam)) key->command(*this);
    return true;
}

void TForm1::FileDragDrop1Drop(TComponent*, const POINT&, const std::vector<std::wstring>& value) {
    AddFiles(value, AltHeldNow() ? TAddAs::Shortcut : TAddAs::Copy);
}

// A paste has no key that asks for a shortcut: a file is copied.
void TForm1::PasteFiles() {
    const std::vector<std::wstring> files = ClipboardFileNames(Handle());
    if (!files.empty()) AddFiles(files, TAddAs::Copy);
}

void TForm1::UndoChange() { UndoLastChange(*ShellFileListBox1, lastChange_); }

void TForm1::ShowKeys() { (void)ShowNotice(ListKeysNotice(), mtInformation); }

void TForm1::AddFiles(const std::vector<std::wstring>& files, TAddAs as) {
    // A drop ends a rename in place without renaming, then asks as any drop.
    ShellFileListBox1->EndNameEdit(false);
    AddDroppedFile(*ShellFileListBox1, files, as, lastChange_);
}
