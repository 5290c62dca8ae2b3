#include "ui/ListBoxPrinterList.h"

#include <stdexcept>
#include <string>

#include "platform/Win32Platform.h"

namespace tavrelonim::ui {

void ListBoxPrinterList::AddItem(std::string_view entry) {
    const std::wstring text = platform::WidenFromCodePage(entry);
    const LRESULT added = ::SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (added == LB_ERR || added == LB_ERRSPACE) {
        throw std::runtime_error("the printer list cannot take another entry");
    }
}

int ListBoxPrinterList::Count() const {
    const LRESULT count = ::SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

int ListBoxPrinterList::SelectedIndex() const {
    const LRESULT selected = ::SendMessageW(listBox_, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

std::string ListBoxPrinterList::EntryAt(int index) const {
    if (index < 0) {
        return {};
    }
    const LRESULT length = ::SendMessageW(listBox_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(listBox_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR) {
        return {};
    }
    text.resize(static_cast<std::size_t>(copied));
    return platform::NarrowToCodePage(text);
}

std::string ListBoxPrinterList::CurrentText() const { return EntryAt(SelectedIndex()); }

}  // namespace tavrelonim::ui
