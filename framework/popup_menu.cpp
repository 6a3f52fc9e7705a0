#include "popup_menu.h"

#include "application_host.h"
#include "dpi.h"
#include "image_list.h"
#include "menu_hotkeys.h"
#include "menu_painter.h"
#include "modal_scope.h"
#include "platform_calls.h"
#include "screen.h"
#include "win_control.h"

#include <algorithm>
#include <memory>
#include <set>

namespace {

// ---- Command identifiers --------------------------------------------------

std::set<UINT>& TakenCommands() {
    static std::set<UINT> taken;
    return taken;
}

// Zero is left out: it is what a menu reports when nothing was chosen.
UINT TakeLowestFreeCommand() {
    auto& taken = TakenCommands();
    UINT command = 1;
    while (taken.count(command)) ++command;
    taken.insert(command);
    return command;
}

// Chinese, Japanese and Korean systems write a menu's hotkey after its caption.
bool FarEastSystem() {
    switch (PRIMARYLANGID(Platform().GetSystemDefaultLangID())) {
    case LANG_CHINESE:
    case LANG_JAPANESE:
    case LANG_KOREAN: return true;
    default: return false;
    }
}

// ---- The popup list -------------------------------------------------------

class TPopupListWindow : public TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.ClassName = L"TPUtilWindow";
        params.Style = WS_POPUP;
        params.X = params.Y = params.Width = params.Height = 0;
    }
    void WndProc(TMessage& message) override;
};

// Every popup menu of the process, and the hidden window that owns them
// while they are shown.
class PopupList {
public:
    static PopupList& Instance() {
        static PopupList list;
        return list;
    }

    void Add(TPopupMenu* menu) { menus_.push_back(menu); }
    void Remove(TPopupMenu* menu) {
        std::erase(menus_, menu);
        if (menus_.empty()) window_.reset();
    }
    HWND Window() {
        if (!window_) window_ = std::make_unique<TPopupListWindow>(nullptr);
        return window_->Handle();
    }
    std::pair<TPopupMenu*, TMenuItem*> FindItem(UINT command) const {
        for (TPopupMenu* menu : menus_)
            if (TMenuItem* item = menu->FindItem(command)) return {menu, item};
        return {nullptr, nullptr};
    }
    const std::vector<TPopupMenu*>& Menus() const noexcept { return menus_; }

private:
    std::vector<TPopupMenu*> menus_;
    std::unique_ptr<TPopupListWindow> window_;
};

void TPopupListWindow::WndProc(TMessage& message) {
    PopupList& list = PopupList::Instance();
    switch (message.Msg) {
    case WM_COMMAND:
        if (HIWORD(message.WParam) == 0) {
            if (auto [menu, item] = list.FindItem(LOWORD(message.WParam)); item) item->Click();
        }
        return;
    case WM_MEASUREITEM: {
        auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        if (measure.CtlType != ODT_MENU) break;
        if (auto [menu, item] = list.FindItem(measure.itemID); item) menu->MeasureItem(*item, measure);
        message.Result = TRUE;
        return;
    }
    case WM_DRAWITEM: {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        if (draw.CtlType != ODT_MENU) break;
        if (auto [menu, item] = list.FindItem(draw.itemID); item) menu->DrawItem(*item, draw);
        message.Result = TRUE;
        return;
    }
    case WM_MENUCHAR: {
        const auto menu = reinterpret_cast<HMENU>(message.LParam);
        for (TPopupMenu* popup : list.Menus()) {
            if (popup->Handle() == menu) {
                message.Result = popup->MenuChar(menu, static_cast<wchar_t>(LOWORD(message.WParam)));
                return;
            }
        }
        break;
    }
    default:
        break;
    }
    DefaultHandler(message);
}

}  // namespace

// ---- TMenuItem -------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(TakeLowestFreeCommand()) {}

TMenuItem::~TMenuItem() { TakenCommands().erase(command_); }

wchar_t TMenuItem::Hotkey() const { return HotkeyOf(caption_); }

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

// ---- TPopupMenu ------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) { PopupList::Instance().Add(this); }

TPopupMenu::~TPopupMenu() { PopupList::Instance().Remove(this); }

void TPopupMenu::Add(TMenuItem* item) {
    items_.push_back(item);
    FreeNotification(item);
}

void TPopupMenu::SetImages(TImageList* images) {
    if (images_) RemoveFreeNotification(images_);
    images_ = images;
    if (images_) FreeNotification(images_);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == images_) images_ = nullptr;
    std::erase(items_, component);
    std::erase(shown_, component);
}

HWND TPopupMenu::PopupListWindow() { return PopupList::Instance().Window(); }

TMenuItem* TPopupMenu::FindItem(UINT command) const {
    auto it = std::find_if(items_.begin(), items_.end(), [command](TMenuItem* i) { return i->Command() == command; });
    return it == items_.end() ? nullptr : *it;
}

void TPopupMenu::AssignHotkeys() {
    std::vector<TMenuItem*> served;
    std::vector<std::wstring> captions;
    for (TMenuItem* item : items_) {
        if (!item->Visible() || item->IsLine() || item->Caption().empty()) continue;
        served.push_back(item);
        captions.push_back(item->Caption());
    }
    ::AssignHotkeys(captions, FarEastSystem());
    for (size_t i = 0; i < served.size(); ++i) served[i]->SetCaption(captions[i]);
}

