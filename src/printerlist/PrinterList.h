// The printer list as the logic sees it; the window's list box and the tests' fake both offer it.
#pragma once

#include <string>
#include <string_view>

namespace tavrelonim::printerlist {

class PrinterList {
public:
    PrinterList() = default;
    PrinterList(const PrinterList&) = delete;
    PrinterList& operator=(const PrinterList&) = delete;
    virtual ~PrinterList() = default;

    // Appends an entry at the end.
    virtual void AddItem(std::string_view entry) = 0;
    // How many entries the list holds.
    [[nodiscard]] virtual int Count() const = 0;
    // The selected index, -1 when nothing is selected.
    [[nodiscard]] virtual int SelectedIndex() const = 0;
    // The entry at an index; the empty text for -1 or any index outside the list.
    [[nodiscard]] virtual std::string EntryAt(int index) const = 0;
    // The selected entry's text, empty when nothing is selected.
    [[nodiscard]] virtual std::string CurrentText() const = 0;
};

}  // namespace tavrelonim::printerlist
