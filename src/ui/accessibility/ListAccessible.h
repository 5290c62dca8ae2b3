// Room accessibility: the objects screen readers are served for the list, Active Accessibility's
// and UI Automation's, and what they share. It reads the list through the rooms below.
//
// The printer list as screen readers see it. Active Accessibility's standard object for a list
// box does not give every system its rows (Wine's gives none), and nowhere says which row is the
// default printer; UI Automation reaches such a list through a proxy that drops the checked
// state. So the list answers WM_GETOBJECT with objects of its own for both, built only from the
// list box's state and the window's mark.
//
// Nothing of it costs the start: COM and each reader library are brought in on the first
// question that needs them, which comes on the window's thread, and let go with the list. A
// client may hold an object longer; once the list is gone every call on it answers an error.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>

#include "ui/accessibility/AccessibleList.h"

namespace tavrelonim::ui {

struct DetachableAccessible;
class ListAutomation;
class ReaderLibraries;

class ListAccessibility {
public:
    // The list box, the label that names it, and the window's row with the check mark (read
    // whenever asked; -1 for none). All must outlive Detach().
    ListAccessibility(HWND list, HWND label, const int& markedRow) noexcept;
    ListAccessibility(const ListAccessibility&) = delete;
    ListAccessibility& operator=(const ListAccessibility&) = delete;
    ~ListAccessibility();

    // From now on the list answers WM_GETOBJECT with these objects, and lets them go when it is
    // destroyed.
    void Install() noexcept;

    // Answers WM_GETOBJECT; 0 when it cannot (the caller then lets the system answer).
    [[nodiscard]] LRESULT AnswerGetObject(WPARAM wParam, LPARAM lParam) noexcept;

    // Tells screen readers that the mark left one row and reached another (-1: none).
    void MarkMoved(int fromRow, int toRow) const noexcept;

    // The list is going: every client's object is disconnected and nothing touches the list again.
    void Detach() noexcept;

private:
    static LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // What the message done changed for UI Automation's clients.
    void Observe(UINT message) noexcept;

    ListBoxAccessibleList list_;
    std::unique_ptr<ReaderLibraries> libraries_;
    DetachableAccessible* object_ = nullptr;  // one reference of its own, while attached
    std::unique_ptr<ListAutomation> automation_;
    bool attached_ = true;
    WNDPROC listProcedure_ = nullptr;  // the list box's own, which every message goes on to
};

}  // namespace tavrelonim::ui
