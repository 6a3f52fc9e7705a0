// The window base's message filter, the drop target on the real list window,
// and adding a dropped file to the SendTo folder.
#include "list_fixtures.h"
#include "test_support.h"

#include "application.h"
#include "exceptions.h"
#include "file_drag_drop.h"
#include "main_form.h"
#include "message_dialog.h"
#include "platform_calls.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A control whose own handling leaves a trace of the messages it is asked about.
class TProbeControl : public TWinControl {
public:
    TProbeControl(TComponent* owner, Log& log, std::vector<UINT> traced)
        : TWinControl(owner), log_(log), traced_(std::move(traced)) {}

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.ClassName = L"TProbeControl";
    }
    void WndProc(TMessage& message) override {
        if (std::find(traced_.begin(), traced_.end(), message.Msg) != traced_.end())
            log_.push_back("own " + std::to_string(message.Msg));
        TWinControl::WndProc(message);
    }

private:
    Log& log_;
    std::vector<UINT> traced_;
};

TEST(MessageFilter, StandsInFrontOfTheControlsOwnHandlingUntilItsSetterRemovesIt) {
    constexpr UINT kProbe = WM_APP + 1;
    const std::string own = "own " + std::to_string(kProbe);
    const int setter = 0;
    const int someoneElse = 0;
    struct Case {
        const char* label;
        std::function<void(TWinControl&, Log&)> arrange;
        Log expected;
    };
    const int another = 0;
    const auto tracing = [](bool handled, std::string name = "filter") {
        return [handled, name](Log& log) {
            return [&log, handled, name](TMessage&) {
                log.push_back(name);
                return handled;
            };
        };
    };
    const Case cases[] = {
        {"no filter", [](TWinControl&, Log&) {}, {own}},
        {"a filter that lets the message on",
         [&](TWinControl& c, Log& log) { c.SetMessageFilter(&setter, tracing(false)(log)); },
         {"filter", own}},
        {"a filter that handles the message",
         [&](TWinControl& c, Log& log) { c.SetMessageFilter(&setter, tracing(true)(log)); },
         {"filter"}},
        {"removed by another component, it stays",
         [&](TWinControl& c, Log& log) {
             c.SetMessageFilter(&setter, tracing(true)(log));
             c.RemoveMessageFilter(&someoneElse);
         },
         {"filter"}},
        {"removed by its setter, it is gone",
         [&](TWinControl& c, Log& log) {
             c.SetMessageFilter(&setter, tracing(true)(log));
             c.RemoveMessageFilter(&setter);
         },
         {own}},
        {"a filter that removes itself still decides for the message at hand",
         [&](TWinControl& c, Log& log) {
             c.SetMessageFilter(&setter, [&c, &log, &setter](TMessage&) {
                 log.push_back("filter");
                 c.RemoveMessageFilter(&setter);
                 return true;
             });
             c.Perform(kProbe);
         },
         {"filter", own}},
        {"two components' filters: each sees the message, in the order they were set",
         [&](TWinControl& c, Log& log) {
             c.SetMessageFilter(&setter, tracing(false, "first")(log));
             c.SetMessageFilter(&another, tracing(false, "second")(log));
         },
         {"first", "second", own}},
        {"the first handles it: the second does not see it",
         [&](TWinControl& c, Log& log) {
             c.SetMessageFilter(&setter, tracing(true, "first")(log));
             c.SetMessageFilter(&another, tracing(false, "second")(log));
         },
         {"first"}},
        {"set again by its setter, it takes the place of its first filter",
         [&](TWinControl& c, Log& log) {
             c.SetMessageFilter(&setter, tracing(false, "first")(log));
             c.SetMessageFilter(&another, tracing(false, "second")(log));
             c.SetMessageFilter(&setter, tracing(false, "first again")(log));
         },
         {"first again", "second", own}},
        {"one removed by its setter, the other stays",
         [&](TWinControl& c, Log& log) {
             c.SetMessageFilter(&setter, tracing(true, "first")(log));
             c.SetMessageFilter(&another, tracing(true, "second")(log));
             c.RemoveMessageFilter(&setter);
         },
         {"second"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Log log;
        TProbeControl control(nullptr, log, {kProbe});
        c.arrange(control, log);
        control.Perform(kProbe);
        EXPECT_EQ(log, c.expected);
    }
}

struct Drop {
    TComponent* sender;
    POINT pos;
    std::vector<std::wstring> value;
};

class MainWindowTest : public MainFormTest {
protected:
    HDROP PostDrop(const std::vector<std::wstring>& files, POINT point = {5, 6}) {
        HDROP drop = MakeDrop(files, point);
        ::PostMessageW(List()->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        PumpMessages();
        return drop;
    }
};

class DropTargetTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->FileDragDrop1->OnDrop = [this](TComponent* sender, const POINT& pos,
                                              const std::vector<std::wstring>& value) {
            drops_.push_back({sender, pos, value});
            if (onDrop_) onDrop_();
        };
    }

    std::vector<Drop> drops_;
    std::function<void()> onDrop_;
};

TEST_F(DropTargetTest, LoadingLeavesTheListRegisteredAndHooked) {
    EXPECT_TRUE(form->FileDragDrop1->AcceptDrag());
    EXPECT_TRUE(form->FileDragDrop1->IsHooked());
    EXPECT_EQ(form->FileDragDrop1->DropTarget(), List());
    EXPECT_TRUE(::GetWindowLongW(List()->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(DropTargetTest, DeliversEveryDroppedNameWholeAndInOrder) {
    struct Case {
        const char* label;
        std::vector<std::wstring> names;
        POINT point;
    };
    const Case cases[] = {
        {"three files", {folder.Touch(L"b.txt"), folder.Touch(L"a.txt"), folder.Touch(L"c.txt")}, {0, 0}},
        {"a folder", {folder.MakeFolder(L"dossier")}, {120, 40}},
        {"a name longer than 259 characters", {L"C:\\" + std::wstring(300, L'n') + L".txt"}, {7, 3}},
        {"the same name twice", {L"C:\\x.txt", L"C:\\x.txt"}, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        drops_.clear();
        PostDrop(c.names, c.point);
        ASSERT_EQ(drops_.size(), 1u);
        EXPECT_EQ(drops_[0].sender, form->FileDragDrop1);
        EXPECT_EQ(drops_[0].value, c.names);
        EXPECT_EQ(drops_[0].pos.x, c.point.x);
        EXPECT_EQ(drops_[0].pos.y, c.point.y);
        EXPECT_EQ(form->FileDragDrop1->Files(), c.names);
    }
}

TEST_F(DropTargetTest, ASecondDropHoldsOnlyItsOwnNames) {
    PostDrop({L"C:\\un.txt", L"C:\\deux.txt"});
    PostDrop({L"C:\\trois.txt"});
    ASSERT_EQ(drops_.size(), 2u);
    EXPECT_EQ(drops_[1].value, std::vector<std::wstring>{L"C:\\trois.txt"});
}

TEST_F(DropTargetTest, ReleasesTheDropOnlyAfterTheHandlerReturned) {
    const WatchedDrop drop({L"C:\\a.txt"}, {1, 1});
    bool openDuringHandler = false;
    onDrop_ = [&] { openDuringHandler = drop.Open(); };
    ::SendMessageW(List()->Handle(), WM_DROPFILES, drop.param(), 0);
    EXPECT_TRUE(openDuringHandler);
    EXPECT_FALSE(drop.Open());
}

TEST_F(DropTargetTest, AFailingHandlerIsReportedAndTheDropStillReleased) {
    const WatchedDrop drop({L"C:\\a.txt"}, {1, 1});
    onDrop_ = [] { throw Exception(L"Échec du gestionnaire"); };
    bool releasedWhenReported = false;
    DialogAnswerer answerer({DialogAnswerer::Action::Custom}, [&](HWND dialog) {
        releasedWhenReported = !drop.Open();
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ::PostMessageW(List()->Handle(), WM_DROPFILES, drop.param(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !answerer.Seen().empty() && Application->ModalLevel() == 0; }));
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_NE(answerer.Seen()[0].text.find(L"Échec du gestionnaire."), std::wstring::npos);
    EXPECT_TRUE(releasedWhenReported);

    // The list takes the next drop as usual.
    onDrop_ = nullptr;
    PostDrop({L"C:\\b.txt"});
    EXPECT_EQ(drops_.back().value, std::vector<std::wstring>{L"C:\\b.txt"});
}

TEST_F(DropTargetTest, OnlyTheDropStopsAtTheHookOtherMessagesReachTheList) {
    folder.Touch(L"a.txt");
    List()->Update();
    EXPECT_EQ(::SendMessageW(List()->Handle(), LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(List()->Handle(), WM_DROPFILES,
                             reinterpret_cast<WPARAM>(MakeDrop({L"C:\\a.txt"}, {0, 0})), 0),
              0);
    EXPECT_EQ(drops_.size(), 1u);

    // What a target's own handling sees of both.
    Log seen;
    TProbeControl probe(nullptr, seen, {WM_DROPFILES, LB_GETCOUNT});
    TFileDragDrop target(nullptr);
    target.SetDropTarget(&probe);
    target.SetAcceptDrag(true);
    ::SendMessageW(probe.Handle(), LB_GETCOUNT, 0, 0);
    ::SendMessageW(probe.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({L"C:\\a.txt"}, {0, 0})), 0);
    EXPECT_EQ(seen, Log{"own " + std::to_string(LB_GETCOUNT)});
    EXPECT_EQ(target.Files(), std::vector<std::wstring>{L"C:\\a.txt"});
}

TEST_F(DropTargetTest, AcceptingCanBeSwitchedOffAndOnAgain) {
    TFileDragDrop* target = form->FileDragDrop1;
    target->SetAcceptDrag(false);
    EXPECT_FALSE(target->IsHooked());
    EXPECT_FALSE(::GetWindowLongW(List()->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    HDROP ignored = PostDrop({L"C:\\a.txt"});
    EXPECT_TRUE(drops_.empty());
    ::DragFinish(ignored);

    target->SetAcceptDrag(true);
    EXPECT_TRUE(target->IsHooked());
    EXPECT_TRUE(::GetWindowLongW(List()->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    PostDrop({L"C:\\a.txt"});
    EXPECT_EQ(drops_.size(), 1u);
}

TEST_F(DropTargetTest, AValueReadWhileLoadingIsAppliedWhenLoadingEnds) {
    TFileDragDrop target(nullptr);
    target.BeginLoading();
    target.SetDropTarget(List());
    target.SetAcceptDrag(false);
    target.Loaded();
    EXPECT_FALSE(target.AcceptDrag());
    EXPECT_FALSE(target.IsHooked());
    EXPECT_EQ(target.DropTarget(), List());
}

TEST_F(DropTargetTest, ATargetDestroyedFirstLeavesTheComponentWithoutTarget) {
    TFileDragDrop target(nullptr);
    target.SetDropTarget(List());
    target.SetAcceptDrag(true);
    ASSERT_TRUE(target.IsHooked());

    Application->DestroyComponent(form);
    form = nullptr;
    EXPECT_EQ(target.DropTarget(), nullptr);
    EXPECT_TRUE(target.AcceptDrag());
    EXPECT_FALSE(target.IsHooked());
}

// Adding a dropped file to the SendTo folder, through the real question.
class DropToAddTest : public MainWindowTest {
protected:
    // Drops the files on the list and answers the questions; returns what was shown.
    std::vector<SeenDialog> DropAndAnswer(const std::vector<std::wstring>& files,
                                          std::vector<DialogAnswerer::Action> answers) {
        DialogAnswerer answerer(std::move(answers));
        ::SendMessageW(List()->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files, {4, 4})), 0);
        PumpMessages();
        return answerer.Seen();
    }
    std::vector<std::wstring> ListedNames() {
        std::vector<std::wstring> names = ListedFileNames(*List());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder source_{L"source"};
};

bool ShowsQuestionFor(const SeenDialog& dialog, const std::wstring& name) {
    std::wstring flat = dialog.text;
    std::erase(flat, L'\r');
    std::wstring expected = kAddQuestion + name;
    std::erase(expected, L'\r');
    return flat.find(expected) != std::wstring::npos;
}

// Only OK copies, the first file alone, and reads the folder again; every
// other way out copies nothing and leaves the list as it was.
TEST_F(DropToAddTest, OnlyOkCopiesTheFirstFileAndTheListShowsIt) {
    const std::wstring first = source_.Touch(L"outil.exe", "premier");
    const std::wstring second = source_.Touch(L"autre.exe", "second");
    struct Case {
        const char* label;
        DialogAnswerer::Action answer;
        bool copied;
    };
    const Case cases[] = {
        {"OK", DialogAnswerer::Action::Ok, true},
        {"Annuler", DialogAnswerer::Action::Cancel, false},
        {"Esc", DialogAnswerer::Action::Escape, false},
        {"close button", DialogAnswerer::Action::Close, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::DeleteFileW(folder.Path(L"outil.exe").c_str());
        ::DeleteFileW(folder.Path(L"arrive-apres.txt").c_str());
        List()->Update();
        folder.Touch(L"arrive-apres.txt");  // on disk, not yet listed
        const auto seen = DropAndAnswer({first, second}, {c.answer});
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(ShowsQuestionFor(seen[0], L"outil.exe")) << std::string(seen[0].text.begin(), seen[0].text.end());
        if (c.copied) {
            EXPECT_EQ(FolderContents(folder.Path()),
                      (std::vector<std::wstring>{L"arrive-apres.txt=x", L"outil.exe=premier"}));
            EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"arrive-apres.txt", L"outil.exe"}));
        } else {
            EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"arrive-apres.txt=x"});
            EXPECT_TRUE(ListedNames().empty());
        }
    }
}

// The shell hears of the file copied in, by its full path, and of nothing
// when nothing was copied.
TEST_F(DropToAddTest, TheShellHearsOfTheCopyAndOfNothingElse) {
    const std::wstring source = source_.Touch(L"outil.exe", "nouveau");
    const std::wstring copy = folder.Path(L"outil.exe");
    struct Case {
        const char* label;
        DialogAnswerer::Action answer;
        bool sourceLocked;  // open in another program, shared with nobody: the copy fails
        bool copied;
    };
    const Case cases[] = {
        {"copied", DialogAnswerer::Action::Ok, false, true},
        {"cancelled", DialogAnswerer::Action::Cancel, false, false},
        {"the copy fails", DialogAnswerer::Action::Ok, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::DeleteFileW(copy.c_str());
        List()->Update();
        win::UniqueFile locked;
        if (c.sourceLocked)
            locked.reset(::CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
        const ShellNotices notices;
        EXPECT_EQ(DropAndAnswer({source}, {c.answer}).size(), 1u);
        EXPECT_EQ(FileExists(copy), c.copied);
        const std::vector<ShellNotices::Notice> created{{SHCNE_CREATE, SHCNF_PATHW, copy, L""}};
        EXPECT_EQ(notices.Seen(), c.copied ? created : std::vector<ShellNotices::Notice>{});
    }
}

TEST_F(DropToAddTest, AnEntryOfTheSameNameGoesToTheRecycleBinAndIsReplaced) {
    const std::wstring name = UniqueName(L"outil", L".exe");
    folder.Touch(name, "ancien");
    List()->Update();
    const auto seen = DropAndAnswer({source_.Touch(name, "nouveau")}, {DialogAnswerer::Action::Ok});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(ShowsQuestionFor(seen[0], name));
    EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{name + L"=nouveau"});
    const std::wstring recycleBin = WineRecycleBinFolder();
    if (!recycleBin.empty()) {
        EXPECT_EQ(ReadFileBytes(recycleBin + L"\\" + name), "ancien");
    }
}

// The shell's file operation refuses, as for a folder the Recycle Bin cannot
// serve, or it asked and the user kept the file; what it was asked is kept.
struct RecycleRefused {
    enum class How { Fails, UserKeepsIt };
    explicit RecycleRefused(How how = How::Fails)
        : refusing(Platform().SHFileOperationW, how == How::Fails ? &Fail : &KeepIt) {
        asked.clear();
    }

    struct Request {
        HWND owner;
        UINT function;
        std::wstring from;  // with its terminating zeros
        FILEOP_FLAGS flags;
    };
    static inline std::vector<Request> asked;

    static void Record(const SHFILEOPSTRUCTW& operation) {
        const wchar_t* end = operation.pFrom;
        while (*end || end[1]) ++end;
        asked.push_back({operation.hwnd, operation.wFunc, std::wstring(operation.pFrom, end + 2), operation.fFlags});
    }
    static int WINAPI Fail(LPSHFILEOPSTRUCTW operation) {
        Record(*operation);
        return 0x78;  // access denied to the source
    }
    // The shell reports success, with the operation marked as aborted.
    static int WINAPI KeepIt(LPSHFILEOPSTRUCTW operation) {
        Record(*operation);
        operation->fAnyOperationsAborted = TRUE;
        return 0;
    }

    TPlatformOverride<FileOperationFn> refusing;
};

TEST_F(DropToAddTest, AnEntryThatCannotBeRecycledStaysAndNothingIsCopied) {
    const struct {
        const char* label;
        RecycleRefused::How how;
    } cases[] = {{"the shell fails", RecycleRefused::How::Fails},
                 {"the user keeps it from being destroyed", RecycleRefused::How::UserKeepsIt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring old = folder.Touch(L"outil.exe", "ancien");
        List()->Update();
        RecycleRefused refused(c.how);
        const auto seen = DropAndAnswer({source_.Touch(L"outil.exe", "nouveau")},
                                        {DialogAnswerer::Action::Ok, DialogAnswerer::Action::Ok});
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_TRUE(ShowsQuestionFor(seen[0], L"outil.exe"));
        EXPECT_EQ(seen[1].title, L"Avertissement");
        EXPECT_NE(seen[1].text.find(L"Impossible de remplacer outil.exe"), std::wstring::npos);
        EXPECT_EQ(seen[1].buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"outil.exe=ancien"});

        ASSERT_EQ(RecycleRefused::asked.size(), 1u);
        const auto& request = RecycleRefused::asked[0];
        EXPECT_EQ(request.function, static_cast<UINT>(FO_DELETE));
        EXPECT_EQ(request.from, old + std::wstring(2, L'\0'));
        // Undoable, silent, asked about only where the shell would destroy it
        // instead; the shell's own error box left on.
        EXPECT_EQ(request.flags, FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_WANTNUKEWARNING);
    }
}

TEST_F(DropToAddTest, WhatCannotBeCopiedChangesNothingAndShowsOnlyTheQuestion) {
    folder.Touch(L"deja.txt", "ici");
    folder.Touch(L"dossier.exe", "fichier");
    List()->Update();
    // Nothing that cannot be copied sends the entry of its name to the
    // Recycle Bin: a recycling asked for would be refused and noticed here.
    RecycleRefused refused;
    struct Case {
        const char* label;
        std::vector<std::wstring> files;
        size_t questions;
    };
    const Case cases[] = {
        {"a folder named as an entry", {source_.MakeFolder(L"dossier.exe")}, 1},
        {"a file of the SendTo folder itself", {folder.Path(L"deja.txt")}, 1},
        {"the same file under another case", {folder.Path(L"DEJA.TXT")}, 1},
        {"a file that is not there", {source_.Path(L"deja.txt")}, 1},
        {"a drop that names nothing", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto seen = DropAndAnswer(c.files, {DialogAnswerer::Action::Ok});
        EXPECT_EQ(seen.size(), c.questions);
        EXPECT_TRUE(RecycleRefused::asked.empty());
        EXPECT_EQ(FolderContents(folder.Path()), (std::vector<std::wstring>{L"deja.txt=ici", L"dossier.exe=fichier"}));
        EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"deja.txt", L"dossier.exe"}));
    }
}

// Moved to a monitor of another resolution, the list gets taller entries in
// the window it has; drops still reach it and ask.
TEST_F(DropToAddTest, AfterAResolutionChangeADropStillAsksItsQuestion) {
    HWND before = List()->Handle();
    RECT outer{};
    ::GetWindowRect(form->Handle(), &outer);
    ::SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&outer));
    EXPECT_EQ(List()->Handle(), before);
    EXPECT_TRUE(::GetWindowLongW(List()->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const auto seen = DropAndAnswer({source_.Touch(L"outil.exe")}, {DialogAnswerer::Action::Cancel});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(ShowsQuestionFor(seen[0], L"outil.exe"));
}

TEST_F(DropToAddTest, ADropWhileAQuestionIsUpIsReleasedAndAsksNothing) {
    for (bool taskDialog : {true, false}) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "message form");
        Presentation presentation(taskDialog);
        const WatchedDrop second({source_.Touch(L"second.exe", "2")}, {4, 4});
        DialogAnswerer answerer({DialogAnswerer::Action::Custom}, [&](HWND dialog) {
            ::PostMessageW(List()->Handle(), WM_DROPFILES, second.param(), 0);
            // Behind the drop in the queue: the drop is handled first.
            DialogAnswerer::ClickButton(dialog, L"OK");
        });
        ::SendMessageW(List()->Handle(), WM_DROPFILES,
                       reinterpret_cast<WPARAM>(MakeDrop({source_.Touch(L"premier.exe", "1")}, {4, 4})), 0);
        PumpMessages();
        EXPECT_EQ(answerer.Seen().size(), 1u);
        EXPECT_FALSE(second.Open()) << "the second drop was not released";
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"premier.exe=1"});
        ::DeleteFileW(folder.Path(L"premier.exe").c_str());
    }
}

}  // namespace
