// The folder commands and the context menu, driven through real messages on
// the main window, with the dialogs answered and the shell call recorded.
#include "application.h"
#include "exceptions.h"
#include "folder_commands.h"
#include "image_list.h"
#include "main_form.h"
#include "menu_hotkeys.h"
#include "platform_calls.h"
#include "popup_menu.h"
#include "screen.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "shell_helpers.h"
#include "list_fixtures.h"
#include "test_support.h"
#include "ux_theme.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Action = DialogAnswerer::Action;

class CommandsTest : public MainFormTest {
protected:
    // The screen point of a point in the list's client area.
    POINT OnScreen(POINT client) const {
        ::ClientToScreen(List()->Handle(), &client);
        return client;
    }

    POINT EntryCentre(int index) const {
        const RECT r = ItemRectOf(ListWindow(), index);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    void SendContextMenu(POINT screen) {
        ::SendMessageW(ListWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListWindow()),
                       MAKELPARAM(screen.x, screen.y));
    }

    // Runs Lancer, then Supprimer, on the selected entry with the answers
    // given; both questions name the entry as `shown`.
    void LaunchThenRemove(std::vector<Action> answers, const std::wstring& shown) {
        DialogAnswerer answerer(std::move(answers));
        form->mnu_LANCERClick(nullptr);
        form->Supprimer1Click(nullptr);
        ASSERT_TRUE(SawDialogs(answerer.Seen(), 2u));
        EXPECT_EQ(answerer.Seen()[0].text, L"Lancer " + shown);
        EXPECT_EQ(answerer.Seen()[1].text, kRemoveQuestion + shown);
    }

    std::vector<std::wstring> Captions() const {
        std::vector<std::wstring> captions;
        for (TMenuItem* item : form->PopupMenu1->Items()) captions.push_back(item->Caption());
        return captions;
    }
};

void ExpectOpened(const ShellCall& call, HWND owner, const std::wstring& path) {
    EXPECT_EQ(call.owner, owner);
    EXPECT_EQ(call.verb, L"OPEN");
    EXPECT_EQ(call.file, path);
    EXPECT_TRUE(call.noParameters);
    EXPECT_TRUE(call.noDirectory);
    EXPECT_EQ(call.show, SW_SHOWNORMAL);
}

// ---- Commands ----------------------------------------------------------------

TEST_F(CommandsTest, LaunchAsksThenOpensTheSelectedEntry) {
    folder.Touch(L"Notes.txt");
    const std::wstring link = folder.MakeShortcut(L"Bloc-notes", L"C:\\windows\\notepad.exe");
    List()->Update();

    struct Case {
        const char* label;
        const wchar_t* select;  // entry file name, or null for none
        Action answer;
        std::wstring text;
        bool opened;
    };
    const Case cases[] = {
        {"nothing selected", nullptr, Action::Ok, L"Pas de fichier à lancer", false},
        {"cancelled", L"Bloc-notes.lnk", Action::Cancel, L"Lancer Bloc-notes", false},
        {"confirmed", L"Bloc-notes.lnk", Action::Ok, L"Lancer Bloc-notes", true},
        {"dismissed", L"Notes.txt", Action::Escape, L"Lancer " + ShownName(L"Notes.txt"), false},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        if (c.select) Select(c.select); else List()->SetItemIndex(-1);
        DialogAnswerer answers({c.answer});
        form->mnu_LANCERClick(nullptr);
        ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
        EXPECT_EQ(answers.Seen()[0].text, c.text);
        if (!c.select) {
            EXPECT_EQ(answers.Seen()[0].buttons, std::vector<std::wstring>{L"OK"});
        }
        ASSERT_EQ(ShellCalls().size(), c.opened ? 1u : 0u);
        if (c.opened) ExpectOpened(ShellCalls()[0], form->Handle(), link);
    };
    for (const Case& c : cases) checkRow(c);
}

TEST_F(CommandsTest, RemoveRecyclesAfterConfirmationAndOffersTheFolder) {
    struct Case {
        const char* label;
        bool select;
        bool goneBefore;  // the file went away behind the list's back
        std::vector<Action> answers;
        std::vector<std::wstring> texts;
        bool removed;
        bool reread;
        bool folderOpened;
    };
    const std::wstring question = kRemoveQuestion + L"Outil";
    const Case cases[] = {
        {"nothing selected", false, false, {Action::Ok}, {L"Pas de fichier à supprimer"}, false, false, false},
        {"cancelled", true, false, {Action::Cancel}, {question}, false, false, false},
        {"confirmed, folder declined", true, false, {Action::Ok, Action::Cancel}, {question, kRemoveByHand},
         true, true, false},
        {"confirmed, folder opened", true, false, {Action::Ok, Action::Ok}, {question, kRemoveByHand}, true, true,
         true},
        {"file already gone", true, true, {Action::Ok, Action::Ok}, {question, kRemoveByHand}, true, true, true},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        const NewEntriesRemoved rowFiles(folder.Path());
        const std::wstring link = folder.MakeShortcut(L"Outil", L"C:\\windows\\notepad.exe");
        // Same name without ".lnk": must survive the removal of the shortcut.
        const std::wstring lookAlike = folder.Touch(L"Outil", "keep");
        List()->Update();
        if (c.select) Select(L"Outil.lnk"); else List()->SetItemIndex(-1);
        if (c.goneBefore) ::DeleteFileW(link.c_str());
        // Shows whether the list was read again.
        const std::wstring added = folder.Touch(L"Ajout.txt");

        DialogAnswerer answers(c.answers);
        form->Supprimer1Click(nullptr);

        ASSERT_TRUE(SawDialogs(answers.Seen(), c.texts.size()));
        for (size_t i = 0; i < c.texts.size(); ++i) EXPECT_EQ(answers.Seen()[i].text, c.texts[i]);
        EXPECT_EQ(!FileExists(link), c.removed);
        EXPECT_EQ(ReadFileBytes(lookAlike), "keep");
        const std::vector<std::wstring> listed = ListedFileNames(*List());
        EXPECT_EQ(std::find(listed.begin(), listed.end(), L"Ajout.txt") != listed.end(), c.reread);
        if (c.reread) {
            EXPECT_EQ(List()->ItemIndex(), -1);
        }
        ASSERT_EQ(ShellCalls().size(), c.folderOpened ? 1u : 0u);
        if (c.folderOpened) ExpectOpened(ShellCalls()[0], form->Handle(), folder.Path());
    };
    for (const Case& c : cases) checkRow(c);
}

