// The application object: the hidden application window, the message loop,
// error reporting and the main window's life.
#pragma once

#include "app/component.h"
#include "app/win_control.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TForm;
class TApplicationWindow;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    void Initialize();
    bool MainFormOnTaskBar() const noexcept { return mainFormOnTaskBar_; }
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
    void HandleMessage();
    void Terminate();
    bool Terminated() const noexcept { return terminated_; }
    // True once the program has begun to close (Terminate, WM_QUIT taken,
    // the end of the session): no command goes on from then.
    bool Closing() const noexcept { return closing_ || terminated_; }
    void Minimize();
    // The shutdown step: destroys the forms the application owns.
    void DestroyForms() { DestroyComponents(); }

    void HandleException(TComponent* sender, const std::exception_ptr& error);
    void ShowException(const std::exception_ptr& error);
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

    // The hidden application window.
    HWND Handle() const noexcept;
    const std::wstring& Title() const noexcept { return title_; }
    HICON Icon() const noexcept { return icon_; }
    TForm* MainForm() const noexcept { return mainForm_; }
    bool CreatingMainForm() const noexcept { return creatingMainForm_; }
    // Hands the creating-main-form flag to the form that is being built.
    bool TakeCreatingMainForm() noexcept { return std::exchange(creatingMainForm_, false); }

    // Counts open modal windows (TModalScope).
    void ModalStarted() noexcept { ++modalLevel_; }
    void ModalFinished() noexcept { --modalLevel_; }
    int ModalLevel() const noexcept { return modalLevel_; }

    // Whether the platform draws with visual styles: asked at start and again
    // when the application window hears WM_THEMECHANGED.
    bool VisualStylesActive() const noexcept { return visualStylesActive_; }

    // Keeps topmost windows owned by the main window out of the way while
    // another program is active.
    void NormalizeTopMosts();
    void RestoreTopMosts();

    // The window a dialog should belong to: the active window, else the
    // application window's last active popup.
    HWND ActiveWindow() const noexcept;

    // Where the process goes when Windows ends the session.
    std::function<void()> OnEndSession;

    // Lets a test start the process as a shortcut with a show command would.
    void SetStartupShowCommandForTesting(int command) noexcept { startupShowForTesting_ = command; }

    static std::wstring TitleFromModulePath(const std::wstring& path);

private:
    void FormConstructed(TForm* form);
    bool ProcessMessage(MSG& msg);
    bool IsKeyMessage(MSG& msg);
    void Idle();
    void RestoreStayOnTopMainForm();
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
    bool running_ = false;
    TWindowState initialState_ = TWindowState::wsNormal;
    int modalLevel_ = 0;
    int topMostLevel_ = 0;
    std::vector<HWND> topMostList_;
    int startupShowForTesting_ = -1;
    bool visualStylesActive_ = false;
};

extern TApplication* Application;
