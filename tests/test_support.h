// Helpers shared by the test programs: throw-away folders, real drops,
// message pumping, and an answerer for the dialogs that commands show.
#pragma once

#include "application.h"
#include "launch_support.h"
#include "message_dialog.h"
#include "platform_calls.h"
#include "send_to_location.h"
#include "win_handles.h"
#include "window_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

// A folder under %TEMP%, of a name no other run uses (what a test recycles
// from it is never taken for an earlier run's), removed with everything in
// it at the end; the
// process's current folder leaves it first when it is inside, as it is after
// a list entered it, since a current folder cannot be removed.
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

// The process's current folder put back as it was when the object ends,
// however the test ends; `folder` entered meanwhile when one is given.
class CurrentFolderScope {
public:
    CurrentFolderScope();
    explicit CurrentFolderScope(const std::wstring& folder);
    ~CurrentFolderScope();
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

private:
    std::wstring saved_;
};

// The SendTo folder's path (SendToPath) put back as it was when the object
// ends, whatever the test set meanwhile.
class SendToPathScope {
public:
    SendToPathScope() : saved_(SendToPath) {}
    ~SendToPathScope() { SendToPath = saved_; }
    SendToPathScope(const SendToPathScope&) = delete;
    SendToPathScope& operator=(const SendToPathScope&) = delete;

private:
    std::wstring saved_;
};

// A form of the application destroyed with its windows when the owner ends,
// so that a test stopped early by an ASSERT leaves no window behind.
struct DestroyForm {
    void operator()(TComponent* form) const { Application->DestroyComponent(form); }
};
template <typename T>
using OwnedForm = std::unique_ptr<T, DestroyForm>;
template <typename T>
OwnedForm<T> CreateOwnedForm() {
    return OwnedForm<T>(Application->Create<T>());
}

// A file name no other run uses: the test home's Recycle Bin outlives a run.
std::wstring UniqueName(const std::wstring& stem, const std::wstring& extension);

// Whether something is at `path`; a failure shows what its folder holds.
testing::AssertionResult FileExists(const std::wstring& path);
class TShellFileListBox;
// The file names of the list's entries, in the list's order.
std::vector<std::wstring> ListedFileNames(TShellFileListBox& list);

// Every monitor has `dpi` for the life of the object, as GetDpiForMonitor
// answers through the table of platform calls.
class MonitorsAt {
public:
    explicit MonitorsAt(UINT dpi) { dpi_ = dpi; }

private:
    static HRESULT WINAPI Answer(HMONITOR, int, UINT* x, UINT* y) {
        *x = *y = dpi_;
        return S_OK;
    }

    static inline UINT dpi_ = 96;
    TPlatformOverride<DpiForMonitorFn> answering_{Platform().GetDpiForMonitor, &Answer};
};

// What Windows does when the window moves to a monitor of `dpi`: it asks for
// the size there, then hands over the rectangle. The size the window answered.
SIZE MoveToMonitorOf(HWND window, int dpi);
// The same move where the platform does not ask first (WM_DPICHANGED alone):
// its rectangle is the window's outer size scaled by the two resolutions.
void MoveUnaskedToMonitorOf(HWND window, int fromDpi, int dpi);

// A window's client rectangle.
RECT ClientRectOf(HWND window);
// Where entry `index` lies in a list box's client area; an entry the list
// does not have is a failure of the test, with an empty rectangle.
RECT ItemRectOf(HWND list, int index);

// What a table row adds to a folder, removed when the row ends however it
// ends (an ASSERT that stops the row included), so that the next row finds
// the folder as this one did.
class NewEntriesRemoved {
public:
    explicit NewEntriesRemoved(std::wstring folder);
    ~NewEntriesRemoved();
    NewEntriesRemoved(const NewEntriesRemoved&) = delete;
    NewEntriesRemoved& operator=(const NewEntriesRemoved&) = delete;

private:
    std::wstring folder_;
    std::vector<std::wstring> before_;
};

