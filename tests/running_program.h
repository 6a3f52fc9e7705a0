// The built program started as a user starts it, and watched from outside.
#pragma once

#include "test_support.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct WindowSearch {
    DWORD pid;
    std::wstring cls;
    bool visible;
    HWND except;
    HWND found = nullptr;

    static BOOL CALLBACK Visit(HWND w, LPARAM p) {
        auto& s = *reinterpret_cast<WindowSearch*>(p);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid == s.pid && w != s.except && ClassOf(w) == s.cls && (!s.visible || ::IsWindowVisible(w))) {
            s.found = w;
            return FALSE;
        }
        return TRUE;
    }
};

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// ctest names the exe by a Unix path under Wine, by a Windows one on Windows.
std::wstring ExeFromEnvironment(const char* variable, const wchar_t* fallback) {
    const char* exe = std::getenv(variable);
    if (!exe) return fallback;
    if (exe[0] == '/') return WinePathFromUnix(exe);
    return std::filesystem::path(exe).make_preferred().wstring();
}

// The program, started and watched; killed if a test leaves it running.
class RunningProgram {
public:
    // The program, started in `folder`, or where the test runs when it is empty.
    explicit RunningProgram(int showCommand = -1, const std::wstring& folder = L"")
        : RunningProgram(ExeFromEnvironment("SENDTO_EXE", L"SendTo.exe"), L"", showCommand, folder) {}
    RunningProgram(const std::wstring& path, const std::wstring& arguments, int showCommand = -1,
                   const std::wstring& folder = L"") {
        std::wstring commandLine = Quoted(path) + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW startup{sizeof(startup)};
        if (showCommand >= 0) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(showCommand);
        }
        PROCESS_INFORMATION info{};
        started_ = ::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    folder.empty() ? nullptr : folder.c_str(), &startup, &info) != FALSE;
        process_.reset(info.hProcess);
        win::UniqueKernelHandle thread(info.hThread);
        processId_ = info.dwProcessId;
    }
    ~RunningProgram() {
        if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.get(), 99);
    }

    bool Started() const { return started_; }

    // The first top-level window of the program with that class, other than
    // `except`, waited for until the launch's deadline; past it the failure
    // names the step that was waited for.
    HWND WaitForWindow(const char* step, const std::wstring& cls, bool visible, HWND except = nullptr) const {
        do {
            if (HWND found = FindWindowOf(cls, visible, except)) return found;
            ::Sleep(50);
        } while (TimeLeft() > 0);
        ADD_FAILURE() << "no " << step << " within " << kLaunchBudgetMs / 1000 << " s of the start";
        return nullptr;
    }

    HWND FindWindowOf(const std::wstring& cls, bool visible, HWND except = nullptr) const {
        WindowSearch search{processId_, cls, visible, except};
        ::EnumWindows(&WindowSearch::Visit, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // The exit code once the process has ended, or -1 when it did not end
    // before the launch's deadline.
    long ExitCode() const {
        if (::WaitForSingleObject(process_.get(), TimeLeft()) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the program did not end within " << kLaunchBudgetMs / 1000 << " s of the start";
            return -1;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(process_.get(), &code);
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

    DWORD start_ = ::GetTickCount();
    bool started_ = false;
    win::UniqueKernelHandle process_;
    DWORD processId_ = 0;
};

}  // namespace
