#include "win_control.h"

#include "application_host.h"
#include "exceptions.h"
#include "resource_ids.h"
#include "screen.h"

#include <algorithm>

namespace {

UINT NextControlId() {
    static UINT next = 100;
    return next++;
}

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TComponent(owner), id_(NextControlId()) {}

TWinControl::~TWinControl() {
    MarkDestroying();
    DestroyHandle();
    SetParent(nullptr);
    for (TWinControl* child : controls_) child->parent_ = nullptr;
}

TWinControl* TWinControl::FromHandle(HWND window) noexcept {
    if (!window || ::GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&StaticWndProc))
        return nullptr;
    return reinterpret_cast<TWinControl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void TWinControl::SetParent(TWinControl* parent) {
    if (parent_ == parent) return;
    if (parent_) std::erase(parent_->controls_, this);
    parent_ = parent;
    if (parent_) parent_->controls_.push_back(this);
}

HWND TWinControl::Handle() {
    if (!handle_) CreateWnd();
    return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.Style = parent_ ? WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE : WS_POPUP;
    params.Cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    if (parent_) params.WndParent = parent_->Handle();
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    TellFilters(CM_CREATEPARAMS, reinterpret_cast<LPARAM>(&params));
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const bool ownClass = params.SystemClass.empty();
    if (ownClass) {
        WNDCLASSEXW existing{sizeof(existing)};
        if (!::GetClassInfoExW(instance, params.ClassName.c_str(), &existing)) {
            WNDCLASSEXW wc{sizeof(wc)};
            wc.style = params.ClassStyle;
            wc.lpfnWndProc = &StaticWndProc;
            wc.hInstance = instance;
            wc.hCursor = params.Cursor;
            wc.hIcon = params.Icon;
            // The same icon for the small size: left empty, the platform
            // would scale a copy from the resource at registration.
            wc.hIconSm = params.Icon;
            wc.lpszClassName = params.ClassName.c_str();
            if (!::RegisterClassExW(&wc)) throw EOutOfResources(LoadResString(IDS_WINDOW_CLASS_ERROR));
        }
    }
    const std::wstring& windowClass = ownClass ? params.ClassName : params.SystemClass;
    HMENU idOrMenu = (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id_)) : nullptr;
    HWND window = ::CreateWindowExW(params.ExStyle, windowClass.c_str(), params.Caption.c_str(), params.Style,
                                    params.X, params.Y, params.Width, params.Height, params.WndParent, idOrMenu,
                                    instance, this);
    if (!window) throw EOutOfResources(LoadResString(IDS_WINDOW_CLASS_ERROR));
    if (!ownClass) Subclass(window);
    annotations_.TellWindow(window);
    // Some controls size themselves while they are created: a child keeps
    // the bounds its parent's layout gave it.
    if (params.Style & WS_CHILD)
        ::SetWindowPos(window, nullptr, params.X, params.Y, params.Width, params.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
    TellFilters(CM_WINDOWCREATED, 0);
    CreateWindowDone();
}

void TWinControl::Subclass(HWND window) {
    Bind(window);
    defWndProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWndProc)));
}

void TWinControl::Bind(HWND window) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (!handle_) handle_ = window;
}

void TWinControl::WindowGone() {
    annotations_.ClearFromWindow(handle_);
    ::SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    if (defWndProc_ != ::DefWindowProcW)
        ::SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defWndProc_));
    handle_ = nullptr;
    defWndProc_ = ::DefWindowProcW;
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    windowClosing_ = true;
    ::DestroyWindow(handle_);
    // Also when the platform refused: the control no longer holds a window.
    handle_ = nullptr;
    windowClosing_ = false;
}

void TWinControl::RecreateWnd() {
    if (!handle_) return;
    DestroyHandle();
    CreateWnd();
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* control = reinterpret_cast<TWinControl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!control && msg == WM_NCCREATE) {
        control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (control) control->Bind(window);
    }
    if (!control) return ::DefWindowProcW(window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    try {
        control->Dispatch(message);
    } catch (...) {
        // A window that outlives the application has no one to tell.
        if (ApplicationHost) ApplicationHost->HandleException(control, std::current_exception());
    }
    if (msg == WM_NCDESTROY) control->WindowGone();
    return message.Result;
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    Dispatch(message);
    return message.Result;
}

