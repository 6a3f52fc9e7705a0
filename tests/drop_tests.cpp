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
#include <shobjidl.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
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
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        drops_.clear();
        PostDrop(c.names, c.point);
        ASSERT_EQ(drops_.size(), 1u);
        EXPECT_EQ(drops_[0].sender, form->FileDragDrop1);
        EXPECT_EQ(drops_[0].value, c.names);
        EXPECT_EQ(drops_[0].pos.x, c.point.x);
        EXPECT_EQ(drops_[0].pos.y, c.point.y);
        EXPECT_EQ(form->FileDragDrop1->Files(), c.names);
    };
    for (const auto& c : cases) checkRow(c);
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
    ASSERT_TRUE(PumpUntil([&] { return !answerer.Seen().empty() && Application->ModalLevel() == 0; }))
        << "the question was not asked and closed";
    ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
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

// The two ways the user hands files to the list.
enum class Way { Drop, Paste };

// Adding a dropped file to the SendTo folder, through the real question.
class DropToAddTest : public MainWindowTest {
protected:
    // Hands the files over by a drop, or by the file browser's Copy and
    // Ctrl+V, and answers the questions; returns what was shown.
    std::vector<SeenDialog> AddAndAnswer(Way way, const std::vector<std::wstring>& files,
                                         std::vector<DialogAnswerer::Action> answers) {
        if (way == Way::Drop) return DropAndAnswer(List()->Handle(), files, std::move(answers));
        PutFilesOnClipboard(form->Handle(), files);
        DialogAnswerer answerer(std::move(answers));
        form->PasteFiles();
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
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ::DeleteFileW(folder.Path(L"outil.exe").c_str());
        ::DeleteFileW(folder.Path(L"arrive-apres.txt").c_str());
        List()->Update();
        folder.Touch(L"arrive-apres.txt");  // on disk, not yet listed
        const auto seen = DropAndAnswer(List()->Handle(), {first, second}, {c.answer});
        ASSERT_TRUE(SawDialogs(seen, 1u));
        EXPECT_TRUE(ShowsQuestionFor(seen[0], L"outil.exe")) << std::string(seen[0].text.begin(), seen[0].text.end());
        if (c.copied) {
            EXPECT_EQ(FolderContents(folder.Path()),
                      (std::vector<std::wstring>{L"arrive-apres.txt=x", L"outil.exe=premier"}));
            EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"arrive-apres.txt", L"outil.exe"}));
        } else {
            EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"arrive-apres.txt=x"});
            EXPECT_TRUE(ListedNames().empty());
        }
    };
    for (const Case& c : cases) checkRow(c);
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
        EXPECT_TRUE(SawDialogs(DropAndAnswer(List()->Handle(), {source}, {c.answer}), 1u));
        EXPECT_TRUE(c.copied ? FileExists(copy) : !FileExists(copy));
        const std::vector<ShellNotices::Notice> created{{SHCNE_CREATE, SHCNF_PATHW, copy, L""}};
        EXPECT_EQ(notices.Seen(), c.copied ? created : std::vector<ShellNotices::Notice>{});
    }
}

TEST_F(DropToAddTest, AnEntryOfTheSameNameGoesToTheRecycleBinAndIsReplaced) {
    const std::wstring name = UniqueName(L"outil", L".exe");
    folder.Touch(name, "ancien");
    List()->Update();
    const auto seen = DropAndAnswer(List()->Handle(), {source_.Touch(name, "nouveau")}, {DialogAnswerer::Action::Ok});
    ASSERT_TRUE(SawDialogs(seen, 1u));
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
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        const std::wstring old = folder.Touch(L"outil.exe", "ancien");
        List()->Update();
        RecycleRefused refused(c.how);
        const auto seen = DropAndAnswer(List()->Handle(), {source_.Touch(L"outil.exe", "nouveau")},
                                        {DialogAnswerer::Action::Ok, DialogAnswerer::Action::Ok});
        ASSERT_TRUE(SawDialogs(seen, 2u));
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
    };
    for (const auto& c : cases) checkRow(c);
}

