// Hooks in front of and behind a control's own message handling, without a
// window subclass: the service takes over the control's replaceable WindowProc.
#pragma once

#include "component.h"
#include "win_control.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

// A hook function bound to an object. Returns true when the message is handled
// and its dispatch must stop. Object and Id identify the hook when it is
// removed: two hooks are the same when both are equal.
struct TControlHook {
    std::function<bool(TMessage&)> Function;
    const void* Object = nullptr;
    int Id = 0;

    bool SameHook(const TControlHook& other) const noexcept { return Object == other.Object && Id == other.Id; }
};

enum class THookOrder { hoBeforeMsg = 0, hoAfterMsg = 1 };

// One registered hook, linked to the next of the same order.
struct THookInfo {
    TControlHook Hook;
    std::unique_ptr<THookInfo> Next;
};

// The hooks of one control and the dispatcher that stands in for the control's
// message procedure while any hook is registered.
//
// Held by shared pointers: a dispatch in progress keeps its record alive, so a
// record released while a hook runs a modal loop (where the releaser's message
// is dispatched) outlives that dispatch.
class THookInfos : public std::enable_shared_from_this<THookInfos> {
public:
    explicit THookInfos(TWinControl* control) noexcept : control_(control) {}
    ~THookInfos();
    THookInfos(const THookInfos&) = delete;
    THookInfos& operator=(const THookInfos&) = delete;

    TWinControl* Control() const noexcept { return control_; }

    void Add(TControlHook hook, THookOrder order);
    // Removes the first hook of that order that is the same as `hook`.
    void Remove(const TControlHook& hook, THookOrder order);
    // The control is going away: never touch it again.
    void MarkControlDestroyed() noexcept;

private:
    // The next hook to call, per order, for one dispatch in progress.
    using Cursors = std::array<THookInfo*, 2>;

    void Hook();
    void Unhook();
    void Dispatch(TMessage& message);
    // Calls the hooks of one order for the dispatch at `level`; true when the
    // dispatch must stop there.
    bool CallHooks(THookOrder order, size_t level, TMessage& message);

    static size_t Index(THookOrder order) noexcept { return static_cast<size_t>(order); }

    TWinControl* control_;
    std::array<std::unique_ptr<THookInfo>, 2> first_;
    std::array<THookInfo*, 2> last_{};
    std::vector<Cursors> stack_;
    bool controlDestroyed_ = false;
    bool hooked_ = false;
    TWndMethod oldWndProc_;
};

// The shared service that keeps one THookInfos per hooked control.
class TWndProcHook : public TComponent {
public:
    TWndProcHook() : TComponent(nullptr) {}
    ~TWndProcHook() override;

    // The shared instance, created on first use and owned by the drop module.
    static TWndProcHook& Instance();

    // False when there is no control, the control is being destroyed or the
    // hook has no function.
    bool RegisterWndProc(TWinControl* control, TControlHook hook, THookOrder order);
    // True when the control had hooks registered at all.
    bool UnRegisterWndProc(TWinControl* control, const TControlHook& hook, THookOrder order);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    THookInfos* Find(const TWinControl* control) const noexcept;

    std::vector<std::shared_ptr<THookInfos>> hookInfos_;
};
