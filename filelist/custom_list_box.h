// A control around the platform list box: owner-drawn entries of one height,
// a single selection, type-ahead and the double-click event.
#pragma once

#include "graphics.h"
#include "win_control.h"

#include <functional>
#include <optional>
#include <string>

class TPopupMenu;

// The drawing surface of one owner-draw request.
struct TListCanvas {
    HDC Dc = nullptr;
    COLORREF Brush = 0;
    COLORREF FontColor = 0;
};

class TCustomListBox : public TWinControl {
public:
    void RescaleStarting() override;
    void RescaleDone() override;
    explicit TCustomListBox(TComponent* owner);

    int ItemIndex();
    void SetItemIndex(int index);
    int Count();
    std::wstring ItemText(int index);
    DWORD ItemData(int index);
    // Entry `index`'s rectangle in the client area, where the scrolling put it.
    std::optional<RECT> ItemRect(int index);
    // The entry at a point of the client area, or -1 when the point is on none.
    int ItemAt(POINT point);
    // Scrolls the list, if need be, until entry `index` is wholly in sight.
    void ScrollIntoView(int index);

    void SetColumns(int columns);
    int ItemHeight() const noexcept { return itemHeight_; }
    TFont& Font() noexcept { return font_; }
    // Call after changing Font().
    virtual void FontChanged();
    // The list is drawn on the window colour.
    static constexpr TColor Color() noexcept { return clWindow; }
    TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) noexcept { popupMenu_ = menu; }

    std::function<void(TComponent* sender)> OnDblClick;

    // Milliseconds between typed characters that still extend the search.
    static constexpr DWORD AutoCompleteDelay = 500;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowDone() override;
    void WndProc(TMessage& message) override;

    void ClearItems();
    // Appends an entry; throws EOutOfResources when the list box refuses it.
    int AddItem(const std::wstring& text, DWORD data);
    // A new height re-creates the window, which asks for it as it is made.
    void SetItemHeight(int height);
    // The entries take `height` in the window as it is: the selection, the
    // scroll position and the focus stay, and nothing is read again.
    void SetItemHeightInPlace(int height);
    // Paints entry `index` on the canvas that DrawItem prepared; `state`
    // holds ODS_SELECTED and ODS_FOCUS as the platform gives them.
    virtual void DrawListItem(int index, const RECT& rect, UINT state) = 0;
    // The owner-draw request: prepares the canvas, then paints the entry.
    void DrawItem(const DRAWITEMSTRUCT& item);
    void UpdateColumnWidth();

    TListCanvas canvas_;

private:
    bool TypeAhead(TMessage& message);
    bool OpenContextMenu(TMessage& message);
    POINT KeyboardMenuPoint();

    int columns_ = 0;
    int itemHeight_ = 16;
    // The entry the user's scroll shows first, and the first entry that the
    // last change of scale showed in its place.
    int shownFirst_ = 0;
    int placedFirst_ = -1;
    TFont font_;
    TPopupMenu* popupMenu_ = nullptr;
    std::wstring filter_;
    DWORD lastTime_ = 0;
};
