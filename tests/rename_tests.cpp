// F2's rename in place, on the main window over a real folder: the names the
// box starts from, what each name typed does to the files and the list, and
// what the box never lets happen (a command of the list, a reading, a rename
// without the user's Enter or click elsewhere).
#include "list_fixtures.h"
#include "test_support.h"

#include "entry_rename.h"
#include "exceptions.h"
#include "main_form.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
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

// The end of a file's name that the list hides, and that a rename keeps.
std::wstring HiddenExtension(const std::wstring& fileName) { return fileName.substr(ShownName(fileName).size()); }

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
    // What follows a name typed for Outil.txt in the messages, which quote
    // the name as the system would store it.
    const std::wstring keptTxt = HiddenExtension(L"Outil.txt");
    const std::wstring otherEntry = ShownName(L"autre.TXT");
    struct Case {
        const char* label;
        std::wstring file;     // the entry edited, made with its file name as content
        std::wstring typed;
        std::wstring message;  // empty: no question at all
        std::vector<std::wstring> after;
        std::wstring selected;  // the entry selected once the box closed
    };
    const Case cases[] = {
        {"plain name", L"Outil.txt", ShownName(L"Éditeur.txt"), L"", {L"Autre.txt=Autre.txt", L"Éditeur.txt=Outil.txt"},
         L"Éditeur.txt"},
        {"a shortcut keeps its hidden extension", L"Bloc-notes.lnk", L"Éditeur", L"",
         {L"Autre.txt=Autre.txt", L"Éditeur.lnk=lien"}, L"Éditeur.lnk"},
        {"case only", L"outil.txt", ShownName(L"OUTIL.txt"), L"", {L"Autre.txt=Autre.txt", L"OUTIL.txt=outil.txt"},
         L"OUTIL.txt"},
        {"unchanged", L"Outil.txt", ShownName(L"Outil.txt"), L"", {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"},
         L"Outil.txt"},
        {"forbidden character", L"Outil.txt", L"Ou?til.txt", kBadCharacters,
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"a slash", L"Outil.txt", L"sous/dossier.txt", kBadCharacters,
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"empty", L"Outil.txt", L"", kNoName, {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"spaces and dots only", L"Outil.txt", L" . .", kNoName, {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"},
         L"Outil.txt"},
        {"reserved", L"Outil.txt", L"con", Reserved(L"con" + keptTxt), {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"},
         L"Outil.txt"},
        {"reserved with an extension", L"Outil.txt", L"COM1.txt", Reserved(L"COM1.txt" + keptTxt),
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"the console's input", L"Outil.txt", L"CONIN$", Reserved(L"CONIN$" + keptTxt),
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"the console's output, in lower case with an extension", L"Outil.txt", L"conout$.log",
         Reserved(L"conout$.log" + keptTxt), {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"reserved behind a hidden extension", L"Bloc-notes.lnk", L"LPT9", Reserved(L"LPT9.lnk"),
         {L"Autre.txt=Autre.txt", L"Bloc-notes.lnk=lien"}, L"Bloc-notes.lnk"},
        {"too long for the folder", L"Outil.txt", longName, kTooLong,
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
        {"another entry's name, in another case", L"Outil.txt", otherEntry, AlreadyThere(otherEntry + keptTxt),
         {L"Autre.txt=Autre.txt", L"Outil.txt=Outil.txt"}, L"Outil.txt"},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        EmptyFolder(folder.Path());
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
                EXPECT_TRUE(SawDialogs(answerer.Seen(), 0));
                EXPECT_EQ(Box(), nullptr) << "the box stays open";
            } else {
                ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
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
    };
    for (const Case& c : cases) checkRow(c);
}

// Renamed, the entry takes its sorted place, selected and in sight, though
// that place was out of sight.
TEST_F(RenameTest, TheRenamedEntryIsInItsSortedPlaceSelectedAndInSight) {
    for (int i = 0; i < 80; ++i) folder.Touch(L"m" + std::to_wstring(100 + i) + L".txt");
    folder.Touch(L"Aaa.txt");
    HWND box = StartEditing(L"Aaa.txt");
    ASSERT_NE(box, nullptr);
    ::SetWindowTextW(box, ShownName(L"Zzz.txt").c_str());
    Press(box, VK_RETURN);
    ASSERT_EQ(Box(), nullptr);
    EXPECT_EQ(ListedFileNames(*List()).back(), L"Zzz.txt");
    EXPECT_EQ(SelectedFile(*List()), L"Zzz.txt");
    const RECT entry = ItemRectOf(ListWindow(), List()->ItemIndex());
    const RECT client = ClientRectOf(ListWindow());
    RECT shown{};
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
    EXPECT_EQ(WindowText(box), ShownName(L"outil.txt"));
    EXPECT_EQ(Selected(box), L"outil") << "the name without its extension, shown or not";
    Press(box, VK_ESCAPE);
}

TEST_F(RenameTest, EscapeAndClosingTheWindowRenameNothingLosingTheFocusRenames) {
    struct Case {
        const char* label;
        std::function<void(HWND box)> end;
        bool renamed;
    };
    const Case cases[] = {
        {"Escape", [](HWND box) { Press(box, VK_ESCAPE); }, false},
        {"WM_CLOSE to the window",
         [this](HWND) {
             ::PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
             RunUntilIdle();
         },
         false},
        {"Alt+F4 in the box",
         [](HWND box) {
             DialogAnswerer::PostKey(box, VK_F4, true);
             RunUntilIdle();
         },
         false},
        {"another program in front",
         [this](HWND) {
             ForeignWindowInFront other;
             EXPECT_TRUE(RunMainLoopUntil([&] { return Box() == nullptr; }, 3000))
                 << "the box stayed open with another program in front";
         },
         true},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ShowForm();
        const std::wstring name = c.renamed ? L"Nouveau.txt" : L"Outil.txt";
        ::DeleteFileW(folder.Path(L"Nouveau.txt").c_str());
        folder.Touch(L"Outil.txt");
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, ShownName(L"Nouveau.txt").c_str());
        DialogAnswerer answerer({});
        c.end(box);
        EXPECT_TRUE(SawDialogs(answerer.Seen(), 0));
        EXPECT_EQ(Box(), nullptr);
        EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{name});
    };
    for (const Case& c : cases) checkRow(c);
}

TEST_F(RenameTest, WhileTheBoxIsOpenKeysAreItsOwnAndTheListsCommandsDoNotRun) {
    folder.Touch(L"Outil.txt");
    folder.Touch(L"Zèbre.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    ReadingCounter readings(L"Zèbre.txt");
    DialogAnswerer answerer({});
    const std::wstring rest = ShownName(L"util.txt");
    ::SendMessageW(box, EM_SETSEL, 0, 0);
    Press(box, VK_DELETE);
    EXPECT_EQ(WindowText(box), rest) << "Delete deletes a character";
    Press(box, VK_F5);
    // Text on the clipboard goes into the name.
    PutTextOnClipboard(form->Handle(), L"Bo");
    Press(box, 'V', true);
    EXPECT_EQ(WindowText(box), L"Bo" + rest) << "Ctrl+V pastes the text";
    ::PostMessageW(box, WM_CHAR, L'z', 1);
    RunUntilIdle();
    EXPECT_EQ(WindowText(box), L"Boz" + rest) << "a typed letter goes into the name";
    EXPECT_EQ(SelectedFile(*List()), L"Outil.txt") << "type-ahead left the selection alone";
    EXPECT_TRUE(SawDialogs(answerer.Seen(), 0)) << "Delete asked to remove, or Ctrl+V to add";
    EXPECT_EQ(readings.Count(), 0) << "F5 read the folder";

    Press(box, VK_RETURN);
    EXPECT_TRUE(SawDialogs(answerer.Seen(), 0)) << "Enter asked to launch";
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::wstring>{L"Bozutil.txt", L"Zèbre.txt"}));
}

TEST_F(RenameTest, OtherProgramsChangesWaitForTheBoxToClose) {
    folder.Touch(L"Outil.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    WatchedChanges changes(folder.Path());
    folder.Touch(L"Arrivé.txt");
    changes.SettleWithWatch();
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
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        folder.Touch(L"Outil.txt");
        folder.Touch(L"Zèbre.txt");
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, L"Nouveau.txt");
        const win::UniqueFile held = c.meanwhile(folder.Path(L"Outil.txt"));
        DialogAnswerer answerer({Action::Ok});
        Press(box, VK_RETURN);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
        const std::wstring& text = answerer.Seen()[0].text;
        EXPECT_EQ(text.rfind(refused, 0), 0u) << testing::PrintToString(text);
        EXPECT_GT(text.size(), refused.size()) << "the platform's reason is not shown";
        EXPECT_EQ(Box(), nullptr);
        EXPECT_EQ(FolderNames(folder.Path()), c.left);
        EXPECT_EQ(ListedFileNames(*List()), c.left) << "the list was not read again";
    };
    for (const Case& c : cases) checkRow(c);
}

// The shell hears of each rename once, from the old full path to the new,
// and of nothing when the file kept its name.
TEST_F(RenameTest, TheShellHearsOfEachRenameOnce) {
    struct Case {
        const char* label;
        std::wstring typed;  // typed as the list shows it
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
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        EmptyFolder(folder.Path());
        const std::wstring path = folder.Touch(L"Outil.txt");
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, ShownName(c.typed).c_str());
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
    };
    for (const Case& c : cases) checkRow(c);
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
    RunUntilIdle();
    EXPECT_EQ(Box(), nullptr);
    ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
    EXPECT_EQ(answerer.Seen()[0].text.rfind(kAddQuestion, 0), 0u);
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Outil.txt"});
}

