// The keys of the main window's list (Enter, Delete, F5, Ctrl+V) pressed
// through the application's own loop, with the dialogs answered and the
// shell call recorded; and the message filter that lets drops into the
// program run as administrator.
#include "test_support.h"

#include "application.h"
#include "main_form.h"
#include "win_handles.h"
#include "elevated_drops.h"
#include "platform_calls.h"
#include "shell_file_list_box.h"
#include "folder_commands.h"
#include "send_to_location.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using Action = DialogAnswerer::Action;

std::vector<std::wstring> opened;

HINSTANCE WINAPI RecordShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    opened.push_back(file);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

// The Ctrl key as the key handling reads it, for posted keys.
class CtrlHeld {
public:
    explicit CtrlHeld(bool held) {
        ::GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof(state));
        state[VK_CONTROL] = held ? 0x80 : 0;
        ::SetKeyboardState(state);
    }
    ~CtrlHeld() { ::SetKeyboardState(saved_); }
    CtrlHeld(const CtrlHeld&) = delete;
    CtrlHeld& operator=(const CtrlHeld&) = delete;

private:
    BYTE saved_[256];
};

class ListKeysTest : public testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        form = Application->Create<TForm1>();
        form->ReadLayout();
        SendToPath = folder.Path();
        List()->SetDirectory(folder.Path());
        form->Show();
        ::SetForegroundWindow(form->Handle());
        ::SetFocus(List()->Handle());
    }
    void TearDown() override {
        Application->DestroyComponent(form);
        SendToPath.clear();
        ::SetCurrentDirectoryW(L"C:\\");
    }

    TShellFileListBox* List() const { return form->ShellFileListBox1; }

    void Select(const wchar_t* fileName) {
        List()->SetItemIndex(-1);
        for (int i = 0; fileName && i < List()->Count(); ++i)
            if (List()->EntryFileName(i) == fileName) List()->SetItemIndex(i);
    }
    std::wstring Selected() const {
        const int index = List()->ItemIndex();
        return index < 0 ? L"(none)" : List()->EntryFileName(index);
    }
    bool Lists(const std::wstring& name) const {
        for (int i = 0; i < List()->Count(); ++i)
            if (List()->EntryFileName(i) == name) return true;
        return false;
    }
    // Presses the key on the list as the user would, through the main loop.
    void Press(UINT vk, bool ctrl = false) {
        CtrlHeld state(ctrl);
        DialogAnswerer::PostKey(List()->Handle(), vk);
        RunMainLoopUntil([] { return false; }, 300);
    }
    void PutOnClipboard(UINT format, HANDLE data) {
        win::ClipboardScope clipboard(form->Handle());
        ASSERT_TRUE(clipboard.opened());
        ::EmptyClipboard();
        ::SetClipboardData(format, data);
    }

    // The shell only records what it is asked to open.
    TPlatformOverride<ShellExecuteFn> recordShell{Platform().ShellExecuteW, &RecordShellExecute};
    TempFolder folder;
    TForm1* form = nullptr;
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
    const std::wstring remove = kRemoveQuestion + L"Outil.txt";
    const Case cases[] = {
        {"Enter, nothing selected", VK_RETURN, nullptr, {Action::Ok}, {L"Pas de fichier à lancer"}, false, false},
        {"Enter, cancelled", VK_RETURN, L"Outil.txt", {Action::Cancel}, {L"Lancer Outil.txt"}, false, false},
        {"Enter, confirmed", VK_RETURN, L"Outil.txt", {Action::Ok}, {L"Lancer Outil.txt"}, true, false},
        {"Delete, nothing selected", VK_DELETE, nullptr, {Action::Ok}, {L"Pas de fichier à supprimer"}, false,
         false},
        {"Delete, cancelled", VK_DELETE, L"Outil.txt", {Action::Cancel}, {remove}, false, false},
        {"Delete, confirmed", VK_DELETE, L"Outil.txt", {Action::Ok, Action::Cancel}, {remove, kRemoveByHand}, false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        opened.clear();
        const std::wstring tool = folder.Touch(L"Outil.txt");
        List()->Update();
        Select(c.select);
        DialogAnswerer answers(c.answers);
        Press(c.key);
        ASSERT_EQ(answers.Seen().size(), c.texts.size());
        for (size_t i = 0; i < c.texts.size(); ++i) EXPECT_EQ(answers.Seen()[i].text, c.texts[i]);
        EXPECT_EQ(opened, c.launched ? std::vector<std::wstring>{tool} : std::vector<std::wstring>{});
        EXPECT_EQ(FileExists(tool), !c.removed);
    }
}

