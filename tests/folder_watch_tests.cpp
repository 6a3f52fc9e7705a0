// The list follows its folder: what other programs add, remove or rename
// shows without a key, where the user left the list, and never under a
// question.
#include "list_fixtures.h"
#include "test_support.h"

#include "application.h"
#include "folder_watch.h"
#include "loop_waits.h"
#include "platform_calls.h"
#include "form.h"
#include "win_handles.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

using Action = DialogAnswerer::Action;

// How long a command of another process may take.
constexpr DWORD kOtherProcessDeadline = 30000;

// Runs `command` through cmd.exe in another process, with no console window
// to take the activation, and waits for its end.
void RunInOtherProcess(const std::wstring& command) {
    const StartedProcess cmd = StartProcess(SystemFolder() + L"\\cmd.exe", L"/c " + command, -1, L"", CREATE_NO_WINDOW);
    ASSERT_TRUE(cmd.process) << "cmd.exe did not start (error " << ::GetLastError() << ")";
    ASSERT_EQ(::WaitForSingleObject(cmd.process.get(), kOtherProcessDeadline), WAIT_OBJECT_0)
        << "cmd.exe did not end within " << kOtherProcessDeadline / 1000 << " s of " << testing::PrintToString(command);
}

class FolderWatchTest : public PlainListTest {
protected:
    LRESULT TopIndex() const { return ::SendMessageW(list_->Handle(), LB_GETTOPINDEX, 0, 0); }

    TempFolder folder_;
};

int changeHandlesMade = 0;
int waits = 0;
DWORD mostHandlesWaitedOn = 0;
HANDLE signalling = nullptr;
bool lastWaitHeldIt = false;
// Set, each wait of the loop finds input waiting, so that the loop turns
// without real time passing; a wait that returns for something else, or
// that would not sleep at all, is counted.
bool inputAtEachWait = false;
int wakesWithoutInput = 0;

// A change handle that signals for ever, as one on a share that went away.
HANDLE WINAPI AlwaysSignalled(LPCWSTR, BOOL, DWORD) {
    ++changeHandlesMade;
    signalling = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return signalling;
}

BOOL WINAPI StaysSignalled(HANDLE) { return TRUE; }

// The program's clock held still: the watch then acts on the signals it
// counts alone, however slowly a busy machine turns the loop.
DWORD WINAPI StoppedClock() { return 0; }

DWORD WINAPI CountedWait(DWORD count, const HANDLE* handles, DWORD timeout, DWORD mask, DWORD flags) {
    ++waits;
    mostHandlesWaitedOn = std::max(mostHandlesWaitedOn, count);
    lastWaitHeldIt = std::find(handles, handles + count, signalling) != handles + count;
    if (inputAtEachWait) ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
    const DWORD woken = SystemCalls().MsgWaitForMultipleObjectsEx(count, handles, timeout, mask, flags);
    if (inputAtEachWait && (woken != WAIT_OBJECT_0 + count || timeout == 0)) ++wakesWithoutInput;
    return woken;
}

// Runs the main loop through 50 of its waits, each woken at once by input:
// a loop that sleeps wakes for that input alone; one that spins wakes for
// a handle already signalled, or waits no time at all.
void ExpectTheLoopSleepsThroughFiftyWaits() {
    inputAtEachWait = true;
    waits = 0;
    wakesWithoutInput = 0;
    EXPECT_TRUE(RunMainLoopUntil([] { return waits >= 50; }, 10000)) << "the loop did not wait 50 times";
    inputAtEachWait = false;
    EXPECT_EQ(wakesWithoutInput, 0) << "of " << waits << " waits, these woke for no input or did not sleep";
}

}  // namespace

