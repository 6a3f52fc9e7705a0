// The benchmarks' window: the framework set up as the program sets it up, and
// a shown form that the list fills, in two columns with icons.
#pragma once

#include "application.h"
#include "form.h"
#include "screen.h"
#include "shell_file_list_box.h"

#include <memory>

class TListWindow {
public:
    TListWindow() {
        Screen = screen_.get();
        Application = application_.get();
        auto* form = Application->Create<TForm>();
        form->SetBounds(100, 100, 400, 300);
        list_ = form->Create<TShellFileListBox>();
        list_->SetParent(form);
        list_->SetAlign(TAlign::alClient);
        list_->SetColumns(2);
        list_->SetShowGlyphs(true);
        form->Show();
    }
    ~TListWindow() {
        application_.reset();
        Application = nullptr;
        Screen = nullptr;
    }
    TListWindow(const TListWindow&) = delete;
    TListWindow& operator=(const TListWindow&) = delete;

    TShellFileListBox& List() const noexcept { return *list_; }

private:
    std::unique_ptr<TScreen> screen_ = std::make_unique<TScreen>();
    std::unique_ptr<TApplication> application_ = std::make_unique<TApplication>();
    TShellFileListBox* list_ = nullptr;
};
