// F2's rename in place, on the main window over a real folder: the names the
// box starts from, what each name typed does to the files and the list, and
// what the box never lets happen (a command of the list, a reading, a rename
// without the user's Enter or click elsewhere).
#include "list_fixtures.h"
#include "test_support.h"

#include "main_form.h"
#include "shell_file_list_box.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Action = DialogAnswerer::Action;

const std::wstring kBadCharacters =
    L"Un nom de fichier ne peut pas contenir les caractères suivants : \\ / : * ? \" < > |";
const std::wstring kNoName = L"Vous devez taper un nom de fichier.";
const std::wstring kTooLong = L"Ce nom de fichier est trop long pour ce dossier. Tapez un nom plus court.";

std::wstring Reserved(const std::wstring& name) {
    return L"Le nom « " + name + L" » est réservé par le système. Tapez un autre nom.";
}
std::wstring AlreadyThere(const std::wstring& name) {
    return L"Il existe déjà un fichier nommé « " + name + L" » dans ce dossier. Tapez un autre nom.";
}

class RenameTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ShowForm();
    }

    // The rename box, when it is open: a box closed hides at once, and goes
    // once its messages are done.
    HWND Box() const {
        for (HWND box = ::FindWindowExW(ListWindow(), nullptr, L"Edit", nullptr); box;
             box = ::FindWindowExW(ListWindow(), box, L"Edit", nullptr))
            if (::IsWindowVisible(box)) return box;
        return nullptr;
    }

    // Presses the key on `target` as the user would, through the main loop.
    void Press(HWND target, UINT vk) {
        DialogAnswerer::PostKey(target, vk);
        RunLoop(200);
    }
    void RunLoop(DWORD ms) { RunMainLoopUntil([] { return false; }, ms); }

    // F2 on the entry of that file name: the box, open with the focus.
    HWND StartEditing(const std::wstring& fileName) {
        List()->Update();
        Select(fileName);
        Press(ListWindow(), VK_F2);
        HWND box = Box();
        EXPECT_NE(box, nullptr) << "F2 opened no box";
        EXPECT_EQ(::GetFocus(), box);
        return box;
    }

    // The selected text of the box.
    static std::wstring Selected(HWND box) {
        DWORD start = 0, end = 0;
        ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return WindowText(box).substr(start, end - start);
    }
};

}  // namespace

TEST(NameForEditing, TheShellsNameWithoutTheExtensionItHidesOrTheFilesOwn) {
    struct Case {
        const wchar_t* file;
        const wchar_t* shown;
        const wchar_t* text;
        const wchar_t* hidden;
        size_t selected;
    };
    const Case cases[] = {
        {L"Bloc-notes.lnk", L"Bloc-notes", L"Bloc-notes", L".lnk", 10},
        {L"Notepad.lnk", L"Bloc-notes", L"Notepad", L".lnk", 7},  // a name the shell translates
        {L"outil.txt", L"outil.txt", L"outil.txt", L"", 5},
        {L"outil.TXT", L"outil.txt", L"outil.TXT", L"", 5},
        {L"archive.tar.gz", L"archive.tar.gz", L"archive.tar.gz", L"", 11},
        {L"LISEZMOI", L"LISEZMOI", L"LISEZMOI", L"", 8},
        {L".cache", L".cache", L".cache", L"", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.file)));
        const TNameForEditing name = NameForEditing(c.file, c.shown);
        EXPECT_EQ(name.text, c.text);
        EXPECT_EQ(name.hiddenExtension, c.hidden);
        EXPECT_EQ(name.selected, c.selected);
    }
}