// The visible items without the separators that would stand at either end
// or next to another one.
std::vector<TMenuItem*> TPopupMenu::ItemsToShow() const {
    std::vector<TMenuItem*> shown;
    for (TMenuItem* item : items_) {
        if (!item->Visible()) continue;
        if (item->IsLine() && (shown.empty() || shown.back()->IsLine())) continue;
        shown.push_back(item);
    }
    if (!shown.empty() && shown.back()->IsLine()) shown.pop_back();
    return shown;
}

win::UniqueMenu TPopupMenu::BuildMenu() {
    AssignHotkeys();
    shown_ = ItemsToShow();
    // Filled whole before any item points into them.
    shownTexts_.assign(shown_.size(), std::wstring());
    accessibleData_.assign(shown_.size(), MSAAMENUINFO{});
    win::UniqueMenu menu(::CreatePopupMenu());
    for (size_t position = 0; position < shown_.size(); ++position) {
        const TMenuItem* item = shown_[position];
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_FTYPE | MIIM_DATA;
        // The items carry images, so the menu draws them all itself.
        info.fType = MFT_OWNERDRAW | (item->IsLine() ? MFT_SEPARATOR : 0);
        info.fState = (item->Default() ? MFS_DEFAULT : 0) | (item->Enabled() ? 0 : MFS_DISABLED);
        info.wID = item->Command();
        // An owner-drawn item's data starts with its text for screen readers.
        std::wstring& text = shownTexts_[position];
        if (!item->IsLine()) text = item->Caption();
        accessibleData_[position] = {MSAA_MENU_SIG, static_cast<DWORD>(text.size()), text.data()};
        info.dwItemData = reinterpret_cast<ULONG_PTR>(&accessibleData_[position]);
        // The platform keeps the caption too, for GetMenuStringW; it draws
        // nothing of it.
        if (!item->IsLine()) {
            info.fMask |= MIIM_STRING;
            info.dwTypeData = text.data();
        }
        ::InsertMenuItemW(menu.get(), static_cast<UINT>(position), TRUE, &info);
    }
    // The room around the items, in the dark palette, is dark too.
    if (Screen->DarkColors()) {
        MENUINFO look{sizeof(look)};
        look.fMask = MIM_BACKGROUND;
        look.hbrBack = Screen->SchemeBrush(COLOR_MENU);
        ::SetMenuInfo(menu.get(), &look);
    }
    return menu;
}

void TPopupMenu::Popup(int x, int y) {
    popupPoint_ = {x, y};
    const win::UniqueMenu menu = BuildMenu();
    handle_ = menu.get();
    // The menu's loop is modal like a dialog's; the menu window is never
    // the active one, so its hiding hands no activation away.
    painter_ = MakePainter();
    TModalScope modal;
    ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, PopupListWindow(), nullptr);
    painter_.reset();
    handle_ = nullptr;
}

std::unique_ptr<TMenuPainter> TPopupMenu::MakePainter() const {
    // The menu opens on the monitor of its point and is drawn at its resolution.
    const int dpi = DpiAt(popupPoint_);
    return std::make_unique<TMenuPainter>(PopupListWindow(), ApplicationHost->VisualStylesActive(), dpi,
                                          images_ ? images_->ForDpi(dpi) : TImageSet{});
}

// Asked outside an open popup, the answers come from a painter of their own.
void TPopupMenu::MeasureItem(const TMenuItem& item, MEASUREITEMSTRUCT& measure) const {
    (painter_ ? *painter_ : *MakePainter()).Measure(item, measure);
}

void TPopupMenu::DrawItem(const TMenuItem& item, const DRAWITEMSTRUCT& draw) const {
    (painter_ ? *painter_ : *MakePainter()).Draw(item, draw);
}

// ---- Keys in the open menu --------------------------------------------------

namespace {

struct CharMatches {
    int first = -1;     // the first enabled match
    int select = -1;    // the last enabled match after the highlighted one
    bool several = false;
    bool disabledOnly = false;
    bool highlightSeen = false;
};

}  // namespace

LRESULT TPopupMenu::MenuChar(HMENU menu, wchar_t ch) const {
    const wchar_t key = Upper(ch);
    for (const bool byHotkey : {true, false}) {
        CharMatches found;
        for (size_t pos = 0; pos < shown_.size(); ++pos) {
            const TMenuItem& item = *shown_[pos];
            if (item.IsLine() || item.Caption().empty()) continue;
            const wchar_t hotkey = item.Hotkey();
            const bool match = byHotkey ? hotkey != L'\0' && Upper(hotkey) == key
                                        : hotkey == L'\0' && Upper(item.Caption().front()) == key;
            if (!match) continue;
            if (!item.Enabled()) {
                if (found.first < 0) found.disabledOnly = true;
                continue;
            }
            found.disabledOnly = false;
            if (found.first < 0) found.first = static_cast<int>(pos);
            else found.several = true;
            if (found.highlightSeen) found.select = static_cast<int>(pos);
            if (::GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & MF_HILITE) found.highlightSeen = true;
        }
        if (found.first >= 0 && !found.several) return MAKELRESULT(found.first, MNC_EXECUTE);
        if (found.first >= 0) return MAKELRESULT(found.select >= 0 ? found.select : found.first, MNC_SELECT);
        if (found.disabledOnly) return MAKELRESULT(0, MNC_CLOSE);
    }
    return MAKELRESULT(0, MNC_IGNORE);
}
