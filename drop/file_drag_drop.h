// Makes a control a target for files dropped from the shell.
#pragma once

#include "component.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TWinControl;
struct TMessage;

// Sender, the drop point in the target's client coordinates, and the dropped
// full paths (lent for the call).
using TFileDropEvent =
    std::function<void(TComponent* sender, const POINT& pos, const std::vector<std::wstring>& value)>;

class TFileDragDrop final : public TComponent {
public:
    explicit TFileDragDrop(TComponent* owner);
    ~TFileDragDrop() override;

    bool AcceptDrag() const noexcept { return acceptDrag_; }
    void SetAcceptDrag(bool value);
    TWinControl* DropTarget() const noexcept { return dropTarget_; }
    void SetDropTarget(TWinControl* target);
    const std::vector<std::wstring>& Files() const noexcept { return files_; }
    bool IsHooked() const noexcept { return isHooked_; }

    TFileDropEvent OnDrop;

    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ReplaceTarget(TWinControl* target);
    void RegisterHook();
    void UnregisterHook();
    bool HookMessage(TMessage& message);
    void HandleDrop(HDROP drop);

    bool acceptDrag_ = false;
    bool streamedAcceptDrag_ = true;
    bool isHooked_ = false;
    TWinControl* dropTarget_ = nullptr;
    std::vector<std::wstring> files_;
};