// A right-click elsewhere commits first, then opens the list's menu; one in
// the box opens the box's own menu and leaves the edit going.
TEST_F(RenameTest, ARightClickElsewhereRenamesThenOpensTheMenuOneInTheBoxKeepsEditing) {
    folder.Touch(L"Outil.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    ::SetWindowTextW(box, ShownName(L"Nouveau.txt").c_str());
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
    RunUntilIdle();
    EXPECT_GE(driver.Openings(), 1);
    EXPECT_TRUE(renamedBeforeTheMenu);
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Nouveau.txt"});
}

// Opened at 144 dpi, or open while the window moves there.
TEST_F(RenameTest, At144DpiTheBoxSitsOverTheEntrysTextInTheScaledFont) {
    folder.Touch(L"Outil.txt");
    const auto moveTo = [this](int dpi) { MoveUnaskedToMonitorOf(form->Handle(), form->PixelsPerInch(), dpi); };
    const auto checkRow = [&](const bool openFirst) {
        SCOPED_TRACE(openFirst ? "open while the window moves" : "opened there");
        HWND box = openFirst ? StartEditing(L"Outil.txt") : nullptr;
        moveTo(144);
        ASSERT_LT(List()->Font().Height(), TForm1::DesignListFontHeight) << "the list's font did not grow";
        if (!openFirst) box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(Box(), box);
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)), List()->Font().Handle());
        const RECT entry = ItemRectOf(ListWindow(), List()->ItemIndex());
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
    };
    for (const bool openFirst : {false, true}) checkRow(openFirst);
}