TEST_F(DropToAddTest, WhatCannotBeCopiedChangesNothingAndShowsOnlyTheQuestion) {
    folder.Touch(L"deja.txt", "ici");
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
        {"a file of the SendTo folder itself", {folder.Path(L"deja.txt")}, 1},
        {"the same file under another case", {folder.Path(L"DEJA.TXT")}, 1},
        {"a file that is not there", {source_.Path(L"deja.txt")}, 1},
        {"a drop that names nothing", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto seen = DropAndAnswer(List()->Handle(), c.files, {DialogAnswerer::Action::Ok});
        EXPECT_TRUE(SawDialogs(seen, c.questions));
        EXPECT_TRUE(RecycleRefused::asked.empty());
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"deja.txt=ici"});
        EXPECT_EQ(ListedNames(), std::vector<std::wstring>{L"deja.txt"});
    }
}

// Moved to a monitor of another resolution, the list gets taller entries in
// the window it has; drops still reach it and ask.
TEST_F(DropToAddTest, AfterAResolutionChangeADropStillAsksItsQuestion) {
    HWND before = List()->Handle();
    MoveUnaskedToMonitorOf(form->Handle(), form->PixelsPerInch(), 144);
    EXPECT_EQ(List()->Handle(), before);
    EXPECT_TRUE(::GetWindowLongW(List()->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const auto seen = DropAndAnswer(List()->Handle(), {source_.Touch(L"outil.exe")}, {DialogAnswerer::Action::Cancel});
    ASSERT_TRUE(SawDialogs(seen, 1u));
    EXPECT_TRUE(ShowsQuestionFor(seen[0], L"outil.exe"));
}

TEST_F(DropToAddTest, ADropWhileAQuestionIsUpIsReleasedAndAsksNothing) {
    for (bool taskDialog : {true, false}) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "message form");
        Presentation presentation(taskDialog);
        const NewEntriesRemoved rowFiles(folder.Path());
        const WatchedDrop second({source_.Touch(L"second.exe", "2")}, {4, 4});
        DialogAnswerer answerer({DialogAnswerer::Action::Custom}, [&](HWND dialog) {
            ::PostMessageW(List()->Handle(), WM_DROPFILES, second.param(), 0);
            // Behind the drop in the queue: the drop is handled first.
            DialogAnswerer::ClickButton(dialog, L"OK");
        });
        ::SendMessageW(List()->Handle(), WM_DROPFILES,
                       reinterpret_cast<WPARAM>(MakeDrop({source_.Touch(L"premier.exe", "1")}, {4, 4})), 0);
        PumpMessages();
        EXPECT_TRUE(SawDialogs(answerer.Seen(), 1u));
        EXPECT_FALSE(second.Open()) << "the second drop was not released";
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"premier.exe=1"});
    }
}

// The target a shell shortcut names, read back from its file as the shell
// reads it; empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& path) {
    IShellLinkW* rawLink = nullptr;
    if (FAILED(::CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                  reinterpret_cast<void**>(&rawLink))))
        return {};
    const win::UniqueCom<IShellLinkW> link(rawLink);
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&rawFile)))) return {};
    const win::UniqueCom<IPersistFile> file(rawFile);
    wchar_t target[MAX_PATH] = {};
    if (FAILED(file->Load(path.c_str(), STGM_READ)) ||
        FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)))
        return {};
    return target;
}

// The Alt key as the user's finger holds it, as the table of platform calls
// answers for its physical state, for the life of the object.
class AltKey {
public:
    explicit AltKey(bool held) { held_ = held; }
    static void Hold(bool held) { held_ = held; }

private:
    static SHORT WINAPI State(int key) { return key == VK_MENU && held_ ? static_cast<SHORT>(-0x8000) : SHORT{0}; }

