// The context menu: items with images, automatic hotkeys and owner drawing,
// shown with the platform's popup menu; the chosen item's command comes back
// to it through the popup list's window.
#pragma once

#include "component.h"
#include "win_handles.h"

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TImageList;
class TMenuPainter;

class TMenuItem final : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::wstring& Caption() const noexcept { return caption_; }
    void SetCaption(const std::wstring& caption) { caption_ = caption; }
    bool IsLine() const noexcept { return caption_ == L"-"; }
    int ImageIndex() const noexcept { return imageIndex_; }
    void SetImageIndex(int index) noexcept { imageIndex_ = index; }
    bool Default() const noexcept { return default_; }
    void SetDefault(bool value) noexcept { default_ = value; }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value) noexcept { enabled_ = value; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value) noexcept { visible_ = value; }
    // The process-wide unique command identifier of the item: the lowest
    // number free when the item was created, given back when it goes.
    UINT Command() const noexcept { return command_; }
    // The character after the caption's single "&", or 0.
    wchar_t Hotkey() const;

    std::function<void(TComponent* sender)> OnClick;
    // Runs OnClick with the item as sender, when the item is enabled.
    void Click();

private:
    std::wstring caption_;
    int imageIndex_ = -1;
    bool default_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    UINT command_;
};

class TPopupMenu final : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Items in menu order; they are owned by the menu's owner.
    void Add(TMenuItem* item);
    const std::vector<TMenuItem*>& Items() const noexcept { return items_; }
    TImageList* Images() const noexcept { return images_; }
    void SetImages(TImageList* images);
    TComponent* PopupComponent() const noexcept { return popupComponent_; }
    void SetPopupComponent(TComponent* component) noexcept { popupComponent_ = component; }
    // The platform menu while the menu is open, else null.
    HMENU Handle() const noexcept { return handle_; }

    // Opens the menu with its top-left corner at the screen point and returns
    // when it has closed; the chosen item's OnClick runs after that, when its
    // command reaches the popup list's window.
    void Popup(int x, int y);

    // Gives hotkeys to the items without one and settles the items to show;
    // returns a new platform menu holding them, owner-drawn. Each item's
    // data is the MSAAMENUINFO that tells screen readers its text, valid
    // until the next build.
    win::UniqueMenu BuildMenu();
    // The items of the last built platform menu, by position.
    const std::vector<TMenuItem*>& ShownItems() const noexcept { return shown_; }
    TMenuItem* FindItem(UINT command) const;

    // The owner-draw answers for one of the menu's items; the platform asks
    // through the popup list's window.
    void MeasureItem(const TMenuItem& item, MEASUREITEMSTRUCT& measure) const;
    void DrawItem(const TMenuItem& item, const DRAWITEMSTRUCT& draw) const;
    // The WM_MENUCHAR answer for a character typed in the platform menu.
    LRESULT MenuChar(HMENU menu, wchar_t ch) const;

    // The window that owns every shown popup menu and gets its messages.
    static HWND PopupListWindow();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void AssignHotkeys();
    std::vector<TMenuItem*> ItemsToShow() const;
    std::unique_ptr<TMenuPainter> MakePainter() const;

    std::vector<TMenuItem*> items_;
    std::vector<TMenuItem*> shown_;
    // The shown items' texts and the accessibility data that points at them.
    std::vector<std::wstring> shownTexts_;
    std::vector<MSAAMENUINFO> accessibleData_;
    TImageList* images_ = nullptr;
    TComponent* popupComponent_ = nullptr;
    POINT popupPoint_{};
    HMENU handle_ = nullptr;
    // While the menu is open.
    std::unique_ptr<TMenuPainter> painter_;
};
