#include "app/popup_menu.h"

namespace {
UINT NextCommand() {
    static UINT next = 1;
    return next++;
}
}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommand()) {}
TMenuItem::~TMenuItem() = default;

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Add(TMenuItem* item) { items_.push_back(item); }

void TPopupMenu::SetImages(TImageList* images) { images_ = images; }

void TPopupMenu::Popup(int, int) {}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component == reinterpret_cast<TComponent*>(images_)) images_ = nullptr;
}