// The names as the system handles them: trailing dots and spaces dropped,
// the superscript device names reserved, an extension changed only once
// asked, a rename in case only through a name no file has, and never a move
// over another file.
namespace {

const std::wstring kExtensionQuestion =
    L"Si vous modifiez l'extension d'un nom de fichier, le fichier risque de devenir inutilisable.\r\n\r\n"
    L"Voulez-vous vraiment la modifier ?";
const std::wstring kExtensionQuestionUnlisted =
    kExtensionQuestion + L"\r\n\r\nSans extension, le fichier ne sera plus affiché dans cette liste.";

std::wstring Refused(const std::wstring& name, DWORD error) {
    return L"Impossible de renommer « " + name + L" » :\r\n\r\n" + SystemErrorText(error);
}

// What the stand-in does before a move, given the two file names: an error
// code to refuse it with, or 0 to pass it on to the system's move.
using MoveRule = std::function<DWORD(const std::wstring& from, const std::wstring& to)>;

// Stands in for the rename's move for the life of the object: records the
// flags of every move, and acts as the rule says.
class MovesByRule {
public:
    explicit MovesByRule(MoveRule rule) {
        rule_ = std::move(rule);
        flags_.clear();
    }
    ~MovesByRule() { rule_ = nullptr; }
    MovesByRule(const MovesByRule&) = delete;
    MovesByRule& operator=(const MovesByRule&) = delete;

    // The flags of the moves asked, in order.
    static const std::vector<DWORD>& Flags() noexcept { return flags_; }

private:
    static BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags) {
        flags_.push_back(flags);
        if (const DWORD error = rule_(FileNamePart(from), FileNamePart(to))) {
            ::SetLastError(error);
            return FALSE;
        }
        return SystemCalls().MoveFileExW(from, to, flags);
    }

    static inline MoveRule rule_;
    static inline std::vector<DWORD> flags_;
    TPlatformOverride<MoveFileFn> moving_{Platform().MoveFileExW, &Move};
};

void ExpectNoMoveReplaces() {
    EXPECT_FALSE(MovesByRule::Flags().empty()) << "no move went through the table of platform calls";
    for (const DWORD flags : MovesByRule::Flags()) EXPECT_EQ(flags & MOVEFILE_REPLACE_EXISTING, 0u);
}

}  // namespace

