#include "loop_waits.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<TLoopWait*>& Sources() {
    static std::vector<TLoopWait*> sources;
    return sources;
}

}  // namespace

TLoopWait::TLoopWait() { Sources().push_back(this); }

TLoopWait::~TLoopWait() { std::erase(Sources(), this); }

void WaitForInputOrLoopWaits() {
    // A copy: a source may come or go while the others act.
    const std::vector<TLoopWait*> sources = Sources();
    std::vector<HANDLE> handles;
    std::vector<TLoopWait*> owners;
    DWORD timeout = INFINITE;
    const DWORD now = ::GetTickCount();
    for (TLoopWait* source : sources) {
        timeout = std::min(timeout, source->WaitTimeout(now));
        if (HANDLE handle = source->WaitHandle(); handle && handles.size() < MAXIMUM_WAIT_OBJECTS - 1) {
            handles.push_back(handle);
            owners.push_back(source);
        }
    }
    const DWORD count = static_cast<DWORD>(handles.size());
    const DWORD woken =
        ::MsgWaitForMultipleObjectsEx(count, handles.data(), timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    const DWORD after = ::GetTickCount();
    if (woken < WAIT_OBJECT_0 + count) owners[woken - WAIT_OBJECT_0]->Signalled(after);
    for (TLoopWait* source : sources)
        if (std::find(Sources().begin(), Sources().end(), source) != Sources().end()) source->Due(after);
}
