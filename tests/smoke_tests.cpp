// Starts the built program as a user would and checks it from outside its
// process: its window, its list, its error box, its exit code.
#include "running_program.h"
#include "test_support.h"

#include "send_to_location.h"
#include "win_handles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::vector<std::wstring> ListEntries(HWND mainWindow) {
    HWND list = ::FindWindowExW(mainWindow, nullptr, L"ListBox", nullptr);
    std::vector<std::wstring> entries;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[300] = {};
        ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}

// Puts a known set of files in the user's SendTo folder for one test.
class PreparedSendTo {
public:
    PreparedSendTo() : folder_(ShellSendToPath()) {
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        for (const auto& [name, attributes] : files_) MakeFile(folder_ + L"\\" + name, "", attributes);
        ::CreateDirectoryW((folder_ + L"\\Dossier.d").c_str(), nullptr);
    }
    ~PreparedSendTo() {
        for (const auto& entry : files_) {
            const std::wstring path = folder_ + L"\\" + entry.first;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(path.c_str());
        }
        ::RemoveDirectoryW((folder_ + L"\\Dossier.d").c_str());
    }
    const std::wstring& Folder() const { return folder_; }

private:
    std::wstring folder_;
    std::vector<std::pair<std::wstring, DWORD>> files_{
        {L"zeta.txt", FILE_ATTRIBUTE_NORMAL},
        {L"Alpha.doc", FILE_ATTRIBUTE_NORMAL},
        {L"caché.txt", FILE_ATTRIBUTE_HIDDEN},
        {L"LISEZMOI", FILE_ATTRIBUTE_NORMAL},
        {L"écran.bmp", FILE_ATTRIBUTE_READONLY},
    };
};

// The ways the program is told to end while one of its questions is up.
enum class Ending { CloseMainWindow, CloseApplicationWindow, EndOfSession };

struct EndingCase {
    const char* label;
    Ending ending;
};

constexpr EndingCase kEndings[] = {
    {"WM_CLOSE to the main window", Ending::CloseMainWindow},
    {"WM_CLOSE to the application window", Ending::CloseApplicationWindow},
    {"WM_QUERYENDSESSION then WM_ENDSESSION", Ending::EndOfSession},
};

void EndWhileAsking(const RunningProgram& program, Ending ending) {
    HWND main = program.FindWindowOf(L"TForm1", true);
    HWND app = program.FindWindowOf(L"TApplication", false);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(app, nullptr);
    switch (ending) {
    case Ending::CloseMainWindow: ::PostMessageW(main, WM_CLOSE, 0, 0); return;
    case Ending::CloseApplicationWindow: ::PostMessageW(app, WM_CLOSE, 0, 0); return;
    case Ending::EndOfSession:
        for (HWND window : {app, main}) {
            DWORD_PTR consent = 0;
            ::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &consent);
            EXPECT_EQ(consent, 1u);
        }
        // The program ends inside this message: the call returns when it is gone.
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(app, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &ignored);
        return;
    }
}


}  // namespace

TEST(Smoke, SendToFolderThatCannotBeEnteredReportsTheErrorFirstThenListsNothing) {
    TempFolder launch(L"lancement");
    launch.Touch(L"precieux.txt");
    const auto checkRow = [&](const BlockedSendTo& c) {
        SCOPED_TRACE(c.label);
        const std::wstring folder = ShellSendToPath();
        const std::wstring moved = SendToMovedAside();
        ASSERT_TRUE(::MoveFileW(folder.c_str(), moved.c_str()));
        struct Restore {
            std::wstring from, to;
            ~Restore() {
                ::DeleteFileW(to.c_str());
                ::MoveFileW(from.c_str(), to.c_str());
            }
        } restore{moved, folder};
        if (c.fileInItsPlace) MakeFile(folder);

        RunningProgram program(-1, launch.Path());
        ASSERT_TRUE(program.Started()) << "the program could not be started";
        HWND box = program.WaitForWindow("error box", L"#32770", true);
        ASSERT_NE(box, nullptr);
        const SeenDialog seen = DialogAnswerer::Describe(box);
        EXPECT_EQ(seen.title, L"Sendto");
        EXPECT_EQ(seen.text, c.error);
        EXPECT_EQ(program.FindWindowOf(L"TForm1", true), nullptr) << "the main window shows only after the box";

        ::PostMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        HWND main = program.WaitForWindow("main window", L"TForm1", true);
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(ListEntries(main).empty()) << "never the launch folder's files";
        ::PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.ExitCode(), 0);
    };
    for (const BlockedSendTo& c : BlockedSendToCases()) checkRow(c);
}