// The command acts on the file asked about, not on the entry at its place in
// the list read again meanwhile; a file gone meanwhile is not opened, and
// nothing else goes in its place.
TEST_F(CommandsTest, LaunchAndRemoveActOnTheFileAskedAboutWhateverTheListDidDuringTheQuestion) {
    struct Case {
        const char* label;
        bool launch;      // Lancer, else Supprimer
        bool entryGone;   // else a file that lists before it comes
        std::vector<std::wstring> left;
        bool opened;
    };
    const Case cases[] = {
        {"Lancer, a file listed before it", true, false, {L"Aaa.txt", L"Outil.txt", L"Zut.txt"}, true},
        {"Lancer, the entry gone", true, true, {L"Zut.txt"}, false},
        {"Supprimer, a file listed before it", false, false, {L"Aaa.txt", L"Zut.txt"}, false},
        {"Supprimer, the entry gone", false, true, {L"Zut.txt"}, false},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        const NewEntriesRemoved rowFiles(folder.Path());
        const std::wstring asked = folder.Touch(L"Outil.txt");
        folder.Touch(L"Zut.txt");
        List()->Update();
        Select(L"Outil.txt");
        std::vector<Action> answers{Action::Custom};
        if (!c.launch) answers.push_back(Action::Cancel);
        DialogAnswerer answerer(answers, [&](HWND question) {
            if (c.entryGone)
                ::DeleteFileW(asked.c_str());
            else
                folder.Touch(L"Aaa.txt");
            List()->Update();
            DialogAnswerer::ClickButton(question, L"OK");
        });
        if (c.launch)
            form->mnu_LANCERClick(nullptr);
        else
            form->Supprimer1Click(nullptr);
        const std::vector<std::wstring> texts =
            c.launch ? std::vector<std::wstring>{L"Lancer " + ShownName(L"Outil.txt")}
                     : std::vector<std::wstring>{kRemoveQuestion + ShownName(L"Outil.txt"), kRemoveByHand};
        ASSERT_TRUE(SawDialogs(answerer.Seen(), texts.size()));
        for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(answerer.Seen()[i].text, texts[i]);
        EXPECT_EQ(FolderNames(folder.Path()), c.left);
        ASSERT_EQ(ShellCalls().size(), c.opened ? 1u : 0u);
        if (c.opened) ExpectOpened(ShellCalls()[0], form->Handle(), asked);
    };
    for (const Case& c : cases) checkRow(c);
}

// One question at a time: a drop while any modal window of the program is up
// (a question, the error box, the open menu) is released and asks nothing,
// and what was up carries on as if no drop had come.
TEST_F(CommandsTest, ADropWhileAModalWindowIsUpIsReleasedAndAsksNothing) {
    folder.Touch(L"Outil.txt");
    List()->Update();
    TempFolder outside;
    const std::wstring source = outside.Touch(L"Déposé.txt");
    struct Case {
        const char* label;
        // Puts the modal window up, runs `whileUp` from inside it, closes it;
        // the dialogs shown are `expected`.
        std::function<void(const std::function<void()>& whileUp)> run;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"the launch question",
         [&](const std::function<void()>&) {
             Select(L"Outil.txt");
             form->mnu_LANCERClick(nullptr);
         },
         {L"Lancer " + ShownName(L"Outil.txt")}},
        {"the remove question",
         [&](const std::function<void()>&) {
             Select(L"Outil.txt");
             form->Supprimer1Click(nullptr);
         },
         {kRemoveQuestion + ShownName(L"Outil.txt")}},
        {"the error box",
         [&](const std::function<void()>&) {
             Application->ShowException(std::make_exception_ptr(Exception(L"Échec")));
         },
         {L"Échec."}},
        {"the open menu",
         [&](const std::function<void()>& whileUp) {
             MenuDriver driver([&](HWND menu) {
                 whileUp();
                 MenuDriver::Close(menu);
             });
             SendContextMenu(OnScreen({2, 2}));
             EXPECT_TRUE(PumpUntil([&] { return driver.Openings() == 1 && Application->ModalLevel() == 0; }))
                 << "the menu did not open once and close";
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        const WatchedDrop drop({source}, {4, 4});
        bool released = false;
        const auto dropNow = [&] {
            ::PostMessageW(ListWindow(), WM_DROPFILES, drop.param(), 0);
            released = PumpUntil([&] { return !drop.Open(); }, 3000);
        };
        // A dialog is left with Annuler, after the drop.
        DialogAnswerer answers({Action::Custom}, [&](HWND dialog) {
            dropNow();
            if (!DialogAnswerer::ClickButton(dialog, L"Annuler")) DialogAnswerer::ClickButton(dialog, L"OK");
        });
        c.run(dropNow);
        EXPECT_TRUE(released) << "the drop was kept";
        EXPECT_EQ(Texts(answers.Seen()), c.expected);
        EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Outil.txt"}) << "the drop was copied";
        EXPECT_TRUE(ShellCalls().empty());
        EXPECT_EQ(Application->ModalLevel(), 0);
    }
}

// The shell as it is, except for one file it cannot name.
const std::wstring unnamed = L"Sans nom.txt";

DWORD_PTR WINAPI FailingFileInfo(LPCWSTR name, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
    if (name == unnamed) return 0;
    return ::SHGetFileInfoW(name, attributes, info, size, flags);
}

DWORD_PTR WINAPI EmptyNameFileInfo(LPCWSTR name, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
    const DWORD_PTR result = ::SHGetFileInfoW(name, attributes, info, size, flags);
    if (name == unnamed) info->szDisplayName[0] = L'\0';
    return result;
}

TEST_F(CommandsTest, AnEntryTheShellCannotNameShowsItsFileName) {
    struct Case {
        const char* label;
        ShellFileInfoFn shell;
    };
    const Case cases[] = {
        {"the shell fails", &FailingFileInfo},
        {"the shell gives an empty name", &EmptyNameFileInfo},
    };
    folder.MakeShortcut(L"Bloc-notes", L"C:\\windows\\notepad.exe");
    const std::wstring path = folder.Touch(unnamed);
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        {
            TPlatformOverride shell(Platform().SHGetFileInfoW, c.shell);
            List()->Update();
        }
        ASSERT_EQ(List()->Count(), 2);
        EXPECT_EQ(List()->ItemText(0), L"Bloc-notes") << "the other entries keep the shell's names";
        EXPECT_EQ(List()->ItemText(1), unnamed);

        Select(unnamed);
        LaunchThenRemove({Action::Ok, Action::Cancel}, unnamed);
        ASSERT_EQ(ShellCalls().size(), 1u);
        ExpectOpened(ShellCalls()[0], form->Handle(), path);
        EXPECT_TRUE(FileExists(path));
    };
    for (const Case& c : cases) checkRow(c);
}

