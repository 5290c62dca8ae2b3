// Drawing one row of the printer list: the name in the list's font and, on the default printer's
// row, the system's check glyph in its left margin, in the colours the presentation rules give.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "ui/list/ListPresentation.h"

namespace tavrelonim::ui {

// The system colours the rules choose from, as they are now.
[[nodiscard]] SystemColours CurrentSystemColours() noexcept;
// Whether the user has high contrast on now.
[[nodiscard]] bool HighContrastOn() noexcept;

void DrawListRow(const DRAWITEMSTRUCT& item, HFONT font, bool marked, bool highContrast);

}  // namespace tavrelonim::ui
