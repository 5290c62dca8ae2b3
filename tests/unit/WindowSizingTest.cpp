#include <gtest/gtest.h>

#include "ui/Twips.h"

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