// A path as the file system takes it, past MAX_PATH and device names.
std::wstring Verbatim(const std::wstring& path) { return L"\\\\?\\" + path; }

std::string Noise(size_t size) {
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<char>(state >> 16);
    }
    return bytes;
}

TEST_F(CommandsTest, HostileFolderContentsAreListedAskedAboutAndLeftAlone) {
    const std::map<std::wstring, std::string> written{
        {L"vide.lnk", ""},
        {L"bruit.lnk", Noise(700)},
        {L"\U0001F600 sourire \U00020000.txt", "hors du plan de base"},
        {L"e\u0301te\u0301 cafe\u0301.txt", "accents combinants"},
        {L"\u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627.txt", "de droite à gauche"},
        {L"CON.txt", "nom de périphérique"},
        {L" espace devant.txt", "espace"},
        {std::wstring(236, L'L') + L".txt", "long"},
        // Linux file systems hold 255 bytes a name: only a few characters
        // here may take two.
        {std::wstring(231, L'a') + L"éèêëà.lnk", Noise(64)},
    };
    for (const auto& [name, bytes] : written) MakeFile(Verbatim(folder.Path(name)), bytes);
    const std::wstring lost = folder.MakeShortcut(L"Perdu", L"C:\\nulle\\part\\absent.exe");
    folder.MakeFolder(L"sous-dossier.d");
    const std::wstring loop = folder.Path(L"boucle.d");
    // A loop back to the folder, where the platform makes one (Wine 8 only
    // says it did).
    const bool linked = ::CreateSymbolicLinkW(loop.c_str(), folder.Path().c_str(),
                                              SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */) != 0 &&
                        FileExists(loop);
    // scripts/test.sh lists every "not run: " line in its summary.
    if (!linked) std::printf("not run: the symbolic-link row: the platform made no symbolic link\n");

    std::map<std::wstring, std::string> before = written;
    before[L"Perdu.lnk"] = ReadFileBytes(lost);
    for (const auto& [name, bytes] : before) ASSERT_TRUE(FileExists(Verbatim(folder.Path(name)))) << name;

    List()->Update();
    std::vector<std::wstring> listed = ListedFileNames(*List());
    std::sort(listed.begin(), listed.end());
    std::vector<std::wstring> expected;
    for (const auto& entry : before) expected.push_back(entry.first);
    EXPECT_EQ(listed, expected) << "every file and nothing else";

    for (int i = 0; i < List()->Count(); ++i) {
        const std::wstring shown = List()->ItemText(i);
        SCOPED_TRACE(testing::Message() << i << ": " << List()->EntryFileName(i));
        EXPECT_FALSE(shown.empty());
        List()->SetItemIndex(i);
        LaunchThenRemove({Action::Cancel, Action::Cancel}, shown);
    }
    EXPECT_TRUE(ShellCalls().empty());
    for (const auto& [name, bytes] : before) {
        const std::wstring path = Verbatim(folder.Path(name));
        EXPECT_TRUE(FileExists(path)) << name;
        EXPECT_EQ(ReadFileBytes(path), bytes) << name;
        ::DeleteFileW(path.c_str());
    }
    if (linked) {
        EXPECT_TRUE(::RemoveDirectoryW(loop.c_str())) << "the link goes, not what it points at";
    }
}

TEST_F(CommandsTest, ExploreOpensTheSendToFolderAndRefreshRereads) {
    form->mnu_EXPLORE->Click();
    ASSERT_EQ(ShellCalls().size(), 1u);
    ExpectOpened(ShellCalls()[0], form->Handle(), folder.Path());

    EXPECT_EQ(List()->Count(), 0);
    folder.Touch(L"Nouveau.txt");
    form->Raffraichir1->Click();
    ASSERT_EQ(List()->Count(), 1);
    EXPECT_EQ(List()->EntryFileName(0), L"Nouveau.txt");
    EXPECT_EQ(ShellCalls().size(), 1u);
}

