// Destroys objects on a later message instead of at once, so that code still
// running on the stack for them never touches freed memory.
#pragma once

#include "win_control.h"

#include <memory>
#include <vector>

// Its window is message-only: never shown, never among the thread's windows.
class TReleaser : public TWinControl {
public:
    // The private message that carries an object to destroy.
    static constexpr UINT CM_RELEASE = 0xB021;

    TReleaser() : TWinControl(nullptr) {}
    ~TReleaser() override;

    // The shared instance, created on first use and owned by the drop module.
    static TReleaser& Instance();

    // Takes the object over and lets it go when the posted message arrives.
    void Release(std::shared_ptr<void> object);
    bool Holds(const void* object) const noexcept;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    void ReleaseNow(const void* object);

    std::vector<std::shared_ptr<void>> releasing_;
};
