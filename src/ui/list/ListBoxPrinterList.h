// Room list: the list box as the printer list, how its rows are drawn and presented, and the
// printers' names read ahead of the window.
//
// The printer list bound to the window's list box.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "printerlist/PrinterList.h"
#include "ui/list/ListPresentation.h"

namespace tavrelonim::ui {

// A list box's entry as it holds it, in wide characters; empty for an index it does not have.
[[nodiscard]] std::wstring ListBoxText(HWND listBox, WPARAM index);
// Where a list box's rows lie, its client area in screen coordinates.
[[nodiscard]] RowGeometry ListBoxGeometry(HWND listBox) noexcept;

class ListBoxPrinterList final : public printerlist::PrinterList {
public:
    void Attach(HWND listBox) noexcept { listBox_ = listBox; }

    // Throws when the list box cannot take the entry (out of space), so no entry is lost unnoticed.
    void AddItem(std::string_view entry) override;
    [[nodiscard]] int Count() const override;
    [[nodiscard]] int SelectedIndex() const override;
    [[nodiscard]] std::string EntryAt(int index) const override;
    [[nodiscard]] std::string CurrentText() const override;

private:
    HWND listBox_ = nullptr;
};

}  // namespace tavrelonim::ui
