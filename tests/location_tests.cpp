// Where the SendTo folder is, and what the list reads at start: the shell's
// folder first, the launch folder never, and nothing but an empty list when
// the SendTo folder cannot be entered.
#include "test_support.h"

#include "application.h"
#include "folder_commands.h"
#include "main_form.h"
#include "platform_calls.h"
#include "popup_menu.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"
#include "win_handles.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Action = DialogAnswerer::Action;

// What the shell answers for its SendTo folder; empty: it gives none.
std::wstring shellAnswer;
struct KnownFolderRequest {
    bool sendTo;
    DWORD flags;
};
std::vector<KnownFolderRequest> knownFolderRequests;

HRESULT WINAPI AnswerKnownFolder(REFKNOWNFOLDERID id, DWORD flags, HANDLE, PWSTR* path) {
    knownFolderRequests.push_back({::IsEqualGUID(id, FOLDERID_SendTo) != FALSE, flags});
    *path = nullptr;
    if (shellAnswer.empty()) return E_FAIL;
    const size_t bytes = (shellAnswer.size() + 1) * sizeof(wchar_t);
    *path = static_cast<PWSTR>(::CoTaskMemAlloc(bytes));
    std::copy_n(shellAnswer.c_str(), shellAnswer.size() + 1, *path);
    return S_OK;
}

std::wstring loginName;
BOOL WINAPI AnswerUserName(LPWSTR buffer, LPDWORD count) {
    std::copy_n(loginName.c_str(), loginName.size() + 1, buffer);
    *count = static_cast<DWORD>(loginName.size() + 1);
    return TRUE;
}

// Every name the list asks the shell about; a question that names no file
// (the system icon list's) is counted apart.
std::vector<std::wstring> askedNames;
int namelessQuestions = 0;
DWORD_PTR WINAPI RecordFileInfo(LPCWSTR name, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
    if (flags & SHGFI_USEFILEATTRIBUTES)
        ++namelessQuestions;
    else
        askedNames.emplace_back(name);
    return ::SHGetFileInfoW(name, attributes, info, size, flags);
}

HINSTANCE WINAPI RefuseShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    ADD_FAILURE() << "nothing may be opened, asked to open " << file;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

// The process started in a folder full of files, with the shell's answer,
// the login name and the shell's file queries in the test's hands.
class StartupTest : public testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 300; ++i) launch.Touch(L"lancement-" + std::to_wstring(100 + i) + L".txt");
        launch.Touch(L"precieux.txt", "garder");
        knownFolderRequests.clear();
        askedNames.clear();
        namelessQuestions = 0;
        shellAnswer.clear();
        loginName = L"jean";
    }
    // Builds the main window as the program does; returns the boxes shown.
    std::vector<SeenDialog> Start() {
        DialogAnswerer answers({Action::Ok});
        form = CreateOwnedForm<TForm1>();
        form->ReadLayout();
        form->DoCreate();
        return answers.Seen();
    }
    TShellFileListBox* List() const { return form->ShellFileListBox1; }
    // Chooses Raffraichir as the context menu hands the choice on.
    void Refresh() const {
        ::SendMessageW(TPopupMenu::PopupListWindow(), WM_COMMAND, form->Raffraichir1->Command(), 0);
    }
    std::vector<std::wstring> Listed() const { return ListedFileNames(*List()); }

    TempFolder launch{L"lancement"};
    TempFolder profile{L"profil"};
    TPlatformOverride<KnownFolderPathFn> knownFolder{Platform().SHGetKnownFolderPath, &AnswerKnownFolder};
    TPlatformOverride<GetUserNameFn> userName{Platform().GetUserNameW, &AnswerUserName};
    TPlatformOverride<ShellFileInfoFn> fileInfo{Platform().SHGetFileInfoW, &RecordFileInfo};
    TPlatformOverride<ShellExecuteFn> shellExecute{Platform().ShellExecuteW, &RefuseShellExecute};
    // After the folders, so that the window goes before them.
    OwnedForm<TForm1> form;