TEST_F(RenameTest, NamesAreCheckedAsTheSystemStoresThemWithItsReservedDeviceNames) {
    folder.Touch(L"Notes.txt");
    folder.Touch(L"Autre.txt");
    folder.Touch(L"Bloc-notes.lnk", "lien");
    List()->Update();
    struct Case {
        const wchar_t* file;
        const wchar_t* typed;
        const wchar_t* hiddenExtension;
        std::wstring problem;
    };
    const Case cases[] = {
        {L"Notes.txt", L"COM¹.txt", L"", Reserved(L"COM¹.txt")},
        {L"Notes.txt", L"com²", L"", Reserved(L"com²")},
        {L"Notes.txt", L"LPT³ .txt", L"", Reserved(L"LPT³ .txt")},
        {L"Bloc-notes.lnk", L"LPT³", L".lnk", Reserved(L"LPT³.lnk")},
        {L"Notes.txt", L"COM¹0.txt", L"", L""},
        {L"Notes.txt", L"Notes.txt.", L"", L""},
        {L"Notes.txt", L"notes.TXT . ", L"", L""},
        {L"Notes.txt", L"Autre.txt. ", L"", AlreadyThere(L"Autre.txt")},
        {L"Notes.txt", L"COM¹.txt. ", L"", Reserved(L"COM¹.txt")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.typed)));
        EXPECT_EQ(RenameProblem(*List(), c.file, c.typed, std::wstring(c.typed) + c.hiddenExtension), c.problem);
    }
}

TEST_F(RenameTest, ChangingTheShownExtensionAsksFirstAfterTheNamesOwnProblems) {
    struct Case {
        const char* label;
        std::wstring file;  // the entry edited, made with its file name as content
        std::wstring typed;
        Action answer;
        std::vector<std::wstring> seen;  // the texts of the dialogs, in order
        bool boxStays;                   // with the name typed, the file left as it was
        std::vector<std::wstring> after;
        std::wstring selected;  // the entry selected once the box closed
    };
    const std::vector<std::wstring> untouched = {L"Autre.txt=Autre.txt", L"ext.txt=ext.txt"};
    std::vector<Case> cases = {
        {"unchanged", L"ext.txt", ShownName(L"Nouveau.txt"), Action::Ok, {}, false,
         {L"Autre.txt=Autre.txt", L"Nouveau.txt=ext.txt"}, L"Nouveau.txt"},
        {"a shortcut's hidden extension", L"Bloc-notes.lnk", L"Bloc.notes", Action::Ok, {}, false,
         {L"Autre.txt=Autre.txt", L"Bloc.notes.lnk=lien"}, L"Bloc.notes.lnk"},
        {"a forbidden character is said, and nothing asked", L"ext.txt", L"bi?dule", Action::Ok, {kBadCharacters},
         true, untouched, L"ext.txt"},
    };
    // The shell shows a text file's extension only where extensions are
    // shown: only there can the user change it. Where it is hidden, it
    // stays behind whatever is typed.
    const std::vector<Case> shownOnly = {
        {"removed, OK, extensions shown", L"ext.txt", L"bidule", Action::Ok, {kExtensionQuestionUnlisted}, false,
         {L"Autre.txt=Autre.txt", L"bidule=ext.txt"}, L"(none)"},
        {"removed, Cancel, extensions shown", L"ext.txt", L"bidule", Action::Cancel, {kExtensionQuestionUnlisted},
         true, untouched, L"ext.txt"},
        {"removed by a trailing dot, extensions shown", L"ext.txt", L"bidule.", Action::Cancel,
         {kExtensionQuestionUnlisted}, true, untouched, L"ext.txt"},
        {"changed, OK, extensions shown", L"ext.txt", L"ext.md", Action::Ok, {kExtensionQuestion}, false,
         {L"Autre.txt=Autre.txt", L"ext.md=ext.txt"}, L"ext.md"},
        {"changed, Cancel, extensions shown", L"ext.txt", L"ext.md", Action::Cancel, {kExtensionQuestion}, true,
         untouched, L"ext.txt"},
        {"unchanged but for its case, extensions shown", L"ext.txt", L"ext.TXT", Action::Ok, {}, false,
         {L"Autre.txt=Autre.txt", L"ext.TXT=ext.txt"}, L"ext.TXT"},
        {"trailing dots and spaces dropped, extensions shown", L"ext.txt", L"Cible.txt. ", Action::Ok, {}, false,
         {L"Autre.txt=Autre.txt", L"Cible.txt=ext.txt"}, L"Cible.txt"},
        {"the file's own name and a dot, extensions shown", L"ext.txt", L"ext.txt.", Action::Ok, {}, false,
         untouched, L"ext.txt"},
    };
    const std::vector<Case> hiddenOnly = {
        {"no extension typed keeps the hidden one, nothing asked, extensions hidden", L"ext.txt", L"bidule",
         Action::Cancel, {}, false, {L"Autre.txt=Autre.txt", L"bidule.txt=ext.txt"}, L"bidule.txt"},
        {"another extension typed goes before the hidden one, nothing asked, extensions hidden", L"ext.txt",
         L"ext.md", Action::Cancel, {}, false, {L"Autre.txt=Autre.txt", L"ext.md.txt=ext.txt"}, L"ext.md.txt"},
    };
    const std::vector<Case>& forTheSetting = ExtensionsHidden() ? hiddenOnly : shownOnly;
    cases.insert(cases.end(), forTheSetting.begin(), forTheSetting.end());
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        EmptyFolder(folder.Path());
        folder.Touch(L"Autre.txt", "Autre.txt");
        folder.Touch(c.file, c.file.ends_with(L".lnk") ? "lien" : std::string(c.file.begin(), c.file.end()));
        HWND box = StartEditing(c.file);
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, c.typed.c_str());
        DialogAnswerer answerer({c.answer});
        Press(box, VK_RETURN);
        EXPECT_EQ(Texts(answerer.Seen()), c.seen);
        EXPECT_EQ(Box(), c.boxStays ? box : nullptr);
        if (Box()) {
            EXPECT_EQ(WindowText(box), c.typed);
            EXPECT_EQ(::GetFocus(), box);
            Press(box, VK_ESCAPE);
        }
        EXPECT_EQ(FolderContents(folder.Path()), c.after);
        EXPECT_EQ(SelectedFile(*List()), c.selected);
    };
    for (const Case& c : cases) checkRow(c);
}

