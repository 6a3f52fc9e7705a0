// The one rule for every modal window of the program: question, notice,
// classic form, error box and context menu, and what the shell shows on the
// program's behalf.
#pragma once

#include "win_handles.h"

#include <bitset>
#include <vector>

// While it lives: the application's modal level is raised and the thread's
// other visible, enabled top-level windows are disabled. The scope records
// what it disabled and enables exactly that again, so that scopes nest: an
// inner one leaves disabled what an outer one disabled.
//
// Its modal window is the one the caller names, or else the first window
// that the thread activates while the scope is the innermost one. That
// window is kept above a topmost window it stands over (the main window
// stays on top), and the disabled windows are enabled again just before it
// is hidden or destroyed: hiding the active window while its owner is
// disabled hands the activation to another program. At the end the window
// that was active gets the activation back and its focus.
//
// A modal window answers only keys pressed while it is up. A key that went
// down before the scope began (the Enter that asked the question, held on),
// its repeats and its release go nowhere: the platform's modal loops pass
// their input through the scope's message filter hook, and the program's own
// loop does the same with CallMsgFilterW and OwnLoopFilterCode.
//
// It is also the one place that chooses a modal window's owner.
class TModalScope {
public:
    // The modal windows that ask for an owner, each as its kind wants one.
    enum class TOwnerOf {
        // The application's error box: the active window, else the
        // application window's last active popup.
        ErrorBox,
        // The classic message form: the active window unless it is
        // minimised, hidden or disabled, and not a tool window (its first
        // ancestor that is not one, else the main window, else the
        // application window); without one, the main window.
        MessageForm,
        // The task dialog: the active form, else the active window, else the
        // application window.
        TaskDialog,
        // A question the shell asks on its own (the Recycle Bin's): the main
        // window, which is topmost, whether or not one of ours is active.
        ShellQuestion,
    };
    static HWND Owner(TOwnerOf kind);

    // The code the program's own modal loop gives CallMsgFilterW: the
    // platform keeps the codes below MSGF_USER for its own loops.
    static constexpr int OwnLoopFilterCode = MSGF_USER + 1;

    // What the scope's end does when no window of the program is active then.
    enum class TActivationGone {
        // Gives it back: the modal window's hiding handed it to another program.
        TakeBack,
        // Leaves it: the platform's call is the shell's, which may start a
        // program that takes it (ShellExecuteW), and what the shell shows
        // hands it back to its owner itself. The shell may ask its questions
        // from a thread of its own, out of reach of the scope's filter: such
        // a scope begins only once no key that was down at its start, the
        // one that answered the program's question held on, is down still.
        Leave,
    };

    // `platformOwner`: the owner that the platform's own modal loop disables
    // and enables again before hiding its window (MessageBoxW,
    // TaskDialogIndirect, the shell's questions and error boxes); the scope
    // leaves it to that loop.
    explicit TModalScope(HWND platformOwner = nullptr, TActivationGone gone = TActivationGone::TakeBack);
    ~TModalScope();
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;

    // Names the modal window once it exists.
    void Attach(HWND modal) noexcept;
    // For a modal window that the program hides itself, while it is still
    // the active window: enables the other windows again and activates the
    // window that was active before. Its owner may refuse the activation
    // (the application's window does), and the platform would then pick the
    // next window in Z order, which may belong to another program. Nothing
    // is activated when no window of the program was active before.
    void HandActivationBack() noexcept;
    // The answer when the user gave it; Cancel (2) when the modal window
    // ended for another reason: the program began to close (its windows
    // closed, WM_QUIT, the end of the session) or the owner went away.
    int Outcome(int answer) const;

private:
    static LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam) noexcept;
    void Watch(const CWPSTRUCT& message) noexcept;
    static LRESULT CALLBACK FilterInput(int code, WPARAM wParam, LPARAM lParam) noexcept;
    bool HeldFromBefore(const MSG& message) noexcept;
    // Lets the keys held at the start go up, handling meanwhile what is no
    // input: a key or a click at that time answers nothing.
    static void WaitForHeldKeysUp();
    void DisableOtherWindows();
    static BOOL CALLBACK Collect(HWND window, LPARAM param) noexcept;
    void Release() noexcept;
    void GiveActivationBack() const noexcept;
    HWND WindowToGoBackTo() const noexcept;

    static inline TModalScope* innermost_ = nullptr;
    static inline win::UniqueHook hook_;
    static inline win::UniqueHook inputHook_;

    TModalScope* outer_;
    HWND platformOwner_;
    HWND active_;
    HWND focus_;
    TActivationGone gone_;
    HWND modal_ = nullptr;
    // On the clock that stamps the messages' times.
    DWORD startedAt_ = ::GetTickCount();
    // The keys that went down while the scope was the innermost one.
    std::bitset<256> pressedHere_;
    std::vector<HWND> disabled_;
    bool outOfMemory_ = false;
    bool overTopmost_ = false;
    bool released_ = false;
};
