// Ctrl+Z on the main window's list: the last change the program made to the
// folder (a removal, a rename, a file or a shortcut added), undone after a
// question, over the real folder and the real Recycle Bin; refused with its
// reason when the folder changed since.
#include "list_fixtures.h"
#include "test_support.h"

#include "exceptions.h"
#include "recycle_bin.h"
#include "shell_file_list_box.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Action = DialogAnswerer::Action;

std::wstring Quoted(const std::wstring& name) { return L"« " + name + L" »"; }

std::wstring RemovalQuestion(const std::wstring& name) { return L"Annuler la suppression de " + Quoted(name) + L" ?"; }
std::wstring RenameQuestion(const std::wstring& now, const std::wstring& old) {
    return L"Annuler le renommage de " + Quoted(now) + L" en " + Quoted(old) + L" ?";
}
std::wstring AdditionQuestion(const std::wstring& name, bool replaced) {
    return L"Annuler l'ajout de " + Quoted(name) + L" ?\r\n\r\nLe fichier ajouté ira dans la Corbeille." +
           (replaced ? L"\r\nL'ancien " + Quoted(name) + L", qu'il avait remplacé, en reviendra." : L"");
}
std::wstring ChangedSince(const std::wstring& name) {
    return L"Impossible d'annuler : " + Quoted(name) +
           L" a changé depuis : il a été renommé, modifié ou supprimé par un autre programme.";
}
std::wstring NameTaken(const std::wstring& name) {
    return L"Impossible d'annuler : un autre fichier porte maintenant le nom " + Quoted(name) + L".";
}
std::wstring NoLongerRecycled(const std::wstring& name) {
    return L"Impossible d'annuler : " + Quoted(name) + L" n'est plus dans la Corbeille.";
}

std::wstring NotRestored(const std::wstring& name) { return Quoted(name) + L" n'a pas pu revenir de la Corbeille."; }

// The contents of the entries (FolderContents) of `these` that `others` does
// not have: what went into the Recycle Bin or left it, whatever name the
// Recycle Bin gave it.
std::vector<std::wstring> ContentsOnlyIn(const std::vector<std::wstring>& these,
                                         const std::vector<std::wstring>& others) {
    std::vector<std::wstring> only;
    for (const std::wstring& entry : these)
        if (std::find(others.begin(), others.end(), entry) == others.end())
            only.push_back(entry.substr(entry.find(L'=') + 1));
    return only;
}

// The names in a folder that are not in `before`.
std::vector<std::wstring> NewNames(const std::wstring& folder, const std::vector<std::wstring>& before) {
    std::vector<std::wstring> added;
    for (const std::wstring& name : FolderNames(folder))
        if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
    return added;
}

class UndoTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowForm();
    }

    void EmptyWhatTheTestRecycled() { recycleBin_.Empty(); }

    // Ctrl+Z on the list, with the dialogs answered; what they showed.
    std::vector<SeenDialog> Undo(std::vector<Action> answers) {
        DialogAnswerer answerer(std::move(answers));
        Press(ListWindow(), 'Z', true);
        return answerer.Seen();
    }

    // The folder holds exactly these files, name=content, read again, and
    // the Recycle Bin nothing that an earlier case put there.
    void Fill(const std::vector<std::pair<std::wstring, std::string>>& files) {
        EmptyWhatTheTestRecycled();
        EmptyFolder(folder.Path());
        for (const auto& [name, content] : files) folder.Touch(name, content);
        List()->Update();
    }

    // Each helper's failures name the test's line that called it.
    void RemoveByDelete(const std::wstring& name, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
        const testing::ScopedTrace trace(file, line, "called here");
        Select(name);
        DialogAnswerer answerer({Action::Ok, Action::Cancel});
        Press(ListWindow(), VK_DELETE);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 2u));
        ASSERT_FALSE(FileExists(folder.Path(name)));
    }

    void RenameByF2(const std::wstring& from, const std::wstring& to, const char* file = __builtin_FILE(),
                    int line = __builtin_LINE()) {
        const testing::ScopedTrace trace(file, line, "called here");
        Select(from);
        Press(ListWindow(), VK_F2);
        HWND box = ::FindWindowExW(ListWindow(), nullptr, L"Edit", nullptr);
        ASSERT_NE(box, nullptr) << "F2 opened no box";
        // Typed as the box shows names: a hidden extension is kept.
        ::SetWindowTextW(box, ShownName(to).c_str());
        DialogAnswerer answerer({});
        Press(box, VK_RETURN);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 0));
        ASSERT_TRUE(FileExists(folder.Path(to)));
    }

    void Drop(const std::wstring& path, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
        const testing::ScopedTrace trace(file, line, "called here");
        ASSERT_TRUE(SawDialogs(DropAndAnswer(ListWindow(), {path}, {Action::Ok}), 1));
    }

    void Paste(const std::wstring& path, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
        const testing::ScopedTrace trace(file, line, "called here");
        PutFilesOnClipboard(form->Handle(), {path});
        DialogAnswerer answerer({Action::Ok});
        Press(ListWindow(), 'V', true);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
    }

    TempFolder outside;

