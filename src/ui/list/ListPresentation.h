// How the list presents its rows, to the eye and to assistive technology, as pure rules over
// the row's facts: the colours it is drawn in, and the states and description a screen reader
// hears. No system calls, so the rules are tested on their own.
#pragma once

#include <cstdint>

namespace tavrelonim::ui {

using Colour = std::uint32_t;  // 0x00BBGGRR, as a COLORREF

// The list's own colours outside high contrast: grey text on white.
inline constexpr Colour kListTextColour = 0x808080;
inline constexpr Colour kListBackColour = 0xFFFFFF;

// The system colours a row may be drawn in.
struct SystemColours {
    Colour windowText;
    Colour window;
    Colour highlightText;
    Colour highlight;
};

struct RowColours {
    Colour text;  // the name's, and the check mark's
    Colour back;
    friend bool operator==(const RowColours&, const RowColours&) = default;
};

// The list's background, where no row is selected: its own white, or under high contrast the
// system's window colour.
[[nodiscard]] constexpr Colour ListBackColour(bool highContrast, const SystemColours& system) noexcept {
    return highContrast ? system.window : kListBackColour;
}

// A selected row always shows the system's highlight; the others the list's own grey on white,
// or under high contrast the system's window colours, which the user chose to be able to read.
[[nodiscard]] constexpr RowColours ListRowColours(bool highContrast, bool selected,
                                                  const SystemColours& system) noexcept {
    if (selected) {
        return {system.highlightText, system.highlight};
    }
    return {highContrast ? system.windowText : kListTextColour, ListBackColour(highContrast, system)};
}

// Active Accessibility's state bits, as oleacc.h has them.
inline constexpr std::uint32_t kStateSelected = 0x2;
inline constexpr std::uint32_t kStateFocused = 0x4;
inline constexpr std::uint32_t kStateChecked = 0x10;
inline constexpr std::uint32_t kStateOffscreen = 0x10000;
inline constexpr std::uint32_t kStateFocusable = 0x100000;
inline constexpr std::uint32_t kStateSelectable = 0x200000;

// What is true of one row.
struct RowFacts {
    bool selected;   // the list's selection
    bool focused;    // the list has the keyboard focus and its caret is on this row
    bool visible;    // inside the list's client area, not scrolled out of view
    bool isDefault;  // the system's default printer: the row with the check mark
};

inline constexpr const wchar_t* kDefaultRowDescription = L"Padr\u00e3o";

struct RowAccessibility {
    std::uint32_t state;
    const wchar_t* description;  // null: none
    friend bool operator==(const RowAccessibility&, const RowAccessibility&) = default;
};

// A row is selectable and focusable; the default printer's row alone is checked and described
// as the default, so that a screen reader says which printer it is.
[[nodiscard]] constexpr RowAccessibility RowAccessibilityOf(const RowFacts& row) noexcept {
    std::uint32_t state = kStateSelectable | kStateFocusable;
    state |= row.selected ? kStateSelected : 0U;
    state |= row.focused ? kStateFocused : 0U;
    state |= row.visible ? 0U : kStateOffscreen;
    state |= row.isDefault ? kStateChecked : 0U;
    return {state, row.isDefault ? kDefaultRowDescription : nullptr};
}

// Where the rows of a list of fixed-height rows lie: its client area (in any one coordinate
// space), the first row shown and the rows' height. The row rectangles and the hit test follow
// from these alone, for any number of rows (the list box's own hit test answers in 16 bits).
struct Box {
    long left;
    long top;
    long right;
    long bottom;
    friend bool operator==(const Box&, const Box&) = default;
};
[[nodiscard]] constexpr bool BoxContains(const Box& box, long x, long y) noexcept {
    return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}
struct RowGeometry {
    Box client;
    long topRow;
    long rowHeight;
    long rows;
};

// The row's rectangle, whether or not it is scrolled into view.
[[nodiscard]] constexpr Box RowBox(const RowGeometry& list, long row) noexcept {
    const long top = list.client.top + (row - list.topRow) * list.rowHeight;
    return {list.client.left, top, list.client.right, top + list.rowHeight};
}

// Whether any of the row shows inside the client area.
[[nodiscard]] constexpr bool RowVisible(const RowGeometry& list, long row) noexcept {
    const Box box = RowBox(list, row);
    return row >= 0 && row < list.rows && box.bottom > list.client.top && box.top < list.client.bottom &&
           list.client.left < list.client.right;
}

// The row drawn at a point; -1 outside the client area or below the last row.
[[nodiscard]] constexpr long RowAtPoint(const RowGeometry& list, long x, long y) noexcept {
    if (!BoxContains(list.client, x, y) || list.rowHeight <= 0) {
        return -1;
    }
    const long row = list.topRow + (y - list.client.top) / list.rowHeight;
    return row < list.rows ? row : -1;
}

// The first row to show so that the row is wholly in view, moving the list as little as it can.
[[nodiscard]] constexpr long TopRowShowing(const RowGeometry& list, long row) noexcept {
    const long shown = list.rowHeight > 0 ? (list.client.bottom - list.client.top) / list.rowHeight : 0;
    if (row < list.topRow || shown <= 0) {
        return row;
    }
    return row >= list.topRow + shown ? row - shown + 1 : list.topRow;
}

}  // namespace tavrelonim::ui
