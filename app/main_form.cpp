#include "main_form.h"

#include "drop_to_add.h"
#include "exceptions.h"
#include "file_drag_drop.h"
#include "folder_commands.h"
#include "image_list.h"
#include "platform_calls.h"
#include "popup_menu.h"
#include "resource_ids.h"
#include "screen.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "status_bar.h"

TForm1* Form1 = nullptr;

namespace {

constexpr wchar_t kClassName[] = L"TForm1";
constexpr wchar_t kLayoutResource[] = L"TFORM1";

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

void TForm1::ScaleToScreen(int& clientWidth, int& clientHeight) {
    const int ppi = Screen->PixelsPerInch();
    const int defaultFontHeight = -::MulDiv(8, ppi, 72);
    if (ppi != DesignPixelsPerInch && DesignFontHeight != defaultFontHeight)
        Font().SetHeight(::MulDiv(DesignFontHeight, ppi, DesignPixelsPerInch));

    const int measured = TextHeightOf(Font().Handle(), L"0");
    if (measured == DesignTextHeight) return;
    const auto scale = [&](int value) { return ::MulDiv(value, measured, DesignTextHeight); };
    auto* list = ShellFileListBox1;
    list->SetBounds(scale(list->Left()), scale(list->Top()), scale(list->Width()), scale(list->Height()));
    list->Font().SetSize(scale(list->Font().Size()));
    list->FontChanged();
    // The status bar follows the system font: only its place moves.
    StatusBar1->SetBounds(StatusBar1->Left(), scale(StatusBar1->Top()), StatusBar1->Width(), StatusBar1->Height());
    clientWidth = scale(clientWidth);
    clientHeight = scale(clientHeight);
}

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

    ShellFileListBox1 = Create<TShellFileListBox>();
    ShellFileListBox1->BeginLoading();
    ShellFileListBox1->SetParent(this);
    ShellFileListBox1->SetBounds(0, 0, 243, 150);
    ShellFileListBox1->SetAlign(TAlign::alClient);
    ShellFileListBox1->SetColumns(2);
    ShellFileListBox1->SetShowGlyphs(true);
    ShellFileListBox1->SetForceFileExtensions(false);
    ShellFileListBox1->Font().SetName(L"Tahoma");
    ShellFileListBox1->Font().SetHeight(-13);
    ShellFileListBox1->FontChanged();
    ShellFileListBox1->OnDblClick = [this](TComponent* s) { mnu_LANCERClick(s); };

    StatusBar1 = Create<TStatusBar>();
    StatusBar1->BeginLoading();
    StatusBar1->SetParent(this);
    StatusBar1->SetBounds(0, 150, 243, 19);
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

    int clientWidth = DesignClientWidth;
    int clientHeight = DesignClientHeight;
    ScaleToScreen(clientWidth, clientHeight);
    // Applying the client size needs the native window: it is created here, hidden.
    SetClientSize(clientWidth, clientHeight);

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
    if (RemoveSelected(*ShellFileListBox1)) mnu_EXPLORE->Click();
}

void TForm1::FileDragDrop1Drop(TComponent*, const POINT&, const std::vector<std::wstring>& value) {
    AddDroppedFile(*ShellFileListBox1, value);
}