TEST_F(CommandsTest, DoubleClickRunsTheLaunchCommand) {
    folder.Touch(L"Lire.txt");
    List()->Update();
    ShowForm();
    const POINT p = EntryCentre(0);
    const LPARAM at = MAKELPARAM(p.x, p.y);
    DialogAnswerer answers({Action::Ok});
    ::PostMessageW(ListWindow(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(ListWindow(), WM_LBUTTONUP, 0, at);
    ::PostMessageW(ListWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageW(ListWindow(), WM_LBUTTONUP, 0, at);
    PumpUntilIdle();
    ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
    EXPECT_EQ(answers.Seen()[0].text, L"Lancer " + ShownName(L"Lire.txt"));
    ASSERT_EQ(ShellCalls().size(), 1u);
    ExpectOpened(ShellCalls()[0], form->Handle(), folder.Path(L"Lire.txt"));
}

// ---- Opening the menu ------------------------------------------------------------

TEST_F(CommandsTest, RightClickOpensTheMenuAtTheMouseWithoutChangingTheSelection) {
    folder.Touch(L"Premier.txt");
    folder.Touch(L"Second.txt");
    List()->Update();
    ShowForm();
    Select(L"Premier.txt");

    // A real right-click on the other entry: the platform makes it WM_CONTEXTMENU.
    const POINT p = EntryCentre(1);
    DialogAnswerer answers({Action::Cancel});
    MenuDriver driver([](HWND menu) { MenuDriver::TypeChar(menu, L'l'); });
    ::PostMessageW(ListWindow(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
    ::PostMessageW(ListWindow(), WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    PumpUntilIdle();

    ASSERT_EQ(driver.Openings(), 1);
    const POINT screen = OnScreen(p);
    EXPECT_EQ(driver.MenuRect().left, screen.x);
    EXPECT_EQ(driver.MenuRect().top, screen.y);
    EXPECT_EQ(form->PopupMenu1->PopupComponent(), List());
    EXPECT_EQ(List()->FileName(), folder.Path(L"Premier.txt"));
    // "L" chose Lancer, which asked about the entry selected before the click.
    ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
    EXPECT_EQ(answers.Seen()[0].text, L"Lancer " + ShownName(L"Premier.txt"));
}

// The keyboard opens the menu at the selected entry, brought into sight
// first, as the file browser does; at the list's corner when none is selected.
TEST_F(CommandsTest, KeyboardOpensTheMenuAtTheSelectedEntry) {
    for (int i = 0; i < 60; ++i) folder.Touch(L"Fichier" + std::to_wstring(100 + i) + L".txt");
    List()->Update();
    ShowForm();
    struct Press {
        const char* label;
        std::function<void(HWND)> press;
    };
    const Press presses[] = {
        {"menu key, as the platform reports it",
         [](HWND list) { ::PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1)); }},
        {"Shift+F10",
         [](HWND list) {
             const ModifiersHeld shift({VK_SHIFT});
             ::PostMessageW(list, WM_SYSKEYDOWN, VK_F10, 1);
             PumpUntilIdle();
         }},
    };
    struct Selection {
        const char* label;
        const wchar_t* file;  // null: none selected
    };
    const Selection selections[] = {
        {"an entry in sight", L"Fichier102.txt"},
        {"an entry scrolled out of sight", L"Fichier159.txt"},
        {"no entry", nullptr},
    };
    for (const Selection& selection : selections) {
        for (const Press& press : presses) {
            SCOPED_TRACE(std::string(selection.label) + ", " + press.label);
            ::SendMessageW(ListWindow(), LB_SETTOPINDEX, 0, 0);
            if (selection.file) Select(selection.file); else List()->SetItemIndex(-1);
            MenuDriver driver(&MenuDriver::Close);
            press.press(ListWindow());
            PumpUntilIdle();
            ASSERT_GE(driver.Openings(), 1);
            POINT expected = OnScreen({0, 0});
            if (selection.file) {
                const RECT entry = ItemRectOf(ListWindow(), List()->ItemIndex());
                const RECT client = ClientRectOf(ListWindow());
                EXPECT_TRUE(entry.left >= 0 && entry.right <= client.right) << "the entry is not in sight";
                expected = OnScreen({entry.left, entry.bottom});
            }
            EXPECT_EQ(driver.MenuRect().left, expected.x);
            EXPECT_EQ(driver.MenuRect().top, expected.y);
        }
    }
}

TEST_F(CommandsTest, ScrollBarRightClickDoesNotOpenTheMenu) {
    for (int i = 0; i < 60; ++i) folder.Touch(L"Fichier" + std::to_wstring(100 + i) + L".txt");
    List()->Update();
    ShowForm();
    RECT client{};
    ::GetClientRect(ListWindow(), &client);
    RECT window{};
    ::GetWindowRect(ListWindow(), &window);
    const POINT bottom = OnScreen({0, client.bottom});
    ASSERT_GT(window.bottom - bottom.y, 4) << "the list should show its horizontal scroll bar";

    // The platform may show a scroll-bar menu of its own: close whatever opens.
    MenuDriver driver(&MenuDriver::Close);
    SendContextMenu({bottom.x + 30, (bottom.y + window.bottom) / 2});
    PumpUntilIdle();
    EXPECT_EQ(form->PopupMenu1->PopupComponent(), nullptr);
    SendContextMenu(OnScreen({client.right - 2, client.bottom - 2}));  // empty area inside
    PumpUntilIdle();
    EXPECT_EQ(form->PopupMenu1->PopupComponent(), List());
}

TEST_F(CommandsTest, HotkeysAreAssignedOnceAndTypedKeysRunTheirCommand) {
    folder.Touch(L"Doc.txt");
    List()->Update();
    ShowForm();
    struct Case {
        const char* label;
        wchar_t key;
        size_t explorerCalls;  // of the recording shell
        bool launchAsked;
    };
    const Case cases[] = {
        {"E opens the folder", L'e', 1, false},
        {"upper-case L launches", L'L', 0, true},
        {"x does nothing", L'x', 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        Select(L"Doc.txt");
        DialogAnswerer answers({Action::Cancel});
        const wchar_t key = c.key;
        MenuDriver driver([key](HWND menu) {
            MenuDriver::TypeChar(menu, key);
            // Nothing matched: the menu stays until closed.
            ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
        });
        SendContextMenu(OnScreen({2, 2}));
        PumpUntilIdle();
        EXPECT_EQ(driver.Openings(), 1);
        EXPECT_EQ(ShellCalls().size(), c.explorerCalls);
        EXPECT_TRUE(SawDialogs(answers.Seen(), c.launchAsked ? 1u : 0u));
        EXPECT_EQ(Captions(),
                  (std::vector<std::wstring>{L"&Explorer", L"-", L"&Lancer", L"&Raffraichir", L"-", L"&Supprimer"}));
    }
}

TEST_F(CommandsTest, ExceptionInACommandIsReportedAndTheNextCommandWorks) {
    ShowForm();
    form->mnu_EXPLORE->OnClick = [](TComponent*) { throw Exception(L"Dossier introuvable"); };
    {
        DialogAnswerer answers({Action::Ok});
        MenuDriver driver([](HWND menu) { MenuDriver::TypeChar(menu, L'e'); });
        SendContextMenu(OnScreen({2, 2}));
        PumpUntilIdle();
        ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
        EXPECT_EQ(answers.Seen()[0].className, L"#32770");
        EXPECT_EQ(answers.Seen()[0].title, Application->Title());
        EXPECT_EQ(answers.Seen()[0].text, L"Dossier introuvable.");
    }
    folder.Touch(L"Après.txt");
    MenuDriver driver([](HWND menu) { MenuDriver::TypeChar(menu, L'r'); });
    SendContextMenu(OnScreen({2, 2}));
    PumpUntilIdle();
    ASSERT_EQ(List()->Count(), 1);
    EXPECT_EQ(List()->EntryFileName(0), L"Après.txt");
}

// ---- The menu's items ------------------------------------------------------------

class MenuTest : public testing::Test {
protected:
    TMenuItem* AddItem(const std::wstring& caption, bool visible = true, bool enabled = true) {
        auto* item = owner.Create<TMenuItem>();
        item->SetCaption(caption);
        item->SetVisible(visible);
        item->SetEnabled(enabled);
        menu->Add(item);
        return item;
    }
    std::vector<std::wstring> Shown() const {
        std::vector<std::wstring> captions;
        for (TMenuItem* item : menu->ShownItems()) captions.push_back(item->Caption());
        return captions;
    }

    TComponent owner{nullptr};
    TPopupMenu* menu = owner.Create<TPopupMenu>();
};

TEST_F(MenuTest, CommandIdentifiersAreTheLowestFree) {
    TMenuItem* a = AddItem(L"A");
    TMenuItem* b = AddItem(L"B");
    const UINT freed = a->Command();
    EXPECT_NE(freed, b->Command());
    owner.DestroyComponent(a);
    EXPECT_EQ(menu->Items().size(), 1u);
    EXPECT_EQ(AddItem(L"C")->Command(), freed);
}

TEST_F(MenuTest, HotkeysAndRedundantSeparators) {
    struct Case {
        const char* label;
        std::vector<std::wstring> captions;
        std::vector<std::wstring> shown;
    };
    const Case cases[] = {
        {"first letters", {L"Explorer", L"-", L"Lancer"}, {L"&Explorer", L"-", L"&Lancer"}},
        {"duplicate marks", {L"&Copier", L"&Coller"}, {L"&Copier", L"C&oller"}},
        {"kept where valid", {L"Cou&per", L"Copier"}, {L"Cou&per", L"&Copier"}},
        {"too few characters", {L"Ab", L"Ab", L"Ab"}, {L"&Ab", L"A&b", L"Ab"}},
        {"literal ampersand", {L"&&Sel", L"Poivre && sel"}, {L"&&&Sel", L"&Poivre && sel"}},
        {"invalid hotkey kept", {L"&!Bang", L"Été"}, {L"&!Bang", L"É&té"}},
        {"lines at the ends and doubled", {L"-", L"Un", L"-", L"-", L"Deux", L"-"}, {L"&Un", L"-", L"&Deux"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (TMenuItem* item : std::vector<TMenuItem*>(menu->Items())) owner.DestroyComponent(item);
        for (const auto& caption : c.captions) AddItem(caption);
        (void)menu->BuildMenu();
        EXPECT_EQ(Shown(), c.shown);
        (void)menu->BuildMenu();
        EXPECT_EQ(Shown(), c.shown) << "a second opening changes nothing";
    }
}

// The assignment itself, on captions alone: no menu, no window.
TEST(MenuHotkeys, MarkedCharactersAndAssignmentOnCaptionsAlone) {
    for (const auto& [caption, hotkey] : std::vector<std::pair<std::wstring, wchar_t>>{
             {L"Cou&per", L'p'}, {L"&&Sel", L'\0'}, {L"Sel && &poivre", L'p'}, {L"Fin&", L'\0'}, {L"", L'\0'}})
        EXPECT_EQ(HotkeyOf(caption), hotkey) << caption;

    struct Case {
        const char* label;
        std::vector<std::wstring> captions;
        bool farEast;
        std::vector<std::wstring> assigned;
    };
    const Case cases[] = {
        {"too few characters", {L"Ab", L"Ab", L"Ab"}, false, {L"&Ab", L"A&b", L"Ab"}},
        {"too few characters, Far East", {L"Ab", L"Ab", L"Ab"}, true, {L"Ab(&A)", L"Ab(&B)", L"Ab(&1)"}},
        {"a mark taken earlier moves", {L"&Copier", L"&Coller"}, false, {L"&Copier", L"C&oller"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<std::wstring> captions = c.captions;
        AssignHotkeys(captions, c.farEast);
        EXPECT_EQ(captions, c.assigned);
    }
}

LANGID WINAPI French() { return MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH); }
LANGID WINAPI Japanese() { return MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT); }
LANGID WINAPI Chinese() { return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL); }
LANGID WINAPI Korean() { return MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN); }

TEST_F(MenuTest, FarEastSystemsAppendTheHotkeyInParentheses) {
    struct Case {
        const char* label;
        LanguageFn language;
        std::vector<std::wstring> shown;
    };
    const std::vector<std::wstring> farEast{L"Explorer(&E)", L"-", L"&Lancer", L"Envoyer(&N)...", L"日本(&1)",
                                            L"Été(&T)"};
    const Case cases[] = {
        {"French", &French, {L"&Explorer", L"-", L"&Lancer", L"E&nvoyer...", L"日本", L"É&té"}},
        {"Japanese", &Japanese, farEast},
        {"Chinese", &Chinese, farEast},
        {"Korean", &Korean, farEast},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TPlatformOverride language(Platform().GetSystemDefaultLangID, c.language);
        for (TMenuItem* item : std::vector<TMenuItem*>(menu->Items())) owner.DestroyComponent(item);
        for (const wchar_t* caption : {L"Explorer", L"-", L"&Lancer", L"Envoyer...", L"日本", L"Été"}) AddItem(caption);
        (void)menu->BuildMenu();
        EXPECT_EQ(Shown(), c.shown);
        const win::UniqueMenu platform = menu->BuildMenu();
        EXPECT_EQ(Shown(), c.shown) << "a second opening changes nothing";
        EXPECT_EQ(menu->MenuChar(platform.get(), L'n'), MAKELRESULT(3, MNC_EXECUTE));
    }
}

TEST_F(MenuTest, HiddenItemsAndTheLinesTheyLeave) {
    AddItem(L"Un");
    AddItem(L"-");
    AddItem(L"Caché", false);
    AddItem(L"-");
    AddItem(L"Deux");
    AddItem(L"-");
    AddItem(L"Aussi caché", false);
    (void)menu->BuildMenu();
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"&Un", L"-", L"&Deux"}));
}

TEST_F(MenuTest, TypedCharactersFindTheirItem) {
    AddItem(L"&Ouvrir");
    AddItem(L"-");
    AddItem(L"&Fermer");
    AddItem(L"&Xénon", true, false);
    AddItem(L"&!a");
    AddItem(L"&!b");
    AddItem(L"+++");
    const win::UniqueMenu platform = menu->BuildMenu();
    struct Case {
        const char* label;
        wchar_t ch;
        WORD answer;
        WORD position;
    };
    const Case cases[] = {
        {"hotkey", L'o', MNC_EXECUTE, 0},
        {"hotkey in upper case", L'F', MNC_EXECUTE, 2},
        {"disabled item only", L'x', MNC_CLOSE, 0},
        {"no item", L'q', MNC_IGNORE, 0},
        {"two items share it", L'!', MNC_SELECT, 4},
        {"caption start without hotkey", L'+', MNC_EXECUTE, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const LRESULT result = menu->MenuChar(platform.get(), c.ch);
        EXPECT_EQ(HIWORD(result), c.answer);
        if (c.answer != MNC_IGNORE && c.answer != MNC_CLOSE) {
            EXPECT_EQ(LOWORD(result), c.position);
        }
    }
}

// ---- Measuring and drawing ----------------------------------------------------------

// Whether DrawTextW leaves out the hotkey underline for DT_HIDEPREFIX: Wine 8
// draws it all the same.
bool PlatformHidesPrefixes() {
    const auto ink = [](UINT format) {
        Surface s(40, 20);
        ::PatBlt(s.Dc(), 0, 0, 40, 20, WHITENESS);
        RECT r{0, 0, 40, 20};
        ::DrawTextW(s.Dc(), L"&W", -1, &r, format);
        return s.Count(r, [](COLORREF c) { return c != RGB(255, 255, 255); });
    };
    return ink(DT_SINGLELINE | DT_HIDEPREFIX) < ink(DT_SINGLELINE);
}

bool IsGreen(COLORREF c) { return GetGValue(c) > 100 && GetRValue(c) < 100 && GetBValue(c) < 100; }
bool IsDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200; }

class DrawingTest : public CommandsTest {
protected:
    MEASUREITEMSTRUCT Measure(TMenuItem* item) const {
        MEASUREITEMSTRUCT m{ODT_MENU, 0, item->Command()};
        form->PopupMenu1->MeasureItem(*item, m);
        return m;
    }
    void Draw(TMenuItem* item, const Surface& surface, UINT state) const {
        const MEASUREITEMSTRUCT m = Measure(item);
        DRAWITEMSTRUCT d{ODT_MENU, 0, item->Command(), ODA_DRAWENTIRE, state, nullptr, surface.Dc()};
        d.rcItem = {0, 0, 200, static_cast<LONG>(m.itemHeight)};
        form->PopupMenu1->DrawItem(*item, d);
    }
    // The dark pixels of the item drawn in that state: bolder text or an
    // underline shows as more.
    int Ink(TMenuItem* item, UINT state) const {
        Surface surface(200, 30);
        Draw(item, surface, state);
        return surface.Count({0, 0, 200, static_cast<LONG>(Measure(item).itemHeight)}, IsDark);
    }
    // The menu built themed, or classic as where the theme cannot be opened.
    class MenuLook {
    public:
        MenuLook(TPopupMenu& menu, bool themed) {
            if (!themed) classic_.emplace(UxTheme::Functions().open, nullptr);
            (void)menu.BuildMenu();
        }

    private:
        std::optional<TPlatformOverride<UxTheme::OpenFn>> classic_;
    };
    static int TextWidth(const std::wstring& text, bool bold) {
        LOGFONTW log = Screen->MenuFont();
        if (bold) log.lfWeight = FW_BOLD;
        win::UniqueFont font(::CreateFontIndirectW(&log));
        win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
        win::SelectScope select(dc.get(), font.get());
        RECT r{};
        ::DrawTextW(dc.get(), text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        return r.right;
    }
};

TEST_F(DrawingTest, ImagesComeFromTheLayoutStream) {
    EXPECT_EQ(form->ImageList1->Count(), 5);
    EXPECT_EQ(form->ImageList1->Width(), 16);
    EXPECT_EQ(form->ImageList1->Height(), 16);
    TImageList broken(nullptr);
    const char garbage[] = "not an image list";
    try {
        broken.ReadStream(garbage, sizeof(garbage));
        ADD_FAILURE() << "no error for a broken stream";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), L"Erreur à la lecture des données ImageList dans le flux");
    }
}

TEST_F(DrawingTest, ClassicItemsHaveTheirFixedSizesAndLook) {
    TPlatformOverride classic(UxTheme::Functions().open, nullptr);
    (void)form->PopupMenu1->BuildMenu();  // the captions get their hotkeys
    const MEASUREITEMSTRUCT lancer = Measure(form->mnu_LANCER);
    EXPECT_EQ(lancer.itemHeight, 19u);
    // The caption as the platform measures it, with 38 fixed pixels: the
    // 16-pixel image and the margins round the text.
    EXPECT_EQ(lancer.itemWidth, static_cast<UINT>(TextWidth(L"&Lancer", true) + 38));
    EXPECT_EQ(Measure(form->N1).itemHeight, 8u);

    Surface normal(200, 19);
    Draw(form->mnu_LANCER, normal, ODS_DEFAULT);
    EXPECT_GT(normal.Count({1, 1, 17, 17}, IsGreen), 5) << "the check mark image at (1, 1)";
    EXPECT_EQ(normal.At(190, 10), ::GetSysColor(COLOR_MENU));

    Surface selected(200, 19);
    Draw(form->mnu_LANCER, selected, ODS_DEFAULT | ODS_SELECTED);
    EXPECT_EQ(selected.At(190, 10), ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(selected.At(0, 0), ::GetSysColor(COLOR_BTNHIGHLIGHT)) << "raised frame round the image";

    Surface line(200, 8);
    Draw(form->N1, line, 0);
    EXPECT_NE(line.At(100, 4), ::GetSysColor(COLOR_MENU)) << "etched line 4 pixels down";
    EXPECT_EQ(line.At(100, 1), ::GetSysColor(COLOR_MENU));
}

TEST_F(DrawingTest, TheDefaultItemIsDrawnBold) {
    for (const bool themed : {true, false}) {
        SCOPED_TRACE(themed ? "themed" : "classic");
        const MenuLook look(*form->PopupMenu1, themed);
        form->Raffraichir1->SetDefault(true);
        const int bold = Ink(form->Raffraichir1, ODS_DEFAULT);
        form->Raffraichir1->SetDefault(false);
        EXPECT_GT(bold, Ink(form->Raffraichir1, 0));
        EXPECT_GT(Measure(form->mnu_LANCER).itemWidth, 16u + static_cast<UINT>(TextWidth(L"&Lancer", true)));
    }
}

// Wine 8 draws the underline whatever DT_HIDEPREFIX says: there the test is
// skipped, and says so.
TEST_F(DrawingTest, WithoutKeyboardCuesTheHotkeyUnderlineIsHidden) {
    if (!PlatformHidesPrefixes()) GTEST_SKIP() << "DrawTextW draws the underline despite DT_HIDEPREFIX here, as Wine 8's does";
    for (const bool themed : {true, false}) {
        SCOPED_TRACE(themed ? "themed" : "classic");
        const MenuLook look(*form->PopupMenu1, themed);
        EXPECT_GT(Ink(form->Raffraichir1, 0), Ink(form->Raffraichir1, ODS_NOACCEL)) << "the underline under R";
    }
}

TEST_F(DrawingTest, ThemedItemsCentreTheirImageInTheGlyphArea) {
    (void)form->PopupMenu1->BuildMenu();
    const MEASUREITEMSTRUCT m = Measure(form->mnu_LANCER);
    EXPECT_GE(m.itemHeight, 16u);
    Surface s(200, static_cast<int>(m.itemHeight));
    Draw(form->mnu_LANCER, s, ODS_DEFAULT);
    // Green ink only in the glyph area, vertically balanced around its middle.
    const int middle = static_cast<int>(m.itemHeight) / 2;
    const int above = s.Count({0, 0, 40, middle}, IsGreen);
    const int below = s.Count({0, middle, 40, static_cast<LONG>(m.itemHeight)}, IsGreen);
    EXPECT_GT(above + below, 10);
    EXPECT_EQ(s.Count({40, 0, 200, static_cast<LONG>(m.itemHeight)}, IsGreen), 0);
    EXPECT_LT(std::abs(above - below), (above + below) / 2 + 4);
}

TEST_F(DrawingTest, TheOpenMenuHoldsEachCaptionAndStillMeasuresItsItems) {
    ShowForm();
    struct Shown {
        std::wstring text;
        bool ownerDrawn;
        LONG height;
    };
    std::vector<Shown> shown;
    MenuDriver driver([&](HWND window) {
        HMENU menu = form->PopupMenu1->Handle();
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            MENUITEMINFOW info{sizeof(info)};
            info.fMask = MIIM_FTYPE;
            ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
            RECT r{};
            ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &r);
            shown.push_back({text, (info.fType & MFT_OWNERDRAW) != 0, r.bottom - r.top});
        }
        MenuDriver::Close(window);
    });
    SendContextMenu(OnScreen({2, 2}));
    PumpUntilIdle();
    ASSERT_EQ(driver.Openings(), 1);
    const std::vector<std::wstring> texts{L"&Explorer", L"", L"&Lancer", L"&Raffraichir", L"", L"&Supprimer"};
    ASSERT_EQ(shown.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shown[i].text, texts[i]);
        EXPECT_TRUE(shown[i].ownerDrawn);
        // The platform asked the menu for each item's size.
        EXPECT_EQ(shown[i].height, static_cast<LONG>(Measure(form->PopupMenu1->Items()[i]).itemHeight));
    }
}

