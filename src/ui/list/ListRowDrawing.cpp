#include "ui/list/ListRowDrawing.h"

#include <string>

#include "ui/layout/ControlTable.h"
#include "ui/layout/Dpi.h"
#include "ui/layout/Twips.h"
#include "ui/list/ListBoxPrinterList.h"
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

}  // namespace

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
        const std::wstring name = ListBoxText(item.hwndItem, item.itemID);
        const int margin = row.bottom - row.top;
        const SelectedObject selection(context, font);
        const int gap = TwipsToPixels(kListTextGapTwips, DpiForWindow(item.hwndItem));
        ::ExtTextOutW(context, row.left + margin + gap, row.top, ETO_OPAQUE | ETO_CLIPPED, &row, name.c_str(),
                      static_cast<UINT>(name.size()), nullptr);
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
