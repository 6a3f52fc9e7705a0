// The keys of the main window's list (Enter, Delete, F5, Ctrl+V, F1) pressed
// through the application's own loop, with the dialogs answered and the
// shell call recorded; the table of keys and gestures that F1 and the
// release's README.txt show; the message filter that lets drops into the program
// run as administrator, and the drops the list reads and those it leaves.
#include "list_fixtures.h"
#include "test_support.h"

#include "application.h"
#include "main_form.h"
#include "win_handles.h"
#include "elevated_drops.h"
#include "list_keys.h"
#include "platform_calls.h"
#include "running_program.h"
#include "shell_file_list_box.h"
#include "folder_commands.h"
#include "send_to_location.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using Action = DialogAnswerer::Action;

class ListKeysTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        // Keys that the platform sends go to the foreground's focus.
        ShowForm();
    }

    // Presses the key on the list as the user would, through the main loop.
    void Press(UINT vk, bool ctrl = false) { ::Press(ListWindow(), vk, ctrl); }
};

}  // namespace

TEST_F(ListKeysTest, EachKeyLeadsToItsCommandCancelChangesNothing) {
    struct Case {
        const char* label;
        UINT key;
        const wchar_t* select;
        std::vector<Action> answers;
        std::vector<std::wstring> texts;
        bool launched;
        bool removed;
    };
    const std::wstring launch = L"Lancer " + ShownName(L"Outil.txt");
    const std::wstring remove = kRemoveQuestion + ShownName(L"Outil.txt");
    const Case cases[] = {
        {"Enter, nothing selected", VK_RETURN, nullptr, {Action::Ok}, {L"Pas de fichier à lancer"}, false, false},
        {"Enter, cancelled", VK_RETURN, L"Outil.txt", {Action::Cancel}, {launch}, false, false},
        {"Enter, confirmed", VK_RETURN, L"Outil.txt", {Action::Ok}, {launch}, true, false},
        {"Delete, nothing selected", VK_DELETE, nullptr, {Action::Ok}, {L"Pas de fichier à supprimer"}, false,
         false},
        {"Delete, cancelled", VK_DELETE, L"Outil.txt", {Action::Cancel}, {remove}, false, false},
        {"Delete, confirmed", VK_DELETE, L"Outil.txt", {Action::Ok, Action::Cancel}, {remove, kRemoveByHand}, false,
         true},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        const std::wstring tool = folder.Touch(L"Outil.txt");
        List()->Update();
        SelectFile(*List(), c.select ? c.select : L"");
        DialogAnswerer answers(c.answers);
        Press(c.key);
        ASSERT_TRUE(SawDialogs(answers.Seen(), c.texts.size()));
        for (size_t i = 0; i < c.texts.size(); ++i) EXPECT_EQ(answers.Seen()[i].text, c.texts[i]);
        EXPECT_EQ(OpenedFiles(), c.launched ? std::vector<std::wstring>{tool} : std::vector<std::wstring>{});
        EXPECT_TRUE(c.removed ? !FileExists(tool) : FileExists(tool));
    };
    for (const Case& c : cases) checkRow(c);
}

TEST_F(ListKeysTest, F5ReadsTheFolderAgainLikeRaffraichir) {
    folder.Touch(L"Outil.txt");
    List()->Update();
    SelectFile(*List(), L"Outil.txt");
    folder.Touch(L"Ajout.txt");
    DialogAnswerer answers({});
    Press(VK_F5);
    EXPECT_TRUE(SawDialogs(answers.Seen(), 0));
    EXPECT_TRUE(ListsFile(*List(), L"Ajout.txt"));
    EXPECT_EQ(SelectedFile(*List()), L"(none)");
}

