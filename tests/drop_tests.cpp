// The hook service, the releaser, the drop target on the real list window, and
// adding a dropped file to the SendTo folder.
#include "tests/test_support.h"

#include "app/application.h"
#include "app/exceptions.h"
#include "app/main_form.h"
#include "app/win_handles.h"
#include "dialogs/message_dialog.h"
#include "drop/file_drag_drop.h"
#include "drop/releaser.h"
#include "drop/wnd_proc_hook.h"
#include "filelist/shell_file_list_box.h"
#include "folder/send_to_location.h"
#include "folder/shell_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr THookOrder kBefore = THookOrder::hoBeforeMsg;
constexpr THookOrder kAfter = THookOrder::hoAfterMsg;
constexpr UINT kOuter = WM_APP + 1;
constexpr UINT kNested = WM_APP + 2;
constexpr LRESULT kOwnResult = 42;

using Log = std::vector<std::string>;

// A control whose own handling only leaves a trace.
class TProbeControl : public TWinControl {
public:
    TProbeControl(TComponent* owner, Log& log) : TWinControl(owner), log_(log) {}
    void BeginDestroying() noexcept { MarkDestroying(); }

protected:
    void WndProc(TMessage& message) override {
        log_.push_back(message.Msg == kNested ? "own'" : "own");
        message.Result = kOwnResult;
    }

private:
    Log& log_;
};

// A probe control with named hooks; a nested dispatch marks its entries with '.
struct HookBench {
    using Then = std::function<bool(TMessage&)>;

    Log log;
    std::unique_ptr<TProbeControl> control = std::make_unique<TProbeControl>(nullptr, log);

    TControlHook MakeHook(const std::string& name, Then then = {}) {
        auto function = [this, name, then](TMessage& message) {
            log.push_back(message.Msg == kNested ? name + "'" : name);
            return then ? then(message) : false;
        };
        return {function, this, static_cast<int>(std::hash<std::string>{}(name))};
    }
    void Add(THookOrder order, const std::string& name, Then then = {}) {
        ASSERT_TRUE(TWndProcHook::Instance().RegisterWndProc(control.get(), MakeHook(name, std::move(then)), order));
    }
    void Remove(THookOrder order, const std::string& name) {
        TWndProcHook::Instance().UnRegisterWndProc(control.get(), MakeHook(name), order);
    }
    // Runs `action` for the outer message only, or for the nested one only.
    static Then OnOuter(std::function<void()> action) {
        return [action](TMessage& m) { if (m.Msg == kOuter) action(); return false; };
    }
    static Then OnNested(std::function<void()> action) {
        return [action](TMessage& m) { if (m.Msg == kNested) action(); return false; };
    }
    Then NestDispatch() {
        return OnOuter([this] { control->Perform(kNested); });
    }
};

bool Stop(TMessage&) { return true; }

struct DispatchCase {
    const char* label;
    std::function<void(HookBench&)> arrange;
    Log expected;
    LRESULT result = kOwnResult;
};