// ---- The real shell --------------------------------------------------------------

// The real shell, asked as the program asks it; what it started is kept, so
// that the test closes it.
win::UniqueKernelHandle g_startedByShell;

HINSTANCE WINAPI OpenInRealShell(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                 INT show) {
    (void)RecordShellExecute(owner, verb, file, parameters, directory, show);
    SHELLEXECUTEINFOW info{sizeof(info)};
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner;
    info.lpVerb = verb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = show;
    (void)::ShellExecuteExW(&info);
    g_startedByShell.reset(info.hProcess);
    return info.hInstApp;
}

BOOL CALLBACK CloseWindowOfProcess(HWND window, LPARAM processId) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && ::IsWindowVisible(window)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Closes the file browser the shell started, by its process: its windows
// first, then the process itself if it is still there.
void CloseStartedBrowser() {
    if (!g_startedByShell) return;
    const DWORD processId = ::GetProcessId(g_startedByShell.get());
    if (!PumpUntil([&] {
            ::EnumWindows(&CloseWindowOfProcess, static_cast<LPARAM>(processId));
            return ::WaitForSingleObject(g_startedByShell.get(), 200) == WAIT_OBJECT_0;
        }))
        ::TerminateProcess(g_startedByShell.get(), 0);
    g_startedByShell.reset();
}

