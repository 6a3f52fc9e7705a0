#include "drop/file_drag_drop.h"

#include "app/application.h"
#include "app/exceptions.h"
#include "app/win_control.h"
#include "drop/dropped_names.h"
#include "drop/elevated_drops.h"
#include "drop/releaser.h"
#include "drop/wnd_proc_hook.h"

#include <ole2.h>
#include <shellapi.h>

TFileDragDropModule* TFileDragDropModule::current_ = nullptr;

TFileDragDropModule::TFileDragDropModule() : oleInitialized_(SUCCEEDED(::OleInitialize(nullptr))) {
    current_ = this;
}

TFileDragDropModule::~TFileDragDropModule() {
    // The service's records go first (they may hand records to the releaser),
    // then whatever still waits for release; OLE last.
    hookService_.reset();
    releaser_.reset();
    if (current_ == this) current_ = nullptr;
    if (oleInitialized_) ::OleUninitialize();
}

TFileDragDropModule& TFileDragDropModule::Current() {
    if (!current_) throw Exception(L"Le module de dépôt de fichiers n'est pas initialisé");
    return *current_;
}

TWndProcHook& TFileDragDropModule::HookService() {
    TFileDragDropModule& module = Current();
    if (!module.hookService_) module.hookService_ = std::make_unique<TWndProcHook>();
    return *module.hookService_;
}

TReleaser& TFileDragDropModule::Releaser() {
    TFileDragDropModule& module = Current();
    if (!module.releaser_) module.releaser_ = std::make_unique<TReleaser>();
    return *module.releaser_;
}

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
    if (!dropTarget_->Destroying()) ::DragAcceptFiles(dropTarget_->Handle(), value);
    if (value && !dropTarget_->Destroying()) AllowDropsFromOrdinaryPrograms(dropTarget_->Handle());
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

TControlHook TFileDragDrop::DropHook() {
    return {[this](TMessage& message) { return HookMessage(message); }, this, 0};
}

void TFileDragDrop::RegisterHook() {
    if (isHooked_ || !dropTarget_) return;
    isHooked_ = TWndProcHook::Instance().RegisterWndProc(dropTarget_, DropHook(), THookOrder::hoBeforeMsg);
}

void TFileDragDrop::UnregisterHook() {
    if (!isHooked_) return;
    isHooked_ = false;
    TWndProcHook::Instance().UnRegisterWndProc(dropTarget_, DropHook(), THookOrder::hoBeforeMsg);
}

bool TFileDragDrop::HookMessage(TMessage& message) {
    if (message.Msg != WM_DROPFILES) return false;
    HandleDrop(reinterpret_cast<HDROP>(message.WParam));
    return true;
}

void TFileDragDrop::HandleDrop(HDROP drop) {
    // Released on every way out, also when the names or the handler fail.
    const win::UniqueDrop owned(drop);
    // One question at a time: a drop while a modal window of ours is up
    // would ask another over it, with the windows behind enabled again after.
    if (Application->ModalLevel() > 0) return;
    files_.clear();
    files_ = DroppedFileNames(drop);
    if (!OnDrop) return;
    POINT point{};
    (void)::DragQueryPoint(drop, &point);
    OnDrop(this, point, files_);
}
