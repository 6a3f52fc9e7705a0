#include "custom_list_box.h"

#include "exceptions.h"
#include "platform_calls.h"
#include "popup_menu.h"
#include "resource_ids.h"

#include <windowsx.h>

#include <algorithm>

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner) {}

void TCustomListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClass = L"LISTBOX";
    // A window the list holds (the box of a rename in place) is never
    // painted over by the list's entries.
    params.Style |= WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_CLIPCHILDREN | LBS_NOTIFY | LBS_HASSTRINGS |
                    LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT;
    if (columns_ > 0) params.Style |= LBS_MULTICOLUMN;
}

void TCustomListBox::CreateWindowDone() {
    ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
    UpdateColumnWidth();
}

void TCustomListBox::FontChanged() {
    if (HandleAllocated()) ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
}

void TCustomListBox::SetColumns(int columns) {
    const bool recreate = (columns_ == 0) != (columns == 0);
    columns_ = columns;
    if (recreate) RecreateWnd(); else UpdateColumnWidth();
}

void TCustomListBox::SetItemHeight(int height) {
    if (height == itemHeight_) return;
    itemHeight_ = height;
    if (height > 0) RecreateWnd();
}

void TCustomListBox::SetItemHeightInPlace(int height) {
    if (height == itemHeight_ || height <= 0) return;
    itemHeight_ = height;
    if (!HandleAllocated()) return;
    ::SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0));
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

// The sizes the list passes through on the way move its first entry shown
// to the start of whatever column they allow: the entry first shown before
// is shown first again, in the column that holds it. Until the user scrolls,
// that entry stays the one the user left first, not the start of the column
// the last change of scale rounded it to: moves back and forth would
// otherwise carry the list back a column at a time.
void TCustomListBox::RescaleStarting() {
    if (!HandleAllocated()) return;
    const int top = static_cast<int>(::SendMessageW(Handle(), LB_GETTOPINDEX, 0, 0));
    if (top != placedFirst_) shownFirst_ = top;
}

