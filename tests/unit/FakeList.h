// A printer list held in memory, as the window's list box behaves.
#pragma once

#include <string>
#include <vector>

#include "printerlist/PrinterList.h"

namespace tavrelonim::testing {

class FakeList final : public printerlist::PrinterList {
public:
    std::vector<std::string> entries;
    int selected = -1;

    void AddItem(std::string_view entry) override { entries.emplace_back(entry); }
    [[nodiscard]] int Count() const override { return static_cast<int>(entries.size()); }
    [[nodiscard]] int SelectedIndex() const override { return selected; }
    [[nodiscard]] std::string EntryAt(int index) const override {
        return index >= 0 && static_cast<std::size_t>(index) < entries.size() ? entries[static_cast<std::size_t>(index)]
                                                                              : std::string{};
    }
    [[nodiscard]] std::string CurrentText() const override { return EntryAt(selected); }
};

}  // namespace tavrelonim::testing
