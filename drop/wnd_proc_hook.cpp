#include "wnd_proc_hook.h"

#include "file_drag_drop.h"
#include "releaser.h"

#include <algorithm>

THookInfos::~THookInfos() { Unhook(); }

void THookInfos::Add(TControlHook hook, THookOrder order) {
    const size_t o = Index(order);
    auto info = std::make_unique<THookInfo>(THookInfo{std::move(hook), nullptr});
    THookInfo* added = info.get();
    if (last_[o])
        last_[o]->Next = std::move(info);
    else
        first_[o] = std::move(info);
    last_[o] = added;
    // A dispatch that has already called every hook of this order still
    // calls the one added from inside it.
    for (Cursors& cursors : stack_)
        if (!cursors[o]) cursors[o] = added;
    Hook();
}

void THookInfos::Remove(const TControlHook& hook, THookOrder order) {
    const size_t o = Index(order);
    THookInfo* previous = nullptr;
    std::unique_ptr<THookInfo>* link = &first_[o];
    while (*link && !(*link)->Hook.SameHook(hook)) {
        previous = link->get();
        link = &(*link)->Next;
    }
    if (!*link) return;
    std::unique_ptr<THookInfo> removed = std::move(*link);
    *link = std::move(removed->Next);
    if (last_[o] == removed.get()) last_[o] = previous;
    for (Cursors& cursors : stack_)
        if (cursors[o] == removed.get()) cursors[o] = link->get();
    removed.reset();
    if (!first_[0] && !first_[1]) Unhook();
}

void THookInfos::MarkControlDestroyed() noexcept {
    controlDestroyed_ = true;
    oldWndProc_ = nullptr;
}

void THookInfos::Hook() {
    if (hooked_ || controlDestroyed_) return;
    oldWndProc_ = control_->WindowProc;
    control_->WindowProc = [this](TMessage& message) { Dispatch(message); };
    hooked_ = true;
}

void THookInfos::Unhook() {
    if (!hooked_) return;
    hooked_ = false;
    // A control in its destructor may already have lost its WindowProc member.
    if (!controlDestroyed_ && !control_->Destroying()) control_->WindowProc = oldWndProc_;
}

void THookInfos::Dispatch(TMessage& message) {
    const std::shared_ptr<THookInfos> keepAlive = shared_from_this();
    message.Result = 0;
    stack_.push_back({first_[Index(THookOrder::hoBeforeMsg)].get(), nullptr});
    const size_t level = stack_.size() - 1;
    struct LevelScope {
        std::vector<Cursors>& stack;
        ~LevelScope() { stack.pop_back(); }
    } closeLevel{stack_};

    if (CallHooks(THookOrder::hoBeforeMsg, level, message)) return;
    // A copy: the control's own handling may unhook and hook again, which
    // replaces the saved procedure while it runs.
    const TWndMethod ownHandling = oldWndProc_;
    ownHandling(message);
    if (controlDestroyed_) return;
    stack_[level][Index(THookOrder::hoAfterMsg)] = first_[Index(THookOrder::hoAfterMsg)].get();
    CallHooks(THookOrder::hoAfterMsg, level, message);
}

bool THookInfos::CallHooks(THookOrder order, size_t level, TMessage& message) {
    const size_t o = Index(order);
    while (THookInfo* info = stack_[level][o]) {
        stack_[level][o] = info->Next.get();
        // A copy: the hook may unregister itself, which frees its record.
        const auto hook = info->Hook.Function;
        if (hook(message) || controlDestroyed_) return true;
    }
    return false;
}

TWndProcHook::~TWndProcHook() {
    // Each record gives its control its own message procedure back.
    hookInfos_.clear();
}

TWndProcHook& TWndProcHook::Instance() { return TFileDragDropModule::HookService(); }

bool TWndProcHook::RegisterWndProc(TWinControl* control, TControlHook hook, THookOrder order) {
    if (!control || control->Destroying() || !hook.Function) return false;
    THookInfos* infos = Find(control);
    if (!infos) {
        infos = hookInfos_.emplace_back(std::make_shared<THookInfos>(control)).get();
        FreeNotification(control);
    }
    infos->Add(std::move(hook), order);
    return true;
}

bool TWndProcHook::UnRegisterWndProc(TWinControl* control, const TControlHook& hook, THookOrder order) {
    THookInfos* infos = Find(control);
    if (!infos) return false;
    infos->Remove(hook, order);
    return true;
}

void TWndProcHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    auto it = std::find_if(hookInfos_.begin(), hookInfos_.end(),
                           [component](const auto& infos) { return infos->Control() == component; });
    if (it == hookInfos_.end()) return;
    std::shared_ptr<THookInfos> infos = std::move(*it);
    hookInfos_.erase(it);
    infos->MarkControlDestroyed();
    // A dispatch for the control may still be on the stack: free the record later.
    TReleaser::Instance().Release(std::move(infos));
}

THookInfos* TWndProcHook::Find(const TWinControl* control) const noexcept {
    auto it = std::find_if(hookInfos_.begin(), hookInfos_.end(),
                           [control](const auto& infos) { return infos->Control() == control; });
    return it == hookInfos_.end() ? nullptr : it->get();
}
