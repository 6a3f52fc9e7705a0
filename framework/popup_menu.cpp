#include "popup_menu.h"

#include "application_host.h"
#include "graphics.h"
#include "image_list.h"
#include "modal_scope.h"
#include "screen.h"
#include "ux_theme.h"
#include "win_control.h"

#include <vssym32.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

LanguageFn SystemLanguageCall = &::GetSystemDefaultLangID;

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

// ---- Hotkeys ----------------------------------------------------------------

constexpr std::wstring_view kHotkeyChars = L"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

wchar_t Upper(wchar_t ch) {
    ::CharUpperBuffW(&ch, 1);
    return ch;
}

bool IsSurrogate(wchar_t ch) { return ch >= 0xD800 && ch <= 0xDFFF; }

// The position of the character that a single "&" marks, or npos.
size_t HotkeyPosition(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return i + 1;
        ++i;  // "&&" is a literal ampersand
    }
    return std::wstring::npos;
}

std::wstring WithoutHotkeyMarks(const std::wstring& caption) {
    std::wstring result;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size() && caption[i + 1] == L'&') {
            result += L"&&";
            ++i;
        } else if (caption[i] != L'&') {
            result += caption[i];
        }
    }
    return result;
}

// "(&K)" after the caption, before a trailing "..." if it has one: the form
// that Far-East systems use.
std::wstring WithAppendedHotkey(const std::wstring& caption, wchar_t key) {
    const size_t at = caption.ends_with(L"...") ? caption.size() - 3 : caption.size();
    return caption.substr(0, at) + L"(&" + key + L")" + caption.substr(at);
}

// The caption with its first character still available (taken out of
// `available`) marked as its hotkey, or nothing.
std::optional<std::wstring> MarkFirstAvailable(const std::wstring& caption, std::wstring& available, bool farEast) {
    for (size_t i = 0; i < caption.size(); ++i) {
        if (IsSurrogate(caption[i])) continue;
        const size_t at = available.find(Upper(caption[i]));
        if (at == std::wstring::npos) continue;
        const wchar_t key = available[at];
        available.erase(at, 1);
        return farEast ? WithAppendedHotkey(caption, key) : caption.substr(0, i) + L"&" + caption.substr(i);
    }
    return std::nullopt;
}

struct HotkeyPass {
    std::vector<std::pair<TMenuItem*, std::wstring>> assigned;
    std::vector<TMenuItem*> missed;
    std::wstring left;  // the characters still available after the pass
};

HotkeyPass AssignInOrder(const std::vector<TMenuItem*>& order, std::wstring available, bool farEast) {
    HotkeyPass pass;
    for (TMenuItem* item : order) {
        if (auto marked = MarkFirstAvailable(item->Caption(), available, farEast))
            pass.assigned.emplace_back(item, std::move(*marked));
        else
            pass.missed.push_back(item);
    }
    pass.left = std::move(available);
    return pass;
}

// Tries orders until every item gets a character, the items that missed
// out moved to the front each time; keeps the pass that served the most. On
// a Far-East system the items still without one get what is left.
void AssignHotkeysTo(std::vector<TMenuItem*> order, const std::wstring& available, bool farEast) {
    HotkeyPass best;
    const size_t passes = order.size();
    for (size_t n = 0; n < passes; ++n) {
        HotkeyPass pass = AssignInOrder(order, available, farEast);
        const bool complete = pass.missed.empty();
        if (n == 0 || pass.assigned.size() > best.assigned.size()) best = pass;
        if (complete) break;
        std::vector<TMenuItem*> next = pass.missed;
        for (const auto& done : pass.assigned) next.push_back(done.first);
        order = std::move(next);
    }
    for (size_t i = 0; farEast && i < best.missed.size() && i < best.left.size(); ++i)
        best.assigned.emplace_back(best.missed[i], WithAppendedHotkey(best.missed[i]->Caption(), best.left[i]));
    for (auto& [item, caption] : best.assigned) item->SetCaption(caption);
}

// Chinese, Japanese and Korean systems write a menu's hotkey after its caption.
bool FarEastSystem() {
    switch (PRIMARYLANGID(SystemLanguageCall())) {
    case LANG_CHINESE:
    case LANG_JAPANESE:
    case LANG_KOREAN: return true;
    default: return false;
    }
}

// ---- Visual styles ----------------------------------------------------------

bool themesDisabledForTesting = false;