// A 32-bit drawing surface whose pixels can be read back exactly, whatever
// the screen's depth.
class Surface {
public:
    Surface(int width, int height);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC Dc() const noexcept { return dc_.get(); }
    void Fill(COLORREF colour);
    // Takes the screen's pixels from `origin` on, the surface's size.
    void CopyScreen(POINT origin);
    // Takes a window's client pixels as drawn, whether or not they have
    // reached the screen yet (Wine shows a window's drawing a moment later).
    void CopyClient(HWND window);
    COLORREF At(int x, int y) const;
    // The pixels of the box, row by row; of the whole surface without a box.
    std::vector<COLORREF> Pixels(const RECT& box) const;
    std::vector<COLORREF> Pixels() const { return Pixels({0, 0, width_, height_}); }
    // Pixels inside the box for which the test holds.
    int Count(const RECT& box, const std::function<bool(COLORREF)>& test) const;

private:
    int width_;
    int height_;
    win::UniqueMemoryDc dc_;
    win::UniqueBitmap bitmap_;
    const DWORD* pixels_ = nullptr;
    std::optional<win::SelectScope> select_;
};

// Whether the list has an entry for that file name; a failure shows the
// list's entries.
testing::AssertionResult ListsFile(TShellFileListBox& list, const std::wstring& fileName);
// The selected entry's file name, "(none)" when no entry is selected.
std::wstring SelectedFile(TShellFileListBox& list);
// Selects the entry of that file name; none when it is empty or not listed.
void SelectFile(TShellFileListBox& list, const std::wstring& fileName);

// The names in a folder, sorted; empty when it cannot be read.
std::vector<std::wstring> FolderNames(const std::wstring& folder);
// Removes everything in the folder, files and folders; the folder stays.
void EmptyFolder(const std::wstring& folder);
// Each name in the folder as "name=content", sorted: what a test shows
// unchanged, or changed just so.
std::vector<std::wstring> FolderContents(const std::wstring& folder);
std::string ReadFileBytes(const std::wstring& path);

// Dispatches the thread's waiting messages.
void PumpMessages();
// Dispatches the thread's messages until `done` holds, for at most `ms`
// milliseconds; whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000);
// Dispatches the thread's messages until its queues stay empty: what was
// posted, sent, typed or timed so far has been handled, and whatever that
// posted in turn. For a test that shows something did not happen.
void PumpUntilIdle();

// The program's questions as the user reads them, before the entry's name.
inline const std::wstring kRemoveQuestion = L"Retirer ce programme du dossier de démarrage de Windows\r\n\r\n";
inline const std::wstring kRemoveByHand =
    L"Si ce fichier n'a pas pu être détruit automatiquement\r\n\r\n"
    L"Vous devez le supprimer manuellement\r\n\r\nVoulez vous le faire maintenant ?";
inline const std::wstring kAddQuestion =
    L"Placer ce programme dans le dossier SENDTO\r\nafin qu'il soit lancé à l'ouverture de Windows ? \r\n\r\n";

// A window's text.
std::wstring WindowText(HWND window);

// Leaves `block` on the clipboard in `format`, as another program's Copy
// would, with the clipboard owned by `owner` (the platform takes data only
// from a clipboard that has an owner). The clipboard keeps the block once it
// accepted it; a clipboard that cannot be opened, or refuses the data, is a
// failure of the test.
void PutOnClipboard(HWND owner, UINT format, win::UniqueGlobal block);
void PutTextOnClipboard(HWND owner, const std::wstring& text);
// The files as the file browser's Copy leaves them.
void PutFilesOnClipboard(HWND owner, const std::vector<std::wstring>& files);

// The clipboard put back as it was when the object ends, however the test
// ends, where the test changed it: every format whose data is a block of
// memory (the texts, the files, the program's own formats), owned by the
// application's window.
class ClipboardPutBack {
public:
    ClipboardPutBack();
    ~ClipboardPutBack();
    ClipboardPutBack(const ClipboardPutBack&) = delete;
    ClipboardPutBack& operator=(const ClipboardPutBack&) = delete;

private:
    struct Saved {
        UINT format;
        std::string bytes;
    };
    DWORD sequence_;
    std::vector<Saved> saved_;
};

