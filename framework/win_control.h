// The one base of every control that wraps a native window.
#pragma once

#include "accessibility.h"
#include "component.h"
#include "win_handles.h"

#include <functional>
#include <string>
#include <vector>

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// Sees a control's messages before the control's own handling; true when it
// handled the message, which then goes no further.
using TMessageFilter = std::function<bool(TMessage&)>;

// Notifications that a parent hands back to the control they concern.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
// The colours a control is drawn in, asked of its parent: WParam the DC,
// the answer a brush, or 0 for the parent's own answer.
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

// What a control tells the filters set on it about its window, so that a
// component acting for the control (the drop target) gives every window the
// control makes, re-created ones included, what it needs.
constexpr UINT CM_BASE = 0xB000;
// Before the window is made; LParam: the TCreateParams, for the filter to add to.
constexpr UINT CM_CREATEPARAMS = CM_BASE + 1;
// The window exists and is placed.
constexpr UINT CM_WINDOWCREATED = CM_BASE + 2;

// Whether a key message's data marks a repeat: the key was already down
// (bit 30), held rather than pressed again.
inline bool IsKeyRepeat(LPARAM keyData) noexcept { return (keyData & (LPARAM{1} << 30)) != 0; }

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

struct TCreateParams {
    std::wstring ClassName;      // the window class to create
    std::wstring SystemClass;    // a platform class to base it on, or empty for our own
    std::wstring Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    UINT ClassStyle = 0;
    HCURSOR Cursor = nullptr;
    HICON Icon = nullptr;
};

class TWinControl : public TComponent {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The native window; created on first request, with its parent's first.
    HWND Handle();
    bool HandleAllocated() const noexcept { return handle_ != nullptr; }
    // The control whose native window this is, if any.
    static TWinControl* FromHandle(HWND window) noexcept;

    TWinControl* Parent() const noexcept { return parent_; }
    void SetParent(TWinControl* parent);
    const std::vector<TWinControl*>& Controls() const noexcept { return controls_; }

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetBounds(int left, int top, int width, int height);
    TAlign Align() const noexcept { return align_; }
    void SetAlign(TAlign align) { align_ = align; }

    // The parent form moves to a monitor of another resolution: before it
    // begins, and once it has laid its controls out there. The bounds
    // changes between are steps on the way, not places to act on.
    virtual void RescaleStarting() {}
    virtual void RescaleDone() {}

    // Sends a message straight to the control's message procedure.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // The one way for a component to see a control's messages before the
    // control does: a filter in front of the control's own handling (the
    // drop target on the list, the cancellation watch on a task dialog).
    // Filters sit on the control, not on the window, so a re-created window
    // keeps them. Each component has at most one filter on a control, set
    // and removed by that component only; filters of several components all
    // stay, and see each message in the order they were set until one
    // handles it.
    //
    // Other paths stay because they do other work: the form's key
    // pre-processing (PreProcessKey) sees keys in the message loop before
    // translation, so that a key taken there makes no character; the CN_*
    // pass-back hands a parent's notifications to the control they concern;
    // the status bar's tooltip subclasses the bar through the platform's own
    // TTF_SUBCLASS, to see the mouse; the modal scope's hooks watch every
    // window of the thread, the platform's dialogs included, which no
    // control wraps.
    void SetMessageFilter(const void* setter, TMessageFilter filter);
    void RemoveMessageFilter(const void* setter) noexcept;

    // What screen readers are told of the window (or of one of its parts),
    // now and for every window the control makes later.
    void Annotate(const TAccAnnotation& annotation) { annotations_.Set(handle_, annotation); }

protected:
    virtual void CreateParams(TCreateParams& params);
    void CreateWnd();
    // Runs once the native window exists and is placed.
    virtual void CreateWindowDone() {}
    void DestroyHandle();
    void RecreateWnd();

    virtual void WndProc(TMessage& message);
    // The platform's own handling of the message.
    void DefaultHandler(TMessage& message);
    // The native bounds changed: record them (the form lays out its children).
    virtual void BoundsChanged() {}

    bool HoldsWindow() const noexcept override { return true; }
    UINT ControlId() const noexcept { return id_; }
    // Routes the messages of a window made by the platform through this control.
    void Subclass(HWND window);

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    void Dispatch(TMessage& message);
    void TellFilters(UINT msg, LPARAM lParam);
    void Bind(HWND window);
    void WindowGone();
    bool ReflectToChild(TMessage& message);
    static HBRUSH DarkControlColors(const TMessage& message);
    void UpdateBoundsFromWindow();

    // The control owns its window until the window reports WM_NCDESTROY:
    // the window's own WM_DESTROY and WM_NCDESTROY still find the control
    // holding it, and WindowGone lets go of it there, whoever destroyed it.
    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = ::DefWindowProcW;
    TWinControl* parent_ = nullptr;
    std::vector<TWinControl*> controls_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = TAlign::alNone;
    bool windowClosing_ = false;
    UINT id_;
    struct TSetFilter {
        const void* setter;
        TMessageFilter filter;
    };
    std::vector<TSetFilter> filters_;
    TAccAnnotations annotations_;
};

// A window that a platform dialog made for itself, seen through the window
// base while it lives: its messages pass the control's filter first.
class TPlatformWindow final : public TWinControl {
public:
    explicit TPlatformWindow(HWND window) : TWinControl(nullptr) { Subclass(window); }
};