    static inline bool held_ = false;
    TPlatformOverride<AsyncKeyStateFn> answering_{Platform().GetAsyncKeyState, &State};
};

// The shell names the drive C:\ as `name` while the object lives, and every
// other path as it does.
class RootNamed {
public:
    explicit RootNamed(const wchar_t* name) { name_ = name; }

private:
    static DWORD_PTR WINAPI Answer(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
        if (!name_ || !path || std::wstring_view(path) != L"C:\\" || !(flags & SHGFI_DISPLAYNAME))
            return SystemCalls().SHGetFileInfoW(path, attributes, info, size, flags);
        *info = {};
        ::lstrcpynW(info->szDisplayName, name_, MAX_PATH);
        return 1;
    }

    static inline const wchar_t* name_ = nullptr;
    TPlatformOverride<ShellFileInfoFn> answering_{Platform().SHGetFileInfoW, &Answer};
};

bool HoldsNoForbiddenCharacter(const std::wstring& name) {
    return name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos &&
           std::none_of(name.begin(), name.end(), [](wchar_t c) { return c < L' '; });
}

// Whether the list shows entry `index` whole.
bool InSight(TShellFileListBox& list, int index) {
    const RECT item = ItemRectOf(list.Handle(), index);
    const RECT client = ClientRectOf(list.Handle());
    return item.left >= client.left && item.top >= client.top && item.right <= client.right &&
           item.bottom <= client.bottom;
}

std::vector<std::wstring> Without(std::vector<std::wstring> contents, const std::wstring& name) {
    std::erase_if(contents, [&](const std::wstring& entry) { return entry.starts_with(name + L"="); });
    return contents;
}