TEST_F(RenameTest, EachNameTypedRenamesOrSaysWhyAndTheFolderChangesOnlyAsItShould) {
    const std::wstring longName(260 - folder.Path().size(), L'a');
    struct Case {
        const char* label;
        std::wstring file;     // the entry edited, made with its file name as content
        std::wstring typed;
        std::wstring message;  // empty: no question at all
        std::vector<std::wstring> after;
        std::wstring selected;  // the entry selected once the box closed
    };
    const Case cases[] = {
        {"plain name", L"Outil.txt", L"Éditeur.txt", L"", {L"Autre.txt=Autre.txt", L"Éditeur.txt=Outil.txt"},
         L"Éditeur.txt"},
        {"a shortcut keeps its hidden extension", L"Bloc-notes.lnk", L"Éditeur", L"",
         {L"Autre.txt=Autre.txt", L"Éditeur.lnk=lien"}, L"Éditeur.lnk"},
        {"case only", L"outil.txt", L"OUTIL.txt", L"", {L"Autre.txt=Autre.txt", L"OUTIL.txt=outil.txt"},
         L"OUTIL.txt"},
        {"unchanged", L"Outil.txt", L"Outil.txt", L"", {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"},
         L"Outil.txt"},
        {"forbidden character", L"Outil.txt", L"Ou?til.txt", kBadCharacters,
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"a slash", L"Outil.txt", L"sous/dossier.txt", kBadCharacters,
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"empty", L"Outil.txt", L"", kNoName, {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"spaces and dots only", L"Outil.txt", L" . .", kNoName, {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"},
         L"Outil.txt"},
        {"reserved", L"Outil.txt", L"con", Reserved(L"con"), {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"},
         L"Outil.txt"},
        {"reserved with an extension", L"Outil.txt", L"COM1.txt", Reserved(L"COM1.txt"),
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"reserved behind a hidden extension", L"Bloc-notes.lnk", L"LPT9", Reserved(L"LPT9.lnk"),
         {L"Autre.txt=Autre.txt", L"Bloc-notes.lnk=lien"}, L"Bloc-notes.lnk"},
        {"too long for the folder", L"Outil.txt", longName, kTooLong,
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"another entry's name, in another case", L"Outil.txt", L"autre.TXT", AlreadyThere(L"autre.TXT"),
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const std::wstring& name : FolderNames(folder.Path())) ::DeleteFileW(folder.Path(name).c_str());
        folder.Touch(L"Autre.txt", "Autre.txt");
        if (c.file.ends_with(L".lnk"))
            folder.Touch(c.file, "lien");
        else
            folder.Touch(c.file, std::string(c.file.begin(), c.file.end()));
        HWND box = StartEditing(c.file);
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, c.typed.c_str());
        {
            // A refused name: the message, then the box again with what was typed.
            DialogAnswerer answerer({Action::Ok});
            Press(box, VK_RETURN);
            if (c.message.empty()) {
                EXPECT_TRUE(answerer.Seen().empty());
                EXPECT_EQ(Box(), nullptr) << "the box stays open";
            } else {
                ASSERT_EQ(answerer.Seen().size(), 1u);
                EXPECT_EQ(answerer.Seen()[0].text, c.message);
                ASSERT_EQ(Box(), box) << "the box closed on a refused name";
                EXPECT_EQ(WindowText(box), c.typed);
                EXPECT_EQ(::GetFocus(), box);
                Press(box, VK_ESCAPE);
                EXPECT_EQ(Box(), nullptr);
            }
        }
        EXPECT_EQ(FolderContents(folder.Path()), c.after);
        std::vector<std::wstring> listed = ListedFileNames(*List());
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, FolderNames(folder.Path()));
        EXPECT_EQ(SelectedFile(*List()), c.selected);
        EXPECT_EQ(::GetFocus(), ListWindow());
    }
}

// Renamed, the entry takes its sorted place, selected and in sight, though
// that place was out of sight.
TEST_F(RenameTest, TheRenamedEntryIsInItsSortedPlaceSelectedAndInSight) {
    for (int i = 0; i < 80; ++i) folder.Touch(L"m" + std::to_wstring(100 + i) + L".txt");
    folder.Touch(L"Aaa.txt");
    HWND box = StartEditing(L"Aaa.txt");
    ASSERT_NE(box, nullptr);
    ::SetWindowTextW(box, L"Zzz.txt");
    Press(box, VK_RETURN);
    ASSERT_EQ(Box(), nullptr);
    EXPECT_EQ(ListedFileNames(*List()).back(), L"Zzz.txt");
    EXPECT_EQ(SelectedFile(*List()), L"Zzz.txt");
    RECT entry{}, client{}, shown{};
    ::SendMessageW(ListWindow(), LB_GETITEMRECT, static_cast<WPARAM>(List()->ItemIndex()),
                   reinterpret_cast<LPARAM>(&entry));
    ::GetClientRect(ListWindow(), &client);
    EXPECT_TRUE(::IntersectRect(&shown, &entry, &client)) << "the renamed entry is out of sight";
}

TEST_F(RenameTest, TheBoxStartsFromTheShellsNameOverTheEntryAndOnlyOnASelectedEntry) {
    folder.Touch(L"Bloc-notes.lnk", "lien");
    folder.Touch(L"outil.txt");
    List()->Update();
    SelectFile(*List(), L"");
    Press(ListWindow(), VK_F2);
    EXPECT_EQ(Box(), nullptr) << "F2 with nothing selected";

    HWND box = StartEditing(L"Bloc-notes.lnk");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Bloc-notes") << "the shortcut's extension stays hidden";
    EXPECT_EQ(Selected(box), L"Bloc-notes");
    Press(box, VK_ESCAPE);

    box = StartEditing(L"outil.txt");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"outil.txt");
    EXPECT_EQ(Selected(box), L"outil") << "the part before a shown extension";
    Press(box, VK_ESCAPE);
}

TEST_F(RenameTest, EscapeAndClosingTheWindowRenameNothingLosingTheFocusRenames) {
    struct Case {
        const char* label;
        std::function<void(HWND box)> end;
        bool renamed;
    };
    const Case cases[] = {
        {"Escape", [this](HWND box) { Press(box, VK_ESCAPE); }, false},
        {"WM_CLOSE to the window",
         [this](HWND) {
             ::PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
             RunLoop(200);
         },
         false},
        {"Alt+F4 in the box",
         [this](HWND box) {
             DialogAnswerer::PostKey(box, VK_F4, true);
             RunLoop(200);
         },
         false},
        {"another program in front",
         [this](HWND) {
             ForeignWindowInFront other;
             RunLoop(300);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ShowForm();
        const std::wstring name = c.renamed ? L"Nouveau.txt" : L"Outil.txt";
        ::DeleteFileW(folder.Path(L"Nouveau.txt").c_str());
        folder.Touch(L"Outil.txt");
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, L"Nouveau.txt");
        DialogAnswerer answerer({});
        c.end(box);
        EXPECT_TRUE(answerer.Seen().empty());
        EXPECT_EQ(Box(), nullptr);
        EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{name});
    }
}

TEST_F(RenameTest, WhileTheBoxIsOpenKeysAreItsOwnAndTheListsCommandsDoNotRun) {
    folder.Touch(L"Outil.txt");
    folder.Touch(L"Zèbre.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    ReadingCounter readings(L"Zèbre.txt");
    DialogAnswerer answerer({});
    ::SendMessageW(box, EM_SETSEL, 0, 0);
    Press(box, VK_DELETE);
    EXPECT_EQ(WindowText(box), L"util.txt") << "Delete deletes a character";
    Press(box, VK_F5);
    {
        // Text on the clipboard goes into the name.
        win::ClipboardScope clipboard(form->Handle());
        ASSERT_TRUE(clipboard.opened());
        ::EmptyClipboard();
        const std::wstring text = L"Bo";
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        std::memcpy(win::GlobalLockScope<wchar_t>(block).get(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        ::SetClipboardData(CF_UNICODETEXT, block);
    }
    {
        const ModifiersHeld ctrl({VK_CONTROL});
        Press(box, 'V');
    }
    EXPECT_EQ(WindowText(box), L"Boutil.txt") << "Ctrl+V pastes the text";
    ::PostMessageW(box, WM_CHAR, L'z', 1);
    RunLoop(100);
    EXPECT_EQ(WindowText(box), L"Bozutil.txt") << "a typed letter goes into the name";
    EXPECT_EQ(SelectedFile(*List()), L"Outil.txt") << "type-ahead left the selection alone";
    EXPECT_TRUE(answerer.Seen().empty()) << "Delete asked to remove, or Ctrl+V to add";
    EXPECT_EQ(readings.Count(), 0) << "F5 read the folder";

    Press(box, VK_RETURN);
    EXPECT_TRUE(answerer.Seen().empty()) << "Enter asked to launch";
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::wstring>{L"Bozutil.txt", L"Zèbre.txt"}));
}

TEST_F(RenameTest, OtherProgramsChangesWaitForTheBoxToClose) {
    folder.Touch(L"Outil.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    folder.Touch(L"Arrivé.txt");
    RunLoop(1500);
    EXPECT_FALSE(ListsFile(*List(), L"Arrivé.txt")) << "the list was read while the box was open";
    Press(box, VK_ESCAPE);
    EXPECT_TRUE(RunMainLoopUntil([&] { return ListsFile(*List(), L"Arrivé.txt"); }, 3000))
        << "the change did not show once the box closed";
}

// The platform's refusal is said with its reason; the box closes, the list
// is read again, and nothing else in the folder changes.
TEST_F(RenameTest, ARenameThePlatformRefusesIsSaidWithItsReason) {
    struct Case {
        const char* label;
        std::function<win::UniqueFile(const std::wstring& path)> meanwhile;
        std::vector<std::wstring> left;
    };
    const Case cases[] = {
        {"the entry deleted meanwhile",
         [](const std::wstring& path) {
             EXPECT_TRUE(::DeleteFileW(path.c_str()));
             return win::UniqueFile();
         },
         {L"Zèbre.txt"}},
        {"the file open elsewhere, shared with nobody",
         [](const std::wstring& path) {
             return win::UniqueFile(
                 ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
         },
         {L"Outil.txt", L"Zèbre.txt"}},
    };
    const std::wstring refused = L"Impossible de renommer « Outil.txt » :\r\n\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        folder.Touch(L"Outil.txt");
        folder.Touch(L"Zèbre.txt");
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, L"Nouveau.txt");
        const win::UniqueFile held = c.meanwhile(folder.Path(L"Outil.txt"));
        DialogAnswerer answerer({Action::Ok});
        Press(box, VK_RETURN);
        ASSERT_EQ(answerer.Seen().size(), 1u);
        const std::wstring& text = answerer.Seen()[0].text;
        EXPECT_EQ(text.rfind(refused, 0), 0u) << testing::PrintToString(text);
        EXPECT_GT(text.size(), refused.size()) << "the platform's reason is not shown";
        EXPECT_EQ(Box(), nullptr);
        EXPECT_EQ(FolderNames(folder.Path()), c.left);
        EXPECT_EQ(ListedFileNames(*List()), c.left) << "the list was not read again";
    }
}

// The shell hears of each rename once, from the old full path to the new,
// and of nothing when the file kept its name.
TEST_F(RenameTest, TheShellHearsOfEachRenameOnce) {
    struct Case {
        const char* label;
        std::wstring typed;
        UINT key;
        bool lockedMeanwhile;  // open elsewhere, shared with nobody: the platform refuses
        std::wstring renamedTo;
    };
    const Case cases[] = {
        {"renamed", L"Nouveau.txt", VK_RETURN, false, L"Nouveau.txt"},
        {"case only, which may go through a name of its own", L"OUTIL.txt", VK_RETURN, false, L"OUTIL.txt"},
        {"a name refused", L"Ou?til.txt", VK_RETURN, false, L""},
        {"Escape", L"Nouveau.txt", VK_ESCAPE, false, L""},
        {"the platform refuses", L"Nouveau.txt", VK_RETURN, true, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const std::wstring& name : FolderNames(folder.Path())) ::DeleteFileW(folder.Path(name).c_str());
        const std::wstring path = folder.Touch(L"Outil.txt");
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, c.typed.c_str());
        win::UniqueFile locked;
        if (c.lockedMeanwhile)
            locked.reset(
                ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const ShellNotices notices;
        DialogAnswerer answerer({Action::Ok});
        Press(box, c.key);
        if (Box()) Press(Box(), VK_ESCAPE);
        const std::vector<ShellNotices::Notice> renamed{
            {SHCNE_RENAMEITEM, SHCNF_PATHW, path, folder.Path(c.renamedTo)}};
        EXPECT_EQ(notices.Seen(), c.renamedTo.empty() ? std::vector<ShellNotices::Notice>{} : renamed);
    }
}

// A drop ends the rename without renaming, then asks as any drop.
TEST_F(RenameTest, ADropClosesTheBoxWithoutRenamingThenAsksAsAnyDrop) {
    folder.Touch(L"Outil.txt");
    TempFolder source(L"source");
    const std::wstring dropped = source.Touch(L"Déposé.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    ::SetWindowTextW(box, L"Nouveau.txt");
    DialogAnswerer answerer({Action::Cancel});
    ::PostMessageW(ListWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped}, {4, 4})), 0);
    RunLoop(300);
    EXPECT_EQ(Box(), nullptr);
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].text.rfind(kAddQuestion, 0), 0u);
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Outil.txt"});
}

