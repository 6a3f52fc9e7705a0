// What the framework's windows need of the program's application object. The
// application registers itself here while it exists; the framework knows it
// only through this interface, never through the program's own class.
#pragma once

#include "component.h"

#include <windows.h>

#include <exception>
#include <string>

class TForm;

class TApplicationHost : public TComponent {
public:
    TApplicationHost();
    ~TApplicationHost() override;

    // The one error sink: an exception that left an event handler or a
    // window's message handling, reported to the user; the program goes on.
    virtual void HandleException(TComponent* sender, const std::exception_ptr& error) = 0;
    // Takes and handles one message, or waits for one: a modal loop's step.
    virtual void HandleMessage() = 0;
    virtual void Terminate() = 0;
    // True once the program has begun to close: no command goes on from then.
    virtual bool Closing() const noexcept = 0;

    virtual TForm* MainForm() const noexcept = 0;
    virtual bool MainFormOnTaskBar() const noexcept = 0;
    // Hands the creating-main-form flag to the form that is being built.
    virtual bool TakeCreatingMainForm() noexcept = 0;
    // The hidden application window.
    virtual HWND Handle() const noexcept = 0;
    virtual const std::wstring& Title() const noexcept = 0;
    virtual HICON Icon() const noexcept = 0;
    // Whether the platform draws with visual styles.
    virtual bool VisualStylesActive() const noexcept = 0;

    // Counts open modal windows (TModalScope).
    void ModalStarted() noexcept { ++modalLevel_; }
    void ModalFinished() noexcept { --modalLevel_; }
    int ModalLevel() const noexcept { return modalLevel_; }

private:
    int modalLevel_ = 0;
};

// The application while it exists, else null.
extern TApplicationHost* ApplicationHost;