TEST(WndProcHook, DispatchesHooksAroundTheControlsOwnHandling) {
    const DispatchCase cases[] = {
        {"before hooks in order, own handling, after hooks in order",
         [](HookBench& b) { b.Add(kBefore, "b1"); b.Add(kAfter, "a1"); b.Add(kBefore, "b2"); b.Add(kAfter, "a2"); },
         {"b1", "b2", "own", "a1", "a2"}},
        {"a before hook returning true ends the dispatch",
         [](HookBench& b) { b.Add(kBefore, "b1", Stop); b.Add(kBefore, "b2"); b.Add(kAfter, "a1"); },
         {"b1"},
         0},
        {"an after hook returning true ends the dispatch",
         [](HookBench& b) { b.Add(kAfter, "a1", Stop); b.Add(kAfter, "a2"); },
         {"own", "a1"}},
        {"a before hook added from the last before hook runs in the same dispatch",
         [](HookBench& b) { b.Add(kBefore, "b1", HookBench::OnOuter([&b] { b.Add(kBefore, "b2"); })); },
         {"b1", "b2", "own"}},
        {"an after hook added from a before hook runs in the same dispatch",
         [](HookBench& b) { b.Add(kBefore, "b1", HookBench::OnOuter([&b] { b.Add(kAfter, "a1"); })); },
         {"b1", "own", "a1"}},
        {"a hook that removes the next one skips it",
         [](HookBench& b) {
             b.Add(kBefore, "b1", HookBench::OnOuter([&b] { b.Remove(kBefore, "b2"); }));
             b.Add(kBefore, "b2");
             b.Add(kBefore, "b3");
         },
         {"b1", "b3", "own"}},
        {"a hook that removes itself lets the next one run",
         [](HookBench& b) {
             b.Add(kBefore, "b1", HookBench::OnOuter([&b] { b.Remove(kBefore, "b1"); }));
             b.Add(kBefore, "b2");
         },
         {"b1", "b2", "own"}},
        {"the last hook removed from inside it still lets the own handling run",
         [](HookBench& b) { b.Add(kBefore, "b1", HookBench::OnOuter([&b] { b.Remove(kBefore, "b1"); })); },
         {"b1", "own"}},
        {"a nested dispatch calls every hook at its own level",
         [](HookBench& b) { b.Add(kBefore, "b1", b.NestDispatch()); b.Add(kBefore, "b2"); b.Add(kAfter, "a1"); },
         {"b1", "b1'", "b2'", "own'", "a1'", "b2", "own", "a1"}},
        {"a hook added in a nested dispatch runs at both levels",
         [](HookBench& b) {
             b.Add(kBefore, "b1", b.NestDispatch());
             b.Add(kBefore, "b2", HookBench::OnNested([&b] { b.Add(kBefore, "b3"); }));
         },
         {"b1", "b1'", "b2'", "b3'", "own'", "b2", "b3", "own"}},
        {"a hook removed in a nested dispatch is skipped at the outer level too",
         [](HookBench& b) {
             b.Add(kBefore, "b1", [&b](TMessage& m) {
                 if (m.Msg == kOuter) b.control->Perform(kNested);
                 else b.Remove(kBefore, "b2");
                 return false;
             });
             b.Add(kBefore, "b2");
             b.Add(kBefore, "b3");
         },
         {"b1", "b1'", "b3'", "own'", "b3", "own"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        HookBench bench;
        c.arrange(bench);
        EXPECT_EQ(bench.control->Perform(kOuter), c.result);
        EXPECT_EQ(bench.log, c.expected);
    }
}

TEST(WndProcHook, RemovingTheLastHookGivesTheControlItsProcedureBack) {
    Log log;
    TProbeControl control(nullptr, log);
    auto original = [&log](TMessage&) { log.push_back("original"); };
    control.WindowProc = original;
    const TControlHook hook{[&log](TMessage&) { log.push_back("hook"); return false; }, &log, 1};
    const TControlHook other{[&log](TMessage&) { log.push_back("other"); return false; }, &log, 2};

    TWndProcHook& service = TWndProcHook::Instance();
    ASSERT_TRUE(service.RegisterWndProc(&control, hook, kBefore));
    ASSERT_TRUE(service.RegisterWndProc(&control, other, kAfter));
    EXPECT_EQ(control.WindowProc.target<decltype(original)>(), nullptr);
    control.Perform(kOuter);
    EXPECT_EQ(log, (Log{"hook", "original", "other"}));

    EXPECT_TRUE(service.UnRegisterWndProc(&control, hook, kBefore));
    EXPECT_EQ(control.WindowProc.target<decltype(original)>(), nullptr);
    EXPECT_TRUE(service.UnRegisterWndProc(&control, other, kAfter));
    EXPECT_NE(control.WindowProc.target<decltype(original)>(), nullptr);

    // Registering again hooks again.
    ASSERT_TRUE(service.RegisterWndProc(&control, hook, kBefore));
    log.clear();
    control.Perform(kOuter);
    EXPECT_EQ(log, (Log{"hook", "original"}));
}

TEST(WndProcHook, RefusesWhatItCannotHook) {
    Log log;
    TProbeControl control(nullptr, log);
    TProbeControl dying(nullptr, log);
    dying.BeginDestroying();
    const TControlHook hook{[](TMessage&) { return false; }, &log, 1};
    const TControlHook noFunction{{}, &log, 2};

    struct Refusal {
        const char* label;
        TWinControl* control;
        const TControlHook& hook;
    };
    for (const Refusal& r : {Refusal{"no control", nullptr, hook}, Refusal{"no function", &control, noFunction},
                             Refusal{"a control being destroyed", &dying, hook}}) {
        SCOPED_TRACE(r.label);
        EXPECT_FALSE(TWndProcHook::Instance().RegisterWndProc(r.control, r.hook, kBefore));
    }
    control.Perform(kOuter);
    EXPECT_EQ(log, Log{"own"});

    EXPECT_FALSE(TWndProcHook::Instance().UnRegisterWndProc(&control, hook, kBefore));
    ASSERT_TRUE(TWndProcHook::Instance().RegisterWndProc(&control, hook, kBefore));
    const TControlHook unknown{[](TMessage&) { return false; }, &log, 3};
    EXPECT_TRUE(TWndProcHook::Instance().UnRegisterWndProc(&control, unknown, kBefore));
}

TEST(WndProcHook, ControlDestroyedInAHookEndsTheDispatchAndItsRecordOutlivesIt) {
    Log log;
    auto control = std::make_unique<TProbeControl>(nullptr, log);
    // Lives in the second hook's function, and so dies with the control's record.
    auto marker = std::make_shared<int>(0);
    const std::weak_ptr<int> record = marker;
    bool recordAliveInDispatch = false;

    TWndProcHook& service = TWndProcHook::Instance();
    const TControlHook destroyer{[&](TMessage&) {
                                     control.reset();
                                     // The releaser's message is dispatched here, as in a modal loop.
                                     PumpMessages();
                                     recordAliveInDispatch = !record.expired();
                                     return false;
                                 },
                                 &log, 1};
    ASSERT_TRUE(service.RegisterWndProc(control.get(), destroyer, kBefore));
    ASSERT_TRUE(service.RegisterWndProc(
        control.get(), {[&log, marker](TMessage&) { log.push_back("next"); return false; }, &log, 2}, kBefore));
    marker.reset();

    control->Perform(kOuter);
    EXPECT_TRUE(recordAliveInDispatch);
    EXPECT_TRUE(log.empty()) << "no hook and no own handling after the control is gone";
    PumpMessages();
    EXPECT_TRUE(record.expired());
}

TEST(WndProcHook, ControlDestroyedOutsideADispatchGoesToTheReleaser) {
    Log log;
    auto control = std::make_unique<TProbeControl>(nullptr, log);
    auto marker = std::make_shared<int>(0);
    const std::weak_ptr<int> record = marker;
    ASSERT_TRUE(TWndProcHook::Instance().RegisterWndProc(
        control.get(), {[marker](TMessage&) { return false; }, &log, 1}, kBefore));
    marker.reset();

    control.reset();
    EXPECT_FALSE(record.expired()) << "freed on a later message, not at once";
    PumpMessages();
    EXPECT_TRUE(record.expired());
}

TEST(Releaser, DestroysAnObjectWhenItsMessageArrives) {
    TReleaser& releaser = TReleaser::Instance();
    auto object = std::make_shared<int>(7);
    const std::weak_ptr<int> watch = object;
    releaser.Release(object);
    releaser.Release(object);
    object.reset();
    EXPECT_TRUE(releaser.Holds(watch.lock().get()));
    PumpMessages();
    EXPECT_TRUE(watch.expired());
}

struct Drop {
    TComponent* sender;
    POINT pos;
    std::vector<std::wstring> value;
};

// A real main window whose list shows a throw-away folder.
class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        savedFolder_ = CurrentDirectory();
        form_ = Application->Create<TForm1>();
        form_->ReadLayout();
        List()->SetDirectory(listed_.Path());
    }
    void TearDown() override {
        if (form_) Application->DestroyComponent(form_);
        ::SetCurrentDirectoryW(savedFolder_.c_str());
        PumpMessages();
    }
    TShellFileListBox* List() const { return form_->ShellFileListBox1; }
    HDROP PostDrop(const std::vector<std::wstring>& files, POINT point = {5, 6}) {
        HDROP drop = MakeDrop(files, point);
        ::PostMessageW(List()->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        PumpMessages();
        return drop;
    }

    TempFolder listed_{L"listed"};
    TForm1* form_ = nullptr;

private:
    std::wstring savedFolder_;
};

class DropTargetTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form_->FileDragDrop1->OnDrop = [this](TComponent* sender, const POINT& pos,
                                              const std::vector<std::wstring>& value) {
            drops_.push_back({sender, pos, value});
            if (onDrop_) onDrop_();
        };
    }

    std::vector<Drop> drops_;
    std::function<void()> onDrop_;
};

