#include "ui/list/NameTip.h"

#include <commctrl.h>

#include "ui/list/ListBoxPrinterList.h"
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

// The row under the mouse; -1 for none.
long RowUnderMouse(HWND list) noexcept {
    POINT at{};
    return ::GetCursorPos(&at) != FALSE ? RowAtPoint(ListBoxGeometry(list), at.x, at.y) : -1;
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
    const long row = RowUnderMouse(list);
    if (row == row_) {
        return;
    }
    row_ = row;
    TTTOOLINFOW tool = ListTool(list);  // the list's client area, at its size now
    ::SendMessageW(tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    try {
        std::wstring text = CutRowName(list, static_cast<int>(row), font).value_or(std::wstring());
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