private:
    // What earlier runs left in the Recycle Bin stays: it came from other
    // folders (TempFolder names each one once), so the undo's search cannot
    // take it for what a test removed.
    RecycledByTest recycleBin_;
};

}  // namespace

// Each change of the program, then Ctrl+Z and OK: the folder is as it was
// before the change, contents included, the entry that came back is
// selected, and a second Ctrl+Z asks nothing. An added entry goes to the
// Recycle Bin, not for good; an entry that comes back leaves it; the shell
// hears of what the program did itself (the Recycle Bin tells it of the
// rest).
TEST_F(UndoTest, EachChangeIsUndoneAfterItsQuestion) {
    const std::wstring tool = outside.Touch(L"Outil.txt", "nouveau");
    const std::wstring projects = outside.MakeFolder(L"Projets");
    using Notices = std::vector<ShellNotices::Notice>;
    struct Case {
        const char* label;
        std::vector<std::pair<std::wstring, std::string>> files;
        std::function<void()> change;
        // The question, from the name of the entry that the change added.
        std::function<std::wstring(const std::wstring& added)> question;
        std::wstring selected;
        bool addedRecycled;                 // what the change added or changed goes to the Recycle Bin
        std::vector<std::wstring> restored;  // the contents that leave the Recycle Bin
        Notices told;
    };
    const std::vector<std::pair<std::wstring, std::string>> files{{L"Autre.txt", "autre"},
                                                                  {L"Bloc-notes.txt", "notes"}};
    const std::wstring notes = folder.Path(L"Bloc-notes.txt");
    const Case cases[] = {
        {"a removal", files, [&] { RemoveByDelete(L"Bloc-notes.txt"); },
         [](const std::wstring&) { return RemovalQuestion(L"Bloc-notes.txt"); }, L"Bloc-notes.txt", false, {L"notes"},
         {{SHCNE_CREATE, SHCNF_PATHW, notes, L""}}},
        {"a rename", files, [&] { RenameByF2(L"Bloc-notes.txt", L"Éditeur.txt"); },
         [](const std::wstring&) { return RenameQuestion(L"Éditeur.txt", L"Bloc-notes.txt"); }, L"Bloc-notes.txt",
         false, {}, {{SHCNE_RENAMEITEM, SHCNF_PATHW, folder.Path(L"Éditeur.txt"), notes}}},
        {"a file dropped", files, [&] { Drop(tool); },
         [](const std::wstring& added) { return AdditionQuestion(added, false); }, L"(none)", true, {}, {}},
        {"a file pasted", files, [&] { Paste(tool); },
         [](const std::wstring& added) { return AdditionQuestion(added, false); }, L"(none)", true, {}, {}},
        {"a file dropped over an entry of its name", {{L"Autre.txt", "autre"}, {L"Outil.txt", "ancien"}},
         [&] { Drop(tool); }, [](const std::wstring&) { return AdditionQuestion(L"Outil.txt", true); },
         L"Outil.txt", true, {L"ancien"}, {{SHCNE_CREATE, SHCNF_PATHW, folder.Path(L"Outil.txt"), L""}}},
        {"a folder dropped, made a shortcut", files, [&] { Drop(projects); },
         [](const std::wstring& added) { return AdditionQuestion(added, false); }, L"(none)", true, {}, {}},
    };
    const std::wstring recycleBin = WineRecycleBinFolder();
    const auto recycled = [&] { return recycleBin.empty() ? std::vector<std::wstring>{} : FolderContents(recycleBin); };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        Fill(c.files);
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        const std::vector<std::wstring> names = FolderNames(folder.Path());
        c.change();
        const std::vector<std::wstring> changed = FolderContents(folder.Path());
        const std::vector<std::wstring> added = NewNames(folder.Path(), names);
        const std::vector<std::wstring> binBefore = recycled();
        std::vector<SeenDialog> seen;
        {
            const ShellNotices notices;
            seen = Undo({Action::Ok});
            EXPECT_EQ(notices.Seen(), c.told);
        }
        ASSERT_TRUE(SawDialogs(seen, 1u));
        EXPECT_EQ(seen[0].text, c.question(added.empty() ? L"" : added.front()));
        EXPECT_EQ(FolderContents(folder.Path()), before);
        EXPECT_EQ(ListedFileNames(*List()), FolderNames(folder.Path()));
        EXPECT_EQ(SelectedFile(*List()), c.selected);
        if (!recycleBin.empty()) {
            const std::vector<std::wstring> binAfter = recycled();
            EXPECT_EQ(ContentsOnlyIn(binAfter, binBefore),
                      c.addedRecycled ? ContentsOnlyIn(changed, before) : std::vector<std::wstring>{})
                << "what went into the Recycle Bin";
            EXPECT_EQ(ContentsOnlyIn(binBefore, binAfter), c.restored) << "what left the Recycle Bin";
        }
        EXPECT_TRUE(Undo({Action::Ok}).empty()) << "a second Ctrl+Z asked again";
        EXPECT_EQ(FolderContents(folder.Path()), before);
    };
    for (const Case& c : cases) checkRow(c);
}

