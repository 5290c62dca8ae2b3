// The printer list as UI Automation clients read it (Narrator among them, which reaches a list
// that has only an Active Accessibility object through a proxy that drops the checked state):
// a provider of its own, whose rows say which printer is the default in their ItemStatus.
//
// The automation core calls a provider on threads of its own. Every call runs on the window's
// thread all the same, sent to the list as a message when it comes from another, so the
// providers read the list as the window has it and never race it; the caller waits for the
// window, never the window for a caller. Nothing is made until a client first asks, and a client
// holding a provider past the list gets UIA_E_ELEMENTNOTAVAILABLE from every call.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <vector>

#include "ui/accessibility/AccessibleList.h"
#include "ui/accessibility/AutomationDeclarations.h"
#include "ui/accessibility/ReaderLibraries.h"

namespace tavrelonim::ui {

struct AutomationState;

class ListAutomation {
public:
    // Sent to the list by a provider called on another thread; the list answers with RunCall().
    static constexpr UINT kCallMessage = WM_APP + 2;
    // How long such a call waits for the window.
    static constexpr UINT kCallMilliseconds = 3000;

    // The list and the functions must outlive Detach().
    ListAutomation(AccessibleList& list, const ReaderFunctions& functions, UINT callMilliseconds = kCallMilliseconds);
    ListAutomation(const ListAutomation&) = delete;
    ListAutomation& operator=(const ListAutomation&) = delete;
    ~ListAutomation();

    // The list's provider, made on the first question; owned here. Null once detached.
    [[nodiscard]] IRawElementProviderSimple* Root();

    // Events, raised only while a client listens: the ItemStatus of the rows the mark left and
    // reached (-1: none)...
    void MarkMoved(long fromRow, long toRow) const noexcept;
    // ...focus and selection, for whatever changed since last looked at (after a list message)...
    void Observe() noexcept;
    // ...and the rows made anew.
    void RowsRebuilt() noexcept;

    // Runs the call a provider sent from another thread, if one waits and the message's wParam is
    // its cookie (any other sender's message runs nothing).
    LRESULT RunCall(WPARAM cookie) noexcept;

    // Every provider answers that its element is gone from now on; nothing reads the list again.
    // Clients are cut off at once, or, inside a message sent from another thread (where the core
    // cannot be called), by Disconnect() once out of it.
    void Detach() noexcept;
    // Cuts clients off the providers let go, where the system can; the core asks them their
    // runtime id and host meanwhile, which they still answer. Once detached and disconnected,
    // nothing calls the reader's functions again.
    void Disconnect() noexcept;
    [[nodiscard]] bool Disconnected() const noexcept;

private:
    void Leave(IRawElementProviderSimple* provider) noexcept;

    std::shared_ptr<AutomationState> state_;
    // Providers let go and not yet disconnected, each with the reference that was held for it.
    std::vector<IRawElementProviderSimple*> leaving_;
    long seenSelection_ = -1;
    long seenCaret_ = -1;
    bool seenFocus_ = false;
};

}  // namespace tavrelonim::ui