// The platform here takes the file itself for a file in the way, so the
// rename in case only goes through a name in between on every system.
TEST_F(RenameTest, ACaseOnlyRenameGoesThroughANameNoFileHasAndSaysWhereItLeftTheFile) {
    const std::wstring aside = L"Casse.txt.~renommage";
    struct Case {
        const char* label;
        bool bystander;       // a file already at the first name in between
        bool refuseSecond;    // the move from the name in between to the new name
        bool refuseWayBack;   // the move from the name in between to the old name
        std::vector<std::wstring> seen;  // the texts of the dialogs, in order
        std::vector<std::wstring> after;
        std::wstring selected;
    };
    const Case cases[] = {
        {"a file at the name in between", true, false, false, {},
         {L"Casse.txt=casse", aside + L"=autre"}, L"Casse.txt"},
        {"the second step refused", false, true, false, {Refused(L"casse.txt", ERROR_ACCESS_DENIED)},
         {L"casse.txt=casse"}, L"casse.txt"},
        {"the second step and the way back refused", false, true, true,
         {Refused(L"casse.txt", ERROR_ACCESS_DENIED) + L"\r\n\r\nLe fichier porte maintenant le nom « " + aside +
          L" »."},
         {aside + L"=casse"}, L"(none)"},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        EmptyFolder(folder.Path());
        folder.Touch(L"casse.txt", "casse");
        if (c.bystander) folder.Touch(aside, "autre");
        MovesByRule moves([&c](const std::wstring& from, const std::wstring& to) -> DWORD {
            if (from == L"casse.txt" && to == L"Casse.txt") return ERROR_ALREADY_EXISTS;
            if (to == L"Casse.txt" && c.refuseSecond) return ERROR_ACCESS_DENIED;
            if (to == L"casse.txt" && c.refuseWayBack) return ERROR_ACCESS_DENIED;
            return 0;
        });
        HWND box = StartEditing(L"casse.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, ShownName(L"Casse.txt").c_str());
        DialogAnswerer answerer({Action::Ok});
        Press(box, VK_RETURN);
        EXPECT_EQ(Texts(answerer.Seen()), c.seen);
        EXPECT_EQ(Box(), nullptr);
        EXPECT_EQ(FolderContents(folder.Path()), c.after);
        EXPECT_EQ(SelectedFile(*List()), c.selected);
        ExpectNoMoveReplaces();
    };
    for (const Case& c : cases) checkRow(c);
}

// Another program makes a file of the new name between the check and the
// move: that file stays as it was, and the box asks for another name.
TEST_F(RenameTest, AFileMadeJustBeforeTheMoveIsNeverReplaced) {
    folder.Touch(L"Outil.txt", "Outil.txt");
    MovesByRule moves([this](const std::wstring&, const std::wstring& to) -> DWORD {
        folder.Touch(to, "l'autre programme");
        return 0;
    });
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    const std::wstring typed = ShownName(L"Nouveau.txt");
    ::SetWindowTextW(box, typed.c_str());
    DialogAnswerer answerer({Action::Ok});
    Press(box, VK_RETURN);
    EXPECT_EQ(Texts(answerer.Seen()), std::vector<std::wstring>{AlreadyThere(L"Nouveau.txt")});
    EXPECT_EQ(Box(), box) << "the box closed";
    if (Box()) {
        EXPECT_EQ(WindowText(box), typed);
        Press(box, VK_ESCAPE);
    }
    EXPECT_EQ(FolderContents(folder.Path()),
              (std::vector<std::wstring>{L"Nouveau.txt=l'autre programme", L"Outil.txt=Outil.txt"}));
    ExpectNoMoveReplaces();
}

// The box in sight over its entry, the click that ends an edit, the list's
// painting around the box, an input method's composition, held keys, and a
// rename the platform refuses read again by the program itself.

namespace {

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void PostClick(HWND list, POINT at, bool doubleClick) {
    const LPARAM where = MAKELPARAM(at.x, at.y);
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
    ::PostMessageW(list, WM_LBUTTONUP, 0, where);
    if (!doubleClick) return;
    ::PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    ::PostMessageW(list, WM_LBUTTONUP, 0, where);
}

class BoxInPlaceTest : public RenameTest {
protected:
    RECT EntryRect(const std::wstring& fileName) const {
        const std::vector<std::wstring> names = ListedFileNames(*List());
        return ItemRectOf(ListWindow(),
                          static_cast<int>(std::find(names.begin(), names.end(), fileName) - names.begin()));
    }

    // The box lies wholly inside the list's client area, over the selected
    // entry's text.
    void ExpectBoxInSightOverTheSelectedEntry(HWND box) const {
        RECT placed{};
        ::GetWindowRect(box, &placed);
        ::MapWindowPoints(HWND_DESKTOP, ListWindow(), reinterpret_cast<POINT*>(&placed), 2);
        const RECT client = ClientRectOf(ListWindow());
        EXPECT_GE(placed.left, client.left) << "the box is out of sight";
        EXPECT_GE(placed.top, client.top) << "the box is out of sight";
        EXPECT_LE(placed.right, client.right) << "the box is out of sight";
        EXPECT_LE(placed.bottom, client.bottom) << "the box is out of sight";
        const RECT entry = ItemRectOf(ListWindow(), List()->ItemIndex());
        EXPECT_GT(placed.left, entry.left) << "the box is not over its entry";
        EXPECT_EQ(placed.right, entry.right) << "the box is not over its entry";
        EXPECT_LE(placed.top, Centre(entry).y) << "the box is not over its entry";
        EXPECT_GE(placed.bottom, Centre(entry).y) << "the box is not over its entry";
    }
};

// The folder watch's change handle never signals: only the program's own
// readings can update the list.
HANDLE WINAPI NeverSignalled(LPCWSTR, BOOL, DWORD) { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
BOOL WINAPI RearmedNeverSignalled(HANDLE) { return TRUE; }

class UnwatchedRenameTest : public RenameTest {
    TPlatformOverride<FirstChangeFn> first_{Platform().FindFirstChangeNotificationW, &NeverSignalled};
    TPlatformOverride<NextChangeFn> next_{Platform().FindNextChangeNotification, &RearmedNeverSignalled};
};

// An input method that still composes the end of "Nouveau.txt" as the list
// shows it: completed, it gives its result to the box it composes for.
struct ImeCall {
    bool context;
    DWORD action;
    DWORD index;
    DWORD value;
};
HWND composingBox = nullptr;
std::vector<ImeCall> imeCalls;

BOOL WINAPI CompleteComposing(HIMC context, DWORD action, DWORD index, DWORD value) {
    imeCalls.push_back({context != nullptr, action, index, value});
    ::SendMessageW(composingBox, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(ShownName(L"au.txt").c_str()));
    return TRUE;
}

}  // namespace

// F2 brings an entry that the user scrolled away from into sight before the
// box opens over it, and the box stays over it, in sight, while the window's
// size makes the columns flow again.
TEST_F(BoxInPlaceTest, F2OnAnEntryOutOfSightScrollsToItAndTheBoxFollowsItThroughResizes) {
    for (int i = 0; i < 80; ++i) folder.Touch(L"m" + std::to_wstring(100 + i) + L".txt");
    folder.Touch(L"Aaa.txt");
    const SIZE designed{form->ClientWidth(), form->ClientHeight()};
    const struct {
        const char* label;
        const wchar_t* file;
        WORD scroll;
    } cases[] = {
        {"the first entry, the list at its last column", L"Aaa.txt", SB_RIGHT},
        {"an entry in the middle, the list at its first column", L"m140.txt", SB_LEFT},
    };
    const struct {
        const char* label;
        SIZE client;
    } sizes[] = {
        {"shorter: more columns", {designed.cx, designed.cy / 2}},
        {"wider and taller: fewer, wider columns", {designed.cx * 2, designed.cy * 2}},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        List()->Update();
        Select(c.file);
        ::SendMessageW(ListWindow(), WM_HSCROLL, c.scroll, 0);
        RECT shown{};
        const RECT client = ClientRectOf(ListWindow());
        const RECT entry = EntryRect(c.file);
        ASSERT_FALSE(::IntersectRect(&shown, &entry, &client)) << "the entry is still in sight";
        Press(ListWindow(), VK_F2);
        HWND box = Box();
        ASSERT_NE(box, nullptr);
        ExpectBoxInSightOverTheSelectedEntry(box);
        for (const auto& size : sizes) {
            SCOPED_TRACE(size.label);
            form->SetClientSize(size.client.cx, size.client.cy);
            ExpectBoxInSightOverTheSelectedEntry(box);
        }
        EXPECT_EQ(Box(), box);
        EXPECT_EQ(::GetFocus(), box);
        Press(box, VK_ESCAPE);
        form->SetClientSize(designed.cx, designed.cy);
    };
    for (const auto& c : cases) checkRow(c);
}

// The click that ends an edit is about the entry that was under the pointer,
// wherever the re-sort takes it; the double-click it begins launches that
// entry, or nothing when the click was on no entry.
TEST_F(BoxInPlaceTest, TheClickThatEndsAnEditActsOnTheEntryThatWasUnderThePointer) {
    const struct {
        const char* label;
        const wchar_t* clicked;  // empty: a point on no entry
        bool doubleClick;
        std::wstring selected;
        std::vector<std::wstring> questions;
    } cases[] = {
        {"a click on another entry", L"m.txt", false, L"m.txt", {}},
        {"a double-click on another entry", L"m.txt", true, L"m.txt", {L"Lancer " + ShownName(L"m.txt")}},
        {"a double-click on no entry", L"", true, L"z.txt", {}},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        EmptyFolder(folder.Path());
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"m.txt", L"n.txt"}) folder.Touch(name);
        HWND box = StartEditing(L"a.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, ShownName(L"z.txt").c_str());
        const RECT client = ClientRectOf(ListWindow());
        const POINT at = *c.clicked ? Centre(EntryRect(c.clicked)) : POINT{client.right - 3, client.bottom - 3};
        DialogAnswerer answerer({Action::Cancel});
        PostClick(ListWindow(), at, c.doubleClick);
        RunUntilIdle();
        EXPECT_EQ(Box(), nullptr);
        EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::wstring>{L"b.txt", L"m.txt", L"n.txt", L"z.txt"}));
        EXPECT_EQ(SelectedFile(*List()), c.selected);
        EXPECT_EQ(Texts(answerer.Seen()), c.questions);
        EXPECT_TRUE(ShellCalls().empty());
    };
    for (const auto& c : cases) checkRow(c);
}

