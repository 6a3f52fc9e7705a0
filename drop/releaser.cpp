#include "drop/releaser.h"

#include "app/application.h"
#include "app/exceptions.h"
#include "drop/file_drag_drop.h"
#include "resources/resource_ids.h"

#include <algorithm>

namespace {

constexpr wchar_t kWindowClass[] = L"TReleaserWindow";

auto IsObject(const void* object) {
    return [object](const std::shared_ptr<void>& waiting) { return waiting.get() == object; };
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW existing{sizeof(existing)};
    if (::GetClassInfoExW(instance, kWindowClass, &existing)) return;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClass;
    if (!::RegisterClassExW(&wc)) throw EOutOfResources(LoadResString(IDS_WINDOW_CLASS_ERROR));
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

HWND TReleaser::Handle() {
    if (handle_) return handle_.get();
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterWindowClass(instance, &StaticWndProc);
    // Message-only: never shown, never counted among the thread's windows.
    handle_.reset(::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr));
    if (!handle_) throw EOutOfResources(LoadResString(IDS_WINDOW_CLASS_ERROR));
    ::SetWindowLongPtrW(handle_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return handle_.get();
}

void TReleaser::ReleaseNow(const void* object) {
    auto it = std::find_if(releasing_.begin(), releasing_.end(), IsObject(object));
    if (it == releasing_.end()) return;
    std::shared_ptr<void> doomed = std::move(*it);
    releasing_.erase(it);
}

LRESULT CALLBACK TReleaser::StaticWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* releaser = reinterpret_cast<TReleaser*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (msg != CM_RELEASE || !releaser) return ::DefWindowProcW(window, msg, wParam, lParam);
    try {
        releaser->ReleaseNow(reinterpret_cast<const void*>(lParam));
    } catch (...) {
        if (Application) Application->HandleException(nullptr, std::current_exception());
    }
    return 0;
}