// Cancel changes nothing and keeps the undo: the next Ctrl+Z asks again, and OK undoes.
TEST_F(UndoTest, CancelChangesNothingAndALaterCtrlZStillOffersTheUndo) {
    Fill({{L"Autre.txt", "autre"}, {L"Bloc-notes.txt", "notes"}});
    const std::vector<std::wstring> before = FolderContents(folder.Path());
    RemoveByDelete(L"Bloc-notes.txt");
    const std::vector<std::wstring> removed = FolderContents(folder.Path());
    const auto cancelled = Undo({Action::Cancel});
    ASSERT_EQ(cancelled.size(), 1u);
    EXPECT_EQ(cancelled[0].text, RemovalQuestion(L"Bloc-notes.txt"));
    EXPECT_EQ(FolderContents(folder.Path()), removed);
    const auto confirmed = Undo({Action::Ok});
    ASSERT_EQ(confirmed.size(), 1u);
    EXPECT_EQ(confirmed[0].text, RemovalQuestion(L"Bloc-notes.txt"));
    EXPECT_EQ(FolderContents(folder.Path()), before);
}

// The folder changed since, by another program: the reason, no question, and
// nothing changes.
TEST_F(UndoTest, AChangeThatCanNoLongerBeUndoneIsRefusedWithItsReason) {
    const std::wstring tool = outside.Touch(L"Outil.txt", "nouveau");
    struct Case {
        const char* label;
        std::vector<std::pair<std::wstring, std::string>> files;
        std::function<void()> change;
        std::function<void()> meanwhile;
        std::wstring message;
    };
    const std::vector<std::pair<std::wstring, std::string>> files{{L"Autre.txt", "autre"},
                                                                  {L"Bloc-notes.txt", "notes"}};
    const Case cases[] = {
        {"renamed again by another program", files, [&] { RenameByF2(L"Bloc-notes.txt", L"Éditeur.txt"); },
         [&] { ::MoveFileW(folder.Path(L"Éditeur.txt").c_str(), folder.Path(L"Troisième.txt").c_str()); },
         ChangedSince(L"Éditeur.txt")},
        {"another file in the renamed one's place", files, [&] { RenameByF2(L"Bloc-notes.txt", L"Éditeur.txt"); },
         [&] {
             ::DeleteFileW(folder.Path(L"Éditeur.txt").c_str());
             folder.Touch(L"Éditeur.txt", "notes");
         },
         ChangedSince(L"Éditeur.txt")},
        {"the old name taken", files, [&] { RenameByF2(L"Bloc-notes.txt", L"Éditeur.txt"); },
         [&] { folder.Touch(L"Bloc-notes.txt", "autre programme"); }, NameTaken(L"Bloc-notes.txt")},
        {"the removed entry's name taken", files, [&] { RemoveByDelete(L"Bloc-notes.txt"); },
         [&] { folder.Touch(L"Bloc-notes.txt", "autre programme"); }, NameTaken(L"Bloc-notes.txt")},
        {"the added file written to since", files, [&] { Drop(tool); },
         [&] { folder.Touch(L"Outil.txt", "modifié"); }, ChangedSince(L"Outil.txt")},
        {"the added file removed by another program", files, [&] { Drop(tool); },
         [&] { ::DeleteFileW(folder.Path(L"Outil.txt").c_str()); }, ChangedSince(L"Outil.txt")},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        Fill(c.files);
        c.change();
        c.meanwhile();
        List()->Update();
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        const auto seen = Undo({Action::Ok});
        ASSERT_TRUE(SawDialogs(seen, 1u));
        EXPECT_EQ(seen[0].text, c.message);
        EXPECT_EQ(FolderContents(folder.Path()), before);
        EXPECT_EQ(ListedFileNames(*List()), FolderNames(folder.Path()));
    };
    for (const Case& c : cases) checkRow(c);
}

