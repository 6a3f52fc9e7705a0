// What the tests and the benchmarks share of the program's windows: the
// framework set up as the program sets it up, the list alone in a plain
// window, and a count of the list's readings. Free of GoogleTest, as
// launch_support is.
#pragma once

#include "platform_calls.h"

#include <windows.h>

#include <memory>
#include <string>

class TApplication;
class TForm;
class TScreen;
class TShellFileListBox;

// The screen and the application object as the program sets them up, for
// the life of the object.
class ProgramFramework {
public:
    ProgramFramework();
    ~ProgramFramework();
    ProgramFramework(const ProgramFramework&) = delete;
    ProgramFramework& operator=(const ProgramFramework&) = delete;

private:
    std::unique_ptr<TScreen> screen_;
    std::unique_ptr<TApplication> application_;
};

// A list as the main window holds it (two columns, icons, the layout's font
// height), alone in a plain window that goes with the object.
class PlainListWindow {
public:
    PlainListWindow();
    ~PlainListWindow();
    PlainListWindow(const PlainListWindow&) = delete;
    PlainListWindow& operator=(const PlainListWindow&) = delete;

    TForm& Form() const noexcept { return *form_; }
    TShellFileListBox& List() const noexcept { return *list_; }
    // Another list such as the first, in the same window.
    TShellFileListBox* MakeList();

private:
    TForm* form_ = nullptr;
    TShellFileListBox* list_ = nullptr;
};

// Counts the list's readings of its folder while it lives: each reading asks
// the shell about every file it lists, `marker` among them.
class ReadingCounter {
public:
    explicit ReadingCounter(std::wstring marker);
    int Count() const noexcept { return count_; }

private:
    static DWORD_PTR WINAPI CountAndAsk(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags);

    static inline std::wstring marker_;
    static inline int count_ = 0;
    TPlatformOverride<ShellFileInfoFn> counting_{Platform().SHGetFileInfoW, &CountAndAsk};
};