TEST_F(FolderWatchTest, AnotherProgramsChangesShowWithoutAKeyWhereTheUserLeftTheList) {
    // Enough entries to scroll, so that the kept scroll position shows.
    for (int i = 0; i < 60; ++i) folder_.Touch(L"m" + std::to_wstring(100 + i) + L".txt");
    folder_.Touch(L"b.txt");
    list_->SetDirectory(folder_.Path());
    struct Case {
        const char* label;
        const wchar_t* command;  // run by cmd.exe in the folder
        const wchar_t* shows;    // a file name that must come, or null
        const wchar_t* goes;     // a file name that must go, or null
        const wchar_t* select;   // the entry selected before the change
        const wchar_t* selectedAfter;
    };
    const Case cases[] = {
        {"added before the selection", L"echo x> a.txt", L"a.txt", nullptr, L"m150.txt", L"m150.txt"},
        {"renamed", L"ren a.txt c.txt", L"c.txt", L"a.txt", L"b.txt", L"b.txt"},
        {"another removed", L"del c.txt", nullptr, L"c.txt", L"m150.txt", L"m150.txt"},
        // Wine's rename keeps the old case of a name that differs in case
        // only: the file passes through another name, within one command.
        {"the selected one renamed in case only", L"ren b.txt tmp.txt && ren tmp.txt B.txt", L"B.txt", L"b.txt",
         L"b.txt", L"B.txt"},
        {"the selected one removed", L"del B.txt", nullptr, L"B.txt", L"B.txt", L"(none)"},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        SelectFile(*list_, c.select);
        ASSERT_EQ(SelectedFile(*list_), c.select);
        ::SendMessageW(list_->Handle(), LB_SETTOPINDEX, 40, 0);
        const LRESULT top = TopIndex();
        RunInOtherProcess(L"cd /d \"" + folder_.Path() + L"\" && " + c.command);
        EXPECT_TRUE(RunMainLoopUntil(
            [&] { return (!c.shows || ListsFile(*list_, c.shows)) && (!c.goes || !ListsFile(*list_, c.goes)); }, 5000))
            << "the other program's change did not show";
        EXPECT_EQ(SelectedFile(*list_), c.selectedAfter);
        EXPECT_EQ(TopIndex(), top);
    };
    for (const Case& c : cases) checkRow(c);
}

TEST_F(FolderWatchTest, NothingIsReadWhileAQuestionIsUpTheChangeShowsAfterIt) {
    list_->SetDirectory(folder_.Path());
    bool listedDuringQuestion = true;
    DialogAnswerer answers({Action::Custom}, [&](HWND question) {
        WatchedChanges changes(folder_.Path());
        folder_.Touch(L"pendant.txt");
        // The loop that a classic question runs, past the watch's waits.
        changes.SettleWithWatch();
        listedDuringQuestion = ListsFile(*list_, L"pendant.txt");
        DialogAnswerer::ClickButton(question, L"OK");
    });
    EXPECT_TRUE(AskConfirm(L"Question"));
    EXPECT_FALSE(listedDuringQuestion);
    EXPECT_TRUE(RunMainLoopUntil([&] { return ListsFile(*list_, L"pendant.txt"); }, 3000))
        << "the file made by the other program did not show";
}

TEST_F(FolderWatchTest, ABurstOfThreeHundredFilesShowsInFull) {
    list_->SetDirectory(folder_.Path());
    RunInOtherProcess(L"cd /d \"" + folder_.Path() + L"\" && for /l %i in (1,1,300) do @echo x> f%i.txt");
    EXPECT_TRUE(RunMainLoopUntil([&] { return list_->Count() == 300; }, 10000)) << list_->Count();
}

// The watch moves with the list: a change in the new folder shows, one in the
// folder left reads nothing. When the list's folder cannot be entered any
// more, the list is empty and the loop waits on no handle at all, neither
// the first folder's nor one that would still hear the folder where it went.
TEST_F(FolderWatchTest, ANewFolderIsFollowedAndOneThatCannotBeEnteredIsNot) {
    TempFolder parent;
    const std::wstring followed = parent.MakeFolder(L"suivi");
    list_->SetDirectory(folder_.Path());
    list_->SetDirectory(followed);
    parent.Touch(L"suivi\\nouveau.txt");
    EXPECT_TRUE(RunMainLoopUntil([&] { return ListsFile(*list_, L"nouveau.txt"); }, 3000))
        << "a change in the new folder did not show";
    ReadingCounter readings(L"nouveau.txt");
    {
        WatchedChanges changes(folder_.Path());
        folder_.Touch(L"ancien.txt");
        changes.SettleWithWatch();
    }
    EXPECT_FALSE(readings.Count() > 0) << "a change in the folder left read the list";

    // The program's current folder is its list's: elsewhere, the folder can go.
    const CurrentFolderScope inParent(parent.Path());
    ASSERT_TRUE(::MoveFileW(followed.c_str(), parent.Path(L"parti").c_str()));
    TPlatformOverride wait(Platform().MsgWaitForMultipleObjectsEx, &CountedWait);
    list_->Update();
    EXPECT_EQ(list_->Count(), 0);
    waits = 0;
    mostHandlesWaitedOn = 0;
    parent.Touch(L"parti\\après.txt");
    folder_.Touch(L"encore.txt");
    ASSERT_TRUE(RunMainLoopUntil([] { return waits >= 5; }, 3000)) << "the loop did not wait";
    EXPECT_EQ(mostHandlesWaitedOn, 0u) << "the loop still waits on a change handle";
    EXPECT_EQ(list_->Count(), 0);
}

