#include "ui/accessibility/AccessibleList.h"

#include "ui/list/ListBoxPrinterList.h"

namespace tavrelonim::ui {

std::wstring ListBoxAccessibleList::Name() const {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(label_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(label_, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ListBoxAccessibleList::RowName(long row) const {
    return row >= 0 ? ListBoxText(list_, static_cast<WPARAM>(row)) : std::wstring();
}

RowGeometry ListBoxAccessibleList::Geometry() const noexcept { return ListBoxGeometry(list_); }

long ListBoxAccessibleList::SelectedRow() const noexcept {
    const LRESULT selected = ::SendMessageW(list_, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? -1 : static_cast<long>(selected);
}

long ListBoxAccessibleList::CaretRow() const noexcept {
    const LRESULT caret = ::SendMessageW(list_, LB_GETCARETINDEX, 0, 0);
    return caret == LB_ERR || caret >= static_cast<LRESULT>(Rows()) ? -1 : static_cast<long>(caret);
}

// The window hears of the change after the reader's call has returned to it, as of a click.
void ListBoxAccessibleList::Choose(long row) noexcept {
    ::SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    ::PostMessageW(::GetParent(list_), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(::GetDlgCtrlID(list_)), LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list_));
}

void ListBoxAccessibleList::Focus(long row) noexcept {
    ::SetFocus(list_);
    if (row >= 0) {
        ::SendMessageW(list_, LB_SETCARETINDEX, static_cast<WPARAM>(row), FALSE);
    }
}

void ListBoxAccessibleList::ScrollIntoView(long row) noexcept {
    const RowGeometry geometry = Geometry();
    if (row >= 0 && row < geometry.rows) {
        ::SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(TopRowShowing(geometry, row)), 0);
    }
}

}  // namespace tavrelonim::ui