// Started as a user starts it, with each show command, and ended by a close
// sent to either of its windows.
TEST(Smoke, StartsWithTheShowCommandListsTheSendToFolderAndEndsWithExitCodeZero) {
    struct Case {
        const char* label;
        int showCommand;  // -1: none given
        bool zoomed;
        bool iconic;
        bool closeApplicationWindow;  // else the main window
    };
    const Case cases[] = {
        {"no show command, closed by its main window", -1, false, false, false},
        {"no show command, closed by the application window", -1, false, false, true},
        {"maximized", SW_SHOWMAXIMIZED, true, false, false},
        {"minimized without activation", SW_SHOWMINNOACTIVE, false, true, false},
        {"normal", SW_SHOWNORMAL, false, false, false},
    };
    PreparedSendTo sendTo;
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        RunningProgram program(c.showCommand);
        ASSERT_TRUE(program.Started()) << "the program could not be started";
        HWND main = program.WaitForWindow("main window", L"TForm1", true);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(WindowText(main), L"Envoyer vers : Tervalo 2019 ***{:-");
        EXPECT_EQ(ListEntries(main), ShownNames({L"Alpha.doc", L"écran.bmp", L"zeta.txt"}));
        EXPECT_EQ(program.FindWindowOf(L"#32770", true), nullptr) << "no error box on a normal start";
        EXPECT_EQ(::IsZoomed(main) != FALSE, c.zoomed);
        EXPECT_EQ(::IsIconic(main) != FALSE, c.iconic);
        HWND app = program.FindWindowOf(L"TApplication", false);
        ASSERT_NE(app, nullptr);
        EXPECT_FALSE(::IsWindowVisible(app));
        ::PostMessageW(c.closeApplicationWindow ? app : main, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.ExitCode(), 0);
    };
    for (const Case& c : cases) checkRow(c);
}