TEST_F(ListKeysTest, CtrlVWithFilesAsksOnceThenCopiesTheFirstTextDoesNothing) {
    TempFolder outside;
    const std::wstring first = outside.Touch(L"Collé.txt", "premier");
    const std::wstring second = outside.Touch(L"Autre.txt");
    struct Case {
        const char* label;
        bool files;  // else text
        Action answer;
        size_t questions;
        bool copied;
    };
    const Case cases[] = {
        {"files, cancelled", true, Action::Cancel, 1, false},
        {"files, confirmed", true, Action::Ok, 1, true},
        {"text", false, Action::Ok, 0, false},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        ::DeleteFileW(folder.Path(L"Collé.txt").c_str());
        ASSERT_TRUE(RunMainLoopUntil([&] { return !ListsFile(*List(), L"Collé.txt"); }, 3000))
            << "the list still shows the file removed before the case";
        if (c.files) {
            PutFilesOnClipboard(form->Handle(), {first, second});
        } else {
            PutTextOnClipboard(form->Handle(), first);
        }
        DialogAnswerer answers({c.answer});
        Press('V', true);
        ASSERT_TRUE(SawDialogs(answers.Seen(), c.questions));
        if (c.questions) {
            EXPECT_EQ(answers.Seen()[0].text, kAddQuestion + L"Collé.txt");
        }
        EXPECT_EQ(ReadFileBytes(folder.Path(L"Collé.txt")), c.copied ? "premier" : "");
        EXPECT_TRUE(c.copied ? ListsFile(*List(), L"Collé.txt") : !ListsFile(*List(), L"Collé.txt"));
        EXPECT_FALSE(FileExists(folder.Path(L"Autre.txt")));
    };
    for (const Case& c : cases) checkRow(c);
}

TEST_F(ListKeysTest, TypeAheadAndArrowsStillMoveTheSelectionWithoutACommand) {
    folder.Touch(L"alpha.txt");
    folder.Touch(L"bravo.txt");
    folder.Touch(L"charlie.txt");
    List()->Update();
    DialogAnswerer answers({});
    Press('B');
    EXPECT_EQ(SelectedFile(*List()), L"bravo.txt");
    Press(VK_DOWN);
    EXPECT_EQ(SelectedFile(*List()), L"charlie.txt");
    EXPECT_TRUE(SawDialogs(answers.Seen(), 0));
}

TEST_F(ListKeysTest, AKeyForTheListWhileAQuestionIsUpStartsNoCommand) {
    folder.Touch(L"Outil.txt");
    List()->Update();
    SelectFile(*List(), L"Outil.txt");
    DialogAnswerer answers({Action::Custom, Action::Cancel}, [&](HWND question) {
        Press(VK_DELETE);
        DialogAnswerer::ClickButton(question, L"Annuler");
    });
    Press(VK_RETURN);
    ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
    EXPECT_EQ(answers.Seen()[0].text, L"Lancer " + ShownName(L"Outil.txt"));
    EXPECT_TRUE(FileExists(folder.Path(L"Outil.txt")));
}

