// Components: named parts of a window that own the parts created for them and
// tell the components that asked of their destruction.
#pragma once

#include <memory>
#include <vector>

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Creates a component owned by this one and returns it, still owned here.
    template <typename T, typename... Args>
    T* Create(Args&&... args) {
        auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = component.get();
        InsertComponent(std::move(component));
        return raw;
    }

    TComponent* Owner() const noexcept { return owner_; }

    bool Loading() const noexcept { return loading_; }
    bool Destroying() const noexcept { return destroying_; }
    void BeginLoading() noexcept { loading_ = true; }
    // The end of loading: the layout's values are all in place.
    virtual void Loaded() { loading_ = false; }

    // Asks to be told (Notification with opRemove) when `other` is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Destroys one component that this one owns.
    void DestroyComponent(TComponent* component);

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    // Destroys the owned components, those that hold a window first.
    void DestroyComponents();
    void MarkDestroying() noexcept { destroying_ = true; }
    virtual bool HoldsWindow() const noexcept { return false; }

private:
    void InsertComponent(std::unique_ptr<TComponent> component);

    TComponent* owner_;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::vector<TComponent*> notify_;  // told of this one's destruction; they told us of theirs too
    bool loading_ = false;
    bool destroying_ = false;
};