// No change made yet, or only one cancelled: Ctrl+Z asks nothing.
TEST_F(UndoTest, NothingToUndoAsksNothing) {
    Fill({{L"Bloc-notes.txt", "notes"}});
    EXPECT_TRUE(Undo({Action::Ok}).empty());
    Select(L"Bloc-notes.txt");
    {
        DialogAnswerer answerer({Action::Cancel});
        Press(ListWindow(), VK_DELETE);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
    }
    EXPECT_TRUE(Undo({Action::Ok}).empty());
    EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"Bloc-notes.txt=notes"});
}

// Ctrl+Z held: one question, which its repeats do not answer, and no second
// question from the repeats that reach the list; a fresh press asks again.
TEST_F(UndoTest, AHeldCtrlZAsksOnceAndAnswersNothing) {
    const auto checkRow = [&](bool taskDialog) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "classic form");
        Presentation presentation(taskDialog);
        Fill({{L"Autre.txt", "autre"}, {L"Bloc-notes.txt", "notes"}});
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        RemoveByDelete(L"Bloc-notes.txt");
        {
            const ModifiersHeld ctrl({VK_CONTROL});
            // Ctrl let go while Enter, held from before too, repeats: a key
            // that would answer either presentation (Ctrl+Enter does not
            // answer the classic form).
            std::optional<ModifiersHeld> ctrlLetGo;
            // The repeats go where the platform sends keys, to the question's
            // focus, for the question's own loop to read; Cancel comes once
            // that loop has handled them.
            bool upThroughTheRepeats = false;
            DialogAnswerer held({Action::Custom}, [&](HWND question) {
                for (int i = 0; i < 5; ++i) PostHeldKey(FocusIn(question), 'Z');
                OnceHandled([&upThroughTheRepeats, &ctrlLetGo, question] {
                    ctrlLetGo.emplace(std::initializer_list<UINT>{});
                    for (int i = 0; i < 5; ++i) PostHeldKey(FocusIn(question), VK_RETURN);
                    OnceHandled([&upThroughTheRepeats, question] {
                        upThroughTheRepeats = ::IsWindow(question) && ::IsWindowVisible(question);
                        DialogAnswerer::ClickButton(question, L"Annuler");
                    });
                });
            });
            ::PostMessageW(ListWindow(), WM_KEYDOWN, 'Z', 1);
            RunUntilIdle();
            ForgetOnceHandled();
            ctrlLetGo.reset();
            for (int i = 0; i < 5; ++i) PostHeldKey(ListWindow(), 'Z');
            RunUntilIdle();
            EXPECT_TRUE(upThroughTheRepeats) << "a repeat answered the question";
            ASSERT_EQ(held.Seen().size(), 1u);
            EXPECT_EQ(held.Seen()[0].text, RemovalQuestion(L"Bloc-notes.txt"));
            EXPECT_FALSE(FileExists(folder.Path(L"Bloc-notes.txt")));
        }
        const auto fresh = Undo({Action::Ok});
        ASSERT_EQ(fresh.size(), 1u);
        EXPECT_EQ(FolderContents(folder.Path()), before);
    };
    for (bool taskDialog : {false, true}) checkRow(taskDialog);
}

