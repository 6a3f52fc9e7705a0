#include "test_support.h"

#include "application.h"
#include "file_list_box.h"
#include "folder_watch.h"
#include "shell_file_list_box.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <string_view>
#include <utility>

namespace {

std::wstring TempRoot() {
    wchar_t buffer[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring path = buffer;
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

}  // namespace

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

void PutOnClipboard(HWND owner, UINT format, win::UniqueGlobal block) {
    win::ClipboardScope clipboard(owner);
    ASSERT_TRUE(clipboard.opened()) << "the clipboard could not be opened";
    ::EmptyClipboard();
    ASSERT_TRUE(::SetClipboardData(format, block.get())) << "the clipboard refused the data in format " << format;
    (void)block.release();
}

void PutTextOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    win::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    ASSERT_TRUE(block) << "no memory for the clipboard's text";
    std::memcpy(win::GlobalLockScope<wchar_t>(block.get()).get(), text.c_str(), bytes);
    PutOnClipboard(owner, CF_UNICODETEXT, std::move(block));
}

void PutFilesOnClipboard(HWND owner, const std::vector<std::wstring>& files) {
    PutOnClipboard(owner, CF_HDROP, win::UniqueGlobal(MakeDrop(files, {0, 0})));
}

namespace {

// Formats whose data is a handle of another kind than a block of memory.
bool HeldAsMemory(UINT format) {
    switch (format) {
    case CF_BITMAP:
    case CF_DSPBITMAP:
    case CF_PALETTE:
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
    case CF_OWNERDISPLAY: return false;
    default: return format < CF_GDIOBJFIRST || format > CF_GDIOBJLAST;
    }
}

}  // namespace

ClipboardPutBack::ClipboardPutBack() : sequence_(::GetClipboardSequenceNumber()) {
    const win::ClipboardScope clipboard(nullptr);
    if (!clipboard.opened()) {
        ADD_FAILURE() << "the clipboard could not be opened to keep what it holds";
        return;
    }
    for (UINT format = ::EnumClipboardFormats(0); format; format = ::EnumClipboardFormats(format)) {
        if (!HeldAsMemory(format)) continue;
        HANDLE data = ::GetClipboardData(format);
        const win::GlobalLockScope<char> bytes(data);
        if (bytes.get()) saved_.push_back({format, std::string(bytes.get(), ::GlobalSize(data))});
    }
}

ClipboardPutBack::~ClipboardPutBack() {
    if (::GetClipboardSequenceNumber() == sequence_) return;
    const win::ClipboardScope clipboard(Application->Handle());
    if (!clipboard.opened()) {
        ADD_FAILURE() << "the clipboard could not be opened to put back what it held";
        return;
    }
    ::EmptyClipboard();
    for (const Saved& saved : saved_) {
        win::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, saved.bytes.size()));
        if (!block) continue;
        std::copy(saved.bytes.begin(), saved.bytes.end(), win::GlobalLockScope<char>(block.get()).get());
        if (::SetClipboardData(saved.format, block.get())) (void)block.release();
    }
}

TempFolder::TempFolder(const std::wstring& name) {
    path_ = TempRoot() + L"\\" + UniqueName(L"sendto-test", name.empty() ? L"" : L"-" + name);
    RemoveTree(path_);
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    const std::wstring current = CurrentDirectory();
    const bool inside = _wcsnicmp(current.c_str(), path_.c_str(), path_.size()) == 0 &&
                        (current.size() == path_.size() || current[path_.size()] == L'\\');
    if (inside) ::SetCurrentDirectoryW(TempRoot().c_str());
    RemoveTree(path_);
}

CurrentFolderScope::CurrentFolderScope() : saved_(CurrentDirectory()) {}

CurrentFolderScope::CurrentFolderScope(const std::wstring& folder) : CurrentFolderScope() {
    EXPECT_TRUE(::SetCurrentDirectoryW(folder.c_str())) << "could not enter " << testing::PrintToString(folder);
}

CurrentFolderScope::~CurrentFolderScope() { ::SetCurrentDirectoryW(saved_.c_str()); }

std::wstring TempFolder::Touch(const std::wstring& name, const std::string& content, DWORD attributes) const {
    const std::wstring path = Path(name);
    MakeFile(path, content, attributes);
    return path;
}

