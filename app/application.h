// The application object: the hidden application window, the message loop,
// error reporting and the main window's life.
#pragma once

#include "application_host.h"
#include "form.h"
#include "win_control.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TApplicationWindow;

class TApplication final : public TApplicationHost {
public:
    TApplication();
    ~TApplication() override;

    void Initialize();
    bool MainFormOnTaskBar() const noexcept override { return mainFormOnTaskBar_; }
    void SetMainFormOnTaskBar(bool value);

    // Creates a form owned by the application; `ref` refers to it before its
    // layout is read. The first form created becomes the main form.
    template <typename T>
    void CreateForm(T*& ref) {
        creatingMainForm_ = mainForm_ == nullptr;
        T* form = Create<T>();
        ref = form;
        try {
            FormConstructed(form);
        } catch (...) {
            ref = nullptr;
            throw;
        }
    }

    void Run();
    void HandleMessage() override;
    void Terminate() override;
    // Terminate, WM_QUIT taken, the end of the session.
    bool Closing() const noexcept override { return closing_ || terminated_; }
    void Minimize();
    // The shutdown step: destroys the forms the application owns.
    void DestroyForms() { DestroyComponents(); }

    void HandleException(TComponent* sender, const std::exception_ptr& error) override;
    void ShowException(const std::exception_ptr& error);
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

    HWND Handle() const noexcept override;
    const std::wstring& Title() const noexcept override { return title_; }
    HICON Icon() const noexcept override { return icon_; }
    TForm* MainForm() const noexcept override { return mainForm_; }
    bool TakeCreatingMainForm() noexcept override { return std::exchange(creatingMainForm_, false); }

    // Whether the platform draws with visual styles: asked at start and again
    // when the application window hears WM_THEMECHANGED.
    bool VisualStylesActive() const noexcept override { return visualStylesActive_; }

    // Keeps topmost windows owned by the main window out of the way while
    // another program is active.
    void NormalizeTopMosts();
    void RestoreTopMosts();


    // Where the process goes when Windows ends the session.
    std::function<void()> OnEndSession;

    static std::wstring TitleFromModulePath(const std::wstring& path);

private:
    void FormConstructed(TForm* form);
    bool ProcessMessage(MSG& msg);
    bool IsKeyMessage(MSG& msg);
    void Idle();
    void RestoreStayOnTopMainForm();
    // The palette changed: every form of the program follows.
    void RepaintForms();
    int StartupShowCommand() const;
    friend class TApplicationWindow;
    // The application window's own handling; false leaves it to the platform.
    bool ApplicationMessage(TMessage& message);

    bool oleInitialized_ = false;
    bool comInitialized_ = false;
    std::wstring title_;
    HICON icon_ = nullptr;  // a shared resource icon, never destroyed
    std::unique_ptr<TApplicationWindow> window_;
    TForm* mainForm_ = nullptr;
    bool mainFormOnTaskBar_ = false;
    bool creatingMainForm_ = false;
    bool terminated_ = false;
    bool closing_ = false;
    int topMostLevel_ = 0;
    std::vector<HWND> topMostList_;
    bool visualStylesActive_ = false;
};

extern TApplication* Application;