// The entry went from the Recycle Bin since its removal (emptied by the
// user): nothing changes, and the user is told it cannot come back, before
// the question where the system can tell without reading the whole Recycle
// Bin, else after it. An added entry that replaced it stays in the folder.
TEST_F(UndoTest, AnEntryNoLongerInTheRecycleBinCannotComeBackAndNothingChanges) {
    const std::wstring tool = outside.Touch(L"Outil.txt", "nouveau");
    struct Case {
        const char* label;
        std::vector<std::pair<std::wstring, std::string>> files;
        std::function<void()> change;
        std::wstring name;
    };
    const Case cases[] = {
        {"a removed entry", {{L"Autre.txt", "autre"}, {L"Bloc-notes.txt", "notes"}},
         [&] { RemoveByDelete(L"Bloc-notes.txt"); }, L"Bloc-notes.txt"},
        {"an entry replaced by a drop", {{L"Autre.txt", "autre"}, {L"Outil.txt", "ancien"}}, [&] { Drop(tool); },
         L"Outil.txt"},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        Fill(c.files);
        c.change();
        EmptyWhatTheTestRecycled();
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        const auto seen = Undo({Action::Ok, Action::Ok});
        ASSERT_FALSE(seen.empty());
        const std::wstring& told = seen.back().text;
        EXPECT_TRUE(told == NoLongerRecycled(c.name) || told == NotRestored(c.name)) << testing::PrintToString(told);
        EXPECT_EQ(FolderContents(folder.Path()), before);
        EXPECT_EQ(ListedFileNames(*List()), FolderNames(folder.Path()));
    };
    for (const Case& c : cases) checkRow(c);
}

// The item found is the one the removal made, whatever the list shows of
// its name: a shortcut, whose ".lnk" the list never shows, and a file, with
// extensions hidden as Windows ships and shown.
TEST_F(UndoTest, ARemovedEntryComesBackWithExtensionsHiddenOrShown) {
    struct Case {
        const char* label;
        bool hidden;
        std::wstring name;
    };
    const Case cases[] = {
        {"a shortcut, extensions hidden", true, L"Outil.lnk"},
        {"a file, extensions hidden", true, L"Notes.txt"},
        {"a shortcut, extensions shown", false, L"Outil.lnk"},
        {"a file, extensions shown", false, L"Notes.txt"},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        const ExtensionsSetting setting(c.hidden);
        Fill({{L"Autre.txt", "autre"}, {c.name, "contenu"}});
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        RemoveByDelete(c.name);
        const auto seen = Undo({Action::Ok, Action::Ok});
        ASSERT_TRUE(SawDialogs(seen, 1u));
        EXPECT_EQ(seen[0].text, RemovalQuestion(c.name));
        EXPECT_EQ(FolderContents(folder.Path()), before);
    };
    for (const Case& c : cases) checkRow(c);
}

// Two entries of the same name removed one after the other, each within the
// same second as the other: Ctrl+Z brings back the last one, and the Recycle
// Bin keeps the first.
TEST_F(UndoTest, OfTwoEntriesOfOneNameRemovedInTurnTheLastComesBack) {
    Fill({{L"Autre.txt", "autre"}, {L"Notes.txt", "premier"}});
    RemoveByDelete(L"Notes.txt");
    folder.Touch(L"Notes.txt", "second");
    List()->Update();
    const std::vector<std::wstring> before = FolderContents(folder.Path());
    RemoveByDelete(L"Notes.txt");
    const auto seen = Undo({Action::Ok, Action::Ok});
    ASSERT_TRUE(SawDialogs(seen, 1u));
    EXPECT_EQ(seen[0].text, RemovalQuestion(L"Notes.txt"));
    EXPECT_EQ(FolderContents(folder.Path()), before);
}