std::wstring TempFolder::MakeFolder(const std::wstring& name) const {
    const std::wstring path = Path(name);
    ::CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

std::wstring TempFolder::MakeShortcut(const std::wstring& name, const std::wstring& target) const {
    const std::wstring path = Path(name + L".lnk");
    IShellLinkW* rawLink = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&rawLink))))
        return path;
    const win::UniqueCom<IShellLinkW> link(rawLink);
    link->SetPath(target.c_str());
    IPersistFile* rawFile = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile)))) {
        const win::UniqueCom<IPersistFile> file(rawFile);
        file->Save(path.c_str(), TRUE);
    }
    return path;
}

std::wstring UniqueName(const std::wstring& stem, const std::wstring& extension) {
    static unsigned counter = 0;
    return stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount()) + L"-" +
           std::to_wstring(++counter) + extension;
}

testing::AssertionResult FileExists(const std::wstring& path) {
    const bool exists = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    const size_t slash = path.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"." : path.substr(0, slash);
    return (exists ? testing::AssertionSuccess() : testing::AssertionFailure())
           << testing::PrintToString(path) << (exists ? " exists" : " does not exist") << "; its folder holds "
           << testing::PrintToString(FolderNames(folder));
}

std::vector<std::wstring> ListedFileNames(TShellFileListBox& list) {
    std::vector<std::wstring> names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.EntryFileName(i));
    return names;
}

std::vector<std::wstring> FolderNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find.get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

void EmptyFolder(const std::wstring& folder) {
    for (const std::wstring& name : FolderNames(folder)) RemoveItem(folder + L"\\" + name);
}

std::vector<std::wstring> FolderContents(const std::wstring& folder) {
    std::vector<std::wstring> entries;
    for (const std::wstring& name : FolderNames(folder)) {
        const std::string bytes = ReadFileBytes(folder + L"\\" + name);
        entries.push_back(name + L"=" + std::wstring(bytes.begin(), bytes.end()));
    }
    return entries;
}

std::string ReadFileBytes(const std::wstring& path) {
    win::UniqueFile file(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes(::GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool RunMainLoopUntil(const std::function<bool()>& done, DWORD ms) {
    // A thread timer keeps waking the loop, which otherwise would wait for
    // input that never comes.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nullptr);
    const DWORD start = ::GetTickCount();
    bool held = false;
    while (!(held = done()) && ::GetTickCount() - start < ms) Application->HandleMessage();
    ::KillTimer(nullptr, timer);
    return held;
}

namespace {

// What a test waits out: the messages it posted or sent, the input it gave,
// and the timers that came due.
constexpr UINT kQueuedWork = QS_POSTMESSAGE | QS_SENDMESSAGE | QS_INPUT | QS_TIMER;
// Seen empty this many times in a row, with the other threads given the
// processor in between, the queues are idle.
constexpr int kEmptyChecks = 3;
// Queues that never empty are a fault of the test, not a wait.
constexpr DWORD kIdleDeadline = 10000;

// Dispatches one waiting message at a time through `dispatch` until the
// queues stay empty.
void DispatchUntilIdle(const std::function<void()>& dispatch) {
    const DWORD start = ::GetTickCount();
    for (int empty = 0; empty < kEmptyChecks;) {
        if (::GetTickCount() - start >= kIdleDeadline) {
            ADD_FAILURE() << "the thread's message queues did not empty within " << kIdleDeadline / 1000 << " s";
            return;
        }
        if (HIWORD(::GetQueueStatus(kQueuedWork)) == 0) {
            ++empty;
            ::SwitchToThread();
            continue;
        }
        empty = 0;
        // Peeking also handles what other threads sent; only a message
        // left to take is dispatched, so that the loop never waits.
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) dispatch();
    }
}

}  // namespace

void PumpUntilIdle() { DispatchUntilIdle([] { PumpMessages(); }); }

void RunUntilIdle() { DispatchUntilIdle([] { Application->HandleMessage(); }); }

namespace {

// How long the platform may take to report a change in a folder.
constexpr DWORD kReportDeadline = 5000;
// The loop's idle waits a settling goes through: one hears the change, the
// next reads it; two more for a handle that stays signalled after its
// reading.
constexpr int kSettlingWaits = 4;

}  // namespace

WatchedChanges::WatchedChanges(const std::wstring& folder, Clock clock)
    : folder_(folder),
      reports_(::FindFirstChangeNotificationW(folder.c_str(), FALSE,
                                              FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES |
                                                  FILE_NOTIFY_CHANGE_LAST_WRITE)) {
    ahead_ = 0;
    realTime_ = clock == Clock::WithRealTime;
}

DWORD WINAPI WatchedChanges::Now() noexcept { return (realTime_ ? ::GetTickCount() : 0) + ahead_; }

void WatchedChanges::SettleWithWatch() {
    // The platform reports a change to every watch on the folder at once:
    // once this one has heard of it, so has the program's.
    if (!RunMainLoopUntil([&] { return ::WaitForSingleObject(reports_.get(), 0) == WAIT_OBJECT_0; },
                          kReportDeadline)) {
        ADD_FAILURE() << "the platform did not report the change in " << testing::PrintToString(folder_)
                      << " within " << kReportDeadline / 1000 << " s";
        return;
    }
    // Wakes the loop's idle wait, which otherwise would wait for input that
    // never comes.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nullptr);
    for (int i = 0; i < kSettlingWaits; ++i) {
        MoveClock(TFolderWatch::LongestWait);
        RunUntilIdle();
        // With nothing left to dispatch, the loop goes to its idle wait.
        Application->HandleMessage();
    }
    ::KillTimer(nullptr, timer);
    RunUntilIdle();
}

ForeignWindowInFront::ForeignWindowInFront() : ready_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this] { Run(); });
    ::WaitForSingleObject(ready_.get(), INFINITE);
    // Asked from the test's thread, which holds the foreground until then.
    ::SetForegroundWindow(window_);
    active_ = PumpUntil([&] { return ::GetForegroundWindow() == window_ && ::GetActiveWindow() == nullptr; });
    EXPECT_TRUE(active_) << "the other window did not take the activation";
}