TEST_F(CommandsTest, ExploreAsksTheRealShellToOpenTheFolderWithoutHanging) {
    TPlatformOverride realShell(Platform().ShellExecuteW, &OpenInRealShell);
    const DWORD start = ::GetTickCount();
    form->mnu_EXPLORE->Click();
    EXPECT_LT(::GetTickCount() - start, 10000u);
    CloseStartedBrowser();
    ASSERT_EQ(ShellCalls().size(), 1u);
    ExpectOpened(ShellCalls()[0], form->Handle(), folder.Path());
}

// Wine's Recycle Bin with a plain file where the recycled files go: the
// shell cannot move a file there, and asks before it destroys it instead.
// What a run killed half-way left is put back first.
class RecycleBinTakingNothing {
public:
    explicit RecycleBinTakingNothing(const std::wstring& files) : files_(files), aside_(files + L".aside") {
        PutBack();
        ::MoveFileW(files_.c_str(), aside_.c_str());
        MakeFile(files_);
    }
    ~RecycleBinTakingNothing() { PutBack(); }
    RecycleBinTakingNothing(const RecycleBinTakingNothing&) = delete;
    RecycleBinTakingNothing& operator=(const RecycleBinTakingNothing&) = delete;

private:
    void PutBack() const {
        if (!FileExists(aside_)) return;
        ::DeleteFileW(files_.c_str());
        ::MoveFileW(aside_.c_str(), files_.c_str());
    }