// The key that asked the question (or showed F1's notice) stays down: its
// repeats reach the question, then the list once the question is gone.
// Neither answers nor asks again; a fresh press does both, in either
// presentation.
TEST_F(ListKeysTest, AHeldKeyAsksOnceAndAnswersNothing) {
    const std::wstring launch = L"Lancer " + ShownName(L"Outil.txt");
    const std::wstring remove = kRemoveQuestion + ShownName(L"Outil.txt");
    const std::wstring keys = ListKeysNotice();
    const struct {
        const char* label;
        UINT key;
        bool taskDialog;
        std::wstring question;
        const wchar_t* dismiss;  // the button that closes it once the repeats are in
        std::vector<Action> freshAnswers;
    } cases[] = {
        {"Enter, classic form", VK_RETURN, false, launch, L"Annuler", {Action::Enter}},
        {"Enter, task dialog", VK_RETURN, true, launch, L"Annuler", {Action::Enter}},
        {"Delete, classic form", VK_DELETE, false, remove, L"Annuler", {Action::Enter, Action::Cancel}},
        {"Delete, task dialog", VK_DELETE, true, remove, L"Annuler", {Action::Enter, Action::Cancel}},
        {"F1, classic form", VK_F1, false, keys, L"OK", {Action::Enter}},
        {"F1, task dialog", VK_F1, true, keys, L"OK", {Action::Enter}},
    };
    const auto checkRow = [&](const auto& c) {
        SCOPED_TRACE(c.label);
        ShellCalls().clear();
        Presentation presentation(c.taskDialog);
        const std::wstring tool = folder.Touch(L"Outil.txt");
        List()->Update();
        SelectFile(*List(), L"Outil.txt");
        {
            // The repeats go where the platform sends keys, to the question's
            // focus, and the Cancel click comes after them.
            DialogAnswerer held({Action::Custom}, [&](HWND question) {
                for (int i = 0; i < 5; ++i) PostHeldKey(FocusIn(question), c.key);
                DialogAnswerer::ClickButton(question, c.dismiss);
            });
            ::PostMessageW(List()->Handle(), WM_KEYDOWN, c.key, 1);
            RunUntilIdle();
            for (int i = 0; i < 5; ++i) PostHeldKey(List()->Handle(), c.key);
            RunUntilIdle();
            ASSERT_TRUE(SawDialogs(held.Seen(), 1u));
            EXPECT_EQ(held.Seen()[0].text, c.question);
            EXPECT_TRUE(OpenedFiles().empty());
            EXPECT_TRUE(FileExists(tool));
        }
        DialogAnswerer fresh(c.freshAnswers);
        Press(c.key);
        ASSERT_TRUE(SawDialogs(fresh.Seen(), c.freshAnswers.size()));
        EXPECT_EQ(fresh.Seen()[0].text, c.question);
        EXPECT_EQ(OpenedFiles().size(), c.key == VK_RETURN ? 1u : 0u);
        EXPECT_TRUE(c.key != VK_DELETE ? FileExists(tool) : !FileExists(tool));
    };
    for (const auto& c : cases) checkRow(c);
}

// Input as the keyboard gives it, stamped with the time of the press.
void TypeKey(UINT vk, DWORD time) {
    INPUT keys[2]{};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = static_cast<WORD>(vk);
        key.ki.time = time;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof(INPUT));
}

// Enter pressed twice in quick succession: the second press, made before the
// question appeared, reaches it only once it is up, and does not answer it.
// A fresh Esc after it does.
TEST_F(ListKeysTest, AKeyPressedBeforeTheQuestionAppearedDoesNotAnswerIt) {
    const auto checkRow = [&](bool taskDialog) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "classic form");
        Presentation presentation(taskDialog);
        folder.Touch(L"Outil.txt");
        List()->Update();
        SelectFile(*List(), L"Outil.txt");
        DWORD asked = 0;
        DialogAnswerer answers({Action::Custom}, [&](HWND) {
            TypeKey(VK_RETURN, asked - 1);
            TypeKey(VK_ESCAPE, 0);
        });
        asked = ::GetTickCount();
        Press(VK_RETURN);
        ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
        EXPECT_TRUE(OpenedFiles().empty());
    };
    for (bool taskDialog : {false, true}) checkRow(taskDialog);
}

namespace {

// The lines of a text, without their line ends.
std::vector<std::wstring> LinesOf(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wistringstream in(text);
    for (std::wstring line; std::getline(in, line);) {
        if (line.ends_with(L'\r')) line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// How F1's notice and README.txt give a key or gesture: a line of its own.
std::wstring LineFor(const TListKey& key) { return std::wstring(key.name) + L" : " + key.does; }

// The release's README.txt as the sources hold it (UTF-8), named by ctest.
std::wstring ReadmeText() {
    const std::string bytes = ReadFileBytes(FileFromEnvironment("SENDTO_README", L"README.txt"));
    const int size = static_cast<int>(bytes.size());
    std::wstring text(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, text.data(), static_cast<int>(text.size()));
    return text;
}

// A line of `lines` that is `line`, once its indent is taken off.
bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& line) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& candidate) {
        const size_t start = candidate.find_first_not_of(L' ');
        return start != std::wstring::npos && candidate.substr(start) == line;
    });
}

}  // namespace

