// Drawing one row of the printer list: the name in the list's font and, on the default printer's
// row, the system's check glyph in its left margin, in the colours the presentation rules give.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>

#include "ui/list/ListPresentation.h"

namespace tavrelonim::ui {

// The system colours the rules choose from, as they are now.
[[nodiscard]] SystemColours CurrentSystemColours() noexcept;
// Whether the user has high contrast on now.
[[nodiscard]] bool HighContrastOn() noexcept;

// A name too wide for its row shows an ellipsis where it is cut, keeping its end in view.
void DrawListRow(const DRAWITEMSTRUCT& item, HFONT font, bool marked, bool highContrast);

// The row's whole name when the row shows it cut; none when it shows whole, or there is no such row.
[[nodiscard]] std::optional<std::wstring> CutRowName(HWND list, int row, HFONT font);

}  // namespace tavrelonim::ui
