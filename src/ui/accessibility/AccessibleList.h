// The printer list as screen readers are told of it, apart from the list box: the Active
// Accessibility object and the UI Automation provider both read the list and act on it through
// this, and tests give them a list of their own. Every call is made on the window's thread.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "ui/list/ListPresentation.h"

namespace tavrelonim::ui {

class AccessibleList {
public:
    AccessibleList() = default;
    AccessibleList(const AccessibleList&) = delete;
    AccessibleList& operator=(const AccessibleList&) = delete;
    virtual ~AccessibleList() = default;

    // The list box, which the system's own objects and events for the list are found by.
    [[nodiscard]] virtual HWND Window() const noexcept = 0;
    // The label that names the list.
    [[nodiscard]] virtual HWND Label() const noexcept = 0;
    [[nodiscard]] virtual std::wstring Name() const = 0;
    [[nodiscard]] virtual std::wstring RowName(long row) const = 0;
    // The rows and where they are drawn, in screen pixels.
    [[nodiscard]] virtual RowGeometry Geometry() const noexcept = 0;
    [[nodiscard]] virtual long SelectedRow() const noexcept = 0;  // -1: none
    [[nodiscard]] virtual long CaretRow() const noexcept = 0;     // -1: none
    [[nodiscard]] virtual bool HasFocus() const noexcept = 0;
    [[nodiscard]] virtual long DefaultRow() const noexcept = 0;  // the row with the check mark; -1: none

    // Selects the row as a click does, which makes its printer the default once the reader's
    // call has returned.
    virtual void Choose(long row) noexcept = 0;
    // The keyboard focus to the list, and its caret to the row (-1: the list alone); selects nothing.
    virtual void Focus(long row) noexcept = 0;
    virtual void ScrollIntoView(long row) noexcept = 0;

    [[nodiscard]] long Rows() const noexcept { return Geometry().rows; }
    // What is true of a row, for the rules that say what a reader hears of it.
    [[nodiscard]] RowFacts Facts(long row) const noexcept {
        return {SelectedRow() == row, HasFocus() && CaretRow() == row, RowVisible(Geometry(), row),
                DefaultRow() == row};
    }
};

// The window's list box, named by its label, with the window's row with the check mark (read
// whenever asked). All three must outlive it.
class ListBoxAccessibleList final : public AccessibleList {
public:
    ListBoxAccessibleList(HWND list, HWND label, const int& markedRow) noexcept
        : list_(list), label_(label), markedRow_(markedRow) {}

    [[nodiscard]] HWND Window() const noexcept override { return list_; }
    [[nodiscard]] HWND Label() const noexcept override { return label_; }
    [[nodiscard]] std::wstring Name() const override;
    [[nodiscard]] std::wstring RowName(long row) const override;
    [[nodiscard]] RowGeometry Geometry() const noexcept override;
    [[nodiscard]] long SelectedRow() const noexcept override;
    [[nodiscard]] long CaretRow() const noexcept override;
    [[nodiscard]] bool HasFocus() const noexcept override { return ::GetFocus() == list_; }
    [[nodiscard]] long DefaultRow() const noexcept override { return markedRow_; }
    void Choose(long row) noexcept override;
    void Focus(long row) noexcept override;
    void ScrollIntoView(long row) noexcept override;

private:
    HWND list_;
    HWND label_;
    const int& markedRow_;
};

}  // namespace tavrelonim::ui