// Exactly these modifier keys (Shift, Ctrl, Alt, either side) held in the
// thread's key state for the life of the object, as the user's fingers
// would hold them for the key messages a test posts; none for an empty list.
class ModifiersHeld {
public:
    explicit ModifiersHeld(std::initializer_list<UINT> keys);
    ~ModifiersHeld() { ::SetKeyboardState(saved_); }
    ModifiersHeld(const ModifiersHeld&) = delete;
    ModifiersHeld& operator=(const ModifiersHeld&) = delete;

private:
    BYTE saved_[256] = {};
};

// Presses the key on `target` as the user would, with Ctrl held when asked
// and no other modifier, through the application's loop.
void Press(HWND target, UINT vk, bool ctrl = false);

// Chooses the message dialog's presentation for the life of the object.
class Presentation {
public:
    explicit Presentation(bool taskDialog) : saved_(UseTaskDialogs) { UseTaskDialogs = taskDialog; }
    ~Presentation() { UseTaskDialogs = saved_; }
    Presentation(const Presentation&) = delete;
    Presentation& operator=(const Presentation&) = delete;

private:
    bool saved_;
};

// Runs the application's own loop (its key handling, and what the main loop
// waits on beside the messages) until `done` holds or `ms` have passed;
// true when it held.
bool RunMainLoopUntil(const std::function<bool()>& done, DWORD ms);
// PumpUntilIdle through the application's own loop.
void RunUntilIdle();

// Changes that a test makes in a folder, and what the list's folder watch
// does about them, settled without waiting real time: for the life of the
// object the program's clock (Platform().GetTickCount, which the watch runs
// on) is stood in for, and the platform's reports on the folder followed.
class WatchedChanges {
public:
    enum class Clock {
        WithRealTime,   // real time, plus what the test moved it ahead
        OnlyWhenMoved,  // stopped, but for what the test moves it
    };
    explicit WatchedChanges(const std::wstring& folder, Clock clock = Clock::WithRealTime);
    WatchedChanges(const WatchedChanges&) = delete;
    WatchedChanges& operator=(const WatchedChanges&) = delete;

    static void MoveClock(DWORD ms) noexcept { ahead_ += ms; }
    // Runs the application's loop until the platform has reported a change in
    // the folder (a failure of the test past a deadline), then, moving the
    // clock past the watch's longest wait each time, through the loop's idle
    // wait until whatever a watch on the folder would do about it is done.
    void SettleWithWatch();

private:
    static DWORD WINAPI Now() noexcept;

    static inline std::atomic<DWORD> ahead_{0};
    static inline bool realTime_ = true;
    std::wstring folder_;
    win::UniqueChangeNotification reports_;
    TPlatformOverride<TickCountFn> clock_{Platform().GetTickCount, &Now};
};

// What the answerer saw of one dialog.
struct SeenDialog {
    std::wstring className;
    std::wstring title;
    std::wstring text;                  // the static texts, joined by "\n"
    std::vector<std::wstring> buttons;  // button captions, in window order
    HWND owner = nullptr;
    std::wstring ownerClass;
};
void PrintTo(const SeenDialog& seen, std::ostream* out);
// The texts of the dialogs, in order.
std::vector<std::wstring> Texts(const std::vector<SeenDialog>& seen);
// Whether exactly `count` dialogs were seen; a failure shows each one.
testing::AssertionResult SawDialogs(const std::vector<SeenDialog>& seen, size_t count);

// Answers the dialogs that the thread shows, one action per dialog, in order,
// from a thread timer, so that a modal loop under test is driven as a user
// would drive it. Dialogs left when the actions are used up get Escape. A
// dialog still up AnswerDeadline after its answer is a failure of the test,
// and is closed by force so that the test goes on instead of hanging.
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
    // Whether an answerer is waiting for the thread's dialogs.
    static bool Alive() noexcept;

    static constexpr DWORD AnswerDeadline = 10000;

    // Reads what a dialog window shows.
    static SeenDialog Describe(HWND dialog);
    // Clicks the button with that caption in the dialog; false when none.
    static bool ClickButton(HWND dialog, const std::wstring& caption);
    static void PostKey(HWND target, UINT vk, bool alt = false);
    // Ends a dialog as its Cancel would, whether or not it has that button.
    static void CloseByForce(HWND dialog);

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Poll();
    void Act(HWND dialog, Action action);

    std::vector<Action> actions_;
    std::function<void(HWND)> custom_;
    size_t next_ = 0;
    std::vector<SeenDialog> seen_;
    HWND current_ = nullptr;
    DWORD answeredAt_ = 0;
    UINT_PTR timer_ = 0;
};

