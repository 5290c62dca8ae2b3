// The whole name of a row the list shows cut, in a tip while the mouse rests on the row, as
// Windows' own lists do for cut items. Nothing is made until the mouse is first over the list.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace tavrelonim::ui {

class NameTip {
public:
    // The mouse is over the list: the tip (made now if it was not yet) takes the name of the row
    // under it, when that row shows its name cut, and nothing otherwise.
    void Follow(HWND list, HWND owner, HFONT font) noexcept;
    // The list's font, made anew for another DPI: the tip's text follows it.
    void SetFont(HFONT font) noexcept;

private:
    bool Make(HWND list, HWND owner, HFONT font) noexcept;

    // An owned pop-up of the window's: the system destroys it with its owner.
    HWND tip_ = nullptr;
    long row_ = -1;
    std::wstring text_;
};

}  // namespace tavrelonim::ui