namespace {

// Moves on the way back of a rename in case only: the first move is taken
// for one over another file, and both moves from the name in between are
// refused, so the file stays under that name.
BOOL WINAPI MoveWithTheWayBackRefused(LPCWSTR from, LPCWSTR to, DWORD flags) {
    const std::wstring source = from;
    if (source.ends_with(L"\\Casse.txt") && std::wstring(to).ends_with(L"\\casse.txt")) {
        ::SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (source.ends_with(L".~renommage")) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return SystemCalls().MoveFileExW(from, to, flags);
}

}  // namespace

// The undo of a rename that stopped under the name in between says where
// the file is, as the rename does.
TEST_F(UndoTest, AnUndoneRenameLeftHalfwayNamesTheFileAsItIsNow) {
    Fill({{L"casse.txt", "casse"}});
    RenameByF2(L"casse.txt", L"Casse.txt");
    const TPlatformOverride<MoveFileFn> moving(Platform().MoveFileExW, &MoveWithTheWayBackRefused);
    const auto seen = Undo({Action::Ok, Action::Ok});
    ASSERT_TRUE(SawDialogs(seen, 2u));
    EXPECT_EQ(seen[0].text, RenameQuestion(L"Casse.txt", L"casse.txt"));
    EXPECT_EQ(seen[1].text, L"Impossible de renommer « Casse.txt » :\r\n\r\n" + SystemErrorText(ERROR_ACCESS_DENIED) +
                                L"\r\n\r\nLe fichier porte maintenant le nom « casse.txt.~renommage ».");
    EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"casse.txt.~renommage=casse"});
}

namespace {

// A command of the stand-in menu: its text, its verb (none: the menu names
// its commands by no verb, as Wine's Recycle Bin does) and what it does.
struct StandInCommand {
    std::wstring label;
    std::wstring verb;
    std::function<void()> action;
};

// An item's menu as a Recycle Bin other than the system's might give it;
// records the labels of the commands it runs.
class StandInMenu final : public IContextMenu {
public:
    explicit StandInMenu(std::vector<StandInCommand> commands) : commands_(std::move(commands)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id != __uuidof(IUnknown) && id != __uuidof(IContextMenu)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IContextMenu*>(this);
        return S_OK;
    }
    // Lives on the test's stack.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override {
        for (UINT i = 0; i < commands_.size(); ++i)
            ::InsertMenuW(menu, index + i, MF_BYPOSITION | MF_STRING, first + i, commands_[i].label.c_str());
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, commands_.size());
    }

    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        const StandInCommand* command = Find(info->lpVerb);
        if (!command) return E_INVALIDARG;
        ran_.push_back(command->label);
        lastMask_ = info->fMask;
        if (command->action) command->action();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR offset, UINT type, UINT*, LPSTR name, UINT size) override {
        if (type != GCS_VERBW || offset >= commands_.size() || commands_[offset].verb.empty()) return E_NOTIMPL;
        ::lstrcpynW(reinterpret_cast<LPWSTR>(name), commands_[offset].verb.c_str(), static_cast<int>(size));
        return S_OK;
    }

    const std::vector<std::wstring>& Ran() const noexcept { return ran_; }
    DWORD LastMask() const noexcept { return lastMask_; }

private:
    const StandInCommand* Find(LPCSTR verb) const {
        if (IS_INTRESOURCE(verb)) {
            const size_t offset = LOWORD(reinterpret_cast<ULONG_PTR>(verb));
            return offset < commands_.size() ? &commands_[offset] : nullptr;
        }
        const std::string wanted(verb);
        for (const StandInCommand& command : commands_)
            if (!command.verb.empty() && std::wstring(wanted.begin(), wanted.end()) == command.verb) return &command;
        return nullptr;
    }

    std::vector<StandInCommand> commands_;
    std::vector<std::wstring> ran_;
    DWORD lastMask_ = 0;
};

}  // namespace