// A dialog of the thread that comes up while no DialogAnswerer is alive
// fails the running test at once, with its title and text, and is closed
// as Cancel closes it, instead of waiting for a user who never comes. Out of
// a test (at the program's start or end), it is printed, and Failed() tells.
// For the life of the object, on the thread that makes it.
class UnansweredDialogGuard {
public:
    UnansweredDialogGuard();
    ~UnansweredDialogGuard();
    UnansweredDialogGuard(const UnansweredDialogGuard&) = delete;
    UnansweredDialogGuard& operator=(const UnansweredDialogGuard&) = delete;

    // Whether a dialog came up out of any test.
    static bool Failed() noexcept { return failedOutOfTests_; }

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK CloseUnanswered(HWND, UINT, UINT_PTR timer, DWORD);

    static inline std::vector<HWND> pending_;
    static inline bool failedOutOfTests_ = false;
    HHOOK hook_;
};

// Drops the files on the list and answers the questions with `answers`;
// what the questions showed. A failure inside names the caller's line (taken
// by the builtins that std::source_location wraps: the Clang build's library
// has no std::source_location).
std::vector<SeenDialog> DropAndAnswer(HWND list, const std::vector<std::wstring>& files,
                                      std::vector<DialogAnswerer::Action> answers,
                                      std::function<void(HWND)> custom = nullptr, const char* file = __builtin_FILE(),
                                      int line = __builtin_LINE());

// A key message as the platform sends it for a key held down: the repeat
// bit tells that the key was already down.
void PostHeldKey(HWND target, UINT vk);
// Where a dialog's keys go: its focus, or the dialog itself.
HWND FocusIn(HWND dialog);
// Runs `then` once the messages posted so far are handled, by whichever loop
// reads them (a thread timer's message comes only when no posted message is
// waiting): what a dialog's own loop made of keys posted to it.
void OnceHandled(std::function<void()> then);
// Drops a `then` that has not run, so that it cannot outlive what it uses.
void ForgetOnceHandled();

// What the program told the shell of its changes (SHChangeNotify), recorded
// in place of the shell for the life of the object.
class ShellNotices {
public:
    struct Notice {
        LONG event;
        UINT flags;
        std::wstring first;   // the paths, empty when null or not paths
        std::wstring second;
        bool operator==(const Notice&) const = default;
        friend void PrintTo(const Notice& notice, std::ostream* out);
    };

    ShellNotices() { notices_.clear(); }
    const std::vector<Notice>& Seen() const noexcept { return notices_; }

private:
    static void WINAPI Record(LONG event, UINT flags, LPCVOID first, LPCVOID second);

    static inline std::vector<Notice> notices_;
    TPlatformOverride<ChangeNotifyFn> recording_{Platform().SHChangeNotify, &Record};
};

// Another program in front: a window of another thread, brought to the
// foreground for the life of the object, as when a file is dragged from the
// shell. No window of the test's thread is active meanwhile; a window that
// does not come to the front is a failure of the test.
class ForeignWindowInFront {
public:
    ForeignWindowInFront();
    ~ForeignWindowInFront();
    ForeignWindowInFront(const ForeignWindowInFront&) = delete;
    ForeignWindowInFront& operator=(const ForeignWindowInFront&) = delete;

    HWND Handle() const noexcept { return window_; }
    // Whether the activation left the test's thread for the other window.
    bool Active() const noexcept { return active_; }

private:
    void Run();

    HWND window_ = nullptr;
    bool active_ = false;
    DWORD threadId_ = 0;
    win::UniqueKernelHandle ready_;
    std::thread thread_;
};

// Whether `window` is a dialog that the answerer would act on.
bool IsDialogWindow(HWND window);

// How a drop holds its names: as wide characters, or in the system's code
// page (DROPFILES.fWide = 0), as programs made before Unicode drop them.
enum class DropNames { Wide, CodePage };
// Builds a real drop handle holding `files`, dropped at `point`. A name that
// the code page cannot hold is a failure of the test.
HDROP MakeDrop(const std::vector<std::wstring>& files, POINT point, DropNames names = DropNames::Wide);