// A right-click elsewhere commits first, then opens the list's menu; one in
// the box opens the box's own menu and leaves the edit going.
TEST_F(RenameTest, ARightClickElsewhereRenamesThenOpensTheMenuOneInTheBoxKeepsEditing) {
    folder.Touch(L"Outil.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    ::SetWindowTextW(box, L"Nouveau.txt");
    RECT boxRect{};
    ::GetWindowRect(box, &boxRect);
    {
        MenuDriver driver(&MenuDriver::Close);
        ::SendMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(boxRect.left + 2, boxRect.top + 2));
        EXPECT_GE(driver.Openings(), 1) << "the box's own menu";
    }
    EXPECT_EQ(Box(), box);
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Outil.txt"});

    bool renamedBeforeTheMenu = false;
    MenuDriver driver([&](HWND menu) {
        renamedBeforeTheMenu = FileExists(folder.Path(L"Nouveau.txt"));
        MenuDriver::Close(menu);
    });
    RECT client{};
    ::GetClientRect(ListWindow(), &client);
    const LPARAM elsewhere = MAKELPARAM(client.right - 3, client.bottom - 3);
    ::SendMessageW(ListWindow(), WM_RBUTTONDOWN, MK_RBUTTON, elsewhere);
    ::SendMessageW(ListWindow(), WM_RBUTTONUP, 0, elsewhere);
    RunLoop(300);
    EXPECT_GE(driver.Openings(), 1);
    EXPECT_TRUE(renamedBeforeTheMenu);
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Nouveau.txt"});
}