ForeignWindowInFront::~ForeignWindowInFront() {
    ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    PumpUntilIdle();
}

void ForeignWindowInFront::Run() {
    threadId_ = ::GetCurrentThreadId();
    win::UniqueHwnd window(::CreateWindowExW(0, L"STATIC", L"autre programme", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                                             300, 200, 100, nullptr, nullptr, nullptr, nullptr));
    window_ = window.get();
    // The thread has its message queue since its window exists.
    ::SetEvent(ready_.get());
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    // Between looks, the thread waits for its next message, this long at most.
    constexpr DWORD kLookAgainMs = 5;
    const DWORD start = ::GetTickCount();
    for (;;) {
        PumpMessages();
        if (done()) return true;
        if (::GetTickCount() - start >= ms) return false;
        // What is waited for may come from another thread, without a message.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, kLookAgainMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

bool IsDialogWindow(HWND window) {
    const std::wstring cls = ClassOf(window);
    return (cls == L"#32770" || cls == L"TMessageForm") && ::IsWindowVisible(window) && ::IsWindowEnabled(window);
}

void PrintTo(const SeenDialog& seen, std::ostream* out) {
    *out << testing::PrintToString(seen.className) << " " << testing::PrintToString(seen.title) << ": "
         << testing::PrintToString(seen.text) << ", buttons " << testing::PrintToString(seen.buttons);
}

std::vector<std::wstring> Texts(const std::vector<SeenDialog>& seen) {
    std::vector<std::wstring> texts;
    texts.reserve(seen.size());
    for (const SeenDialog& dialog : seen) texts.push_back(dialog.text);
    return texts;
}

testing::AssertionResult SawDialogs(const std::vector<SeenDialog>& seen, size_t count) {
    testing::AssertionResult result = seen.size() == count ? testing::AssertionSuccess()
                                                           : testing::AssertionFailure();
    result << count << " dialog(s) expected, " << seen.size() << " seen";
    for (const SeenDialog& dialog : seen) result << "\n  " << testing::PrintToString(dialog);
    return result;
}

namespace {
DialogAnswerer* g_answerer = nullptr;

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    auto& seen = *reinterpret_cast<SeenDialog*>(param);
    const std::wstring cls = ClassOf(child);
    const std::wstring text = WindowText(child);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        seen.buttons.push_back(text);
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0 && !text.empty()) {
        if (!seen.text.empty()) seen.text += L"\n";
        seen.text += text;
    }
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    if (IsDialogWindow(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

DialogAnswerer::DialogAnswerer(std::vector<Action> actions) : DialogAnswerer(std::move(actions), nullptr) {}

DialogAnswerer::DialogAnswerer(std::vector<Action> actions, std::function<void(HWND)> custom)
    : actions_(std::move(actions)), custom_(std::move(custom)) {
    g_answerer = this;
    timer_ = ::SetTimer(nullptr, 0, 40, &Tick);
}

DialogAnswerer::~DialogAnswerer() {
    ::KillTimer(nullptr, timer_);
    g_answerer = nullptr;
}

bool DialogAnswerer::Alive() noexcept { return g_answerer != nullptr; }

void CALLBACK DialogAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_answerer) g_answerer->Poll();
}

SeenDialog DialogAnswerer::Describe(HWND dialog) {
    SeenDialog seen;
    seen.className = ClassOf(dialog);
    seen.title = WindowText(dialog);
    seen.owner = ::GetWindow(dialog, GW_OWNER);
    if (seen.owner) seen.ownerClass = ClassOf(seen.owner);
    ::EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

void DialogAnswerer::Poll() {
    // Still being answered, unless a box opened over it (which disables it).
    if (current_ && ::IsWindow(current_) && ::IsWindowVisible(current_) && ::IsWindowEnabled(current_)) {
        if (::GetTickCount() - answeredAt_ >= AnswerDeadline) {
            ADD_FAILURE() << "the dialog " << testing::PrintToString(Describe(current_)) << " was still up "
                          << AnswerDeadline << " ms after its answer; closed by force";
            CloseByForce(current_);
            current_ = nullptr;
        }
        return;
    }
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    current_ = dialog;
    answeredAt_ = ::GetTickCount();
    seen_.push_back(Describe(dialog));
    const Action action = next_ < actions_.size() ? actions_[next_] : Action::Escape;
    ++next_;
    Act(dialog, action);
}

void DialogAnswerer::CloseByForce(HWND dialog) {
    // The platform's dialogs end through their own loop; ours ends when its
    // window is gone.
    if (ClassOf(dialog) == L"#32770") ::EndDialog(dialog, IDCANCEL); else ::DestroyWindow(dialog);
}

namespace {

// Whether the window is of a class that the answerer answers, shown or not.
bool IsDialogClass(HWND window) {
    const std::wstring cls = ClassOf(window);
    return cls == L"#32770" || cls == L"TMessageForm";
}

}  // namespace

UnansweredDialogGuard::UnansweredDialogGuard()
    : hook_(::SetWindowsHookExW(WH_CBT, &Watch, nullptr, ::GetCurrentThreadId())) {}

UnansweredDialogGuard::~UnansweredDialogGuard() { ::UnhookWindowsHookEx(hook_); }

LRESULT CALLBACK UnansweredDialogGuard::Watch(int code, WPARAM wParam, LPARAM lParam) {
    // The dialog is read and closed once its activation is over, from a
    // thread timer that its own loop dispatches.
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && !DialogAnswerer::Alive() && IsDialogClass(window) &&
        std::find(pending_.begin(), pending_.end(), window) == pending_.end()) {
        pending_.push_back(window);
        ::SetTimer(nullptr, 0, 0, &CloseUnanswered);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK UnansweredDialogGuard::CloseUnanswered(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    std::vector<HWND> pending;
    pending.swap(pending_);
    for (HWND dialog : pending) {
        // Gone already, or an answerer took it over meanwhile.
        if (!::IsWindow(dialog) || DialogAnswerer::Alive()) continue;
        const std::string seen = testing::PrintToString(DialogAnswerer::Describe(dialog));
        if (testing::UnitTest::GetInstance()->current_test_info()) {
            ADD_FAILURE() << "a dialog came up with no answerer: " << seen << "; closed as Cancel closes it";
        } else {
            std::fprintf(stderr, "A dialog came up out of any test: %s; closed as Cancel closes it.\n", seen.c_str());
            failedOutOfTests_ = true;
        }
        DialogAnswerer::CloseByForce(dialog);
    }
}

bool DialogAnswerer::ClickButton(HWND dialog, const std::wstring& caption) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0 && WindowText(child) == caption) {
            ::PostMessageW(child, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

void DialogAnswerer::PostKey(HWND target, UINT vk, bool alt) {
    const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1 << 29) : 0);
    ::PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
    ::PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, down | (1u << 30) | (1u << 31));
}

void PostHeldKey(HWND target, UINT vk) {
    const LPARAM repeat = 1 | (static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16) | (LPARAM{1} << 30);
    ::PostMessageW(target, WM_KEYDOWN, vk, repeat);
}

HWND FocusIn(HWND dialog) {
    HWND focus = ::GetFocus();
    return focus && ::GetAncestor(focus, GA_ROOT) == dialog ? focus : dialog;
}

namespace {
std::function<void()> g_onceHandled;

void CALLBACK RunOnceHandled(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    if (const std::function<void()> then = std::exchange(g_onceHandled, nullptr)) then();
}
}  // namespace

void OnceHandled(std::function<void()> then) {
    g_onceHandled = std::move(then);
    ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &RunOnceHandled);
}

void ForgetOnceHandled() { g_onceHandled = nullptr; }

void DialogAnswerer::Act(HWND dialog, Action action) {
    HWND focus = FocusIn(dialog);
    switch (action) {
    case Action::Ok: ClickButton(dialog, L"OK"); break;
    case Action::Cancel: ClickButton(dialog, L"Annuler"); break;
    case Action::Enter: PostKey(focus, VK_RETURN); break;
    case Action::Escape: PostKey(focus, VK_ESCAPE); break;
    case Action::Close: ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case Action::AltF4: PostKey(focus, VK_F4, true); break;
    case Action::TabEnter:
        PostKey(focus, VK_TAB);
        // The focus moves when the Tab is handled; Enter goes where it lands.
        ::PostMessageW(dialog, WM_NULL, 0, 0);
        PostKey(focus, VK_RETURN);
        break;
    case Action::Custom:
        if (custom_) custom_(dialog);
        break;
    }
}

std::vector<SeenDialog> DropAndAnswer(HWND list, const std::vector<std::wstring>& files,
                                      std::vector<DialogAnswerer::Action> answers, std::function<void(HWND)> custom,
                                      const char* file, int line) {
    const testing::ScopedTrace trace(file, line, "dropped here");
    DialogAnswerer answerer(std::move(answers), std::move(custom));
    ::SendMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files, {4, 4})), 0);
    PumpMessages();
    return answerer.Seen();
}

