// The context menu: items with images, automatic hotkeys and owner drawing,
// shown with the platform's popup menu.
#pragma once

#include "app/component.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TImageList;

class TMenuItem : public TComponent {
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
    // The process-wide unique command identifier of the item.
    UINT Command() const noexcept { return command_; }

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

class TPopupMenu : public TComponent {
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

    // Opens the menu with its top-left corner at the screen point and returns
    // when it has closed; the chosen item's OnClick runs after that.
    void Popup(int x, int y);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TMenuItem*> items_;
    TImageList* images_ = nullptr;
    TComponent* popupComponent_ = nullptr;
};
