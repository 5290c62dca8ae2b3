#include "ui/list/ListRowDrawing.h"

#include <string>
#include <string_view>

#include "ui/layout/ControlTable.h"
#include "ui/layout/Dpi.h"
#include "ui/layout/Twips.h"
#include "ui/list/ListBoxPrinterList.h"
#include "ui/list/NameFitting.h"
#include "ui/win32/Win32Handles.h"

namespace tavrelonim::ui {

namespace {

// The system's check glyph, in the given colour, over what is already drawn: drawn black on white
// into a monochrome mask, then the colour is painted through the mask's black.
void DrawCheckMark(HDC context, const RECT& box, COLORREF colour) {
    constexpr DWORD kBrushWhereSourceBlack = 0x00B8074A;  // PSDPxax
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    const UniqueMemoryDc mask(::CreateCompatibleDC(context));
    const UniqueBitmap maskBits(::CreateBitmap(width, height, 1, 1, nullptr));
    const UniqueBrush brush(::CreateSolidBrush(colour));
    if (mask == nullptr || maskBits == nullptr || brush == nullptr) {
        return;
    }
    const SelectedObject maskSelection(mask.get(), maskBits.get());
    RECT glyph{0, 0, width, height};
    ::DrawFrameControl(mask.get(), &glyph, DFC_MENU, DFCS_MENUCHECK);
    const SelectedObject brushSelection(context, brush.get());
    const COLORREF formerText = ::SetTextColor(context, RGB(0, 0, 0));
    const COLORREF formerBack = ::SetBkColor(context, RGB(255, 255, 255));
    ::BitBlt(context, box.left, box.top, width, height, mask.get(), 0, 0, kBrushWhereSourceBlack);
    ::SetTextColor(context, formerText);
    ::SetBkColor(context, formerBack);
}

// Where a row's name starts: past the check mark's square margin and the gap after it.
long NameLeft(HWND list, const RECT& row) {
    return row.left + (row.bottom - row.top) + TwipsToPixels(kListTextGapTwips, DpiForWindow(list));
}

// What the row shows of the name, measured in the font selected into the context.
FittedName FitRowName(HDC context, std::wstring_view name, long available) {
    return FitName(name, available, [context](std::wstring_view text) {
        SIZE extent{};
        ::GetTextExtentPoint32W(context, text.data(), static_cast<int>(text.size()), &extent);
        return static_cast<long>(extent.cx);
    });
}

}  // namespace

std::optional<std::wstring> CutRowName(HWND list, int row, HFONT font) {
    RECT box{};
    if (row < 0 || ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&box)) ==
                       LB_ERR) {
        return std::nullopt;
    }
    const WindowDc context(list);
    if (context.get() == nullptr) {
        return std::nullopt;
    }
    const SelectedObject selection(context.get(), font);
    std::wstring name = ListBoxText(list, static_cast<UINT>(row));
    const bool cut = FitRowName(context.get(), name, box.right - NameLeft(list, box)).cut;
    return cut ? std::optional(std::move(name)) : std::nullopt;
}

SystemColours CurrentSystemColours() noexcept {
    return {::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_HIGHLIGHTTEXT),
            ::GetSysColor(COLOR_HIGHLIGHT)};
}

bool HighContrastOn() noexcept {
    HIGHCONTRASTW settings{};
    settings.cbSize = sizeof settings;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) != FALSE &&
           (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void DrawListRow(const DRAWITEMSTRUCT& item, HFONT font, bool marked, bool highContrast) {
    const HDC context = item.hDC;
    const RECT& row = item.rcItem;
    if (item.itemID != static_cast<UINT>(-1)) {
        const RowColours colours =
            ListRowColours(highContrast, (item.itemState & ODS_SELECTED) != 0, CurrentSystemColours());
        ::SetTextColor(context, colours.text);
        ::SetBkColor(context, colours.back);
        const int margin = row.bottom - row.top;
        const SelectedObject selection(context, font);
        const long left = NameLeft(item.hwndItem, row);
        const FittedName name = FitRowName(context, ListBoxText(item.hwndItem, item.itemID), row.right - left);
        ::ExtTextOutW(context, static_cast<int>(left), row.top, ETO_OPAQUE | ETO_CLIPPED, &row, name.shown.c_str(),
                      static_cast<UINT>(name.shown.size()), nullptr);
        if (marked) {
            DrawCheckMark(context, {row.left, row.top, row.left + margin, row.bottom}, colours.text);
        }
    }
    // With keyboard cues hidden the row says so, and the focus rectangle waits for the keyboard.
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        ::DrawFocusRect(context, &row);
    }
}

}  // namespace tavrelonim::ui