// Where the menu names no verb, only the command called as the restore is
// runs; a menu whose commands none is called so runs nothing, whatever comes
// first (here a command that deletes the file for good).
TEST_F(UndoTest, TheRestoreRunsOnlyTheCommandItKnowsForTheRestore) {
    struct Case {
        const char* label;
        std::vector<std::wstring> labels;  // the menu's, in order; each without a verb
        std::vector<std::wstring> ran;
        bool back;
    };
    const Case cases[] = {
        {"a deleting command first, then the restore", {L"&Supprimer", L"&Restaurer"}, {L"&Restaurer"}, true},
        {"the restore in English", {L"&Erase", L"&Restore"}, {L"&Restore"}, true},
        {"no command called as the restore", {L"&Supprimer", L"&Propriétés"}, {}, false},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        const NewEntriesRemoved rowFiles(folder.Path());
        const std::wstring recycled = outside.Touch(L"Corbeille-notes.txt", "notes");
        const std::wstring path = folder.Path(L"Notes.txt");
        std::vector<StandInCommand> commands;
        for (const std::wstring& label : c.labels) {
            const bool restores = label.find(L"Rest") != std::wstring::npos;
            commands.push_back({label, L"", [=] {
                                    if (restores)
                                        ::MoveFileW(recycled.c_str(), path.c_str());
                                    else
                                        ::DeleteFileW(recycled.c_str());
                                }});
        }
        StandInMenu menu(std::move(commands));
        EXPECT_EQ(RunRestoreCommand(menu, path), c.back);
        EXPECT_EQ(menu.Ran(), c.ran);
        EXPECT_TRUE(c.back ? FileExists(path) : !FileExists(path));
    };
    for (const Case& c : cases) checkRow(c);
}

namespace {

// A restore that the shell carries out on a thread of its own: the file
// moves back only once the command is let go, which a synchronous command
// does before it returns; otherwise only the test lets it go, afterwards.
class RestoreOnAnotherThread {
public:
    RestoreOnAnotherThread(std::wstring from, std::wstring to) : from_(std::move(from)), to_(std::move(to)) {}
    ~RestoreOnAnotherThread() { Finish(); }
    RestoreOnAnotherThread(const RestoreOnAnotherThread&) = delete;
    RestoreOnAnotherThread& operator=(const RestoreOnAnotherThread&) = delete;

    void Start(bool synchronous) {
        thread_.reset(::CreateThread(nullptr, 0, &Restore, this, 0, nullptr));
        if (synchronous) Finish();
    }

    void Finish() {
        ::SetEvent(letGo_.get());
        if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
    }

private:
    static DWORD WINAPI Restore(void* self) {
        auto& restore = *static_cast<RestoreOnAnotherThread*>(self);
        ::WaitForSingleObject(restore.letGo_.get(), INFINITE);
        ::MoveFileW(restore.from_.c_str(), restore.to_.c_str());
        return 0;
    }

    std::wstring from_;
    std::wstring to_;
    win::UniqueKernelHandle letGo_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    win::UniqueKernelHandle thread_;
};

}  // namespace

// The restore is asked to finish before the command returns, and the file is
// checked once it has.
TEST_F(UndoTest, TheRestoreIsCheckedOnceTheCommandHasFinished) {
    const std::wstring path = folder.Path(L"Notes.txt");
    RestoreOnAnotherThread restore(outside.Touch(L"Corbeille-notes.txt", "notes"), path);
    StandInMenu* invoked = nullptr;
    StandInMenu menu({{L"&Supprimer", L"delete", nullptr},
                      {L"&Restaurer", L"undelete", [&] { restore.Start(invoked->LastMask() & CMIC_MASK_NOASYNC); }}});
    invoked = &menu;
    EXPECT_TRUE(RunRestoreCommand(menu, path));
    EXPECT_EQ(menu.Ran(), std::vector<std::wstring>{L"&Restaurer"});
    restore.Finish();
    EXPECT_EQ(ReadFileBytes(path), "notes");
}
