// Ctrl+Z on the main window's list: the last change the program made to the
// folder (a removal, a rename, a file or a shortcut added), undone after a
// question, over the real folder and the real Recycle Bin; refused with its
// reason when the folder changed since.
#include "list_fixtures.h"
#include "test_support.h"

#include "shell_file_list_box.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>
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
        for (const std::wstring& name : FolderNames(folder.Path())) ::DeleteFileW(folder.Path(name).c_str());
        for (const auto& [name, content] : files) folder.Touch(name, content);
        List()->Update();
    }

    void RemoveByDelete(const std::wstring& name) {
        Select(name);
        DialogAnswerer answerer({Action::Ok, Action::Cancel});
        Press(ListWindow(), VK_DELETE);
        ASSERT_EQ(answerer.Seen().size(), 2u);
        ASSERT_FALSE(FileExists(folder.Path(name)));
    }

    void RenameByF2(const std::wstring& from, const std::wstring& to) {
        Select(from);
        Press(ListWindow(), VK_F2);
        HWND box = ::FindWindowExW(ListWindow(), nullptr, L"Edit", nullptr);
        ASSERT_NE(box, nullptr) << "F2 opened no box";
        ::SetWindowTextW(box, to.c_str());
        DialogAnswerer answerer({});
        Press(box, VK_RETURN);
        ASSERT_TRUE(answerer.Seen().empty());
        ASSERT_TRUE(FileExists(folder.Path(to)));
    }

    void Drop(const std::wstring& path) {
        DialogAnswerer answerer({Action::Ok});
        ::SendMessageW(ListWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path}, {4, 4})), 0);
        PumpMessages();
        ASSERT_EQ(answerer.Seen().size(), 1u);
    }

    void Paste(const std::wstring& path) {
        PutFilesOnClipboard(form->Handle(), {path});
        DialogAnswerer answerer({Action::Ok});
        Press(ListWindow(), 'V', true);
        ASSERT_EQ(answerer.Seen().size(), 1u);
    }

    TempFolder outside;

private:
    // Wine dates nothing it recycles, so an item of an earlier run (another
    // process of the same id, the same folder) would make the undo's search
    // ambiguous: the throw-away prefix's Recycle Bin starts empty.
    RecycledByTest recycleBin_{RecycledByTest::Start::Empty};
};

}  // namespace

// Each change of the program, then Ctrl+Z and OK: the folder is as it was
// before the change, contents included, the entry that came back is
// selected, and a second Ctrl+Z asks nothing.
TEST_F(UndoTest, EachChangeIsUndoneAfterItsQuestion) {
    const std::wstring tool = outside.Touch(L"Outil.txt", "nouveau");
    const std::wstring projects = outside.MakeFolder(L"Projets");
    struct Case {
        const char* label;
        std::vector<std::pair<std::wstring, std::string>> files;
        std::function<void()> change;
        // The question, from the name of the entry that the change added.
        std::function<std::wstring(const std::wstring& added)> question;
        std::wstring selected;
    };
    const std::vector<std::pair<std::wstring, std::string>> files{{L"Autre.txt", "autre"},
                                                                  {L"Bloc-notes.txt", "notes"}};
    const Case cases[] = {
        {"a removal", files, [&] { RemoveByDelete(L"Bloc-notes.txt"); },
         [](const std::wstring&) { return RemovalQuestion(L"Bloc-notes.txt"); }, L"Bloc-notes.txt"},
        {"a rename", files, [&] { RenameByF2(L"Bloc-notes.txt", L"Éditeur.txt"); },
         [](const std::wstring&) { return RenameQuestion(L"Éditeur.txt", L"Bloc-notes.txt"); }, L"Bloc-notes.txt"},
        {"a file dropped", files, [&] { Drop(tool); },
         [](const std::wstring& added) { return AdditionQuestion(added, false); }, L"(none)"},
        {"a file pasted", files, [&] { Paste(tool); },
         [](const std::wstring& added) { return AdditionQuestion(added, false); }, L"(none)"},
        {"a file dropped over an entry of its name", {{L"Autre.txt", "autre"}, {L"Outil.txt", "ancien"}},
         [&] { Drop(tool); }, [](const std::wstring&) { return AdditionQuestion(L"Outil.txt", true); },
         L"Outil.txt"},
        {"a folder dropped, made a shortcut", files, [&] { Drop(projects); },
         [](const std::wstring& added) { return AdditionQuestion(added, false); }, L"(none)"},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        Fill(c.files);
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        const std::vector<std::wstring> names = FolderNames(folder.Path());
        c.change();
        const std::vector<std::wstring> added = NewNames(folder.Path(), names);
        const auto seen = Undo({Action::Ok});
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, c.question(added.empty() ? L"" : added.front()));
        EXPECT_EQ(FolderContents(folder.Path()), before);
        EXPECT_EQ(ListedFileNames(*List()), FolderNames(folder.Path()));
        EXPECT_EQ(SelectedFile(*List()), c.selected);
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
        {"the removed entry emptied from the Recycle Bin", files, [&] { RemoveByDelete(L"Bloc-notes.txt"); },
         [&] { EmptyWhatTheTestRecycled(); }, NoLongerRecycled(L"Bloc-notes.txt")},
        {"the added file written to since", files, [&] { Drop(tool); },
         [&] { folder.Touch(L"Outil.txt", "modifié"); }, ChangedSince(L"Outil.txt")},
        {"the added file removed by another program", files, [&] { Drop(tool); },
         [&] { ::DeleteFileW(folder.Path(L"Outil.txt").c_str()); }, ChangedSince(L"Outil.txt")},
        {"the replaced entry emptied from the Recycle Bin", {{L"Autre.txt", "autre"}, {L"Outil.txt", "ancien"}},
         [&] { Drop(tool); }, [&] { EmptyWhatTheTestRecycled(); }, NoLongerRecycled(L"Outil.txt")},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        Fill(c.files);
        c.change();
        c.meanwhile();
        List()->Update();
        const std::vector<std::wstring> before = FolderContents(folder.Path());
        const auto seen = Undo({Action::Ok});
        ASSERT_EQ(seen.size(), 1u);
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
        ASSERT_EQ(answerer.Seen().size(), 1u);
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
            DialogAnswerer held({Action::Custom}, [&](HWND question) {
                for (int i = 0; i < 5; ++i) PostHeldKey(FocusIn(question), 'Z');
                for (int i = 0; i < 5; ++i) PostHeldKey(FocusIn(question), VK_RETURN);
                RunUntilIdle();
                DialogAnswerer::ClickButton(question, L"Annuler");
            });
            ::PostMessageW(ListWindow(), WM_KEYDOWN, 'Z', 1);
            RunUntilIdle();
            for (int i = 0; i < 5; ++i) PostHeldKey(ListWindow(), 'Z');
            RunUntilIdle();
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
