// Room win32, the ground floor: owners of Win32 handles, system calls looked up late, and the
// registry key watch; nothing of the utility's own.
//
// Owners for the GDI objects the window creates and for the states it puts its controls in.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <type_traits>

namespace tavrelonim::ui {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};

template <class Handle>
using UniqueGdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;

using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;

struct MemoryDcDeleter {
    void operator()(HDC context) const noexcept { ::DeleteDC(context); }
};
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

// A window's device context (the screen's for a null window), released at the end of its scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), context_(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (context_ != nullptr) {
            ::ReleaseDC(window_, context_);
        }
    }

    [[nodiscard]] HDC get() const noexcept { return context_; }

private:
    HWND window_;
    HDC context_;
};

// Selects a GDI object into a device context and puts the former one back.
class SelectedObject {
public:
    SelectedObject(HDC context, HGDIOBJ object) noexcept
        : context_(context), former_(::SelectObject(context, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { ::SelectObject(context_, former_); }

private:
    HDC context_;
    HGDIOBJ former_;
};

// Holds a window's drawing off while it changes a lot, and draws it once when done: a list box
// that redraws and rescrolls for every entry added takes seconds over thousands of them.
class SuspendedRedraw {
public:
    explicit SuspendedRedraw(HWND window) noexcept : window_(window) {
        ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    }
    SuspendedRedraw(const SuspendedRedraw&) = delete;
    SuspendedRedraw& operator=(const SuspendedRedraw&) = delete;
    ~SuspendedRedraw() {
        ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(window_, nullptr, TRUE);
    }

private:
    HWND window_;
};

}  // namespace tavrelonim::ui
