// Makes a control a target for files dropped from the shell.
#pragma once

#include "app/component.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TWinControl;

// The drop module's own OLE initialisation, for the life of the process.
class TFileDragDropModule {
public:
    TFileDragDropModule();
    ~TFileDragDropModule();
    TFileDragDropModule(const TFileDragDropModule&) = delete;
    TFileDragDropModule& operator=(const TFileDragDropModule&) = delete;

private:
    bool oleInitialized_;
};

// Sender, the drop point in the target's client coordinates, and the dropped
// full paths (lent for the call).
using TFileDropEvent =
    std::function<void(TComponent* sender, const POINT& pos, const std::vector<std::wstring>& value)>;

class TFileDragDrop : public TComponent {
public:
    explicit TFileDragDrop(TComponent* owner);
    ~TFileDragDrop() override;

    bool AcceptDrag() const noexcept { return acceptDrag_; }
    void SetAcceptDrag(bool value);
    TWinControl* DropTarget() const noexcept { return dropTarget_; }
    void SetDropTarget(TWinControl* target);
    const std::vector<std::wstring>& Files() const noexcept { return files_; }

    TFileDropEvent OnDrop;

    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool acceptDrag_ = false;
    bool streamedAcceptDrag_ = true;
    TWinControl* dropTarget_ = nullptr;
    std::vector<std::wstring> files_;
};