// A drop handle and a copy of its bytes. Once released, the handle may
// already serve another allocation: it is open only while it holds the drop.
class WatchedDrop {
public:
    WatchedDrop(const std::vector<std::wstring>& files, POINT point, DropNames names = DropNames::Wide);
    HDROP get() const noexcept { return drop_; }
    WPARAM param() const noexcept { return reinterpret_cast<WPARAM>(drop_); }
    bool Open() const;

private:
    HDROP drop_;
    std::string bytes_;
};

// Watches for the thread's open popup menu (class "#32768") from a thread
// timer, which the menu's own loop dispatches, and acts on it once. A menu
// still open ActionDeadline after the action is a failure of the test, and
// is closed.
class MenuDriver {
public:
    explicit MenuDriver(std::function<void(HWND)> act);
    ~MenuDriver();
    MenuDriver(const MenuDriver&) = delete;
    MenuDriver& operator=(const MenuDriver&) = delete;

    int Openings() const noexcept { return openings_; }
    RECT MenuRect() const noexcept { return rect_; }

    static constexpr DWORD ActionDeadline = 10000;

    static void TypeChar(HWND menu, wchar_t ch) { ::PostMessageW(menu, WM_CHAR, ch, 1); }
    static void Close(HWND) { ::EndMenu(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Poll();

    static inline MenuDriver* current = nullptr;
    std::function<void(HWND)> act_;
    UINT_PTR timer_ = 0;
    HWND seen_ = nullptr;
    DWORD actedAt_ = 0;
    int openings_ = 0;
    RECT rect_{};
};

// A Windows path for a Unix path that Wine maps to drive Z:.
std::wstring WinePathFromUnix(const std::string& unixPath);

// Where Wine puts what goes to the Recycle Bin ($XDG_DATA_HOME/Trash/files),
// made if missing; empty outside a test home that names it.
std::wstring WineRecycleBinFolder();

// What a test sends to Wine's Recycle Bin leaves it when the object ends,
// however the test ends, so that the throw-away prefix's Recycle Bin does not
// grow with every run: the recycled items (Trash/files) and the notes Wine
// keeps on them (Trash/info). What earlier tests and runs left stays.
// Nothing outside a test home that names it.
class RecycledByTest {
public:
    RecycledByTest();
    ~RecycledByTest() { Empty(); }
    RecycledByTest(const RecycledByTest&) = delete;
    RecycledByTest& operator=(const RecycledByTest&) = delete;

    // Removes what was recycled since the object began.
    void Empty();

private:
    struct Trash {
        std::wstring folder;
        std::vector<std::wstring> before;
    };
    std::vector<Trash> trash_;
};

// The user's SendTo folder as the shell names it.
std::wstring SendToFolder();
// Where a test moves the SendTo folder while it checks a missing one.
std::wstring SendToMovedAside();
// A run killed half-way may have left the SendTo folder redirected, moved
// aside or replaced by a file: each test program puts it right before its
// tests instead of trusting the last run's clean-up.
void PutSendToInPlace();

// The file browser's "hide extensions for known file types", set for the
// life of the object and then put back as it was; the shell reads it at
// each name it gives. Each test program sets it as ExtensionsHidden() says.
class ExtensionsSetting {
public:
    explicit ExtensionsSetting(bool hidden);

private:
    UserSettingScope setting_;
};
// Whether the tests run with the extensions of known file types hidden:
// as SENDTO_TEST_EXTENSIONS says, "hidden" (as Windows ships) unless "shown".
bool ExtensionsHidden();
// A file's name as the shell shows it in the tests' setting: a shortcut's
// ".lnk" is never shown, and with extensions hidden no extension of a known
// file type is. Windows knows the types that programs register (".txt",
// ".exe", ".bmp"), Wine every type: the tests show files of known types.
std::wstring ShownName(const std::wstring& fileName);
std::vector<std::wstring> ShownNames(const std::vector<std::wstring>& fileNames);

// The ways the SendTo folder cannot be entered, with the error box's text.
struct BlockedSendTo {
    const char* label;
    bool fileInItsPlace;  // else the folder is missing
    std::wstring error;
};
const std::vector<BlockedSendTo>& BlockedSendToCases();