private:
    const SendToPathScope sendToPath_;
    const CurrentFolderScope inLaunch_{launch.Path()};
};

}  // namespace

TEST_F(StartupTest, TheShellsFolderComesFirstThePatternOnlyWhenItGivesNone) {
    struct Case {
        const char* label;
        std::wstring shell;
        bool shellHasTheCall;
        std::wstring expected;
    };
    const std::wstring pattern = L"C:\\Users\\jean\\AppData\\Roaming\\Microsoft\\Windows\\SendTo";
    const Case cases[] = {
        {"default installation", pattern, true, pattern},
        {"redirected to a server", L"\\\\serveur\\profils\\jean\\SendTo", true, L"\\\\serveur\\profils\\jean\\SendTo"},
        {"profile named otherwise", L"D:\\Users\\jean.DOMAINE\\AppData\\Roaming\\Microsoft\\Windows\\SendTo", true,
         L"D:\\Users\\jean.DOMAINE\\AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
        {"the shell gives none", L"", true, pattern},
        {"a system without the call", L"", false, pattern},
    };
    const auto checkRow = [&](const Case& c) {
        SCOPED_TRACE(c.label);
        shellAnswer = c.shell;
        TPlatformOverride call(Platform().SHGetKnownFolderPath, c.shellHasTheCall ? &AnswerKnownFolder : nullptr);
        knownFolderRequests.clear();
        EXPECT_EQ(SendToFolderPath(), c.expected);
        if (!c.shellHasTheCall) return;
        ASSERT_EQ(knownFolderRequests.size(), 1u);
        EXPECT_TRUE(knownFolderRequests[0].sendTo);
        EXPECT_TRUE(knownFolderRequests[0].flags & KF_FLAG_DONT_VERIFY) << "a missing folder is still the shell's";
        EXPECT_FALSE(knownFolderRequests[0].flags & KF_FLAG_CREATE) << "the folder is never created";
    };
    for (const Case& c : cases) checkRow(c);
}

TEST_F(StartupTest, ARedirectionInTheUsersShellFoldersIsFollowed) {
    const std::wstring redirected = profile.MakeFolder(L"Ailleurs");
    const wchar_t key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                                &raw, nullptr),
              ERROR_SUCCESS);
    // The old value goes back whatever the test finds.
    struct Restore {
        HKEY key;
        std::vector<BYTE> old;
        DWORD type = 0;
        bool had = false;
        ~Restore() {
            if (had)
                ::RegSetValueExW(key, L"SendTo", 0, type, old.data(), static_cast<DWORD>(old.size()));
            else
                ::RegDeleteValueW(key, L"SendTo");
            ::RegCloseKey(key);
        }
    } restore{raw, std::vector<BYTE>(2048)};
    DWORD size = static_cast<DWORD>(restore.old.size());
    restore.had = ::RegQueryValueExW(raw, L"SendTo", nullptr, &restore.type, restore.old.data(), &size) ==
                  ERROR_SUCCESS;
    restore.old.resize(restore.had ? size : 0);
    const BYTE* value = reinterpret_cast<const BYTE*>(redirected.c_str());
    ASSERT_EQ(::RegSetValueExW(raw, L"SendTo", 0, REG_EXPAND_SZ, value,
                               static_cast<DWORD>((redirected.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    profile.Touch(L"Ailleurs\\Redirige.txt");

    TPlatformOverride shell(Platform().SHGetKnownFolderPath, SystemCalls().SHGetKnownFolderPath);
    ASSERT_NE(Platform().SHGetKnownFolderPath, nullptr);
    EXPECT_TRUE(Start().empty());
    EXPECT_EQ(SendToPath, redirected);
    EXPECT_EQ(Listed(), std::vector<std::wstring>{L"Redirige.txt"});
}

TEST_F(StartupTest, FromACrowdedFolderOnlyTheSendToFolderIsAskedOfTheShell) {
    const std::wstring sendTo = profile.MakeFolder(L"SendTo");
    profile.Touch(L"SendTo\\Bloc-notes.txt");
    profile.Touch(L"SendTo\\Destinataire.txt");
    shellAnswer = sendTo;

    EXPECT_TRUE(Start().empty()) << "no error box";
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"Bloc-notes.txt", L"Destinataire.txt"}));
    EXPECT_EQ(askedNames, (std::vector<std::wstring>{L"Bloc-notes.txt", L"Destinataire.txt"}))
        << "neither the launch folder nor one of its 301 names";
    EXPECT_EQ(namelessQuestions, 1) << "the system icon list, asked without a name";
    EXPECT_EQ(List()->Directory(), sendTo);
}