void WINAPI ShellNotices::Record(LONG event, UINT flags, LPCVOID first, LPCVOID second) {
    const bool paths = (flags & SHCNF_TYPE) == SHCNF_PATHW;
    const auto path = [&](LPCVOID text) {
        return paths && text ? std::wstring(static_cast<const wchar_t*>(text)) : L"";
    };
    notices_.push_back({event, flags, path(first), path(second)});
}

void PrintTo(const ShellNotices::Notice& notice, std::ostream* out) {
    *out << "event 0x" << std::hex << notice.event << ", flags 0x" << notice.flags << std::dec << ", "
         << testing::PrintToString(notice.first) << ", " << testing::PrintToString(notice.second);
}

WatchedDrop::WatchedDrop(const std::vector<std::wstring>& files, POINT point, DropNames names)
    : drop_(MakeDrop(files, point, names)) {
    win::GlobalLockScope<char> data(drop_);
    bytes_.assign(data.get(), ::GlobalSize(drop_));
}

bool WatchedDrop::Open() const {
    if (::GlobalSize(drop_) != bytes_.size()) return false;
    win::GlobalLockScope<char> data(drop_);
    return data.get() && std::equal(bytes_.begin(), bytes_.end(), data.get());
}

MenuDriver::MenuDriver(std::function<void(HWND)> act) : act_(std::move(act)) {
    current = this;
    timer_ = ::SetTimer(nullptr, 0, 30, &Tick);
}