// A folder, dropped or pasted, becomes a shortcut to it, named as the shell
// names the folder; so does a file dropped with Alt held, but a shortcut is
// copied, and a paste, which has no Alt, copies a file. The new shortcut is
// selected and in sight; the rest of the folder stays as it was.
TEST_F(DropToAddTest, AFolderOrAFileDroppedWithAltBecomesAShortcutNamedAsTheShellNamesIt) {
    // Entries enough before the new ones that the list must scroll to show them.
    for (int i = 10; i < 50; ++i) folder.Touch(L"a-" + std::to_wstring(i) + L".txt", std::to_string(i));
    folder.Touch(L"deja.txt", "ici");
    folder.Touch(L"dossier.exe", "fichier");
    const std::wstring tool = source_.Touch(L"outil.exe", "premier");
    const std::wstring shortcut = source_.MakeShortcut(L"Bloc", L"C:\\windows\\notepad.exe");
    const std::wstring namedAsEntry = source_.MakeFolder(L"dossier.exe");
    // The name the shell gives a drive's root varies; the filter does not.
    const std::wstring theShellsName = L"(le nom du shell)";

    // What the folder gains: nothing, a copy of what was dropped (no
    // target) or a shortcut to its target.
    struct Outcome {
        std::wstring entry;
        std::wstring target;
    };
    struct Case {
        const char* label;
        std::wstring dropped;
        bool alt;
        DialogAnswerer::Action answer;
        std::wstring asked;
        Outcome onDrop;
        Outcome onPaste;
        const wchar_t* rootName = nullptr;  // what the shell calls C:\, when not its own name
        bool entryThereBefore = false;
    };
    for (Way way : {Way::Drop, Way::Paste}) {
        // Of its own for each way: the replaced entries go to the same Recycle Bin.
        const std::wstring backupsName = UniqueName(L"Sauvegardes", L"");
        const std::wstring backups = source_.MakeFolder(backupsName);
        MakeFile(backups + L"\\copie.txt", "sauvée");
        const Outcome toBackups{backupsName + L".lnk", backups};
        const Case cases[] = {
            {"a folder", backups, false, DialogAnswerer::Action::Ok, backupsName, toBackups, toBackups},
            {"a drive's root", L"C:\\", false, DialogAnswerer::Action::Ok, L"C:\\", {theShellsName, L"C:\\"},
             {theShellsName, L"C:\\"}},
            {"a drive's root, named with characters a file name cannot hold", L"C:\\", false,
             DialogAnswerer::Action::Ok, L"C:\\", {L"Disque local (C) abcdefghij.lnk", L"C:\\"},
             {L"Disque local (C) abcdefghij.lnk", L"C:\\"}, L"Disque local (C:) \"a\\b/c*d?e<f>g|h\x01i\x1fj\""},
            {"a file, Alt held", tool, true, DialogAnswerer::Action::Ok, L"outil.exe", {ShownName(L"outil.exe") + L".lnk", tool},
             {L"outil.exe", L""}},
            {"a shortcut, Alt held", shortcut, true, DialogAnswerer::Action::Ok, L"Bloc.lnk", {L"Bloc.lnk", L""},
             {L"Bloc.lnk", L""}},
            {"a folder of an entry's name, Alt held", namedAsEntry, true, DialogAnswerer::Action::Ok,
             L"dossier.exe", {L"dossier.exe.lnk", namedAsEntry}, {L"dossier.exe.lnk", namedAsEntry}},
            {"a folder whose shortcut replaces an entry", backups, false, DialogAnswerer::Action::Ok, backupsName,
             toBackups, toBackups, nullptr, true},
            {"a folder, cancelled", backups, false, DialogAnswerer::Action::Cancel, backupsName, {}, {}},
        };
        const auto checkRow = [&](const Case& c) {
            SCOPED_TRACE(std::string(way == Way::Drop ? "drop: " : "paste: ") + c.label);
            const NewEntriesRemoved rowFiles(folder.Path());
            const Outcome& expected = way == Way::Drop ? c.onDrop : c.onPaste;
            if (c.entryThereBefore) folder.Touch(expected.entry, "ancien");
            List()->Update();
            Select(L"deja.txt");
            const std::vector<std::wstring> before = FolderContents(folder.Path());
            const std::vector<std::wstring> namesBefore = FolderNames(folder.Path());
            const RootNamed rootNamed(c.rootName);
            const AltKey alt(c.alt);
            const ShellNotices notices;

            const auto seen = AddAndAnswer(way, {c.dropped}, {c.answer});
            ASSERT_TRUE(SawDialogs(seen, 1u));
            EXPECT_TRUE(ShowsQuestionFor(seen[0], c.asked));

            const std::vector<std::wstring> names = FolderNames(folder.Path());
            std::wstring made = expected.entry;
            if (made == theShellsName) {
                std::vector<std::wstring> added;
                std::set_difference(names.begin(), names.end(), namesBefore.begin(), namesBefore.end(),
                                    std::back_inserter(added));
                ASSERT_EQ(added.size(), 1u);
                made = added[0];
                EXPECT_TRUE(made.ends_with(L".lnk") && made.size() > 4 && made.front() != L' ' &&
                            !made.ends_with(L" .lnk"))
                    << testing::PrintToString(made);
                EXPECT_TRUE(HoldsNoForbiddenCharacter(made)) << testing::PrintToString(made);
            }
            // The folder: what was there, its contents unchanged, and the new entry.
            std::vector<std::wstring> expectedNames = namesBefore;
            if (!made.empty() && !c.entryThereBefore) expectedNames.push_back(made);
            std::sort(expectedNames.begin(), expectedNames.end());
            EXPECT_EQ(names, expectedNames);
            EXPECT_EQ(Without(FolderContents(folder.Path()), made), Without(before, made));
            if (!made.empty() && !expected.target.empty()) {
                EXPECT_EQ(ShortcutTarget(folder.Path(made)), expected.target);
            } else if (!made.empty()) {
                EXPECT_EQ(ReadFileBytes(folder.Path(made)), ReadFileBytes(c.dropped));
            }
            std::vector<ShellNotices::Notice> told;
            if (!made.empty()) told.push_back({SHCNE_CREATE, SHCNF_PATHW, folder.Path(made), L""});
            EXPECT_EQ(notices.Seen(), told);
            const std::wstring recycleBin = WineRecycleBinFolder();
            if (c.entryThereBefore && !recycleBin.empty()) {
                EXPECT_EQ(ReadFileBytes(recycleBin + L"\\" + made), "ancien");
            }

            // The list: the folder as it is now, the new shortcut selected
            // and in sight; a copy is listed as before, with no selection.
            EXPECT_EQ(ListedNames(), names);
            const std::wstring selected = made.empty()                ? L"deja.txt"
                                          : expected.target.empty() ? L"(none)"
                                                                    : made;
            EXPECT_EQ(SelectedFile(*List()), selected);
            if (!expected.target.empty()) {
                EXPECT_TRUE(InSight(*List(), List()->ItemIndex()));
            }
        };
        for (const Case& c : cases) checkRow(c);
    }
}