void TCustomListBox::RescaleDone() {
    if (!HandleAllocated()) return;
    ::SendMessageW(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(shownFirst_), 0);
    placedFirst_ = static_cast<int>(::SendMessageW(Handle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::UpdateColumnWidth() {
    if (!HandleAllocated() || columns_ <= 0 || Width() <= 0) return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int width = std::max(1, static_cast<int>(client.right / columns_));
    ::SendMessageW(Handle(), LB_SETCOLUMNWIDTH, width, 0);
}

int TCustomListBox::ItemIndex() { return static_cast<int>(::SendMessageW(Handle(), LB_GETCURSEL, 0, 0)); }

void TCustomListBox::SetItemIndex(int index) { ::SendMessageW(Handle(), LB_SETCURSEL, index, 0); }

int TCustomListBox::Count() { return static_cast<int>(::SendMessageW(Handle(), LB_GETCOUNT, 0, 0)); }

std::wstring TCustomListBox::ItemText(int index) {
    const LRESULT length = ::SendMessageW(Handle(), LB_GETTEXTLEN, index, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length), L'\0');
    const LRESULT copied = ::SendMessageW(Handle(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

DWORD TCustomListBox::ItemData(int index) {
    return static_cast<DWORD>(::SendMessageW(Handle(), LB_GETITEMDATA, index, 0));
}

std::optional<RECT> TCustomListBox::ItemRect(int index) {
    RECT rect{};
    if (::SendMessageW(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) == LB_ERR)
        return std::nullopt;
    return rect;
}

int TCustomListBox::ItemAt(POINT point) {
    // The platform answers the nearest entry for a point on none.
    const int nearest = LOWORD(::SendMessageW(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y)));
    const std::optional<RECT> rect = ItemRect(nearest);
    return rect && ::PtInRect(&*rect, point) ? nearest : -1;
}

// An entry before the part in sight comes first in it; one after it comes
// last, so that the list moves no further than it must. The list scrolls by
// whole columns when it has columns, else by lines.
void TCustomListBox::ScrollIntoView(int index) {
    const std::optional<RECT> entry = ItemRect(index);
    if (!entry) return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const bool before = entry->left < client.left || entry->top < client.top;
    if (!before && entry->right <= client.right && entry->bottom <= client.bottom) return;
    int top = index;
    if (!before) {
        const int height = std::max(1, static_cast<int>(entry->bottom - entry->top));
        const int width = std::max(1, static_cast<int>(entry->right - entry->left));
        const int step = columns_ > 0 ? std::max(1, static_cast<int>(client.bottom) / height) : 1;
        const int steps = columns_ > 0 ? client.right / width : client.bottom / height;
        top = std::max(0, index - step * (std::max(1, steps) - 1));
    }
    ::SendMessageW(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
}

void TCustomListBox::ClearItems() { ::SendMessageW(Handle(), LB_RESETCONTENT, 0, 0); }

int TCustomListBox::AddItem(const std::wstring& text, DWORD data) {
    const LRESULT index = ::SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) throw EOutOfResources(LoadResString(IDS_INSERT_LINE_ERROR));
    ::SendMessageW(Handle(), LB_SETITEMDATA, index, data);
    return static_cast<int>(index);
}

void TCustomListBox::DrawItem(const DRAWITEMSTRUCT& item) {
    const UINT state = item.itemState & 0xFF;
    const int index = static_cast<int>(item.itemID);
    const bool selected = index >= 0 && (state & ODS_SELECTED);
    canvas_ = {item.hDC, ColorToRGB(selected ? clHighlight : Color()),
               ColorToRGB(selected ? clHighlightText : font_.Color())};
    win::SelectScope font(item.hDC, font_.Handle());
    ::SetTextColor(item.hDC, canvas_.FontColor);
    if (index < 0) {
        // The platform's request for an empty list: the background, and the
        // focus rectangle where the first entry would be while the list has
        // the focus, so that the keyboard's user sees where the focus is.
        win::UniqueBrush brush(::CreateSolidBrush(canvas_.Brush));
        ::FillRect(item.hDC, &item.rcItem, brush.get());
        if (state & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
    } else {
        DrawListItem(index, item.rcItem, state);
    }
    canvas_ = {};
}

bool TCustomListBox::TypeAhead(TMessage& message) {
    const DWORD now = Platform().GetTickCount();
    if (now - lastTime_ >= AutoCompleteDelay) filter_.clear();
    lastTime_ = now;

    const wchar_t ch = static_cast<wchar_t>(message.WParam);
    if (ch == VK_BACK) {
        if (!filter_.empty()) filter_.pop_back();
    } else if (ch >= 0xD800 && ch <= 0xDFFF) {
        MSG next;
        if (::PeekMessageW(&next, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE)) {
            filter_ += ch;
            filter_ += static_cast<wchar_t>(next.wParam);
        }
    } else {
        filter_ += ch;
    }

    if (filter_.empty()) {
        SetItemIndex(0);
        return false;
    }
    const LRESULT found = ::SendMessageW(Handle(), LB_FINDSTRING, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(filter_.c_str()));
    if (found != LB_ERR) SetItemIndex(static_cast<int>(found));
    return ch != VK_BACK && ch != VK_RETURN && ch != VK_ESCAPE;
}

// Shift+F10 or the menu key: the menu opens at the selected entry, brought
// into sight first, as the file browser opens it; at the list's corner when
// no entry is selected.
POINT TCustomListBox::KeyboardMenuPoint() {
    const int index = ItemIndex();
    if (index < 0 || index >= Count()) return {0, 0};
    ScrollIntoView(index);
    const std::optional<RECT> entry = ItemRect(index);
    if (!entry) return {0, 0};
    return {entry->left, entry->bottom};
}

bool TCustomListBox::OpenContextMenu(TMessage& message) {
    if (!popupMenu_) return false;
    POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    if (p.x == -1 && p.y == -1) {
        p = KeyboardMenuPoint();
        ::ClientToScreen(Handle(), &p);
    } else {
        POINT client = p;
        ::ScreenToClient(Handle(), &client);
        RECT area{};
        ::GetClientRect(Handle(), &area);
        if (!::PtInRect(&area, client)) return false;
    }
    popupMenu_->SetPopupComponent(this);
    popupMenu_->Popup(p.x, p.y);
    return true;
}

void TCustomListBox::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == LBN_DBLCLK && OnDblClick) OnDblClick(this);
        return;
    case CN_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam)->itemHeight = static_cast<UINT>(itemHeight_);
        message.Result = TRUE;
        return;
    case CN_DRAWITEM:
        DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam));
        message.Result = TRUE;
        return;
    case WM_CHAR:
        if (TypeAhead(message)) return;
        break;
    case WM_SIZE:
        DefaultHandler(message);
        UpdateColumnWidth();
        return;
    case WM_CONTEXTMENU:
        if (OpenContextMenu(message)) return;
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}