MenuDriver::~MenuDriver() {
    ::KillTimer(nullptr, timer_);
    current = nullptr;
}

void CALLBACK MenuDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current) current->Poll();
}

namespace {
BOOL CALLBACK FindMenu(HWND window, LPARAM param) {
    if (ClassOf(window) != L"#32768" || !::IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}
}  // namespace

void MenuDriver::Poll() {
    HWND menu = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindMenu, reinterpret_cast<LPARAM>(&menu));
    if (!menu) {
        seen_ = nullptr;
        return;
    }
    if (menu == seen_) {
        // A menu that the action missed fails the test, and is closed so
        // that the test goes on instead of hanging.
        if (::GetTickCount() - actedAt_ >= ActionDeadline) {
            ADD_FAILURE() << "the menu was still open " << ActionDeadline << " ms after the test acted on it; closed";
            ::EndMenu();
            actedAt_ = ::GetTickCount();
        }
        return;
    }
    seen_ = menu;
    actedAt_ = ::GetTickCount();
    ++openings_;
    ::GetWindowRect(menu, &rect_);
    act_(menu);
}

namespace {

// The text in the system's code page; one it cannot hold is a failure of the test.
std::string InCodePage(const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    std::string bytes(::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                          nullptr);
    std::wstring back(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0),
                      L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), back.data(),
                          static_cast<int>(back.size()));
    EXPECT_EQ(back, text) << "the system's code page (" << ::GetACP() << ") cannot hold the names";
    return bytes;
}

