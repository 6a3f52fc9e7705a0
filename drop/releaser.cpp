#include "releaser.h"

#include "file_drag_drop.h"

#include <algorithm>

namespace {

auto IsObject(const void* object) {
    return [object](const std::shared_ptr<void>& waiting) { return waiting.get() == object; };
}

}  // namespace

TReleaser::~TReleaser() {
    // Moved out first: a destructor that releases more must not change the
    // list while it is being emptied.
    std::vector<std::shared_ptr<void>> waiting = std::move(releasing_);
    waiting.clear();
}

TReleaser& TReleaser::Instance() { return TFileDragDropModule::Releaser(); }

void TReleaser::Release(std::shared_ptr<void> object) {
    if (!object || Holds(object.get())) return;
    const void* key = object.get();
    releasing_.push_back(std::move(object));
    // When the post fails the object waits for the end of the program.
    (void)::PostMessageW(Handle(), CM_RELEASE, 0, reinterpret_cast<LPARAM>(key));
}

bool TReleaser::Holds(const void* object) const noexcept {
    return std::any_of(releasing_.begin(), releasing_.end(), IsObject(object));
}

void TReleaser::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"TReleaserWindow";
    params.Style = 0;
    params.WndParent = HWND_MESSAGE;
}

void TReleaser::ReleaseNow(const void* object) {
    auto it = std::find_if(releasing_.begin(), releasing_.end(), IsObject(object));
    if (it == releasing_.end()) return;
    std::shared_ptr<void> doomed = std::move(*it);
    releasing_.erase(it);
}

void TReleaser::WndProc(TMessage& message) {
    if (message.Msg == CM_RELEASE) {
        ReleaseNow(reinterpret_cast<const void*>(message.LParam));
        return;
    }
    TWinControl::WndProc(message);
}