// The shell's shortcut as the table of platform calls gives it: its save
// writes part of the file and then fails, as on a full disk. It counts the
// references that the program holds.
class HalfSavedShortcut : public IShellLinkW, public IPersistFile {
public:
    HalfSavedShortcut() { current_ = this; }
    ~HalfSavedShortcut() { current_ = nullptr; }
    HalfSavedShortcut(const HalfSavedShortcut&) = delete;
    HalfSavedShortcut& operator=(const HalfSavedShortcut&) = delete;

    ULONG References() const noexcept { return references_; }
    static HRESULT WINAPI Create(REFCLSID, LPUNKNOWN, DWORD, REFIID id, LPVOID* object) {
        return current_->QueryInterface(id, object);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        *object = nullptr;
        if (id == __uuidof(IUnknown) || id == __uuidof(IShellLinkW)) *object = static_cast<IShellLinkW*>(this);
        if (id == __uuidof(IPersistFile)) *object = static_cast<IPersistFile*>(this);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR path, BOOL) override {
        MakeFile(path, "début");
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    }
    HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR) override { return S_OK; }

    // What the program does not ask of a shortcut.
    HRESULT STDMETHODCALLTYPE GetPath(LPWSTR, int, WIN32_FIND_DATAW*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetShowCmd(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR, int, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }

private:
    static inline HalfSavedShortcut* current_ = nullptr;
    ULONG references_ = 0;
};

// The system cannot make the shell's shortcut object at all.
HRESULT WINAPI NoShortcutObject(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) {
    *object = nullptr;
    return E_OUTOFMEMORY;
}

// A shortcut that cannot be made is said, with the system's reason, and
// leaves nothing in the folder: no half-written file, no entry listed.
TEST_F(DropToAddTest, AShortcutThatCannotBeMadeIsSaidAndLeavesNothingBehind) {
    folder.Touch(L"deja.txt", "ici");
    const std::wstring backups = source_.MakeFolder(L"Sauvegardes");
    HalfSavedShortcut halfSaved;
    const struct {
        const char* label;
        CreateInstanceFn create;
        DWORD error;
    } cases[] = {
        {"the save fails once it has begun the file", &HalfSavedShortcut::Create, ERROR_DISK_FULL},
        {"the shortcut object cannot be made", &NoShortcutObject, ERROR_OUTOFMEMORY},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        List()->Update();
        const TPlatformOverride<CreateInstanceFn> creating(Platform().CoCreateInstance, c.create);
        const ShellNotices notices;
        const auto seen =
            DropAndAnswer(List()->Handle(), {backups}, {DialogAnswerer::Action::Ok, DialogAnswerer::Action::Ok});
        ASSERT_TRUE(SawDialogs(seen, 2u));
        EXPECT_TRUE(ShowsQuestionFor(seen[0], L"Sauvegardes"));
        EXPECT_EQ(seen[1].title, L"Erreur");
        EXPECT_NE(seen[1].text.find(L"Impossible de créer le raccourci « Sauvegardes.lnk »"), std::wstring::npos)
            << testing::PrintToString(seen[1].text);
        EXPECT_NE(seen[1].text.find(SystemErrorText(c.error)), std::wstring::npos)
            << testing::PrintToString(seen[1].text);
        EXPECT_EQ(seen[1].buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"deja.txt=ici"});
        EXPECT_EQ(ListedNames(), std::vector<std::wstring>{L"deja.txt"});
        EXPECT_EQ(notices.Seen(), std::vector<ShellNotices::Notice>{});
        EXPECT_EQ(halfSaved.References(), 0u) << "the shortcut object was not released";
    };
    for (const auto& c : cases) checkRow(c);
}