// Opened at 144 dpi, or open while the window moves there.
TEST_F(RenameTest, At144DpiTheBoxSitsOverTheEntrysTextInTheScaledFont) {
    folder.Touch(L"Outil.txt");
    const auto moveTo = [this](int dpi) {
        RECT outer{};
        ::GetWindowRect(form->Handle(), &outer);
        ::SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&outer));
    };
    for (const bool openFirst : {false, true}) {
        SCOPED_TRACE(openFirst ? "open while the window moves" : "opened there");
        HWND box = openFirst ? StartEditing(L"Outil.txt") : nullptr;
        moveTo(144);
        ASSERT_LT(List()->Font().Height(), TForm1::DesignListFontHeight) << "the list's font did not grow";
        if (!openFirst) box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(Box(), box);
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)), List()->Font().Handle());
        RECT entry{};
        ::SendMessageW(ListWindow(), LB_GETITEMRECT, static_cast<WPARAM>(List()->ItemIndex()),
                       reinterpret_cast<LPARAM>(&entry));
        RECT placed{};
        ::GetWindowRect(box, &placed);
        ::MapWindowPoints(HWND_DESKTOP, ListWindow(), reinterpret_cast<POINT*>(&placed), 2);
        // Right of the icon, at the text's start, to the column's end, over the entry's middle.
        EXPECT_GE(placed.left, entry.left + List()->IconSize().cx);
        EXPECT_LE(placed.left, entry.left + List()->IconSize().cx + 3 * 3);
        EXPECT_EQ(placed.right, entry.right);
        EXPECT_LE(placed.top, (entry.top + entry.bottom) / 2);
        EXPECT_GE(placed.bottom, (entry.top + entry.bottom) / 2);
        EXPECT_GE(placed.bottom - placed.top, entry.bottom - entry.top);
        Press(box, VK_ESCAPE);
        moveTo(96);
    }
}