// The theme's popup-menu parts while visual styles are in effect.
class MenuTheme {
public:
    MenuTheme() {
        const UxTheme& ux = UxTheme::Functions();
        if (themesDisabledForTesting || !ApplicationHost->VisualStylesActive() || !ux.Complete()) return;
        theme_ = ux.open(TPopupMenu::PopupListWindow(), L"MENU");
    }
    ~MenuTheme() {
        if (theme_) UxTheme::Functions().close(theme_);
    }
    MenuTheme(const MenuTheme&) = delete;
    MenuTheme& operator=(const MenuTheme&) = delete;

    explicit operator bool() const noexcept { return theme_ != nullptr; }

    SIZE PartSize(HDC dc, int part, int state = 0) const {
        SIZE size{};
        UxTheme::Functions().partSize(theme_, dc, part, state, nullptr, TS_TRUE, &size);
        return size;
    }
    MARGINS Margins(HDC dc, int part, int property, int state = 0) const {
        MARGINS margins{};
        UxTheme::Functions().margins(theme_, dc, part, state, property, nullptr, &margins);
        return margins;
    }
    void Background(HDC dc, int part, int state, const RECT& rect) const {
        UxTheme::Functions().background(theme_, dc, part, state, &rect, nullptr);
    }
    void Text(HDC dc, int part, int state, const std::wstring& text, DWORD format, const RECT& rect) const {
        UxTheme::Functions().text(theme_, dc, part, state, text.c_str(), static_cast<int>(text.size()), format, 0,
                                  &rect);
    }
    COLORREF TextColor(int part, int state) const {
        COLORREF color = ::GetSysColor(COLOR_MENUTEXT);
        UxTheme::Functions().color(theme_, part, state, TMT_TEXTCOLOR, &color);
        return color;
    }

private:
    HTHEME theme_ = nullptr;
};

// The sizes of the parts an item is made of.
struct ThemeMetrics {
    SIZE check, gutter, separator, subMenu;
    MARGINS checkContent, gutterSizing, itemSizing, separatorSizing;
};

ThemeMetrics ReadMetrics(const MenuTheme& theme, HDC dc) {
    ThemeMetrics m{};
    m.check = theme.PartSize(dc, MENU_POPUPCHECK, MC_CHECKMARKNORMAL);
    m.gutter = theme.PartSize(dc, MENU_POPUPGUTTER);
    m.separator = theme.PartSize(dc, MENU_POPUPSEPARATOR);
    m.subMenu = theme.PartSize(dc, MENU_POPUPSUBMENU, MSM_NORMAL);
    m.checkContent = theme.Margins(dc, MENU_POPUPCHECK, TMT_CONTENTMARGINS, MC_CHECKMARKNORMAL);
    m.gutterSizing = theme.Margins(dc, MENU_POPUPGUTTER, TMT_SIZINGMARGINS);
    m.itemSizing = theme.Margins(dc, MENU_POPUPITEM, TMT_SIZINGMARGINS, MPI_NORMAL);
    m.separatorSizing = theme.Margins(dc, MENU_POPUPSEPARATOR, TMT_SIZINGMARGINS);
    return m;
}

// ---- Drawing helpers ----------------------------------------------------------

// Classic layout: the image square with its frame, and where text begins.
constexpr int kClassicFrame = 19;
constexpr int kClassicTextLeft = 22;
constexpr int kClassicSeparatorHeight = 5 + 3;
constexpr int kClassicSeparatorOffset = 4;

win::UniqueFont MenuFont(bool bold) {
    LOGFONTW log = Screen->MenuFont();
    if (bold) log.lfWeight = FW_BOLD;
    return win::UniqueFont(::CreateFontIndirectW(&log));
}

SIZE TextSize(HDC dc, const std::wstring& text) {
    RECT r{};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    return {r.right - r.left, r.bottom - r.top};
}

// Where the caption goes: measured, then centred vertically in `area`.
RECT CaptionRect(HDC dc, const std::wstring& caption, const RECT& area) {
    const int height = TextSize(dc, caption).cy;
    RECT r = area;
    r.top += (area.bottom - area.top - height) / 2;
    r.bottom = r.top + height;
    return r;
}