// When the list reads again, on the watch's own clock: after a pause in the
// changes, and during changes that do not pause, once a second.
TEST(FolderWatchTiming, ReadsAfterAPauseOrOnceASecondWhileChangesGoOn) {
    struct Case {
        const char* label;
        std::vector<DWORD> changes;  // when the folder signalled, in ms
        DWORD until;
        std::vector<DWORD> readings;  // when the list read the folder
    };
    const Case cases[] = {
        {"one change", {0}, 400, {150}},
        {"a burst with no pause of 150 ms", {0, 100, 200, 300}, 800, {450}},
        {"a change every 100 ms for two seconds", {0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100, 1200,
                                                   1300, 1400, 1500, 1600, 1700, 1800, 1900, 2000},
         2400, {1000, 2100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<DWORD> readings;
        DWORD now = 0;
        TFolderWatch watch([&] {
            readings.push_back(now);
            return true;
        });
        // The main loop's steps, 50 ms apart: a change is signalled, then
        // whatever is due is done.
        for (; now <= c.until; now += 50) {
            if (std::find(c.changes.begin(), c.changes.end(), now) != c.changes.end()) watch.Signalled(now);
            watch.Due(now);
        }
        EXPECT_EQ(readings, c.readings);
    }
}

// A handle that signals for nothing, at every step of the loop, costs one
// reading per rest: the reading comes as soon as RunawaySignals signals have
// come, then the handle rests, and is waited on again.
TEST(FolderWatchTiming, AHandleThatSignalsForNothingIsReadOncePerRest) {
    TPlatformOverride handles(Platform().FindFirstChangeNotificationW, &AlwaysSignalled);
    TPlatformOverride next(Platform().FindNextChangeNotification, &StaysSignalled);
    std::vector<DWORD> readings;
    DWORD now = 0;
    TFolderWatch watch([&] {
        readings.push_back(now);
        return false;
    });
    watch.Watch(L"C:\\dossier");
    // The main loop's steps, 1 ms apart: the handle signals whenever it is
    // waited on, then whatever is due is done.
    for (; now < 2 * TFolderWatch::RunawayRest + 2000; ++now) {
        if (watch.WaitHandle()) watch.Signalled(now);
        watch.Due(now);
    }
    constexpr DWORD first = TFolderWatch::RunawaySignals - 1;
    constexpr DWORD cycle = TFolderWatch::RunawayRest + TFolderWatch::RunawaySignals;
    EXPECT_EQ(readings, (std::vector<DWORD>{first, first + cycle, first + 2 * cycle}));
}

// The watch follows the list's folder, not the one it left.
TEST_F(FolderWatchTest, AChangeInTheFolderLeftCausesNoReading) {
    TempFolder other;
    other.Touch(L"nouveau.txt");
    list_->SetDirectory(folder_.Path());
    list_->SetDirectory(other.Path());
    ReadingCounter readings(L"nouveau.txt");
    WatchedChanges changes(folder_.Path());
    folder_.Touch(L"ancien.txt");
    changes.SettleWithWatch();
    EXPECT_EQ(readings.Count(), 0);
}

// After a change shows, the handle waits for the next one: a handle left
// signalled would read the folder again every second.
TEST_F(FolderWatchTest, OneChangeIsReadOnceAndTheLoopStaysQuietAfterIt) {
    list_->SetDirectory(folder_.Path());
    ReadingCounter readings(L"nouveau.txt");
    WatchedChanges changes(folder_.Path());
    folder_.Touch(L"nouveau.txt");
    ASSERT_TRUE(RunMainLoopUntil([&] { return ListsFile(*list_, L"nouveau.txt"); }, 3000))
        << "the new file did not show";
    // Readings are counted until the watch has nothing left to do.
    changes.SettleWithWatch();
    EXPECT_EQ(readings.Count(), 1);
}

// Written while the loop runs, a burst of 300 files shows in full for a few
// readings, not one per file. The watch's clock moves with the writer, a
// file each millisecond: a writer that the system holds up makes no pause.
TEST_F(FolderWatchTest, ABurstWrittenWhileTheLoopRunsCostsAFewReadings) {
    folder_.Touch(L"0.txt");
    list_->SetDirectory(folder_.Path());
    ReadingCounter readings(L"0.txt");
    WatchedChanges changes(folder_.Path(), WatchedChanges::Clock::OnlyWhenMoved);
    std::atomic<bool> written{false};
    std::thread writer([&] {
        for (int i = 1; i <= 300; ++i) {
            folder_.Touch(L"f" + std::to_wstring(i) + L".txt");
            WatchedChanges::MoveClock(1);
        }
        written = true;
    });
    const bool wrote = RunMainLoopUntil([&] { return written.load(); }, 30000);
    writer.join();
    EXPECT_TRUE(wrote) << "the writer did not end";
    changes.SettleWithWatch();
    EXPECT_EQ(list_->Count(), 301);
    EXPECT_LE(readings.Count(), 3);
}

// With nothing else to wake it (no timer, no input), the loop still wakes
// when the quiet time is over: a change shows before the guard, which wakes
// the loop only if it slept too long.
TEST_F(FolderWatchTest, AChangeShowsWithNothingElseWakingTheLoop) {
    list_->SetDirectory(folder_.Path());
    const DWORD thread = ::GetCurrentThreadId();
    win::UniqueKernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<bool> guardWoke{false};
    std::thread guard([&] {
        if (::WaitForSingleObject(done.get(), 3000) != WAIT_TIMEOUT) return;
        guardWoke = true;
        ::PostThreadMessageW(thread, WM_NULL, 0, 0);
    });
    folder_.Touch(L"nouveau.txt");
    while (!ListsFile(*list_, L"nouveau.txt") && !guardWoke) Application->HandleMessage();
    ::SetEvent(done.get());
    guard.join();
    EXPECT_TRUE(ListsFile(*list_, L"nouveau.txt"));
    EXPECT_FALSE(guardWoke);
}

// While the rename box holds the watch, a handle that keeps signalling lets
// the loop sleep and the list stay as it is; the change made meanwhile shows
// once the box closes.
TEST_F(FolderWatchTest, AHeldWatchLetsTheLoopSleepAndCatchesUpWhenReleased) {
    TPlatformOverride first(Platform().FindFirstChangeNotificationW, &AlwaysSignalled);
    TPlatformOverride next(Platform().FindNextChangeNotification, &StaysSignalled);
    TPlatformOverride wait(Platform().MsgWaitForMultipleObjectsEx, &CountedWait);
    folder_.Touch(L"a.txt");
    list_->SetDirectory(folder_.Path());
    SelectFile(*list_, L"a.txt");
    list_->EditSelectedName();
    ASSERT_TRUE(list_->EditingName());
    ReadingCounter readings(L"a.txt");
    WatchedChanges changes(folder_.Path());
    folder_.Touch(L"pendant.txt");
    ExpectTheLoopSleepsThroughFiftyWaits();
    changes.SettleWithWatch();
    EXPECT_EQ(readings.Count(), 0) << "the list was read while held";
    list_->EndNameEdit(false);
    EXPECT_TRUE(RunMainLoopUntil([&] { return ListsFile(*list_, L"pendant.txt"); }, 3000))
        << "the change made while held did not show once released";
}

// A handle that keeps signalling with nothing changed rests, without a word;
// entering the folder again gives it a new handle.
TEST_F(FolderWatchTest, AHandleThatSignalsForNothingRestsWithoutAWordAndTheFolderEnteredAgainGetsANewOne) {
    changeHandlesMade = 0;
    TPlatformOverride first(Platform().FindFirstChangeNotificationW, &AlwaysSignalled);
    TPlatformOverride next(Platform().FindNextChangeNotification, &StaysSignalled);
    TPlatformOverride wait(Platform().MsgWaitForMultipleObjectsEx, &CountedWait);
    TPlatformOverride<TickCountFn> clock(Platform().GetTickCount, &StoppedClock);
    DialogAnswerer answers({});
    list_->SetDirectory(folder_.Path());
    ASSERT_EQ(changeHandlesMade, 1);
    lastWaitHeldIt = true;
    EXPECT_TRUE(RunMainLoopUntil([] { return !lastWaitHeldIt; }, 5000))
        << "the loop still waits on the handle that signals for nothing";
    ExpectTheLoopSleepsThroughFiftyWaits();
    EXPECT_TRUE(SawDialogs(answers.Seen(), 0));
    list_->Update();
    EXPECT_EQ(changeHandlesMade, 2);
}

namespace {

struct LoopWaitCall {
    DWORD timeout;
    DWORD mask;
};
std::vector<LoopWaitCall> loopWaits;
DWORD clockNow = 0;
DWORD waitAnswer = WAIT_TIMEOUT;
int waitMessages = 0;
DWORD versionMajor = 6;
DWORD versionMinor = 1;

DWORD WINAPI ProgramClock() { return clockNow; }

// Waits on the program's clock: a timed wait ends when its time is up.
DWORD WINAPI RecordedWait(DWORD, const HANDLE*, DWORD timeout, DWORD mask, DWORD) {
    loopWaits.push_back({timeout, mask});
    if (waitAnswer == WAIT_TIMEOUT && timeout != INFINITE) clockNow += timeout;
    return waitAnswer;
}

BOOL WINAPI RecordedWaitMessage() {
    ++waitMessages;
    return TRUE;
}

BOOL WINAPI ReportedVersion(LPOSVERSIONINFOW info) {
    info->dwMajorVersion = versionMajor;
    info->dwMinorVersion = versionMinor;
    return TRUE;
}

// The main loop's wait, with the program's clock, the wait and the system's
// version stood in for.
class MainLoopWaitTest : public testing::Test {
protected:
    void SetUp() override {
        loopWaits.clear();
        waitAnswer = WAIT_TIMEOUT;
        waitMessages = 0;
    }

    TPlatformOverride<TickCountFn> clock{Platform().GetTickCount, &ProgramClock};
    TPlatformOverride<MsgWaitFn> wait{Platform().MsgWaitForMultipleObjectsEx, &RecordedWait};
    TPlatformOverride<WaitMessageFn> waitMessage{Platform().WaitMessage, &RecordedWaitMessage};
    TPlatformOverride<VersionFn> version{Platform().GetVersionExW, &ReportedVersion};
};

}  // namespace

// Windows 8 brought touch and pen input, which wake a thread through bits of
// their own; Windows 7 refuses a mask that holds them.
TEST_F(MainLoopWaitTest, WakesForEveryInputTheSystemKnows) {
    constexpr DWORD kTouchAndPen = 0x0800 | 0x1000;
    const struct {
        const char* label;
        DWORD major, minor;
        DWORD touchAndPen;
    } cases[] = {
        {"Windows 7", 6, 1, 0},
        {"Windows 8", 6, 2, kTouchAndPen},
        {"Windows 10", 10, 0, kTouchAndPen},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        versionMajor = c.major;
        versionMinor = c.minor;
        loopWaits.clear();
        WaitForInputOrLoopWaits();
        ASSERT_EQ(loopWaits.size(), 1u);
        EXPECT_EQ(loopWaits[0].mask & QS_ALLINPUT, static_cast<DWORD>(QS_ALLINPUT));
        EXPECT_EQ(loopWaits[0].mask & kTouchAndPen, c.touchAndPen);
    };
    for (const auto& c : cases) checkRow(c);
}

TEST_F(MainLoopWaitTest, AWaitTheSystemRefusesEndsInWaitingForInput) {
    waitAnswer = WAIT_FAILED;
    WaitForInputOrLoopWaits();
    EXPECT_EQ(loopWaits.size(), 1u);
    EXPECT_EQ(waitMessages, 1);
}

// The loop sleeps exactly until the watch is due, on the program's clock,
// and the reading comes when the wait ends.
TEST_F(MainLoopWaitTest, SleepsUntilTheWatchIsDue) {
    const struct {
        const char* label;
        std::vector<DWORD> changes;
        DWORD loopAt;
        DWORD timeout;
    } cases[] = {
        {"one change, 100 ms ago", {1000}, 1100, TFolderWatch::QuietTime - 100},
        {"changes for 950 ms, the last 50 ms ago", {1000, 1300, 1600, 1900}, 1950, TFolderWatch::LongestWait - 950},
        {"no change", {}, 1000, INFINITE},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        int readings = 0;
        TFolderWatch watch([&] {
            ++readings;
            return true;
        });
        for (DWORD at : c.changes) watch.Signalled(at);
        clockNow = c.loopAt;
        loopWaits.clear();
        WaitForInputOrLoopWaits();
        ASSERT_EQ(loopWaits.size(), 1u);
        EXPECT_EQ(loopWaits[0].timeout, c.timeout);
        EXPECT_EQ(readings, c.changes.empty() ? 0 : 1);
    };
    for (const auto& c : cases) checkRow(c);
}

namespace {

// The platform's side of a burst of changes, on the program's clock: the
// folder changes every millisecond for kBurstLength, and the change at
// `fileAt` really adds a file. The change handle is signalled from a change
// until the watch asks for the next one.
constexpr DWORD kBurstLength = 3000;
struct Burst {
    HANDLE handle = nullptr;
    DWORD start = 0;
    DWORD fileAt = 0;
    std::wstring file;
    bool signalled = false;
};
Burst burst;

HANDLE WINAPI BurstHandle(LPCWSTR, BOOL, DWORD) {
    burst.handle = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return burst.handle;
}

BOOL WINAPI NextChangeOfTheBurst(HANDLE) {
    burst.signalled = false;
    return TRUE;
}

// Time passes a millisecond at a time until the burst's handle, when waited
// on, is signalled, or the timeout ends.
DWORD WINAPI WaitThroughTheBurst(DWORD count, const HANDLE* handles, DWORD timeout, DWORD, DWORD) {
    const HANDLE* burstHandle = std::find(handles, handles + count, burst.handle);
    const DWORD end = clockNow + (timeout == INFINITE ? 60000 : timeout);
    while (burstHandle == handles + count || !burst.signalled) {
        if (clockNow == end) return WAIT_TIMEOUT;
        const DWORD since = ++clockNow - burst.start;
        if (since == burst.fileAt) ::CloseHandle(::CreateFileW(burst.file.c_str(), GENERIC_WRITE, 0, nullptr,
                                                               CREATE_NEW, 0, nullptr));
        if (since <= kBurstLength) burst.signalled = true;
    }
    return WAIT_OBJECT_0 + static_cast<DWORD>(burstHandle - handles);
}

}  // namespace

// A burst of thousands of signals with a real change in it, in its middle or
// as its last: the change shows, though the burst's first signals found
// nothing new.
TEST_F(FolderWatchTest, ABurstOfSignalsWithARealChangeInItShowsTheChange) {
    static_assert(kBurstLength >= 2 * TFolderWatch::RunawaySignals);
    TPlatformOverride<TickCountFn> clock{Platform().GetTickCount, &ProgramClock};
    TPlatformOverride<FirstChangeFn> first{Platform().FindFirstChangeNotificationW, &BurstHandle};
    TPlatformOverride<NextChangeFn> next{Platform().FindNextChangeNotification, &NextChangeOfTheBurst};
    TPlatformOverride<MsgWaitFn> wait{Platform().MsgWaitForMultipleObjectsEx, &WaitThroughTheBurst};
    list_->SetDirectory(folder_.Path());
    const struct {
        const char* label;
        DWORD fileAt;
        const wchar_t* file;
    } cases[] = {
        {"a file added in the middle", kBurstLength / 2, L"milieu.txt"},
        {"a file added at the end", kBurstLength, L"fin.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        // The folder entered again: each burst meets a watch of its own.
        list_->Update();
        burst.start = clockNow;
        burst.fileAt = c.fileAt;
        burst.file = folder_.Path(c.file);
        burst.signalled = false;
        const DWORD deadline = kBurstLength + TFolderWatch::RunawayRest + 2 * TFolderWatch::LongestWait;
        while (!ListsFile(*list_, c.file) && clockNow - burst.start < deadline) WaitForInputOrLoopWaits();
        EXPECT_TRUE(ListsFile(*list_, c.file))
            << "not listed " << clockNow - burst.start << " ms after the burst began";
    }
}

// The folder going away behind the program's back empties the list without
// a box; asked for again, it says why.
TEST_F(FolderWatchTest, AFolderThatGoesAwayEmptiesTheListWithoutABoxUntilTheUserAsks) {
    TempFolder parent;
    const std::wstring watched = parent.MakeFolder(L"suivi");
    ::CloseHandle(::CreateFileW((watched + L"\\a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    list_->SetDirectory(watched);
    ASSERT_TRUE(ListsFile(*list_, L"a.txt"));
    // The program's current folder is its list's: elsewhere, the folder can
    // go. Its file goes first, which the watch hears.
    const CurrentFolderScope inParent(parent.Path());
    ASSERT_TRUE(::DeleteFileW((watched + L"\\a.txt").c_str()));
    ASSERT_TRUE(::MoveFileW(watched.c_str(), parent.Path(L"parti").c_str()));
    DialogAnswerer answers({});
    EXPECT_TRUE(RunMainLoopUntil([&] { return list_->Count() == 0; }, 3000)) << "the list did not empty";
    RunUntilIdle();
    EXPECT_TRUE(SawDialogs(answers.Seen(), 0));
    EXPECT_ANY_THROW(list_->SetDirectory(watched));
}
