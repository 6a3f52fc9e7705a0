// The two ways tests hold the file list: in the real main window, and alone
// in a plain window.
#pragma once

#include "main_form.h"
#include "platform_calls.h"
#include "test_support.h"
#include "window_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

// One request to the shell to open a file.
struct ShellCall {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    bool noParameters;
    bool noDirectory;
    int show;
};

// What the shell was asked to open since the last MainFormTest began.
std::vector<ShellCall>& ShellCalls();
// The files of those calls.
std::vector<std::wstring> OpenedFiles();
// Records the call, and answers as the shell answers success.
HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                    INT show);

// A real main window whose list shows a throw-away folder, taken as the
// SendTo folder, while the shell only records what it is asked to open.
// Each test leaves the SendTo path, the current folder, the clipboard and
// the Recycle Bin as it found them.
class MainFormTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TShellFileListBox* List() const { return form->ShellFileListBox1; }
    HWND ListWindow() const;
    // Selects the entry of that file name, which must be listed.
    void Select(const std::wstring& fileName);
    // Shows the window, active with the focus on its list.
    void ShowForm();

    TempFolder folder;
    TForm1* form = nullptr;

private:
    TPlatformOverride<ShellExecuteFn> recordShell_{Platform().ShellExecuteW, &RecordShellExecute};
    SendToPathScope sendToPath_;
    CurrentFolderScope currentFolder_;
    RecycledByTest recycled_;
    ClipboardPutBack clipboard_;
};

// A list as the main window holds it, alone in a plain window
// (PlainListWindow), made afresh for each test.
class PlainListTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Another list such as the first, in the same window.
    TShellFileListBox* MakeList() { return window_->MakeList(); }

    std::optional<PlainListWindow> window_;
    TForm* form_ = nullptr;
    TShellFileListBox* list_ = nullptr;

private:
    CurrentFolderScope currentFolder_;
};