TEST_F(DropTargetTest, LoadingLeavesTheListRegisteredAndHooked) {
    EXPECT_TRUE(form_->FileDragDrop1->AcceptDrag());
    EXPECT_TRUE(form_->FileDragDrop1->IsHooked());
    EXPECT_EQ(form_->FileDragDrop1->DropTarget(), List());
    EXPECT_TRUE(::GetWindowLongW(List()->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(DropTargetTest, DeliversEveryDroppedNameWholeAndInOrder) {
    struct Case {
        const char* label;
        std::vector<std::wstring> names;
        POINT point;
    };
    const Case cases[] = {
        {"three files", {listed_.Touch(L"b.txt"), listed_.Touch(L"a.txt"), listed_.Touch(L"c.txt")}, {0, 0}},
        {"a folder", {listed_.MakeFolder(L"dossier")}, {120, 40}},
        {"a name longer than 259 characters", {L"C:\\" + std::wstring(300, L'n') + L".txt"}, {7, 3}},
        {"the same name twice", {L"C:\\x.txt", L"C:\\x.txt"}, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        drops_.clear();
        PostDrop(c.names, c.point);
        ASSERT_EQ(drops_.size(), 1u);
        EXPECT_EQ(drops_[0].sender, form_->FileDragDrop1);
        EXPECT_EQ(drops_[0].value, c.names);
        EXPECT_EQ(drops_[0].pos.x, c.point.x);
        EXPECT_EQ(drops_[0].pos.y, c.point.y);
        EXPECT_EQ(form_->FileDragDrop1->Files(), c.names);
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
    listed_.Touch(L"a.txt");
    List()->Update();
    Log seen;
    const TControlHook spy{[&seen](TMessage& m) {
                               if (m.Msg == WM_DROPFILES || m.Msg == LB_GETCOUNT) seen.push_back(std::to_string(m.Msg));
                               return false;
                           },
                           &seen, 1};
    ASSERT_TRUE(TWndProcHook::Instance().RegisterWndProc(List(), spy, kBefore));
    EXPECT_EQ(::SendMessageW(List()->Handle(), LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(List()->Handle(), WM_DROPFILES,
                             reinterpret_cast<WPARAM>(MakeDrop({L"C:\\a.txt"}, {0, 0})), 0),
              0);
    EXPECT_EQ(seen, Log{std::to_string(LB_GETCOUNT)});
    EXPECT_EQ(drops_.size(), 1u);
    TWndProcHook::Instance().UnRegisterWndProc(List(), spy, kBefore);
}

TEST_F(DropTargetTest, AcceptingCanBeSwitchedOffAndOnAgain) {
    TFileDragDrop* target = form_->FileDragDrop1;
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

    Application->DestroyComponent(form_);
    form_ = nullptr;
    EXPECT_EQ(target.DropTarget(), nullptr);
    EXPECT_TRUE(target.AcceptDrag());
    EXPECT_FALSE(target.IsHooked());
}

// Adding a dropped file to the SendTo folder, through the real question.
class DropToAddTest : public MainWindowTest {
protected:
    void SetUp() override {
        savedSendTo_ = SendToPath;
        SendToPath = listed_.Path();
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        SendToPath = savedSendTo_;
    }
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
    // The folder's file names with their contents.
    std::vector<std::wstring> FolderContents(const TempFolder& folder) {
        std::vector<std::wstring> entries;
        for (const std::wstring& name : FolderNames(folder.Path())) {
            const std::string bytes = ReadFileBytes(folder.Path(name));
            entries.push_back(name + L"=" + std::wstring(bytes.begin(), bytes.end()));
        }
        return entries;
    }

    TempFolder source_{L"source"};

private:
    std::wstring savedSendTo_;
};

const std::wstring kQuestion =
    L"Placer ce programme dans le dossier SENDTO\r\nafin qu'il soit lancé à l'ouverture de Windows ? \r\n\r\n";

bool ShowsQuestionFor(const SeenDialog& dialog, const std::wstring& name) {
    std::wstring flat = dialog.text;
    std::erase(flat, L'\r');
    std::wstring expected = kQuestion + name;
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
        ::DeleteFileW(listed_.Path(L"outil.exe").c_str());
        ::DeleteFileW(listed_.Path(L"arrive-apres.txt").c_str());
        List()->Update();
        listed_.Touch(L"arrive-apres.txt");  // on disk, not yet listed
        const auto seen = DropAndAnswer({first, second}, {c.answer});
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(ShowsQuestionFor(seen[0], L"outil.exe")) << std::string(seen[0].text.begin(), seen[0].text.end());
        if (c.copied) {
            EXPECT_EQ(FolderContents(listed_), (std::vector<std::wstring>{L"arrive-apres.txt=x", L"outil.exe=premier"}));
            EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"arrive-apres.txt", L"outil.exe"}));
        } else {
            EXPECT_EQ(FolderContents(listed_), std::vector<std::wstring>{L"arrive-apres.txt=x"});
            EXPECT_TRUE(ListedNames().empty());
        }
    }
}

TEST_F(DropToAddTest, AnEntryOfTheSameNameGoesToTheRecycleBinAndIsReplaced) {
    const std::wstring name = UniqueName(L"outil", L".exe");
    listed_.Touch(name, "ancien");
    List()->Update();
    const auto seen = DropAndAnswer({source_.Touch(name, "nouveau")}, {DialogAnswerer::Action::Ok});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(ShowsQuestionFor(seen[0], name));
    EXPECT_EQ(FolderContents(listed_), std::vector<std::wstring>{name + L"=nouveau"});
    const std::wstring recycleBin = WineRecycleBinFolder();
    if (!recycleBin.empty()) {
        EXPECT_EQ(ReadFileBytes(recycleBin + L"\\" + name), "ancien");
    }
}

// The shell's file operation refuses, as for a folder the Recycle Bin cannot
// serve, or it asked and the user kept the file; what it was asked is kept.
struct RecycleRefused {
    enum class How { Fails, UserKeepsIt };
    explicit RecycleRefused(How how = How::Fails) {
        asked.clear();
        FileOperationCall = how == How::Fails ? &Fail : &KeepIt;
    }
    ~RecycleRefused() { FileOperationCall = &::SHFileOperationW; }

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
};

TEST_F(DropToAddTest, AnEntryThatCannotBeRecycledStaysAndNothingIsCopied) {
    const struct {
        const char* label;
        RecycleRefused::How how;
    } cases[] = {{"the shell fails", RecycleRefused::How::Fails},
                 {"the user keeps it from being destroyed", RecycleRefused::How::UserKeepsIt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring old = listed_.Touch(L"outil.exe", "ancien");
        List()->Update();
        RecycleRefused refused(c.how);
        const auto seen = DropAndAnswer({source_.Touch(L"outil.exe", "nouveau")},
                                        {DialogAnswerer::Action::Ok, DialogAnswerer::Action::Ok});
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_TRUE(ShowsQuestionFor(seen[0], L"outil.exe"));
        EXPECT_EQ(seen[1].title, L"Avertissement");
        EXPECT_NE(seen[1].text.find(L"Impossible de remplacer outil.exe"), std::wstring::npos);
        EXPECT_EQ(seen[1].buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_EQ(FolderContents(listed_), std::vector<std::wstring>{L"outil.exe=ancien"});

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
    listed_.Touch(L"deja.txt", "ici");
    listed_.Touch(L"dossier.exe", "fichier");
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
        {"a file of the SendTo folder itself", {listed_.Path(L"deja.txt")}, 1},
        {"the same file under another case", {listed_.Path(L"DEJA.TXT")}, 1},
        {"a file that is not there", {source_.Path(L"deja.txt")}, 1},
        {"a drop that names nothing", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto seen = DropAndAnswer(c.files, {DialogAnswerer::Action::Ok});
        EXPECT_EQ(seen.size(), c.questions);
        EXPECT_TRUE(RecycleRefused::asked.empty());
        EXPECT_EQ(FolderContents(listed_), (std::vector<std::wstring>{L"deja.txt=ici", L"dossier.exe=fichier"}));
        EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"deja.txt", L"dossier.exe"}));
    }
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
        EXPECT_EQ(FolderContents(listed_), std::vector<std::wstring>{L"premier.exe=1"});
        ::DeleteFileW(listed_.Path(L"premier.exe").c_str());
    }
}

}  // namespace