TEST(ListKeys, TheReleasesReadmeGivesEveryKeyAndGestureALine) {
    const std::vector<std::wstring> lines = LinesOf(ReadmeText());
    ASSERT_FALSE(lines.empty()) << "README.txt could not be read: SENDTO_README names it (ctest sets it)";
    for (const TListKey& key : ListKeys()) EXPECT_TRUE(HasLine(lines, LineFor(key))) << testing::PrintToString(LineFor(key));
}

// F1 on the list: one notice, one OK button, a line for every key and gesture
// of the table; nothing else happens.
TEST_F(ListKeysTest, F1ShowsEveryKeyAndGestureInANoticeWithOneOk) {
    const std::wstring tool = folder.Touch(L"Outil.txt");
    List()->Update();
    SelectFile(*List(), L"Outil.txt");
    for (bool taskDialog : {false, true}) {
        SCOPED_TRACE(taskDialog ? "task dialog" : "classic form");
        Presentation presentation(taskDialog);
        DialogAnswerer answers({Action::Ok});
        Press(VK_F1);
        ASSERT_EQ(answers.Seen().size(), 1u);
        EXPECT_EQ(answers.Seen()[0].buttons, std::vector<std::wstring>{L"OK"});
        const std::vector<std::wstring> lines = LinesOf(answers.Seen()[0].text);
        for (const TListKey& key : ListKeys())
            EXPECT_TRUE(HasLine(lines, LineFor(key))) << testing::PrintToString(LineFor(key));
        EXPECT_TRUE(OpenedFiles().empty());
        EXPECT_TRUE(FileExists(tool));
    }
}

// In the rename box F1 is the box's: no notice, the name as typed, the box
// still open. Typed as the keyboard types it, so that what the platform
// makes of F1 (its help request) goes where it would.
TEST_F(ListKeysTest, F1InTheRenameBoxShowsNothingAndLeavesTheNameAsTyped) {
    folder.Touch(L"Outil.txt");
    List()->Update();
    SelectFile(*List(), L"Outil.txt");
    Press(VK_F2);
    const HWND box = ::GetFocus();
    ASSERT_NE(box, ListWindow()) << "F2 opened no box";
    ::SetWindowTextW(box, L"Nouveau");
    DialogAnswerer answers({});
    TypeKey(VK_F1, 0);
    RunUntilIdle();
    EXPECT_TRUE(answers.Seen().empty());
    EXPECT_TRUE(::IsWindowVisible(box));
    EXPECT_EQ(::GetFocus(), box);
    EXPECT_EQ(WindowText(box), L"Nouveau");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::wstring>{L"Outil.txt"});
}

namespace {

struct FilterCall {
    HWND window;
    UINT message;
    DWORD action;
};
std::vector<FilterCall> filterCalls;

BOOL WINAPI RecordFilter(HWND window, UINT message, DWORD action, PCHANGEFILTERSTRUCT) {
    filterCalls.push_back({window, message, action});
    return TRUE;
}

// What the elevation check is told: elevated, not elevated, or nothing.
enum class Elevation { Elevated, Ordinary, Unknown };
Elevation elevation = Elevation::Ordinary;

BOOL WINAPI ReportElevation(HANDLE, TOKEN_INFORMATION_CLASS type, LPVOID data, DWORD size, PDWORD returned) {
    if (elevation == Elevation::Unknown || type != TokenElevation || size < sizeof(TOKEN_ELEVATION)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    static_cast<TOKEN_ELEVATION*>(data)->TokenIsElevated = elevation == Elevation::Elevated;
    *returned = sizeof(TOKEN_ELEVATION);
    return TRUE;
}

}  // namespace

// Allowed, these messages would reach the list from every lower program,
// forged drop handles included: only an elevated program opens them, to
// take the ordinary file browser's drops.
TEST(ElevatedDrops, OnlyAnElevatedProgramLetsTheShellsDropMessagesThrough) {
    const struct {
        const char* label;
        Elevation elevation;
        std::vector<UINT> allowed;
    } cases[] = {
        {"elevated", Elevation::Elevated, {kCopyGlobalData, WM_DROPFILES}},
        {"ordinary", Elevation::Ordinary, {}},
        {"cannot tell", Elevation::Unknown, {}},
    };
    TPlatformOverride recorder(Platform().ChangeWindowMessageFilterEx, &RecordFilter);
    TPlatformOverride token(Platform().GetTokenInformation, &ReportElevation);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        filterCalls.clear();
        elevation = c.elevation;
        const auto form = CreateOwnedForm<TForm1>();
        form->ReadLayout();
        HWND list = form->ShellFileListBox1->Handle();
        std::vector<UINT> allowed;
        for (const FilterCall& call : filterCalls) {
            EXPECT_EQ(call.window, list);
            EXPECT_EQ(call.action, static_cast<DWORD>(MSGFLT_ALLOW));
            allowed.push_back(call.message);
        }
        std::sort(allowed.begin(), allowed.end());
        EXPECT_EQ(allowed, c.allowed);
    }
}

