#include "window_support.h"

#include "application.h"
#include "form.h"
#include "main_form.h"
#include "screen.h"
#include "shell_file_list_box.h"

ProgramFramework::ProgramFramework()
    : screen_(std::make_unique<TScreen>()) {
    Screen = screen_.get();
    application_ = std::make_unique<TApplication>();
    Application = application_.get();
    Application->Initialize();
    Application->SetMainFormOnTaskBar(true);
}

ProgramFramework::~ProgramFramework() {
    application_.reset();
    Application = nullptr;
    screen_.reset();
    Screen = nullptr;
}

PlainListWindow::PlainListWindow() : form_(Application->Create<TForm>()) {
    form_->SetBounds(0, 0, 400, 300);
    list_ = MakeList();
}

PlainListWindow::~PlainListWindow() { Application->DestroyComponent(form_); }

TShellFileListBox* PlainListWindow::MakeList() {
    auto* list = form_->Create<TShellFileListBox>();
    list->SetParent(form_);
    list->SetBounds(0, 0, TForm1::DesignClientWidth, TForm1::DesignListHeight);
    list->SetColumns(2);
    list->SetShowGlyphs(true);
    list->Font().SetHeight(TForm1::DesignListFontHeight);
    list->FontChanged();
    list->Handle();
    return list;
}

ReadingCounter::ReadingCounter(std::wstring marker) {
    marker_ = std::move(marker);
    count_ = 0;
}

DWORD_PTR WINAPI ReadingCounter::CountAndAsk(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size,
                                              UINT flags) {
    if (path && marker_ == path) ++count_;
    return SystemCalls().SHGetFileInfoW(path, attributes, info, size, flags);
}