TEST_F(StartupTest, AFolderThatCannotBeEnteredGivesTheErrorThenAnEmptyListUntilItExists) {
    const auto checkRow = [&](const BlockedSendTo& c) {
        SCOPED_TRACE(c.label);
        // Each row starts from a profile of its own, and leaves it with the
        // launch folder current again, however it ends.
        const TempFolder rowProfile(L"profil");
        const CurrentFolderScope backInLaunch;
        const std::wstring sendTo = rowProfile.Path(L"SendTo");
        if (c.fileInItsPlace) rowProfile.Touch(L"SendTo", "bouche-trou");
        rowProfile.Touch(L"voisin.txt", "voisin");
        const std::vector<std::wstring> launchBefore = FolderContents(launch.Path());
        const std::vector<std::wstring> profileBefore = FolderContents(rowProfile.Path());
        shellAnswer = sendTo;
        askedNames.clear();

        const std::vector<SeenDialog> boxes = Start();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, Application->Title());
        EXPECT_EQ(boxes[0].text, c.error);
        EXPECT_EQ(SendToPath, sendTo);
        EXPECT_EQ(List()->Count(), 0);
        EXPECT_EQ(List()->Directory(), L"");
        EXPECT_TRUE(askedNames.empty());

        {
            DialogAnswerer answers({Action::Ok, Action::Ok, Action::Ok});
            form->mnu_LANCERClick(nullptr);
            form->Supprimer1Click(nullptr);
            // A drop is still asked about; its copy fails without a word.
            form->FileDragDrop1Drop(nullptr, {4, 4}, {launch.Path(L"precieux.txt")});
            ASSERT_TRUE(SawDialogs(answers.Seen(), 3u));
            EXPECT_EQ(answers.Seen()[0].text, L"Pas de fichier à lancer");
            EXPECT_EQ(answers.Seen()[1].text, L"Pas de fichier à supprimer");
            EXPECT_EQ(answers.Seen()[2].buttons, (std::vector<std::wstring>{L"OK", L"Annuler"}));
        }
        EXPECT_EQ(List()->Count(), 0);
        EXPECT_EQ(FolderContents(launch.Path()), launchBefore) << "the launch folder is untouched";
        EXPECT_EQ(FolderContents(rowProfile.Path()), profileBefore) << "nothing next to the SendTo folder changed";

        {
            // Still missing: the refresh says so again and lists nothing else.
            DialogAnswerer answers({Action::Ok});
            Refresh();
            ASSERT_TRUE(SawDialogs(answers.Seen(), 1u));
            EXPECT_EQ(answers.Seen()[0].text, c.error);
            EXPECT_EQ(List()->Count(), 0);
        }

        ::DeleteFileW(sendTo.c_str());
        rowProfile.MakeFolder(L"SendTo");
        rowProfile.Touch(L"SendTo\\Nouveau.txt");
        {
            DialogAnswerer answers({});
            Refresh();
            EXPECT_TRUE(SawDialogs(answers.Seen(), 0));
        }
        EXPECT_EQ(Listed(), std::vector<std::wstring>{L"Nouveau.txt"});
        EXPECT_EQ(List()->Directory(), sendTo);

        form.reset();
    };
    for (const BlockedSendTo& c : BlockedSendToCases()) checkRow(c);
}
