#include "ui/list/ListBoxPrinterList.h"

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

std::wstring ListBoxText(HWND listBox, WPARAM index) {
    const LRESULT length = ::SendMessageW(listBox, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

RowGeometry ListBoxGeometry(HWND listBox) noexcept {
    RECT client{};
    ::GetClientRect(listBox, &client);
    ::MapWindowPoints(listBox, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const LRESULT rows = ::SendMessageW(listBox, LB_GETCOUNT, 0, 0);
    const LRESULT top = ::SendMessageW(listBox, LB_GETTOPINDEX, 0, 0);
    const LRESULT height = ::SendMessageW(listBox, LB_GETITEMHEIGHT, 0, 0);
    return {{client.left, client.top, client.right, client.bottom},
            top == LB_ERR ? 0 : static_cast<long>(top),
            height == LB_ERR ? 0 : static_cast<long>(height),
            rows == LB_ERR ? 0 : static_cast<long>(rows)};
}

std::string ListBoxPrinterList::EntryAt(int index) const {
    return index < 0 ? std::string() : platform::NarrowToCodePage(ListBoxText(listBox_, static_cast<WPARAM>(index)));
}

std::string ListBoxPrinterList::CurrentText() const { return EntryAt(SelectedIndex()); }

}  // namespace tavrelonim::ui
