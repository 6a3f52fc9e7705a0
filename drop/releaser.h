// Destroys objects on a later message instead of at once, so that code still
// running on the stack for them never touches freed memory.
#pragma once

#include "app/win_handles.h"

#include <memory>
#include <vector>

class TReleaser {
public:
    // The private message that carries an object to destroy.
    static constexpr UINT CM_RELEASE = 0xB021;

    TReleaser() = default;
    ~TReleaser();
    TReleaser(const TReleaser&) = delete;
    TReleaser& operator=(const TReleaser&) = delete;

    // The shared instance, created on first use and owned by the drop module.
    static TReleaser& Instance();

    // Takes the object over and lets it go when the posted message arrives.
    void Release(std::shared_ptr<void> object);
    bool Holds(const void* object) const noexcept;

private:
    HWND Handle();
    void ReleaseNow(const void* object);
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    std::vector<std::shared_ptr<void>> releasing_;
    win::UniqueHwnd handle_;
};
