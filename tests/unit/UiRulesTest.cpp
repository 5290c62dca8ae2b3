#include <gtest/gtest.h>

#include <string>

#include "ui/contract/PhaseEnds.h"
#include "ui/layout/DpiSources.h"
#include "ui/layout/Twips.h"
#include "ui/list/ListPresentation.h"
#include "ui/list/NameFitting.h"

using tavrelonim::ui::ClientSizeForDpi;
using tavrelonim::ui::PixelSize;
using tavrelonim::ui::TwipRect;
using tavrelonim::ui::TwipsToPixels;

namespace {

constexpr TwipRect kClient{0, 0, 9330, 4575};
constexpr TwipRect kCommand1{7800, 1680, 1335, 855};

}  // namespace

TEST(WindowSizing, ClientAreaIsTheLayoutsAtTheWindowsOwnDpi) {
    EXPECT_EQ(ClientSizeForDpi(kClient, 96), (PixelSize{622, 305}));
    EXPECT_EQ(ClientSizeForDpi(kClient, 120), (PixelSize{778, 381}));
    EXPECT_EQ(ClientSizeForDpi(kClient, 144), (PixelSize{933, 458}));  // a 150 % monitor
    EXPECT_EQ(ClientSizeForDpi(kClient, 192), (PixelSize{1244, 610}));
    // Sized by its own DPI, the buttons laid out at that DPI stay inside at every scaling.
    for (int dpi = 72; dpi <= 480; ++dpi) {
        const auto button = TwipsToPixels(kCommand1, dpi);
        const PixelSize client = ClientSizeForDpi(kClient, dpi);
        EXPECT_LE(button.left + button.width, client.width) << dpi;
        EXPECT_LE(button.top + button.height, client.height) << dpi;
    }
}

namespace {

using namespace tavrelonim::ui;

constexpr SystemColours kHighContrastBlack{0xFFFFFF, 0x000000, 0x000000, 0x00FFFF};

}  // namespace

TEST(ListColours, FixedGreyOnWhiteUnlessHighContrastAndTheHighlightForTheSelection) {
    EXPECT_EQ(ListRowColours(false, false, kHighContrastBlack), (RowColours{0x808080, 0xFFFFFF}));
    EXPECT_EQ(ListRowColours(true, false, kHighContrastBlack), (RowColours{0xFFFFFF, 0x000000}));
    EXPECT_EQ(ListRowColours(false, true, kHighContrastBlack), (RowColours{0x000000, 0x00FFFF}));
    EXPECT_EQ(ListRowColours(true, true, kHighContrastBlack), (RowColours{0x000000, 0x00FFFF}));
    EXPECT_EQ(ListBackColour(false, kHighContrastBlack), 0xFFFFFFU);
    EXPECT_EQ(ListBackColour(true, kHighContrastBlack), 0x000000U);
}

TEST(ListAccessibility, EveryRowSelectableTheDefaultAloneCheckedAndDescribed) {
    const auto plain = RowAccessibilityOf({false, false, true, false});
    EXPECT_EQ(plain.state, kStateSelectable | kStateFocusable);
    EXPECT_EQ(plain.description, nullptr);
    const auto chosen = RowAccessibilityOf({true, true, true, false});
    EXPECT_EQ(chosen.state, kStateSelectable | kStateFocusable | kStateSelected | kStateFocused);
    const auto scrolledAwayDefault = RowAccessibilityOf({false, false, false, true});
    EXPECT_EQ(scrolledAwayDefault.state, kStateSelectable | kStateFocusable | kStateOffscreen | kStateChecked);
    EXPECT_STREQ(scrolledAwayDefault.description, L"Padr\u00e3o");
}

TEST(ListGeometry, RowsFollowTheTopRowAndTheHitTestNamesAnyRowOfALongList) {
    const RowGeometry list{{10, 20, 110, 48}, 2, 14, 5};  // rows 2 and 3 show
    EXPECT_EQ(RowBox(list, 3), (Box{10, 34, 110, 48}));
    EXPECT_TRUE(RowVisible(list, 2));
    EXPECT_FALSE(RowVisible(list, 1));
    EXPECT_FALSE(RowVisible(list, 4));
    EXPECT_EQ(RowAtPoint(list, 50, 20), 2);
    EXPECT_EQ(RowAtPoint(list, 50, 47), 3);
    EXPECT_EQ(RowAtPoint(list, 110, 30), -1);                          // right of the client area
    EXPECT_EQ(RowAtPoint({{10, 20, 110, 48}, 4, 14, 5}, 50, 40), -1);  // below the last row
    // Past what a 16-bit index holds.
    EXPECT_EQ(RowAtPoint({{10, 20, 110, 48}, 70000, 14, 70002}, 50, 35), 70001);
    // Scrolled just far enough to show the row whole.
    EXPECT_EQ(TopRowShowing(list, 0), 0);
    EXPECT_EQ(TopRowShowing(list, 3), 2);
    EXPECT_EQ(TopRowShowing(list, 4), 3);
}