// Alt counts as it is when the file arrives: the finger may leave the key
// while the question is up, or find it only then.
TEST_F(DropToAddTest, AltCountsAsItIsWhenTheFileArrivesNotWhenTheQuestionIsAnswered) {
    const std::wstring tool = source_.Touch(L"outil.exe", "premier");
    const struct {
        const char* label;
        bool atTheDrop;
        bool atTheAnswer;
        bool shortcut;
    } cases[] = {
        {"held at the drop, let go before OK", true, false, true},
        {"pressed only while the question is up", false, true, false},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        const AltKey alt(c.atTheDrop);
        const auto seen = DropAndAnswer(List()->Handle(), {tool}, {DialogAnswerer::Action::Custom}, [&](HWND question) {
            AltKey::Hold(c.atTheAnswer);
            DialogAnswerer::ClickButton(question, L"OK");
        });
        ASSERT_TRUE(SawDialogs(seen, 1u));
        if (c.shortcut) {
            const std::wstring shortcut = ShownName(L"outil.exe") + L".lnk";
            EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{shortcut});
            EXPECT_EQ(ShortcutTarget(folder.Path(shortcut)), tool);
        } else {
            EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"outil.exe=premier"});
        }
        EmptyFolder(folder.Path());
    };
    for (const auto& c : cases) checkRow(c);
}

// The lines a drop's question adds after the dropped file's name.
const std::wstring kShortcutMade = L"\r\nUn raccourci sera créé.";
std::wstring Replacing(const std::wstring& entry) {
    return L"\r\n« " + ShownName(entry) + L" » existe déjà et ira dans la Corbeille.";
}

// Before anything is done, the question says what the folder gains when it
// is not a copy, and names the entry that goes to make room, as the list
// shows it; Cancel changes nothing.
TEST_F(DropToAddTest, TheQuestionSaysWhenAShortcutIsMadeAndWhichEntryItReplaces) {
    const std::wstring tool = source_.Touch(L"outil.exe", "nouveau");
    const std::wstring backups = source_.MakeFolder(L"Sauvegardes");
    const std::wstring toolShortcut = ShownName(L"outil.exe") + L".lnk";
    const struct {
        const char* label;
        std::wstring dropped;
        std::wstring asked;
        bool alt;
        std::wstring entryInTheWay;  // a file of the folder, or empty
        std::wstring lines;
    } cases[] = {
        {"a copy", tool, L"outil.exe", false, L"", L""},
        {"a copy over an entry of its name", tool, L"outil.exe", false, L"outil.exe", Replacing(L"outil.exe")},
        {"a file with Alt", tool, L"outil.exe", true, L"", kShortcutMade},
        {"a file with Alt, over a shortcut of the same name", tool, L"outil.exe", true, toolShortcut,
         kShortcutMade + Replacing(toolShortcut)},
        {"a folder", backups, L"Sauvegardes", false, L"", kShortcutMade},
        {"a drive's root", L"C:\\", L"C:\\", false, L"", kShortcutMade},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        if (!c.entryInTheWay.empty()) folder.Touch(c.entryInTheWay, "ancien");
        List()->Update();
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        const AltKey alt(c.alt);
        const auto seen = DropAndAnswer(List()->Handle(), {c.dropped}, {DialogAnswerer::Action::Cancel});
        ASSERT_TRUE(SawDialogs(seen, 1u));
        EXPECT_EQ(seen[0].text, kAddQuestion + c.asked + c.lines);
        EXPECT_EQ(FolderContents(folder.Path()), before);
        EmptyFolder(folder.Path());
    };
    for (const auto& c : cases) checkRow(c);
}

