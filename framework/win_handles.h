// Move-only owners for the platform handles the program holds.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shtypes.h>

#include <cstdint>
#include <memory>
#include <utility>

namespace win {

// Owns one handle of type H; Close is called once when the owner lets go.
// NullValue is the handle value that means "none" (0, or -1 for some kinds).
template <typename H, auto Close, intptr_t NullValue = 0>
class UniqueHandle {
    static H NullHandle() noexcept { return (H)(NullValue); }

public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, NullHandle())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, NullHandle()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != NullHandle(); }
    H release() noexcept { return std::exchange(h_, NullHandle()); }
    void reset(H h = NullHandle()) noexcept {
        if (h_ != NullHandle()) Close(h_);
        h_ = h;
    }

private:
    H h_ = NullHandle();
};

inline void DestroyWindowHandle(HWND h) { ::DestroyWindow(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void DestroyMenuHandle(HMENU h) { ::DestroyMenu(h); }
inline void DestroyImageListHandle(HIMAGELIST h) { ::ImageList_Destroy(h); }
inline void FinishDrop(HDROP h) { ::DragFinish(h); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
inline void FreeLibraryHandle(HMODULE h) { ::FreeLibrary(h); }
inline void DeleteDcHandle(HDC h) { ::DeleteDC(h); }
inline void UnhookHandle(HHOOK h) { ::UnhookWindowsHookEx(h); }
inline void CloseChangeNotification(HANDLE h) { ::FindCloseChangeNotification(h); }

using UniqueHwnd = UniqueHandle<HWND, DestroyWindowHandle>;
using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniqueIcon = UniqueHandle<HICON, DestroyIconHandle>;
using UniqueMenu = UniqueHandle<HMENU, DestroyMenuHandle>;
// Never give the shell's shared system image list to this owner.
using UniqueImageList = UniqueHandle<HIMAGELIST, DestroyImageListHandle>;
using UniqueDrop = UniqueHandle<HDROP, FinishDrop>;
using UniqueFind = UniqueHandle<HANDLE, CloseFind, -1>;
using UniqueFile = UniqueHandle<HANDLE, CloseKernelHandle, -1>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using UniqueGlobal = UniqueHandle<HGLOBAL, FreeGlobal>;
using UniqueLibrary = UniqueHandle<HMODULE, FreeLibraryHandle>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteDcHandle>;
using UniqueHook = UniqueHandle<HHOOK, UnhookHandle>;
using UniqueChangeNotification = UniqueHandle<HANDLE, CloseChangeNotification, -1>;

// A COM interface pointer, released once.
struct ReleaseCom {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename T>
using UniqueCom = std::unique_ptr<T, ReleaseCom>;

// What the shell allocates for its caller (SHGetKnownFolderPath's text, an
// item's identifier list), freed once.
struct FreeCoTaskMem {
    void operator()(void* block) const noexcept { ::CoTaskMemFree(block); }
};
using UniqueCoTaskText = std::unique_ptr<wchar_t, FreeCoTaskMem>;
using UniqueItemIdList = std::unique_ptr<ITEMIDLIST, FreeCoTaskMem>;

// GetDC / ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { if (dc_) ::ReleaseDC(window_, dc_); }
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// ImmGetContext / ImmReleaseContext: a window's input context, null where
// the window has none.
class InputContext {
public:
    explicit InputContext(HWND window) noexcept : window_(window), context_(::ImmGetContext(window)) {}
    InputContext(const InputContext&) = delete;
    InputContext& operator=(const InputContext&) = delete;
    ~InputContext() { if (context_) ::ImmReleaseContext(window_, context_); }
    HIMC get() const noexcept { return context_; }

private:
    HWND window_;
    HIMC context_;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(window_, &ps_); }
    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& info() const noexcept { return ps_; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// SelectObject, with the previous object put back at the end of the scope.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope() { if (old_) ::SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GlobalLock / GlobalUnlock.
template <typename T>
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL block) noexcept
        : block_(block), data_(static_cast<T*>(::GlobalLock(block))) {}
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    ~GlobalLockScope() { if (data_) ::GlobalUnlock(block_); }
    T* get() const noexcept { return data_; }

private:
    HGLOBAL block_;
    T* data_;
};

// OpenClipboard / CloseClipboard; opened() tells whether it succeeded.
class ClipboardScope {
public:
    explicit ClipboardScope(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {}
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    ~ClipboardScope() { if (open_) ::CloseClipboard(); }
    bool opened() const noexcept { return open_; }

private:
    bool open_;
};

}  // namespace win
