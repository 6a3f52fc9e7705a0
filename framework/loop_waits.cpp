#include "loop_waits.h"

#include "platform_calls.h"
#include "system_library.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<TLoopWait*>& Sources() {
    static std::vector<TLoopWait*> sources;
    return sources;
}

// Touch and pen input (Windows 8 and later) wake a thread through bits of
// their own, which the headers for Windows 7 leave out of QS_ALLINPUT;
// Windows 7 refuses a mask that holds them.
constexpr DWORD kTouchWake = 0x0800;    // QS_TOUCH
constexpr DWORD kPointerWake = 0x1000;  // QS_POINTER

}  // namespace

TLoopWait::TLoopWait() { Sources().push_back(this); }

TLoopWait::~TLoopWait() { std::erase(Sources(), this); }

DWORD InputWakeMask() { return QS_ALLINPUT | (SystemAtLeast(6, 2) ? kTouchWake | kPointerWake : 0); }

void WaitForInputOrLoopWaits() {
    // A copy: a source may come or go while the others act.
    const std::vector<TLoopWait*> sources = Sources();
    std::vector<HANDLE> handles;
    std::vector<TLoopWait*> owners;
    DWORD timeout = INFINITE;
    const DWORD now = Platform().GetTickCount();
    for (TLoopWait* source : sources) {
        timeout = std::min(timeout, source->WaitTimeout(now));
        if (HANDLE handle = source->WaitHandle(); handle && handles.size() < MAXIMUM_WAIT_OBJECTS - 1) {
            handles.push_back(handle);
            owners.push_back(source);
        }
    }
    const DWORD count = static_cast<DWORD>(handles.size());
    const DWORD woken = Platform().MsgWaitForMultipleObjectsEx(count, handles.data(), timeout, InputWakeMask(),
                                                               MWMO_INPUTAVAILABLE);
    // A wait the system refuses would return at once, every time: the loop
    // waits for input alone instead of spinning.
    if (woken == WAIT_FAILED) (void)Platform().WaitMessage();
    const DWORD after = Platform().GetTickCount();
    if (woken < WAIT_OBJECT_0 + count) owners[woken - WAIT_OBJECT_0]->Signalled(after);
    for (TLoopWait* source : sources)
        if (std::find(Sources().begin(), Sources().end(), source) != Sources().end()) source->Due(after);
}
