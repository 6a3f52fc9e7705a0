#include "component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner) {}

TComponent::~TComponent() {
    destroying_ = true;
    // Those that asked drop their references while this object still exists.
    while (!notify_.empty()) {
        TComponent* other = notify_.back();
        notify_.pop_back();
        std::erase(other->notify_, this);
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    components_.push_back(std::move(component));
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(notify_.begin(), notify_.end(), other) == notify_.end()) notify_.push_back(other);
    if (std::find(other->notify_.begin(), other->notify_.end(), this) == other->notify_.end())
        other->notify_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    std::erase(notify_, other);
    std::erase(other->notify_, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::DestroyComponent(TComponent* component) {
    auto it = std::find_if(components_.begin(), components_.end(),
                           [&](const auto& owned) { return owned.get() == component; });
    if (it == components_.end()) return;
    std::unique_ptr<TComponent> doomed = std::move(*it);
    components_.erase(it);
    doomed.reset();
}

void TComponent::DestroyComponents() {
    // Controls go before the non-visual components, so that a component that
    // refers to a control hears of the control's end while it still exists.
    for (bool windows : {true, false}) {
        for (;;) {
            auto it = std::find_if(components_.begin(), components_.end(),
                                   [&](const auto& owned) { return owned->HoldsWindow() == windows; });
            if (it == components_.end()) break;
            DestroyComponent(it->get());
        }
    }
}
