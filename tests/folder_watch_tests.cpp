// The list follows its folder: what other programs add, remove or rename
// shows without a key, where the user left the list, and never under a
// question.
#include "test_support.h"

#include "application.h"
#include "folder_watch.h"
#include "form.h"
#include "win_handles.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Action = DialogAnswerer::Action;

// Runs `command` through cmd.exe in another process and waits for its end.
void RunInOtherProcess(const std::wstring& command) {
    std::wstring line = L"cmd.exe /c " + command;
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                 &startup, &process));
    win::UniqueKernelHandle thread(process.hThread);
    win::UniqueKernelHandle owned(process.hProcess);
    ASSERT_EQ(::WaitForSingleObject(owned.get(), 30000), WAIT_OBJECT_0);
}

class FolderWatchTest : public testing::Test {
protected:
    void SetUp() override {
        form_ = Application->Create<TForm>();
        form_->SetBounds(0, 0, 400, 300);
        list_ = form_->Create<TShellFileListBox>();
        list_->SetParent(form_);
        list_->SetBounds(0, 0, 243, 150);
        list_->SetColumns(2);
        list_->Handle();
        startDirectory_ = CurrentDirectory();
    }
    void TearDown() override {
        Application->DestroyComponent(form_);
        ::SetCurrentDirectoryW(startDirectory_.c_str());
    }

    std::vector<std::wstring> Files() const {
        std::vector<std::wstring> names;
        for (int i = 0; i < list_->Count(); ++i) names.push_back(list_->EntryFileName(i));
        return names;
    }
    bool Lists(const std::wstring& name) const {
        const auto files = Files();
        return std::find(files.begin(), files.end(), name) != files.end();
    }
    std::wstring Selected() const {
        const int index = list_->ItemIndex();
        return index < 0 ? L"(none)" : list_->EntryFileName(index);
    }
    void Select(const std::wstring& name) {
        const auto files = Files();
        list_->SetItemIndex(static_cast<int>(std::find(files.begin(), files.end(), name) - files.begin()));
    }
    LRESULT TopIndex() const { return ::SendMessageW(list_->Handle(), LB_GETTOPINDEX, 0, 0); }

    TempFolder folder_;
    TForm* form_ = nullptr;
    TShellFileListBox* list_ = nullptr;
    std::wstring startDirectory_;
};

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
        {"the selected one removed", L"del b.txt", nullptr, L"b.txt", L"b.txt", L"(none)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Select(c.select);
        ASSERT_EQ(Selected(), c.select);
        ::SendMessageW(list_->Handle(), LB_SETTOPINDEX, 40, 0);
        const LRESULT top = TopIndex();
        RunInOtherProcess(L"cd /d \"" + folder_.Path() + L"\" && " + c.command);
        EXPECT_TRUE(RunMainLoopUntil(
            [&] { return (!c.shows || Lists(c.shows)) && (!c.goes || !Lists(c.goes)); }, 5000));
        EXPECT_EQ(Selected(), c.selectedAfter);
        EXPECT_EQ(TopIndex(), top);
    }
}

TEST_F(FolderWatchTest, NothingIsReadWhileAQuestionIsUpTheChangeShowsAfterIt) {
    list_->SetDirectory(folder_.Path());
    bool listedDuringQuestion = true;
    DialogAnswerer answers({Action::Custom}, [&](HWND question) {
        folder_.Touch(L"pendant.txt");
        // The loop that a classic question runs, for longer than the quiet time.
        RunMainLoopUntil([] { return false; }, 600);
        listedDuringQuestion = Lists(L"pendant.txt");
        DialogAnswerer::ClickButton(question, L"OK");
    });
    EXPECT_TRUE(AskConfirm(L"Question"));
    EXPECT_FALSE(listedDuringQuestion);
    EXPECT_TRUE(RunMainLoopUntil([&] { return Lists(L"pendant.txt"); }, 3000));
}

TEST_F(FolderWatchTest, ABurstOfThreeHundredFilesShowsInFull) {
    list_->SetDirectory(folder_.Path());
    RunInOtherProcess(L"cd /d \"" + folder_.Path() + L"\" && for /l %i in (1,1,300) do @echo x> f%i.txt");
    EXPECT_TRUE(RunMainLoopUntil([&] { return list_->Count() == 300; }, 10000)) << list_->Count();
}

TEST_F(FolderWatchTest, ANewFolderIsFollowedAndOneThatCannotBeEnteredIsNot) {
    TempFolder other;
    list_->SetDirectory(folder_.Path());
    list_->SetDirectory(other.Path());
    folder_.Touch(L"ancien.txt");
    other.Touch(L"nouveau.txt");
    EXPECT_TRUE(RunMainLoopUntil([&] { return Lists(L"nouveau.txt"); }, 3000));
    EXPECT_FALSE(Lists(L"ancien.txt"));
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
        TFolderWatch watch([&] { readings.push_back(now); });
        // The main loop's steps, 50 ms apart: a change is signalled, then
        // whatever is due is done.
        for (; now <= c.until; now += 50) {
            if (std::find(c.changes.begin(), c.changes.end(), now) != c.changes.end()) watch.Signalled(now);
            watch.Due(now);
        }
        EXPECT_EQ(readings, c.readings);
    }
}
