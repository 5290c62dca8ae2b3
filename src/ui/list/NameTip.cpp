#include "ui/list/NameTip.h"

#include <commctrl.h>

#include "ui/list/ListRowDrawing.h"

namespace tavrelonim::ui {

namespace {

TTTOOLINFOW ListTool(HWND list) noexcept {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;  // the tip sees the list's mouse messages itself
    tool.hwnd = list;
    ::GetClientRect(list, &tool.rect);
    return tool;
}

// The row under the mouse; -1 for none. Counted from the top row, since the list box's own hit
// test answers in 16 bits and a list may hold more rows than that.
int RowUnderMouse(HWND list) noexcept {
    POINT at{};
    RECT client{};
    if (::GetCursorPos(&at) == FALSE || ::ScreenToClient(list, &at) == FALSE || ::GetClientRect(list, &client) == FALSE ||
        ::PtInRect(&client, at) == FALSE) {
        return -1;
    }
    const LRESULT height = ::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    const LRESULT top = ::SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (height <= 0 || top < 0 || count <= 0) {
        return -1;
    }
    const LRESULT row = top + at.y / height;
    return row < count ? static_cast<int>(row) : -1;
}

}  // namespace

bool NameTip::Make(HWND list, HWND owner, HFONT font) noexcept {
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
    if (tip_ == nullptr) {
        return false;
    }
    TTTOOLINFOW tool = ListTool(list);
    tool.lpszText = text_.data();
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SetFont(font);
    return true;
}

void NameTip::Follow(HWND list, HWND owner, HFONT font) noexcept {
    if (tip_ == nullptr && !Make(list, owner, font)) {
        return;
    }
    const int row = RowUnderMouse(list);
    if (row == row_) {
        return;
    }
    row_ = row;
    TTTOOLINFOW tool = ListTool(list);  // the list's client area, at its size now
    ::SendMessageW(tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    try {
        std::wstring text = CutRowName(list, row, font).value_or(std::wstring());
        if (text == text_) {
            return;
        }
        text_ = std::move(text);
    } catch (...) {
        text_.clear();  // no memory for the name: no tip, rather than the last row's
    }
    // A new row's tip waits for the mouse to rest again; an empty text shows none.
    ::SendMessageW(tip_, TTM_POP, 0, 0);
    tool.lpszText = text_.data();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void NameTip::SetFont(HFONT font) noexcept {
    if (tip_ != nullptr) {
        ::SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

}  // namespace tavrelonim::ui