// Two files whose shortcuts the shell names alike, as it does with
// extensions hidden ("outil" for outil.exe and outil.txt): the second
// question names the first shortcut; Cancel keeps it, OK replaces it, and
// Ctrl+Z brings it back. With extensions shown both shortcuts stay.
TEST_F(DropToAddTest, ASecondShortcutNamedAsTheFirstSaysSoAndCtrlZBringsTheFirstBack) {
    const std::wstring tool = source_.Touch(L"outil.exe", "programme");
    const std::wstring notes = source_.Touch(L"outil.txt", "notes");
    const std::wstring first = ShownName(L"outil.exe") + L".lnk";
    const std::wstring second = ShownName(L"outil.txt") + L".lnk";
    const bool alike = first == second;
    const AltKey alt(true);
    ASSERT_TRUE(SawDialogs(DropAndAnswer(List()->Handle(), {tool}, {DialogAnswerer::Action::Ok}), 1u));
    ASSERT_EQ(ShortcutTarget(folder.Path(first)), tool);

    const std::wstring question = kAddQuestion + L"outil.txt" + kShortcutMade + (alike ? Replacing(first) : L"");
    auto seen = DropAndAnswer(List()->Handle(), {notes}, {DialogAnswerer::Action::Cancel});
    ASSERT_TRUE(SawDialogs(seen, 1u));
    EXPECT_EQ(seen[0].text, question);
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{first});
    EXPECT_EQ(ShortcutTarget(folder.Path(first)), tool);

    seen = DropAndAnswer(List()->Handle(), {notes}, {DialogAnswerer::Action::Ok});
    ASSERT_TRUE(SawDialogs(seen, 1u));
    EXPECT_EQ(seen[0].text, question);
    EXPECT_EQ(ShortcutTarget(folder.Path(second)), notes);
    if (!alike) {
        EXPECT_EQ(ShortcutTarget(folder.Path(first)), tool) << "a shortcut of another name was replaced";
        return;
    }
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{first});
    DialogAnswerer answers({DialogAnswerer::Action::Ok});
    form->UndoChange();
    ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{first});
    EXPECT_EQ(ShortcutTarget(folder.Path(first)), tool) << "Ctrl+Z did not bring the first shortcut back";
}

// An entry that takes the new entry's name while the question is up is not
// replaced on an answer that did not name it: a new question names it, and
// its Cancel keeps it.
TEST_F(DropToAddTest, AnEntryThatCameInTheWayDuringTheQuestionIsAskedAboutAgain) {
    const std::wstring tool = source_.Touch(L"outil.exe", "nouveau");
    List()->Update();
    const auto seen = DropAndAnswer(List()->Handle(), {tool},
                                    {DialogAnswerer::Action::Custom, DialogAnswerer::Action::Cancel},
                                    [&](HWND question) {
                                        folder.Touch(L"outil.exe", "arrive");
                                        DialogAnswerer::ClickButton(question, L"OK");
                                    });
    ASSERT_TRUE(SawDialogs(seen, 2u));
    EXPECT_EQ(seen[0].text, kAddQuestion + L"outil.exe");
    EXPECT_EQ(seen[1].text, kAddQuestion + L"outil.exe" + Replacing(L"outil.exe"));
    EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"outil.exe=arrive"});
}

}  // namespace