TEST(StartupPhaseAnswer, AnUnstampedPhaseIsMissingNeverANegativeTime) {
    const auto ends = PhaseEndsFromAnswer("1000|1500|0|2500", 1.0, 3);
    ASSERT_EQ(ends.size(), 3U);
    EXPECT_DOUBLE_EQ(*ends[0], 0.5);
    EXPECT_FALSE(ends[1].has_value());
    EXPECT_DOUBLE_EQ(*ends[2], 1.5);
    EXPECT_TRUE(PhaseEndsFromAnswer("1000|1500|2500", 1.0, 3).empty());  // a phase short
    EXPECT_TRUE(PhaseEndsFromAnswer("0|1|2|3", 1.0, 3).empty());         // no clock
    EXPECT_TRUE(PhaseEndsFromAnswer("1000|1x|2|3", 1.0, 3).empty());
}

TEST(NameFitting, ANameThatFitsIsDrawnWholeAndACutOneKeepsItsEndBehindTheEllipsis) {
    using tavrelonim::ui::FitName;
    // Every character 7 pixels wide, the ellipsis 9: a font of the tests' own.
    const auto width = [](std::wstring_view text) {
        long pixels = 0;
        for (const wchar_t letter : text) {
            pixels += letter == L'\u2026' ? 9 : 7;
        }
        return pixels;
    };
    const std::wstring fits = L"Escritorio_A";
    EXPECT_EQ(FitName(fits, 84, width).shown, fits);  // exactly as wide as the row
    EXPECT_FALSE(FitName(fits, 84, width).cut);
    // Two shared printers of one server, differing only in their last word.
    const std::wstring server = L"\\\\servidor-impressao.filial-norte.exemplo\\Andar_3_Colorida_";
    for (const long available : {200L, 300L, 400L}) {
        const auto front = FitName(server + L"Frente", available, width);
        const auto back = FitName(server + L"Fundos", available, width);
        EXPECT_TRUE(front.cut && back.cut) << available;
        EXPECT_NE(front.shown, back.shown) << available;
        EXPECT_LE(width(front.shown), available);
        // The last part whole after the ellipsis, the beginning before it as far as it fits.
        EXPECT_TRUE(front.shown.ends_with(L"\u2026\\Andar_3_Colorida_Frente")) << available;
        EXPECT_TRUE(server.starts_with(front.shown.substr(0, front.shown.find(L'\u2026'))));
        EXPECT_GT(width(front.shown), available - 7) << "a character more would have fitted";
    }
    // A name without a backslash keeps its beginning and its end; the ellipsis stands where the
    // middle was taken out.
    const std::wstring plain = L"Impressora_Laser_Colorida_do_Terceiro_Andar_Sala_Norte";
    const auto cut = FitName(plain, 150, width);
    const std::size_t mark = cut.shown.find(L'\u2026');
    ASSERT_NE(mark, std::wstring::npos);
    EXPECT_EQ(plain.substr(0, mark), cut.shown.substr(0, mark));
    EXPECT_TRUE(plain.ends_with(cut.shown.substr(mark + 1)));
    const std::size_t end = cut.shown.size() - mark - 1;
    EXPECT_TRUE(end == mark || end + 1 == mark) << "as much of the end as of the beginning";
    // A path whose last part alone is too wide is cut in the middle too, and so keeps its end.
    EXPECT_TRUE(FitName(server + L"Frente", 100, width).shown.ends_with(L"Frente"));
    EXPECT_EQ(FitName(L"", -5, width).shown, L"");
}

TEST(DpiSources, TheWindowsOwnThenItsMonitorsThenTheSystemsEachAskedOnlyWhenNeeded) {
    using tavrelonim::ui::FirstKnownDpi;
    std::string asked;
    const auto source = [&asked](char name, unsigned dpi) {
        return [&asked, name, dpi] {
            asked.push_back(name);
            return dpi;
        };
    };
    EXPECT_EQ(FirstKnownDpi(source('w', 144), source('m', 120), [&] { asked.push_back('s'); return 96; }), 144);
    EXPECT_EQ(asked, "w");
    asked.clear();
    // Windows 8.1 to 10 1511: no window DPI; the monitor's, not the system's.
    EXPECT_EQ(FirstKnownDpi(source('w', 0), source('m', 120), [&] { asked.push_back('s'); return 96; }), 120);
    EXPECT_EQ(asked, "wm");
    asked.clear();
    // Windows 7: neither.
    EXPECT_EQ(FirstKnownDpi(source('w', 0), source('m', 0), [&] { asked.push_back('s'); return 96; }), 96);
    EXPECT_EQ(asked, "wms");
}