DWORD TextFormat(UINT state) {
    return DT_SINGLELINE | DT_LEFT | DT_EXPANDTABS | ((state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
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

wchar_t TMenuItem::Hotkey() const {
    const size_t at = HotkeyPosition(caption_);
    return at == std::wstring::npos ? L'\0' : caption_[at];
}

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

void TPopupMenu::SetThemesDisabledForTesting(bool disabled) noexcept { themesDisabledForTesting = disabled; }

TMenuItem* TPopupMenu::FindItem(UINT command) const {
    auto it = std::find_if(items_.begin(), items_.end(), [command](TMenuItem* i) { return i->Command() == command; });
    return it == items_.end() ? nullptr : *it;
}

void TPopupMenu::AssignHotkeys() {
    std::wstring available(kHotkeyChars);
    std::vector<TMenuItem*> todo;
    for (TMenuItem* item : items_) {
        if (!item->Visible() || item->IsLine() || item->Caption().empty()) continue;
        const wchar_t hotkey = Upper(item->Hotkey());
        if (hotkey == L'\0') {
            todo.push_back(item);
        } else if (kHotkeyChars.find(hotkey) != std::wstring_view::npos) {
            const size_t at = available.find(hotkey);
            if (at != std::wstring::npos) {
                available.erase(at, 1);
            } else {
                item->SetCaption(WithoutHotkeyMarks(item->Caption()));
                todo.push_back(item);
            }
        }
    }
    if (!todo.empty()) AssignHotkeysTo(std::move(todo), available, FarEastSystem());
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
    win::UniqueMenu menu(::CreatePopupMenu());
    UINT position = 0;
    for (TMenuItem* item : shown_) {
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_FTYPE | MIIM_DATA;
        // The items carry images, so the menu draws them all itself.
        info.fType = MFT_OWNERDRAW | (item->IsLine() ? MFT_SEPARATOR : 0);
        info.fState = (item->Default() ? MFS_DEFAULT : 0) | (item->Enabled() ? 0 : MFS_DISABLED);
        info.wID = item->Command();
        info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
        // The platform keeps the caption too, for screen readers and
        // GetMenuStringW; it draws nothing of it.
        if (!item->IsLine()) {
            info.fMask |= MIIM_STRING;
            info.dwTypeData = const_cast<wchar_t*>(item->Caption().c_str());
        }
        ::InsertMenuItemW(menu.get(), position++, TRUE, &info);
    }
    return menu;
}

void TPopupMenu::Popup(int x, int y) {
    popupPoint_ = {x, y};
    const win::UniqueMenu menu = BuildMenu();
    handle_ = menu.get();
    // The menu's loop is modal like a dialog's; the menu window is never
    // the active one, so its hiding hands no activation away.
    TModalScope modal;
    ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, PopupListWindow(), nullptr);
    handle_ = nullptr;
}

void TPopupMenu::MeasureItem(const TMenuItem& item, MEASUREITEMSTRUCT& measure) const {
    win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    const win::UniqueFont font = MenuFont(item.Default());
    win::SelectScope selected(dc.get(), font.get());
    const SIZE image{images_ ? images_->Width() : 16, images_ ? images_->Height() : 16};
    const MenuTheme theme;
    if (theme) {
        const ThemeMetrics m = ReadMetrics(theme, dc.get());
        if (item.IsLine()) {
            measure.itemWidth = 0;
            measure.itemHeight = static_cast<UINT>(m.separator.cy + m.separatorSizing.cyBottomHeight);
            return;
        }
        const SIZE glyph{std::max(m.check.cx, image.cx), std::max(m.check.cy, image.cy)};
        measure.itemHeight = static_cast<UINT>(glyph.cy + m.checkContent.cyTopHeight + m.checkContent.cyBottomHeight);
        measure.itemWidth = static_cast<UINT>(
            glyph.cx + m.checkContent.cxLeftWidth + m.checkContent.cxRightWidth + m.gutter.cx +
            m.gutterSizing.cxLeftWidth + m.gutterSizing.cxRightWidth + m.itemSizing.cxLeftWidth +
            m.itemSizing.cxRightWidth + m.subMenu.cx + TextSize(dc.get(), item.Caption()).cx);
        return;
    }
    if (item.IsLine()) {
        measure.itemWidth = 0;
        measure.itemHeight = kClassicSeparatorHeight;
        return;
    }
    measure.itemHeight = static_cast<UINT>(image.cy + 3);
    measure.itemWidth = static_cast<UINT>(image.cx + 15 + TextSize(dc.get(), item.Caption()).cx + 7);
}

namespace {

void DrawImage(const TImageList* images, int index, HDC dc, int x, int y) {
    if (images && index >= 0 && index < images->Count())
        ::ImageList_DrawEx(images->Handle(), index, dc, x, y, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_NORMAL);
}

void DrawThemedItem(const MenuTheme& theme, const TMenuItem& item, const TImageList* images,
                    const DRAWITEMSTRUCT& draw) {
    HDC dc = draw.hDC;
    const RECT& r = draw.rcItem;
    const ThemeMetrics m = ReadMetrics(theme, dc);
    const bool selected = draw.itemState & ODS_SELECTED;
    const bool enabled = !(draw.itemState & (ODS_DISABLED | ODS_GRAYED));
    const SIZE image{images ? images->Width() : 16, images ? images->Height() : 16};

    theme.Background(dc, MENU_POPUPBACKGROUND, 0, r);
    const int textState = enabled ? MPI_NORMAL : MPI_DISABLED;
    ::SetTextColor(dc, theme.TextColor(MENU_POPUPITEM, textState));

    const SIZE check{m.check.cx + 2 * m.checkContent.cxRightWidth, m.check.cy + 2 * m.checkContent.cyBottomHeight};
    const RECT glyph{r.left, r.top, r.left + std::max(check.cx, image.cx), r.top + std::max(check.cy, image.cy)};
    const RECT gutter{glyph.left, r.top,
                      glyph.right + m.gutter.cx + m.checkContent.cxLeftWidth + m.gutterSizing.cxLeftWidth, r.bottom};
    theme.Background(dc, MENU_POPUPGUTTER, 0, gutter);

    if (item.IsLine()) {
        const RECT line{gutter.right + 1, r.top, r.right, r.bottom - m.separatorSizing.cyBottomHeight};
        theme.Background(dc, MENU_POPUPSEPARATOR, 0, line);
        return;
    }
    if (selected) theme.Background(dc, MENU_POPUPITEM, enabled ? MPI_HOT : MPI_DISABLEDHOT, r);
    DrawImage(images, item.ImageIndex(), dc, glyph.left + (glyph.right - glyph.left - image.cx) / 2,
              glyph.top + (glyph.bottom - glyph.top - image.cy) / 2);

    const RECT area{gutter.right + m.itemSizing.cxLeftWidth, r.top, r.right - m.subMenu.cx, r.bottom};
    theme.Text(dc, MENU_POPUPITEM, textState, item.Caption(), TextFormat(draw.itemState),
               CaptionRect(dc, item.Caption(), area));
}

void DrawClassicItem(const TMenuItem& item, const TImageList* images, const DRAWITEMSTRUCT& draw) {
    HDC dc = draw.hDC;
    RECT r = draw.rcItem;
    const bool selected = draw.itemState & ODS_SELECTED;
    const bool hasImage = images && item.ImageIndex() >= 0;
    ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_MENU));
    if (item.IsLine()) {
        RECT line = r;
        line.top += kClassicSeparatorOffset;
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    RECT fill = r;
    if (selected && hasImage) fill.left += kClassicFrame + 1;
    if (selected) ::FillRect(dc, &fill, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::SetTextColor(dc, ColorToRGB(selected ? clHighlightText : clMenuText));

    DrawImage(images, item.ImageIndex(), dc, r.left + 1, r.top + 1);
    if (selected && hasImage) {
        RECT frame{r.left, r.top, r.left + kClassicFrame, r.top + kClassicFrame};
        ::DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT);
    }
    const RECT area{r.left + kClassicTextLeft, r.top, r.right - 1, r.bottom};
    RECT text = CaptionRect(dc, item.Caption(), area);
    ::DrawTextW(dc, item.Caption().c_str(), static_cast<int>(item.Caption().size()), &text,
                TextFormat(draw.itemState));
}

}  // namespace

void TPopupMenu::DrawItem(const TMenuItem& item, const DRAWITEMSTRUCT& draw) const {
    const win::UniqueFont font = MenuFont(item.Default() || (draw.itemState & ODS_DEFAULT));
    win::SelectScope selected(draw.hDC, font.get());
    const int mode = ::SetBkMode(draw.hDC, TRANSPARENT);
    const COLORREF color = ::GetTextColor(draw.hDC);
    const MenuTheme theme;
    if (theme)
        DrawThemedItem(theme, item, images_, draw);
    else
        DrawClassicItem(item, images_, draw);
    ::SetTextColor(draw.hDC, color);
    ::SetBkMode(draw.hDC, mode);
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