// After a refused name, with the message answered, the box shows what was
// typed: the list's painting of the selected entry beneath it (the
// highlight colour, which the box, holding no selection, never paints)
// stays beneath it. On the way the list painted its entry as it took the
// focus and gave it back to the box; Wine's themed edit then repaints
// itself whole, which Windows need not do, so the list paints alone once
// more before the box's pixels are read.
TEST_F(BoxInPlaceTest, TheListNeverPaintsOverTheOpenBox) {
    folder.Touch(L"Outil.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    const std::wstring typed = L"Ou?til.txt";
    ::SetWindowTextW(box, typed.c_str());
    ::SendMessageW(box, EM_SETSEL, typed.size(), static_cast<LPARAM>(typed.size()));
    {
        DialogAnswerer answerer({Action::Ok});
        Press(box, VK_RETURN);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
    }
    ASSERT_EQ(Box(), box);
    ASSERT_TRUE(RunMainLoopUntil(
        [&] {
            return ::GetFocus() == box && ::IsWindowEnabled(form->Handle()) &&
                   !::GetUpdateRect(ListWindow(), nullptr, FALSE) && !::GetUpdateRect(box, nullptr, FALSE);
        },
        3000))
        << "the box did not take the focus back and paint";
    ::RedrawWindow(ListWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
    const RECT all = ClientRectOf(box);
    Surface shot(all.right, all.bottom);
    shot.CopyClient(box);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_EQ(shot.Count(all, [&](COLORREF c) { return c == highlight; }), 0) << "the list painted its entry over the box";
    EXPECT_GT(shot.Count(all, [&](COLORREF c) { return c == text; }), 0) << "the box shows no text";
}

// Text that an input method still composes is part of the name: the
// composition is completed before the box's text is read, whatever ends the
// edit.
TEST_F(BoxInPlaceTest, WhatAnInputMethodStillComposesIsCompletedBeforeTheNameIsRead) {
    const struct {
        const char* label;
        std::function<void(HWND box)> end;
    } cases[] = {
        {"a click on no entry",
         [this](HWND) {
             const RECT client = ClientRectOf(ListWindow());
             PostClick(ListWindow(), {client.right - 3, client.bottom - 3}, false);
         }},
        // Over the list, where the wheel goes to the window under the pointer.
        {"the wheel", [this](HWND) { ::PostMessageW(ListWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0); }},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        EmptyFolder(folder.Path());
        folder.Touch(L"Outil.txt");
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        ::SetWindowTextW(box, L"Nouve");
        ::SendMessageW(box, EM_SETSEL, 5, 5);
        composingBox = box;
        imeCalls.clear();
        const TPlatformOverride composing(Platform().ImmNotifyIME, &CompleteComposing);
        c.end(box);
        EXPECT_TRUE(RunMainLoopUntil([&] { return Box() == nullptr; }, 3000)) << "the edit did not end";
        ASSERT_EQ(imeCalls.size(), 1u);
        EXPECT_TRUE(imeCalls[0].context) << "no input context";
        EXPECT_EQ(imeCalls[0].action, static_cast<DWORD>(NI_COMPOSITIONSTR));
        EXPECT_EQ(imeCalls[0].index, static_cast<DWORD>(CPS_COMPLETE));
        EXPECT_EQ(imeCalls[0].value, 0u);
        EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Nouveau.txt"});
    };
    for (const auto& c : cases) checkRow(c);
}

// A held key acts once per press: held Enter asks once about a refused name
// (its repeats neither answer the message nor ask again), and the repeats of
// the Esc that answered the message do not close the box.
TEST_F(BoxInPlaceTest, AHeldEnterOrEscapeInTheBoxActsOncePerPress) {
    // The message has a single OK: it tells a repeat's answer from the click
    // by being still up once its own loop has read the repeats.
    bool upThroughTheRepeats = false;
    const auto heldEnterThenOk = [&upThroughTheRepeats](HWND question) {
        for (int i = 0; i < 5; ++i) PostHeldKey(FocusIn(question), VK_RETURN);
        OnceHandled([&upThroughTheRepeats, question] {
            upThroughTheRepeats = ::IsWindow(question) && ::IsWindowVisible(question);
            DialogAnswerer::ClickButton(question, L"OK");
        });
    };
    const struct {
        const char* label;
        UINT key;
        Action answer;
        bool repeatsInTheMessage;
    } cases[] = {
        {"Enter held", VK_RETURN, Action::Custom, true},
        {"Escape held, its press answering the message", VK_ESCAPE, Action::Escape, false},
    };
    folder.Touch(L"Outil.txt");
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        upThroughTheRepeats = false;
        HWND box = StartEditing(L"Outil.txt");
        ASSERT_NE(box, nullptr);
        const std::wstring typed = L"Ou?til.txt";
        ::SetWindowTextW(box, typed.c_str());
        DialogAnswerer answerer({c.answer}, heldEnterThenOk);
        DialogAnswerer::PostKey(box, VK_RETURN);
        ASSERT_TRUE(RunMainLoopUntil(
            [&] { return answerer.Seen().size() == 1 && ::IsWindowEnabled(form->Handle()) && ::GetFocus() == box; },
            3000))
            << "the message was not answered";
        ForgetOnceHandled();
        EXPECT_EQ(upThroughTheRepeats, c.repeatsInTheMessage) << "a repeat answered the message";
        for (int i = 0; i < 5; ++i) PostHeldKey(box, c.key);
        RunUntilIdle();
        EXPECT_FALSE(answerer.Seen().size() > 1 || Box() != box) << "a repeat asked again or closed the box";
        EXPECT_EQ(answerer.Seen().size(), 1u);
        ASSERT_EQ(Box(), box);
        EXPECT_EQ(WindowText(box), typed);
        Press(box, VK_ESCAPE);
        EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Outil.txt"});
    };
    for (const auto& c : cases) checkRow(c);
}

// The platform refuses the rename (the file went meanwhile): the program
// reads the folder again by itself, with no change notice to prompt it.
TEST_F(UnwatchedRenameTest, ARenameThePlatformRefusesReadsTheFolderAgainByItself) {
    folder.Touch(L"Outil.txt");
    folder.Touch(L"Zèbre.txt");
    HWND box = StartEditing(L"Outil.txt");
    ASSERT_NE(box, nullptr);
    ::SetWindowTextW(box, L"Nouveau.txt");
    ASSERT_TRUE(::DeleteFileW(folder.Path(L"Outil.txt").c_str()));
    DialogAnswerer answerer({Action::Ok});
    Press(box, VK_RETURN);
    ASSERT_TRUE(SawDialogs(answerer.Seen(), 1u));
    EXPECT_EQ(Box(), nullptr);
    EXPECT_TRUE(RunMainLoopUntil(
        [&] { return ListedFileNames(*List()) == std::vector<std::wstring>{L"Zèbre.txt"}; }, 3000))
        << "the list was not read again";
}