// The list's window made again (its columns switched off and on) takes drops
// as the first one did: the style, the elevated program's filter, the question.
TEST(ElevatedDrops, AListWindowMadeAgainTakesDropsAsTheFirst) {
    TPlatformOverride recorder(Platform().ChangeWindowMessageFilterEx, &RecordFilter);
    TPlatformOverride token(Platform().GetTokenInformation, &ReportElevation);
    elevation = Elevation::Elevated;
    const auto form = CreateOwnedForm<TForm1>();
    form->ReadLayout();
    TShellFileListBox& list = *form->ShellFileListBox1;
    const HWND first = list.Handle();
    filterCalls.clear();
    list.SetColumns(0);
    list.SetColumns(2);
    const HWND made = list.Handle();
    ASSERT_NE(made, first);
    EXPECT_TRUE(::GetWindowLongW(made, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    std::vector<UINT> allowed;
    for (const FilterCall& call : filterCalls)
        if (call.window == made) allowed.push_back(call.message);
    std::sort(allowed.begin(), allowed.end());
    EXPECT_EQ(allowed, (std::vector<UINT>{kCopyGlobalData, WM_DROPFILES}));

    TempFolder outside;
    DialogAnswerer answers({Action::Cancel});
    ::PostMessageW(made, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({outside.Touch(L"Déposé.txt")}, {1, 1})), 0);
    EXPECT_TRUE(RunMainLoopUntil([&] { return !answers.Seen().empty() && Application->ModalLevel() == 0; }, 3000))
        << "the drop's question was not asked and closed";
    ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
    EXPECT_EQ(answers.Seen()[0].text, kAddQuestion + L"Déposé.txt");
}

namespace {

// A drop's header as bytes, its names at `offset`.
std::string DropHeader(DWORD offset, BOOL wide) {
    DROPFILES header{};
    header.pFiles = offset;
    header.fWide = wide;
    return {reinterpret_cast<const char*>(&header), sizeof(header)};
}

std::string WideBytes(std::wstring_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)};
}

// A global block holding `bytes`; whatever the heap gives past them (the
// documentation allows a larger block) holds no zero, so that it ends no name.
HGLOBAL BlockOf(const std::string& bytes) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    const win::GlobalLockScope<char> data(block);
    std::fill(std::copy(bytes.begin(), bytes.end(), data.get()), data.get() + ::GlobalSize(block), 'x');
    return block;
}

}  // namespace