    std::wstring files_;
    std::wstring aside_;
};

// The shell's error box, as it shows one for a file that no program opens.
HINSTANCE WINAPI ShellReportingNoProgram(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                         LPCWSTR directory, INT show) {
    (void)RecordShellExecute(owner, verb, file, parameters, directory, show);
    ::MessageBoxW(owner, L"Aucun programme n'est associé à ce fichier.", nullptr, MB_OK | MB_ICONERROR);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_NOASSOC));
}

// The Enter that answered the program's question, held on, answers nothing
// in the box the shell then shows on the program's behalf (the Recycle Bin's
// "destroy for good?", Yes by default; the launch's error): the box stays up
// through the repeats, and a fresh Esc closes it. The file stays.
TEST_F(CommandsTest, TheShellsOwnBoxAnswersOnlyAKeyPressedWhileItIsUp) {
    const std::wstring recycleBin = WineRecycleBinFolder();
    if (recycleBin.empty()) GTEST_SKIP() << "only Wine's Recycle Bin can be made to refuse a file here";
    struct Case {
        const char* label;
        const wchar_t* file;
        std::function<void()> command;
        std::vector<std::wstring> questions;  // the program's, before and after the shell's box
    };
    const Case cases[] = {
        {"Supprimer, the Recycle Bin cannot take the file", L"Outil.txt",
         [&] {
             const RecycleBinTakingNothing refusing(recycleBin);
             form->Supprimer1Click(nullptr);
         },
         {kRemoveQuestion + ShownName(L"Outil.txt"), kRemoveByHand}},
        {"Lancer, the shell reports an error", L"Outil.txt",
         [&] {
             TPlatformOverride failing(Platform().ShellExecuteW, &ShellReportingNoProgram);
             form->mnu_LANCERClick(nullptr);
         },
         {L"Lancer " + ShownName(L"Outil.txt")}},
    };
    ShowForm();
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        const NewEntriesRemoved rowFiles(folder.Path());
        const std::wstring path = folder.Touch(c.file);
        List()->Update();
        Select(c.file);
        bool upThroughTheRepeats = false;
        int shown = 0;
        DialogAnswerer answerer({Action::Custom, Action::Custom, Action::Cancel}, [&](HWND dialog) {
            const HWND focus = FocusIn(dialog);
            // The program's question: a fresh Enter, kept down.
            if (shown++ == 0) {
                ::PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 1);
                return;
            }
            for (int i = 0; i < 5; ++i) PostHeldKey(focus, VK_RETURN);
            OnceHandled([&upThroughTheRepeats, dialog] {
                upThroughTheRepeats = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
                DialogAnswerer::PostKey(FocusIn(dialog), VK_ESCAPE);
            });
        });
        c.command();
        ForgetOnceHandled();
        ASSERT_TRUE(SawDialogs(answerer.Seen(), c.questions.size() + 1));
        EXPECT_EQ(answerer.Seen()[0].text, c.questions[0]);
        EXPECT_EQ(answerer.Seen()[1].className, L"#32770");
        EXPECT_TRUE(upThroughTheRepeats) << "a repeat answered the shell's box";
        if (c.questions.size() > 1) {
            EXPECT_EQ(answerer.Seen()[2].text, c.questions[1]);
        }
        EXPECT_TRUE(FileExists(path));
        EXPECT_EQ(Application->ModalLevel(), 0);
    };
    for (const Case& c : cases) checkRow(c);
}