void TWinControl::SetMessageFilter(const void* setter, TMessageFilter filter) {
    auto own = std::find_if(filters_.begin(), filters_.end(), [setter](const TSetFilter& f) { return f.setter == setter; });
    if (own != filters_.end()) own->filter = std::move(filter);
    else filters_.push_back({setter, std::move(filter)});
}

void TWinControl::RemoveMessageFilter(const void* setter) noexcept {
    std::erase_if(filters_, [setter](const TSetFilter& f) { return f.setter == setter; });
}

void TWinControl::TellFilters(UINT msg, LPARAM lParam) {
    const std::vector<TSetFilter> filters = filters_;
    for (const TSetFilter& set : filters) {
        TMessage message{msg, 0, lParam, 0};
        (void)set.filter(message);
    }
}

void TWinControl::Dispatch(TMessage& message) {
    // A copy: a filter may remove itself, or another, while it runs.
    const std::vector<TSetFilter> filters = filters_;
    for (const TSetFilter& set : filters)
        if (set.filter(message)) return;
    WndProc(message);
}

bool TWinControl::ReflectToChild(TMessage& message) {
    HWND child = nullptr;
    switch (message.Msg) {
    case WM_COMMAND: child = reinterpret_cast<HWND>(message.LParam); break;
    case WM_DRAWITEM: child = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam)->hwndItem; break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
        // A control that keeps the default colours leaves the answer to the platform.
        TWinControl* target = FromHandle(reinterpret_cast<HWND>(message.LParam));
        if (!target || target == this) return false;
        message.Result = target->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
        return message.Result != 0;
    }
    case WM_MEASUREITEM: {
        // Sent while the child is still being created: find it by its identifier.
        const UINT id = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam)->CtlID;
        auto it = std::find_if(controls_.begin(), controls_.end(),
                               [id](TWinControl* c) { return c->id_ == id; });
        if (it == controls_.end()) return false;
        message.Result = (*it)->Perform(CN_MEASUREITEM, message.WParam, message.LParam);
        return true;
    }
    default: return false;
    }
    TWinControl* target = FromHandle(child);
    if (!target || target == this) return false;
    message.Result = target->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

void TWinControl::UpdateBoundsFromWindow() {
    RECT r{};
    ::GetWindowRect(handle_, &r);
    if (HWND parent = ::GetParent(handle_); parent && (::GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    // A window already there is not moved again: the layout passes of the
    // first showing would otherwise repeat every child's position messages.
    if (handle_ && left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_)
        ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        if (ReflectToChild(message)) return;
        break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORSTATIC:
        message.Result = reinterpret_cast<LRESULT>(DarkControlColors(message));
        return;
    case WM_SETCURSOR:
        if (Screen->Cursor() != crDefault && LOWORD(message.LParam) == HTCLIENT) {
            ::SetCursor(Screen->CursorHandle());
            message.Result = TRUE;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(message);
        UpdateBoundsFromWindow();
        // A window on its way out is hidden, not resized: nothing to lay out,
        // and a control must not re-create the window it is destroying.
        if (!windowClosing_) BoundsChanged();
        return;
    default:
        break;
    }
    DefaultHandler(message);
}

// The platform's controls know only the system's colours: in the dark
// palette their parent gives them its own. Boxes and lists are drawn on the
// window colour, labels and buttons on the face colour.
HBRUSH TWinControl::DarkControlColors(const TMessage& message) {
    if (!Screen->DarkColors()) return nullptr;
    const bool onWindow = message.Msg == CN_CTLCOLOREDIT || message.Msg == CN_CTLCOLORLISTBOX;
    const int back = onWindow ? COLOR_WINDOW : COLOR_BTNFACE;
    const int text = onWindow ? COLOR_WINDOWTEXT : COLOR_BTNTEXT;
    const auto dc = reinterpret_cast<HDC>(message.WParam);
    ::SetTextColor(dc, Screen->SchemeColor(text));
    ::SetBkColor(dc, Screen->SchemeColor(back));
    return Screen->SchemeBrush(back);
}

void TWinControl::DefaultHandler(TMessage& message) {
    message.Result = ::CallWindowProcW(defWndProc_, handle_, message.Msg, message.WParam, message.LParam);
}
