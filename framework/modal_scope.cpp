#include "modal_scope.h"

#include "application_host.h"
#include "form.h"
#include "platform_calls.h"
#include "screen.h"

#include <bitset>
#include <new>

namespace {

bool IsTopmost(HWND window) { return window && (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool IsTopLevel(HWND window) { return ::GetAncestor(window, GA_ROOT) == window; }

// A WM_QUIT that a platform dialog loop took and posted again on its way out.
bool QuitWaiting() {
    MSG message;
    return ::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

HWND MainWindow() {
    TForm* main = ApplicationHost->MainForm();
    return main && main->HandleAllocated() ? main->Handle() : nullptr;
}

bool IsToolWindow(HWND window) { return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0; }

HWND ParentOrOwner(HWND window) {
    return (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? ::GetParent(window) : ::GetWindow(window, GW_OWNER);
}

HWND ActiveWindow() {
    HWND active = ::GetActiveWindow();
    return active ? active : ::GetLastActivePopup(ApplicationHost->Handle());
}

// A tool window makes a poor owner: its first ancestor that is not one, else
// the main window, else the application's own window.
HWND OwnerInsteadOfToolWindow(HWND tool) {
    for (HWND up = ParentOrOwner(tool); up; up = ParentOrOwner(up))
        if (!IsToolWindow(up)) return up;
    HWND main = MainWindow();
    return main && !IsToolWindow(main) ? main : ApplicationHost->Handle();
}

HWND MessageFormOwner() {
    HWND owner = ActiveWindow();
    if (owner && (::IsIconic(owner) || !::IsWindowVisible(owner) || !::IsWindowEnabled(owner))) owner = nullptr;
    if (owner && IsToolWindow(owner)) owner = OwnerInsteadOfToolWindow(owner);
    return owner ? owner : MainWindow();
}

HWND TaskDialogOwner() {
    if (TForm* form = Screen->ActiveForm(); form && form->HandleAllocated()) return form->Handle();
    if (HWND active = ActiveWindow()) return active;
    return ApplicationHost->Handle();
}

// Whether the key can answer a question: the mouse's buttons and the
// modifiers answer nothing on their own, and Alt stays down through a drop
// that makes a shortcut.
bool AnswersQuestions(int key) {
    switch (key) {
    case VK_LBUTTON:
    case VK_RBUTTON:
    case VK_MBUTTON:
    case VK_XBUTTON1:
    case VK_XBUTTON2:
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN: return false;
    default: return true;
    }
}

// The keys that can answer a question and are down now, among `keys`.
std::bitset<256> KeysDown(const std::bitset<256>& keys) {
    std::bitset<256> down;
    for (int key = 1; key < 256; ++key)
        if (keys.test(static_cast<size_t>(key)) && Platform().GetAsyncKeyState(key) < 0)
            down.set(static_cast<size_t>(key));
    return down;
}

std::bitset<256> AnsweringKeys() {
    std::bitset<256> keys;
    for (int key = 1; key < 256; ++key)
        if (AnswersQuestions(key)) keys.set(static_cast<size_t>(key));
    return keys;
}

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// Handles the thread's waiting messages, dropping its input; false once the
// quit message came, which is left for the main loop.
bool HandleAllButInput() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (IsInput(message.message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

// How often the keys are looked at again: a key let go while another
// program is in front sends this thread no message.
constexpr DWORD kHeldKeysLookedAtEvery = 50;

}  // namespace

HWND TModalScope::Owner(TOwnerOf kind) {
    switch (kind) {
    case TOwnerOf::ErrorBox: return ActiveWindow();
    case TOwnerOf::MessageForm: return MessageFormOwner();
    case TOwnerOf::TaskDialog: return TaskDialogOwner();
    // The shell's own question goes above the main window, which is topmost;
    // after a drop from another program no window of ours is active.
    case TOwnerOf::ShellQuestion: return MainWindow();
    }
    return nullptr;
}

TModalScope::TModalScope(HWND platformOwner, TActivationGone gone)
    : outer_(innermost_),
      platformOwner_(platformOwner),
      active_(::GetActiveWindow()),
      focus_(::GetFocus()),
      gone_(gone) {
    DisableOtherWindows();
    overTopmost_ = IsTopmost(platformOwner_) || IsTopmost(active_);
    for (HWND window : disabled_) overTopmost_ = overTopmost_ || IsTopmost(window);
    if (!hook_) hook_.reset(::SetWindowsHookExW(WH_CALLWNDPROC, &WatchMessages, nullptr, ::GetCurrentThreadId()));
    if (!inputHook_)
        inputHook_.reset(::SetWindowsHookExW(WH_MSGFILTER, &FilterInput, nullptr, ::GetCurrentThreadId()));
    innermost_ = this;
    ApplicationHost->ModalStarted();
    if (gone_ == TActivationGone::Leave) WaitForHeldKeysUp();
}

void TModalScope::WaitForHeldKeysUp() {
    std::bitset<256> held = KeysDown(AnsweringKeys());
    while (held.any()) {
        (void)::MsgWaitForMultipleObjectsEx(0, nullptr, kHeldKeysLookedAtEvery, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (!HandleAllButInput()) return;
        held = KeysDown(held);
    }
}

TModalScope::~TModalScope() {
    Release();
    innermost_ = outer_;
    if (!innermost_) {
        hook_.reset();
        inputHook_.reset();
    }
    ApplicationHost->ModalFinished();
    GiveActivationBack();
}

void TModalScope::DisableOtherWindows() {
    ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    if (outOfMemory_) throw std::bad_alloc();
    for (HWND window : disabled_) ::EnableWindow(window, FALSE);
}

BOOL CALLBACK TModalScope::Collect(HWND window, LPARAM param) noexcept {
    auto& self = *reinterpret_cast<TModalScope*>(param);
    if (window == self.platformOwner_ || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) return TRUE;
    try {
        self.disabled_.push_back(window);
        return TRUE;
    } catch (...) {
        self.outOfMemory_ = true;
        return FALSE;
    }
}

void TModalScope::Attach(HWND modal) noexcept {
    modal_ = modal;
    if (overTopmost_ && !IsTopmost(modal))
        ::SetWindowPos(modal, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TModalScope::HandActivationBack() noexcept {
    Release();
    if (!active_ || !modal_ || ::GetActiveWindow() != modal_) return;
    if (HWND back = WindowToGoBackTo()) ::SetActiveWindow(back);
}

void TModalScope::Release() noexcept {
    if (std::exchange(released_, true)) return;
    for (HWND window : disabled_)
        if (::IsWindow(window)) ::EnableWindow(window, TRUE);
}

// Called before the window procedure: the modal window is still visible
// when it hears that it is being hidden or destroyed.
LRESULT CALLBACK TModalScope::WatchMessages(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == HC_ACTION)
        for (TModalScope* scope = innermost_; scope; scope = scope->outer_)
            scope->Watch(*reinterpret_cast<const CWPSTRUCT*>(lParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void TModalScope::Watch(const CWPSTRUCT& message) noexcept {
    if (!modal_) {
        if (this == innermost_ && message.message == WM_ACTIVATE && LOWORD(message.wParam) != WA_INACTIVE &&
            message.hwnd != active_ && IsTopLevel(message.hwnd))
            Attach(message.hwnd);
        return;
    }
    if (message.hwnd != modal_) return;
    const bool hiding =
        (message.message == WM_SHOWWINDOW && !message.wParam) ||
        (message.message == WM_WINDOWPOSCHANGING &&
         (reinterpret_cast<const WINDOWPOS*>(message.lParam)->flags & SWP_HIDEWINDOW)) ||
        message.message == WM_DESTROY;
    if (hiding) Release();
}

// Called by the modal loops (dialog boxes, message boxes, menus, and the
// program's own) with each message before they act on it; a message the hook
// takes goes no further.
LRESULT CALLBACK TModalScope::FilterInput(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code >= 0 && innermost_ && innermost_->HeldFromBefore(*reinterpret_cast<const MSG*>(lParam))) return TRUE;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Keys are followed from the moment they go down: a key down without the
// repeat bit, sent once the scope began, is the user's answer; its repeats
// and its release follow it. Anything else of the keyboard came from a press
// made before the modal window was there.
bool TModalScope::HeldFromBefore(const MSG& message) noexcept {
    const size_t key = message.wParam & 0xFF;
    const bool sentBefore = static_cast<LONG>(message.time - startedAt_) < 0;
    switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        if (!IsKeyRepeat(message.lParam) && !sentBefore) pressedHere_.set(key);
        return !pressedHere_.test(key);
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool pressedHere = pressedHere_.test(key);
        pressedHere_.reset(key);
        return !pressedHere;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR: return sentBefore;
    default: return false;
    }
}

int TModalScope::Outcome(int answer) const {
    const bool ownerGone = platformOwner_ && !::IsWindow(platformOwner_);
    return ApplicationHost->Closing() || QuitWaiting() || ownerGone ? mrCancel : answer;
}

// The window that was active before, else the main window.
HWND TModalScope::WindowToGoBackTo() const noexcept {
    return active_ && ::IsWindow(active_) && ::IsWindowVisible(active_) ? active_ : MainWindow();
}

// Only where the activation stayed with the program: the window that was
// active before, else the main window.
void TModalScope::GiveActivationBack() const noexcept {
    HWND back = WindowToGoBackTo();
    const HWND now = ::GetActiveWindow();
    if (!back || (now && now != modal_ && now != back) || (!now && gone_ == TActivationGone::Leave)) return;
    ::SetActiveWindow(back);
    if (focus_ && ::IsWindow(focus_) && ::GetAncestor(focus_, GA_ROOT) == ::GetActiveWindow()) ::SetFocus(focus_);
}