TEST_F(ListKeysTest, F5ReadsTheFolderAgainLikeRaffraichir) {
    folder.Touch(L"Outil.txt");
    List()->Update();
    Select(L"Outil.txt");
    folder.Touch(L"Ajout.txt");
    DialogAnswerer answers({});
    Press(VK_F5);
    EXPECT_TRUE(answers.Seen().empty());
    EXPECT_TRUE(Lists(L"Ajout.txt"));
    EXPECT_EQ(Selected(), L"(none)");
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::DeleteFileW(folder.Path(L"Collé.txt").c_str());
        if (c.files) {
            PutOnClipboard(CF_HDROP, MakeDrop({first, second}, {0, 0}));
        } else {
            const std::wstring text = first;
            HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
            std::memcpy(win::GlobalLockScope<wchar_t>(block).get(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
            PutOnClipboard(CF_UNICODETEXT, block);
        }
        DialogAnswerer answers({c.answer});
        Press('V', true);
        ASSERT_EQ(answers.Seen().size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(answers.Seen()[0].text, kAddQuestion + L"Collé.txt");
        }
        EXPECT_EQ(ReadFileBytes(folder.Path(L"Collé.txt")), c.copied ? "premier" : "");
        EXPECT_EQ(Lists(L"Collé.txt"), c.copied);
        EXPECT_FALSE(FileExists(folder.Path(L"Autre.txt")));
    }
}

TEST_F(ListKeysTest, TypeAheadAndArrowsStillMoveTheSelectionWithoutACommand) {
    folder.Touch(L"alpha.txt");
    folder.Touch(L"bravo.txt");
    folder.Touch(L"charlie.txt");
    List()->Update();
    DialogAnswerer answers({});
    Press('B');
    EXPECT_EQ(Selected(), L"bravo.txt");
    Press(VK_DOWN);
    EXPECT_EQ(Selected(), L"charlie.txt");
    EXPECT_TRUE(answers.Seen().empty());
}

TEST_F(ListKeysTest, AKeyForTheListWhileAQuestionIsUpStartsNoCommand) {
    folder.Touch(L"Outil.txt");
    List()->Update();
    Select(L"Outil.txt");
    DialogAnswerer answers({Action::Custom, Action::Cancel}, [&](HWND question) {
        DialogAnswerer::PostKey(List()->Handle(), VK_DELETE);
        RunMainLoopUntil([] { return false; }, 300);
        DialogAnswerer::ClickButton(question, L"Annuler");
    });
    Press(VK_RETURN);
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(answers.Seen()[0].text, L"Lancer Outil.txt");
    EXPECT_TRUE(FileExists(folder.Path(L"Outil.txt")));
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

}  // namespace

TEST(ElevatedDrops, TheListsWindowLetsTheShellsDropMessagesThrough) {
    filterCalls.clear();
    TPlatformOverride recorder(Platform().ChangeWindowMessageFilterEx, &RecordFilter);
    auto* form = Application->Create<TForm1>();
    form->ReadLayout();
    HWND list = form->ShellFileListBox1->Handle();
    std::vector<UINT> allowed;
    for (const FilterCall& call : filterCalls) {
        EXPECT_EQ(call.window, list);
        EXPECT_EQ(call.action, static_cast<DWORD>(MSGFLT_ALLOW));
        allowed.push_back(call.message);
    }
    std::sort(allowed.begin(), allowed.end());
    EXPECT_EQ(allowed, (std::vector<UINT>{kCopyGlobalData, WM_COPYDATA, WM_DROPFILES}));
    Application->DestroyComponent(form);
}
