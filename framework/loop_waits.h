// What the main message loop waits on beside the thread's messages.
#pragma once

#include <windows.h>

// A source of work for the main loop: a handle that the platform signals,
// and, while it has something pending, a time after which it wants to be
// called although nothing more came. It registers itself for its life.
// Only the main loop outside modal windows waits on these, so that nothing
// they start runs under a question or an open menu.
class TLoopWait {
public:
    TLoopWait();
    virtual ~TLoopWait();
    TLoopWait(const TLoopWait&) = delete;
    TLoopWait& operator=(const TLoopWait&) = delete;

    // The handle to wait on; null while there is none.
    virtual HANDLE WaitHandle() const noexcept = 0;
    // Milliseconds from `now` until the source wants to be called; INFINITE
    // while nothing is pending.
    virtual DWORD WaitTimeout(DWORD now) const noexcept = 0;
    // The handle was signalled.
    virtual void Signalled(DWORD now) = 0;
    // Called after every wait: the source does what has come due.
    virtual void Due(DWORD now) = 0;
};

// The kinds of input that wake the main loop: all that the system knows.
DWORD InputWakeMask();

// Blocks until input arrives, a source's handle is signalled or a source's
// time comes, then lets each source act.
void WaitForInputOrLoopWaits();