// A lower program may post a drop with a handle of its making: one that is
// not a drop block of this process holding its names whole is neither read
// nor released, and asks nothing; a genuine drop behind it still asks.
TEST(ElevatedDrops, AForgedDropIsNeitherReadNorReleased) {
    using namespace std::literals;
    TPlatformOverride recorder(Platform().ChangeWindowMessageFilterEx, &RecordFilter);
    TPlatformOverride token(Platform().GetTokenInformation, &ReportElevation);
    elevation = Elevation::Elevated;
    const auto form = CreateOwnedForm<TForm1>();
    form->ReadLayout();
    const HWND list = form->ShellFileListBox1->Handle();
    TempFolder outside;
    const std::wstring genuine = outside.Touch(L"Déposé.txt");
    const std::string forged = WideBytes(L"C:\\Forgé.txt\0\0"sv);
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"smaller than a drop's header", DropHeader(sizeof(DROPFILES), TRUE).substr(0, 8)},
        {"names in the code page that do not end", DropHeader(sizeof(DROPFILES), FALSE) + "C:\\Forge.txt\0"s},
        // Far enough that reading there faults.
        {"names placed far past its end", DropHeader(0x7FFFFFF0, TRUE) + WideBytes(L"\0\0"sv)},
        {"names placed in its header", DropHeader(8, TRUE) + forged},
        {"names at an odd offset", DropHeader(sizeof(DROPFILES) + 1, TRUE) + '\1' + forged},
        {"a name that does not end", DropHeader(sizeof(DROPFILES), TRUE) + WideBytes(L"C:\\Forgé.txt"sv)},
        {"a list that does not end", DropHeader(sizeof(DROPFILES), TRUE) + WideBytes(L"C:\\Forgé.txt\0"sv)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        win::UniqueGlobal block(BlockOf(c.bytes));
        const SIZE_T size = ::GlobalSize(block.get());
        DialogAnswerer answers({Action::Cancel});
        ::PostMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(block.get()), 0);
        ::PostMessageW(list, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({genuine}, {1, 1})), 0);
        const auto askedForGenuine = [&] {
            return std::any_of(answers.Seen().begin(), answers.Seen().end(),
                               [](const SeenDialog& seen) { return seen.text == kAddQuestion + L"Déposé.txt"; });
        };
        EXPECT_TRUE(RunMainLoopUntil([&] { return askedForGenuine() && Application->ModalLevel() == 0; }, 5000))
            << "the genuine drop behind the forged one was not asked about";
        EXPECT_EQ(Texts(answers.Seen()), std::vector<std::wstring>{kAddQuestion + L"Déposé.txt"});
        const bool kept = ::GlobalSize(block.get()) == size;
        EXPECT_TRUE(kept) << "the forged block was released";
        // Released by the program, it is no longer the test's to free.
        if (!kept) (void)block.release();
    }
}

// Drops of this process into the main window's list, their names wide or in
// the system's code page as a program made before Unicode drops them: each
// is asked about by its file's name and copied once agreed, and one that
// arrives while the question is up is released unread.
using GenuineDropTest = ListKeysTest;

TEST_F(GenuineDropTest, WideOrInTheCodePageADropIsAskedAboutAndCopiedOrReleasedWhileAQuestionIsUp) {
    TempFolder outside;
    const std::wstring dropped = outside.Touch(L"Déposé.txt", "depose");
    const std::wstring meanwhile = outside.Touch(L"Pendant.txt", "pendant");
    const struct {
        const char* label;
        DropNames names;
    } cases[] = {
        {"wide", DropNames::Wide},
        {"in the system's code page", DropNames::CodePage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EmptyFolder(folder.Path());
        const WatchedDrop duringTheQuestion({meanwhile}, {4, 4}, c.names);
        bool released = false;
        DialogAnswerer answers({Action::Custom}, [&](HWND question) {
            ::PostMessageW(ListWindow(), WM_DROPFILES, duringTheQuestion.param(), 0);
            released = PumpUntil([&] { return !duringTheQuestion.Open(); }, 3000);
            DialogAnswerer::ClickButton(question, L"OK");
        });
        ::PostMessageW(ListWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped}, {4, 4}, c.names)),
                       0);
        EXPECT_TRUE(RunMainLoopUntil([&] { return !answers.Seen().empty() && Application->ModalLevel() == 0; }, 5000))
            << "the drop's question was not asked and closed";
        EXPECT_EQ(Texts(answers.Seen()), std::vector<std::wstring>{kAddQuestion + L"Déposé.txt"});
        EXPECT_TRUE(released) << "the drop that came during the question was kept";
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::wstring>{L"Déposé.txt=depose"});
    }
}