// A drop's list of names as its bytes: each name ended by a zero, the list
// by an empty name.
std::string DropListBytes(const std::vector<std::wstring>& files, DropNames names) {
    std::wstring list;
    for (const auto& f : files) list += f + L'\0';
    list += L'\0';
    if (names == DropNames::CodePage) return InCodePage(list);
    return {reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t)};
}

}  // namespace

HDROP MakeDrop(const std::vector<std::wstring>& files, POINT point, DropNames names) {
    const std::string list = DropListBytes(files, names);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    win::GlobalLockScope<BYTE> lock(block);
    auto* header = reinterpret_cast<DROPFILES*>(lock.get());
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fNC = FALSE;
    header->fWide = names == DropNames::Wide;
    std::copy(list.begin(), list.end(), lock.get() + sizeof(DROPFILES));
    return static_cast<HDROP>(block);
}

const std::vector<BlockedSendTo>& BlockedSendToCases() {
    static const std::vector<BlockedSendTo> cases{
        {"missing", false, L"Impossible de trouver le fichier spécifié."},
        {"a file in its place", true, L"Erreur E/S 267."},  // ERROR_DIRECTORY
    };
    return cases;
}

std::wstring WinePathFromUnix(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

std::wstring WineRecycleBinFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (!dataHome) return L"";
    const std::wstring folder = WinePathFromUnix(std::string(dataHome) + "/Trash/files");
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

namespace {

// Removes what is in the folder and not in `before`.
void RemoveEntriesNotIn(const std::wstring& folder, const std::vector<std::wstring>& before) {
    for (const std::wstring& name : FolderNames(folder))
        if (std::find(before.begin(), before.end(), name) == before.end()) RemoveItem(folder + L"\\" + name);
}

}  // namespace

NewEntriesRemoved::NewEntriesRemoved(std::wstring folder) : folder_(std::move(folder)), before_(FolderNames(folder_)) {}

NewEntriesRemoved::~NewEntriesRemoved() { RemoveEntriesNotIn(folder_, before_); }

RecycledByTest::RecycledByTest() {
    const std::wstring files = WineRecycleBinFolder();
    if (files.empty()) return;
    // Trash/files and Trash/info side by side.
    const std::wstring info = files.substr(0, files.size() - 5) + L"info";
    ::CreateDirectoryW(info.c_str(), nullptr);
    for (const std::wstring& folder : {files, info}) trash_.push_back({folder, FolderNames(folder)});
}

void RecycledByTest::Empty() {
    for (const Trash& trash : trash_) RemoveEntriesNotIn(trash.folder, trash.before);
}

bool ExtensionsHidden() {
    const char* setting = std::getenv("SENDTO_TEST_EXTENSIONS");
    return !setting || std::string_view(setting) != "shown";
}

ExtensionsSetting::ExtensionsSetting(bool hidden)
    : setting_(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", L"HideFileExt",
               hidden ? 1 : 0) {}

std::wstring ShownName(const std::wstring& fileName) {
    const size_t dot = fileName.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0) return fileName;
    std::wstring extension = fileName.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(), ::towlower);
    return extension == L".lnk" || ExtensionsHidden() ? fileName.substr(0, dot) : fileName;
}

std::vector<std::wstring> ShownNames(const std::vector<std::wstring>& fileNames) {
    std::vector<std::wstring> shown;
    shown.reserve(fileNames.size());
    std::transform(fileNames.begin(), fileNames.end(), std::back_inserter(shown), ShownName);
    return shown;
}

std::wstring SendToFolder() {
    PWSTR raw = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_SendTo, KF_FLAG_DONT_VERIFY, nullptr, &raw);
    const win::UniqueCoTaskText path(raw);
    return SUCCEEDED(result) && path ? std::wstring(path.get()) : std::wstring();
}

std::wstring SendToMovedAside() { return SendToFolder() + L".absent"; }

