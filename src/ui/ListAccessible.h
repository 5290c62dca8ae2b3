// The printer list as screen readers see it. Active Accessibility's standard object for a list
// box does not give every system its rows (Wine's gives none), and nowhere says which row is the
// default printer, so the list answers WM_GETOBJECT with an object of its own, built only from
// the list box's state and the window's mark.
//
// Nothing of it costs the start: COM and the accessibility library are brought in on the first
// question, which comes on the window's thread, and let go with the list. A client may hold the
// object longer; once the list is gone every call answers RPC_E_DISCONNECTED.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>

namespace tavrelonim::ui {

class ListAccessible;
struct AccessibilityLibraries;

class ListAccessibility {
public:
    // The list box, the label that names it, and the window's row with the check mark (read
    // whenever asked; -1 for none). All must outlive Detach().
    ListAccessibility(HWND list, HWND label, const int& markedRow) noexcept;
    ListAccessibility(const ListAccessibility&) = delete;
    ListAccessibility& operator=(const ListAccessibility&) = delete;
    ~ListAccessibility();

    // From now on the list answers WM_GETOBJECT for its client area with this object, and lets
    // it go when it is destroyed.
    void Install() noexcept;

    // Answers WM_GETOBJECT for the list's client area; 0 when it cannot (the caller then lets
    // the system answer).
    [[nodiscard]] LRESULT AnswerGetObject(WPARAM wParam) noexcept;

    // Tells screen readers that the mark left one row and reached another (-1: none).
    void MarkMoved(int fromRow, int toRow) const noexcept;

    // The list is going: every client's object is disconnected and nothing touches the list again.
    void Detach() noexcept;

private:
    static LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND list_;
    HWND label_;
    const int& markedRow_;
    std::unique_ptr<AccessibilityLibraries> libraries_;
    ListAccessible* object_ = nullptr;  // one reference of its own, while attached
    bool attached_ = true;
    WNDPROC listProcedure_ = nullptr;  // the list box's own, which every message goes on to
};

}  // namespace tavrelonim::ui