// Enter, the key that answered the program's question, stays down for the
// program's first three looks at it.
std::atomic<int> g_enterLooks{0};
std::atomic<bool> g_enterDown{true};

SHORT WINAPI EnterHeldForThreeLooks(int key) {
    if (key != VK_RETURN) return 0;
    g_enterDown = ++g_enterLooks <= 3;
    return g_enterDown ? static_cast<SHORT>(-0x8000) : SHORT{0};
}

// As the physical keyboard does: a key down when the box comes up repeats
// into it, Yes by default; else the user answers with a fresh Esc.
LRESULT CALLBACK KeyboardAtTheBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        if (g_enterDown)
            PostHeldKey(box, VK_RETURN);
        else
            DialogAnswerer::PostKey(box, VK_ESCAPE);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The shell's "destroy for good?" or its error, asked from a thread of its
// own, where no filter of the program's reaches; what answered it.
std::optional<int> g_shellBoxAnswer;

void AskFromAThreadOfItsOwn() {
    std::thread shell([] {
        const win::UniqueHook keyboard(
            ::SetWindowsHookExW(WH_CBT, &KeyboardAtTheBox, nullptr, ::GetCurrentThreadId()));
        g_shellBoxAnswer = ::MessageBoxW(nullptr, L"Détruire définitivement ?", L"Shell", MB_OKCANCEL);
    });
    shell.join();
}

int WINAPI RecycleAskingFromAnotherThread(LPSHFILEOPSTRUCTW) {
    AskFromAThreadOfItsOwn();
    return 0;
}

HINSTANCE WINAPI LaunchAskingFromAnotherThread(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                               LPCWSTR directory, INT show) {
    AskFromAThreadOfItsOwn();
    return RecordShellExecute(owner, verb, file, parameters, directory, show);
}

// The shell may show its box from a thread of its own: the key that
// answered the program's question, held on, must be up before the shell's
// work starts, or its repeats answer the box.
TEST_F(CommandsTest, TheShellsWorkStartsOnlyOnceTheKeyThatAnsweredIsUp) {
    const struct {
        const char* label;
        std::function<void()> command;
    } cases[] = {
        {"Supprimer",
         [&] {
             TPlatformOverride recycling(Platform().SHFileOperationW, &RecycleAskingFromAnotherThread);
             form->Supprimer1Click(nullptr);
         }},
        {"Lancer",
         [&] {
             TPlatformOverride launching(Platform().ShellExecuteW, &LaunchAskingFromAnotherThread);
             form->mnu_LANCERClick(nullptr);
         }},
    };
    folder.Touch(L"Outil.txt");
    List()->Update();
    ShowForm();
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        Select(L"Outil.txt");
        g_enterLooks = 0;
        g_enterDown = true;
        g_shellBoxAnswer.reset();
        TPlatformOverride keyboard(Platform().GetAsyncKeyState, &EnterHeldForThreeLooks);
        DialogAnswerer answerer({Action::Ok, Action::Cancel});
        c.command();
        ASSERT_TRUE(g_shellBoxAnswer.has_value()) << "the shell was not asked";
        EXPECT_EQ(*g_shellBoxAnswer, IDCANCEL) << "the held Enter answered the shell's box";
        EXPECT_GT(g_enterLooks, 3);
        EXPECT_EQ(Application->ModalLevel(), 0);
    };
    for (const auto& c : cases) checkRow(c);
}

// What the shell starts comes to the front, and the user may switch to
// another program while the shell works: the activation stays there.
std::optional<ForeignWindowInFront> g_inFront;

HINSTANCE WINAPI StartProgramInFront(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                     INT show) {
    g_inFront.emplace();
    return RecordShellExecute(owner, verb, file, parameters, directory, show);
}

int WINAPI RecycleWithAnotherProgramInFront(LPSHFILEOPSTRUCTW) {
    g_inFront.emplace();
    return 0;
}

TEST_F(CommandsTest, TheShellsCallsLeaveTheActivationToTheProgramInFront) {
    const std::wstring path = folder.Touch(L"Outil.txt");
    List()->Update();
    struct Case {
        const char* label;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"Lancer starts a program that comes to the front",
         [&] {
             TPlatformOverride starting(Platform().ShellExecuteW, &StartProgramInFront);
             DialogAnswerer answerer({Action::Ok});
             form->mnu_LANCERClick(nullptr);
             EXPECT_EQ(OpenedFiles(), std::vector<std::wstring>{path});
         }},
        {"the user switches to another program while the shell recycles",
         [&] {
             TPlatformOverride recycling(Platform().SHFileOperationW, &RecycleWithAnotherProgramInFront);
             EXPECT_TRUE(RecycleFile(path));
         }},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        ShowForm();
        Select(L"Outil.txt");
        c.run();
        ASSERT_TRUE(g_inFront && g_inFront->Active()) << "the other window did not take the activation";
        EXPECT_EQ(::GetActiveWindow(), nullptr);
        EXPECT_EQ(::GetForegroundWindow(), g_inFront->Handle());
        g_inFront.reset();
    };
    for (const Case& c : cases) checkRow(c);
}

}  // namespace
