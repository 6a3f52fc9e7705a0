// The built program started as a user starts it, and watched from outside.
#pragma once

#include "test_support.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// ctest names a file (the exe, a document of the sources) by a Unix path
// under Wine, by a Windows one on Windows.
std::wstring FileFromEnvironment(const char* variable, const wchar_t* fallback) {
    const char* path = std::getenv(variable);
    if (!path) return fallback;
    if (path[0] == '/') return WinePathFromUnix(path);
    return std::filesystem::path(path).make_preferred().wstring();
}

// The program, started and watched; killed if a test leaves it running.
class RunningProgram {
public:
    // The program, started in `folder`, or where the test runs when it is empty.
    explicit RunningProgram(int showCommand = -1, const std::wstring& folder = L"")
        : RunningProgram(FileFromEnvironment("SENDTO_EXE", L"SendTo.exe"), L"", showCommand, folder) {}
    RunningProgram(const std::wstring& path, const std::wstring& arguments, int showCommand = -1,
                   const std::wstring& folder = L"")
        : started_(StartProcess(path, arguments, showCommand, folder)) {}
    ~RunningProgram() {
        if (Started() && ::WaitForSingleObject(Process(), 0) == WAIT_TIMEOUT) ::TerminateProcess(Process(), 99);
    }

    bool Started() const { return static_cast<bool>(started_.process); }

    // The first top-level window of the program with that class, other than
    // `except`, waited for until the launch's deadline; past it the failure
    // names the step that was waited for.
    HWND WaitForWindow(const char* step, const std::wstring& cls, bool visible, HWND except = nullptr) const {
        // Its first windows are made once the program first waits for input.
        ::WaitForInputIdle(Process(), TimeLeft());
        for (;;) {
            if (HWND found = FindWindowOf(cls, visible, except)) return found;
            if (TimeLeft() == 0) break;
            if (ProgramEndedWhilePumping()) {
                if (HWND found = FindWindowOf(cls, visible, except)) return found;
                ADD_FAILURE() << "no " << step << ": the program ended first";
                return nullptr;
            }
        }
        ADD_FAILURE() << "no " << step << " within " << kLaunchBudgetMs / 1000 << " s of the start";
        return nullptr;
    }

    HWND FindWindowOf(const std::wstring& cls, bool visible, HWND except = nullptr) const {
        return FindWindowOfProcess(started_.id, cls, visible, except);
    }

    // The exit code once the process has ended, or -1 when it did not end
    // before the launch's deadline.
    long ExitCode() const {
        if (::WaitForSingleObject(Process(), TimeLeft()) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the program did not end within " << kLaunchBudgetMs / 1000 << " s of the start";
            return -1;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(Process(), &code);
        return static_cast<long>(code);
    }

private:
    // Each launch has its own deadline: one that hangs fails alone, with the
    // step it hung in, and leaves the others their time.
    static constexpr DWORD kLaunchBudgetMs = 30000;

    DWORD TimeLeft() const {
        const DWORD spent = ::GetTickCount() - start_;
        return spent < kLaunchBudgetMs ? kLaunchBudgetMs - spent : 0;
    }

    HANDLE Process() const { return started_.process.get(); }

    // Waits a moment for the program's end, dispatching the test thread's
    // messages meanwhile, so that what another program sends the test's
    // windows never waits on it; whether the program ended.
    bool ProgramEndedWhilePumping() const {
        // Another process's windows come without a message to this thread:
        // looked for again this often.
        constexpr DWORD kLookAgainMs = 20;
        HANDLE process = Process();
        const DWORD woken =
            ::MsgWaitForMultipleObjects(1, &process, FALSE, std::min(kLookAgainMs, TimeLeft()), QS_ALLINPUT);
        PumpMessages();
        return woken == WAIT_OBJECT_0;
    }

    DWORD start_ = ::GetTickCount();
    StartedProcess started_;
};

}  // namespace
