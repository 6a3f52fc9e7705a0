#include "drop/file_drag_drop.h"

#include "app/win_control.h"

#include <ole2.h>

TFileDragDropModule::TFileDragDropModule() : oleInitialized_(SUCCEEDED(::OleInitialize(nullptr))) {}
TFileDragDropModule::~TFileDragDropModule() {
    if (oleInitialized_) ::OleUninitialize();
}

TFileDragDrop::TFileDragDrop(TComponent* owner) : TComponent(owner) {}
TFileDragDrop::~TFileDragDrop() = default;

void TFileDragDrop::SetAcceptDrag(bool value) {
    if (Loading()) {
        streamedAcceptDrag_ = value;
        return;
    }
    acceptDrag_ = value;
    if (dropTarget_) ::DragAcceptFiles(dropTarget_->Handle(), value);
}

void TFileDragDrop::SetDropTarget(TWinControl* target) {
    if (dropTarget_) RemoveFreeNotification(dropTarget_);
    dropTarget_ = target;
    if (dropTarget_) FreeNotification(dropTarget_);
}

void TFileDragDrop::Loaded() {
    TComponent::Loaded();
    SetAcceptDrag(streamedAcceptDrag_);
}

void TFileDragDrop::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component == dropTarget_) dropTarget_ = nullptr;
}