// Every question of the program, on both presentations, ended by the program
// closing rather than by the user: only the user's OK carries a command out.
TEST(Smoke, EndingTheProgramDuringAQuestionCarriesNothingOut) {
    struct QuestionCase {
        const char* label;
        const wchar_t* command;
        const wchar_t* text;  // part of the question that is up when the program ends
        bool removalConfirmed;  // the remove question answered OK first
    };
    const QuestionCase questions[] = {
        {"launch question", L"launch", L"Lancer ", false},
        {"remove question", L"remove", L"Retirer ce programme", false},
        {"follow-up question", L"remove", L"Voulez vous le faire maintenant ?", true},
        {"drop question", L"drop", L"Placer ce programme", false},
    };
    const std::wstring host = FileFromEnvironment("COMMAND_HOST_EXE", L"command_host.exe");
    const RecycledByTest recycledByTheProgram;
    const std::wstring recycleBin = WineRecycleBinFolder();
    for (const bool taskDialog : {true, false}) {
        const wchar_t* dialogClass = taskDialog ? L"#32770" : L"TMessageForm";
        for (const QuestionCase& q : questions) {
            const auto checkRow = [&](const EndingCase& e) {
                SCOPED_TRACE(std::string(taskDialog ? "task dialog, " : "message form, ") + q.label + ", " + e.label);
                TempFolder folder(L"envoyer");
                TempFolder elsewhere(L"ailleurs");
                const std::wstring name = UniqueName(L"Outil", L".txt");
                folder.Touch(name, "garde");
                const std::wstring dropped = elsewhere.Touch(L"Nouveau.txt", "nouveau");
                const std::wstring journal = elsewhere.Path(L"shell.txt");
                RunningProgram program(host, Quoted(folder.Path()) + L" " + Quoted(journal) + L" " + q.command +
                                                 (taskDialog ? L" task " : L" form ") + Quoted(dropped));
                ASSERT_TRUE(program.Started()) << "the program could not be started";
                HWND question = program.WaitForWindow("question", dialogClass, true);
                ASSERT_NE(question, nullptr);
                if (q.removalConfirmed) {
                    ASSERT_TRUE(DialogAnswerer::ClickButton(question, L"OK"));
                    question = program.WaitForWindow("follow-up question", dialogClass, true, question);
                    ASSERT_NE(question, nullptr);
                }
                EXPECT_NE(DialogAnswerer::Describe(question).text.find(q.text), std::wstring::npos);

                EndWhileAsking(program, e.ending);
                EXPECT_EQ(program.ExitCode(), 0);
                EXPECT_TRUE(q.removalConfirmed ? !FileExists(folder.Path(name)) : FileExists(folder.Path(name)));
                EXPECT_FALSE(FileExists(folder.Path(L"Nouveau.txt"))) << "the dropped file was copied";
                if (!recycleBin.empty()) {
                    const std::wstring recycled = recycleBin + L"\\" + name;
                    EXPECT_TRUE(q.removalConfirmed ? FileExists(recycled) : !FileExists(recycled));
                }
                EXPECT_FALSE(FileExists(journal)) << "the shell was asked to open something";
            };
            for (const EndingCase& e : kEndings) checkRow(e);
        }
    }
}

// The real program: an entry chosen, Supprimer from its context menu, and
// the program ended while it asks.
TEST(Smoke, TheProgramEndedDuringTheRemoveQuestionRemovesNothing) {
    const RecycledByTest recycledByTheProgram;
    const std::wstring recycleBin = WineRecycleBinFolder();
    const auto checkRow = [&](const EndingCase& e) {
        SCOPED_TRACE(e.label);
        PreparedSendTo sendTo;
        const size_t recycled = FolderNames(recycleBin).size();
        RunningProgram program;
        ASSERT_TRUE(program.Started()) << "the program could not be started";
        HWND main = program.WaitForWindow("main window", L"TForm1", true);
        ASSERT_NE(main, nullptr);
        HWND list = ::FindWindowExW(main, nullptr, L"ListBox", nullptr);
        const LRESULT itemHeight = ::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
        const LPARAM firstEntry = MAKELPARAM(4, itemHeight / 2);
        ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, firstEntry);
        ::PostMessageW(list, WM_LBUTTONUP, 0, firstEntry);
        ::PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
        HWND menu = program.WaitForWindow("context menu", L"#32768", true);
        ASSERT_NE(menu, nullptr);
        ::PostMessageW(menu, WM_CHAR, L's', 1);
        HWND question = program.WaitForWindow("remove question", L"#32770", true);
        ASSERT_NE(question, nullptr);
        EXPECT_NE(DialogAnswerer::Describe(question).text.find(L"Retirer ce programme"), std::wstring::npos);
        EXPECT_NE(DialogAnswerer::Describe(question).text.find(ShownName(L"Alpha.doc")), std::wstring::npos);

        EndWhileAsking(program, e.ending);
        EXPECT_EQ(program.ExitCode(), 0);
        EXPECT_TRUE(FileExists(sendTo.Folder() + L"\\Alpha.doc"));
        EXPECT_EQ(FolderNames(recycleBin).size(), recycled);
    };
    for (const EndingCase& e : kEndings) checkRow(e);
}