void PutSendToInPlace() {
    static const wchar_t standard[] = L"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\SendTo";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                      L"SendTo", REG_EXPAND_SZ, standard, sizeof(standard));
    // Whatever a killed test left there goes, file or folder.
    for (const std::wstring& path : {SendToMovedAside(), SendToFolder()}) RemoveItem(path);
    ::CreateDirectoryW(SendToFolder().c_str(), nullptr);
}

// The platform hands the window, moved to a monitor of `dpi`, a rectangle of
// that outer size where the window is.
static void HandOverRectangle(HWND window, int dpi, SIZE size) {
    RECT outer{};
    ::GetWindowRect(window, &outer);
    const RECT suggested{outer.left, outer.top, outer.left + size.cx, outer.top + size.cy};
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

SIZE MoveToMonitorOf(HWND window, int dpi) {
    constexpr UINT kGetDpiScaledSize = 0x02E4;
    SIZE size{};
    EXPECT_TRUE(::SendMessageW(window, kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size)));
    HandOverRectangle(window, dpi, size);
    return size;
}

void MoveUnaskedToMonitorOf(HWND window, int fromDpi, int dpi) {
    RECT outer{};
    ::GetWindowRect(window, &outer);
    HandOverRectangle(window, dpi,
                      {::MulDiv(outer.right - outer.left, dpi, fromDpi), ::MulDiv(outer.bottom - outer.top, dpi, fromDpi)});
}

RECT ClientRectOf(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return r;
}

RECT ItemRectOf(HWND list, int index) {
    RECT r{};
    if (::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) == LB_ERR) {
        ADD_FAILURE() << "the list has no entry " << index;
        return {};
    }
    return r;
}

ModifiersHeld::ModifiersHeld(std::initializer_list<UINT> keys) {
    ::GetKeyboardState(saved_);
    BYTE state[256];
    std::copy(std::begin(saved_), std::end(saved_), std::begin(state));
    for (UINT key : {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL, VK_RCONTROL, VK_MENU, VK_LMENU,
                     VK_RMENU})
        state[key] = 0;
    for (UINT key : keys) state[key] = 0x80;
    ::SetKeyboardState(state);
}

void Press(HWND target, UINT vk, bool ctrl) {
    const ModifiersHeld state = ctrl ? ModifiersHeld({VK_CONTROL}) : ModifiersHeld({});
    DialogAnswerer::PostKey(target, vk);
    RunUntilIdle();
}

Surface::Surface(int width, int height)
    : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels_ = static_cast<const DWORD*>(bits);
    select_.emplace(dc_.get(), bitmap_.get());
}

void Surface::Fill(COLORREF colour) {
    win::UniqueBrush brush(::CreateSolidBrush(colour));
    const RECT all{0, 0, width_, height_};
    ::FillRect(dc_.get(), &all, brush.get());
}

void Surface::CopyScreen(POINT origin) {
    win::WindowDc screen(nullptr);
    ::BitBlt(dc_.get(), 0, 0, width_, height_, screen.get(), origin.x, origin.y, SRCCOPY);
}

void Surface::CopyClient(HWND window) {
    win::WindowDc drawn(window);
    ::BitBlt(dc_.get(), 0, 0, width_, height_, drawn.get(), 0, 0, SRCCOPY);
}

COLORREF Surface::At(int x, int y) const {
    ::GdiFlush();
    const DWORD p = pixels_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::vector<COLORREF> Surface::Pixels(const RECT& box) const {
    std::vector<COLORREF> pixels;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) pixels.push_back(At(x, y));
    return pixels;
}

int Surface::Count(const RECT& box, const std::function<bool(COLORREF)>& test) const {
    const std::vector<COLORREF> pixels = Pixels(box);
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), test));
}

testing::AssertionResult ListsFile(TShellFileListBox& list, const std::wstring& fileName) {
    const std::vector<std::wstring> names = ListedFileNames(list);
    const bool listed = std::find(names.begin(), names.end(), fileName) != names.end();
    return (listed ? testing::AssertionSuccess() : testing::AssertionFailure())
           << testing::PrintToString(fileName) << (listed ? " is listed" : " is not listed")
           << "; the list's entries: " << testing::PrintToString(names);
}

std::wstring SelectedFile(TShellFileListBox& list) {
    const int index = list.ItemIndex();
    return index < 0 ? L"(none)" : list.EntryFileName(index);
}

void SelectFile(TShellFileListBox& list, const std::wstring& fileName) {
    list.SetItemIndex(-1);
    if (ListsFile(list, fileName)) list.SelectFile(fileName);
}
