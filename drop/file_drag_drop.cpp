#include "file_drag_drop.h"

#include "application_host.h"
#include "dropped_names.h"
#include "elevated_drops.h"
#include "win_control.h"
#include "win_handles.h"

#include <shellapi.h>

#include <optional>
#include <utility>

TFileDragDrop::TFileDragDrop(TComponent* owner) : TComponent(owner) {}

TFileDragDrop::~TFileDragDrop() { UnregisterHook(); }

void TFileDragDrop::SetAcceptDrag(bool value) {
    if (Loading()) {
        streamedAcceptDrag_ = value;
        return;
    }
    if (value == acceptDrag_) return;
    acceptDrag_ = value;
    if (!dropTarget_) return;
    if (value)
        RegisterHook();
    else
        UnregisterHook();
}

void TFileDragDrop::SetDropTarget(TWinControl* target) {
    if (Loading()) {
        ReplaceTarget(target);
        return;
    }
    if (target == dropTarget_) return;
    const bool accepting = acceptDrag_;
    SetAcceptDrag(false);
    ReplaceTarget(target);
    if (accepting) SetAcceptDrag(true);
}

void TFileDragDrop::ReplaceTarget(TWinControl* target) {
    if (dropTarget_) RemoveFreeNotification(dropTarget_);
    dropTarget_ = target;
    if (dropTarget_) FreeNotification(dropTarget_);
}

void TFileDragDrop::Loaded() {
    TComponent::Loaded();
    acceptDrag_ = false;
    SetAcceptDrag(streamedAcceptDrag_);
}

void TFileDragDrop::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dropTarget_) SetDropTarget(nullptr);
}

// A target on its way out is left alone: drops are then not caught.
// Drop acceptance is part of the target's window creation, so every window
// the target makes again keeps it. Asking for the window creates it, already
// with what drops need.
void TFileDragDrop::RegisterHook() {
    if (isHooked_ || !dropTarget_ || dropTarget_->Destroying()) return;
    const bool existed = dropTarget_->HandleAllocated();
    dropTarget_->SetMessageFilter(this, [this](TMessage& message) { return HookMessage(message); });
    isHooked_ = true;
    HWND window = dropTarget_->Handle();
    if (!existed) return;
    ::DragAcceptFiles(window, TRUE);
    AllowDropsFromOrdinaryPrograms(window);
}

void TFileDragDrop::UnregisterHook() {
    if (!isHooked_) return;
    isHooked_ = false;
    // A target being destroyed takes its filter and its window with it; past
    // its own destructor, only the component part of it is left to ask.
    if (dropTarget_->Destroying()) return;
    dropTarget_->RemoveMessageFilter(this);
    ::DragAcceptFiles(dropTarget_->Handle(), FALSE);
}

bool TFileDragDrop::HookMessage(TMessage& message) {
    switch (message.Msg) {
    case CM_CREATEPARAMS:
        reinterpret_cast<TCreateParams*>(message.LParam)->ExStyle |= WS_EX_ACCEPTFILES;
        return false;
    case CM_WINDOWCREATED:
        AllowDropsFromOrdinaryPrograms(dropTarget_->Handle());
        return false;
    case WM_DROPFILES:
        HandleDrop(reinterpret_cast<HDROP>(message.WParam));
        return true;
    default:
        return false;
    }
}

void TFileDragDrop::HandleDrop(HDROP drop) {
    // A handle that is no drop of this process is not ours to release, and
    // asks nothing.
    std::optional<std::vector<std::wstring>> names = DroppedFileNames(drop);
    if (!names) return;
    // Released on every way out, also when the handler fails.
    const win::UniqueDrop owned(drop);
    // One question at a time: a drop while a modal window of ours is up
    // would ask another over it, with the windows behind enabled again after.
    if (ApplicationHost->ModalLevel() > 0) return;
    files_ = std::move(*names);
    if (!OnDrop) return;
    POINT point{};
    (void)::DragQueryPoint(drop, &point);
    OnDrop(this, point, files_);
}
