// Helpers shared by the test programs: throw-away folders, real drops,
// message pumping, and an answerer for the dialogs that commands show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A folder under %TEMP% removed with everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name = L"");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const noexcept { return path_; }
    std::wstring Path(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Creates a file holding `content`, with the given attributes.
    std::wstring Touch(const std::wstring& name, const std::string& content = "x",
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    std::wstring MakeFolder(const std::wstring& name) const;
    // A shell shortcut `name`.lnk pointing at `target`.
    std::wstring MakeShortcut(const std::wstring& name, const std::wstring& target) const;

private:
    std::wstring path_;
};

// Deletes a folder tree.
void RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);

// Dispatches the thread's waiting messages, for at least `ms` milliseconds.
void PumpMessages(DWORD ms = 0);
// Dispatches the thread's messages until `done` holds, for at most `ms`
// milliseconds; whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000);

// A window's class name and its text.
std::wstring ClassOf(HWND window);
std::wstring WindowText(HWND window);

// What the answerer saw of one dialog.
struct SeenDialog {
    std::wstring className;
    std::wstring title;
    std::wstring text;                  // the static texts, joined by "\n"
    std::vector<std::wstring> buttons;  // button captions, in window order
    HWND owner = nullptr;
    std::wstring ownerClass;
};

// Answers the dialogs that the thread shows, one action per dialog, in order,
// from a thread timer, so that a modal loop under test is driven as a user
// would drive it. Dialogs left when the actions are used up get Escape.
class DialogAnswerer {
public:
    enum class Action { Ok, Cancel, Enter, Escape, Close, AltF4, TabEnter, Custom };
    explicit DialogAnswerer(std::vector<Action> actions);
    // Runs `custom` for each Action::Custom with the dialog's window.
    DialogAnswerer(std::vector<Action> actions, std::function<void(HWND)> custom);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    const std::vector<SeenDialog>& Seen() const noexcept { return seen_; }

    // Reads what a dialog window shows.
    static SeenDialog Describe(HWND dialog);
    // Clicks the button with that caption in the dialog; false when none.
    static bool ClickButton(HWND dialog, const std::wstring& caption);
    static void PostKey(HWND target, UINT vk, bool alt = false);

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Poll();
    void Act(HWND dialog, Action action);

    std::vector<Action> actions_;
    std::function<void(HWND)> custom_;
    size_t next_ = 0;
    std::vector<SeenDialog> seen_;
    HWND current_ = nullptr;
    UINT_PTR timer_ = 0;
};

// Whether `window` is a dialog that the answerer would act on.
bool IsDialogWindow(HWND window);

// Builds a real drop handle holding `files`, dropped at `point`.
HDROP MakeDrop(const std::vector<std::wstring>& files, POINT point);

// A Windows path for a Unix path that Wine maps to drive Z:.
std::wstring WinePathFromUnix(const std::string& unixPath);

// Where Wine puts what goes to the Recycle Bin ($XDG_DATA_HOME/Trash/files),
// made if missing; empty outside a test home that names it.
std::wstring WineRecycleBinFolder();

// The user's SendTo folder as the shell names it.
std::wstring SendToFolder();
// Where a test moves the SendTo folder while it checks a missing one.
std::wstring SendToMovedAside();
// A run killed half-way may have left the SendTo folder redirected, moved
// aside or replaced by a file: each test program puts it right before its
// tests instead of trusting the last run's clean-up.
void PutSendToInPlace();

// The ways the SendTo folder cannot be entered, with the error box's text.
struct BlockedSendTo {
    const char* label;
    bool fileInItsPlace;  // else the folder is missing
    std::wstring error;
};
const std::vector<BlockedSendTo>& BlockedSendToCases();
