// Drops from ordinary programs into the program run as administrator.
#pragma once

#include <windows.h>

#include <type_traits>
#include <utility>

using ChangeWindowMessageFilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);

// The platform call that lets a window hear messages from programs of a
// lower integrity level. Looked up in user32 at run time, so that the exe
// starts where it is missing; null there. A test puts a recorder in its slot
// with a TCallOverride.
struct TElevationCalls {
    ChangeWindowMessageFilterExFn ChangeWindowMessageFilterEx;
};
TElevationCalls& ElevationCalls();

// Puts `replacement` in a slot of a call table for as long as it lives.
template <typename Fn>
class TCallOverride {
public:
    TCallOverride(Fn& slot, std::type_identity_t<Fn> replacement)
        : slot_(slot), saved_(std::exchange(slot, replacement)) {}
    ~TCallOverride() { slot_ = saved_; }
    TCallOverride(const TCallOverride&) = delete;
    TCallOverride& operator=(const TCallOverride&) = delete;

private:
    Fn& slot_;
    Fn saved_;
};

// WM_COPYGLOBALDATA: the shell's drop data travels with it.
constexpr UINT kCopyGlobalData = 0x0049;

// Lets the shell's drops reach `window` from the ordinary file browser when
// the program runs elevated; the platform blocks them otherwise, and the
// user sees only the "no" cursor. Without elevation it changes nothing.
void AllowDropsFromOrdinaryPrograms(HWND window);
