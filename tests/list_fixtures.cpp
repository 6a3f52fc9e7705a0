#include "list_fixtures.h"

#include "application.h"
#include "send_to_location.h"
#include "shell_file_list_box.h"

void MainFormTest::SetUp() {
    ShellCalls().clear();
    form = Application->Create<TForm1>();
    form->ReadLayout();
    SendToPath = folder.Path();
    List()->SetDirectory(folder.Path());
}

void MainFormTest::TearDown() {
    if (form) Application->DestroyComponent(form);
    PumpMessages();
}

HWND MainFormTest::ListWindow() const { return List()->Handle(); }

void MainFormTest::Select(const std::wstring& fileName) {
    SelectFile(*List(), fileName);
    ASSERT_EQ(List()->FileName(), folder.Path(fileName));
}

void MainFormTest::ShowForm() {
    form->Show();
    ::SetForegroundWindow(form->Handle());
    ::SetFocus(ListWindow());
    ASSERT_TRUE(PumpUntil([&] {
        return ::GetForegroundWindow() == form->Handle() && ::GetActiveWindow() == form->Handle() &&
               ::GetFocus() == ListWindow();
    })) << "the window did not come to the front with the focus on its list";
}

std::vector<ShellCall>& ShellCalls() {
    static std::vector<ShellCall> calls;
    return calls;
}

std::vector<std::wstring> OpenedFiles() {
    std::vector<std::wstring> files;
    for (const ShellCall& call : ShellCalls()) files.push_back(call.file);
    return files;
}

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                    INT show) {
    ShellCalls().push_back({owner, verb ? verb : L"(null)", file ? file : L"(null)", parameters == nullptr,
                            directory == nullptr, show});
    // Above 32: the shell's answer for success.
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

void PlainListTest::SetUp() {
    window_.emplace();
    form_ = &window_->Form();
    list_ = &window_->List();
}

void PlainListTest::TearDown() {
    window_.reset();
}
