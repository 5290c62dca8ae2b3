// Layout units: twips, 1440 to the inch, 15 to a pixel at 96 dots per inch.
#pragma once

#include <cstdint>

namespace tavrelonim::ui {

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

struct PixelRect {
    int left;
    int top;
    int width;
    int height;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Rounds to the nearest pixel, as MulDiv does.
[[nodiscard]] constexpr int TwipsToPixels(int twips, int dpi) noexcept {
    const std::int64_t product = std::int64_t{twips} * dpi;
    const std::int64_t rounded = product >= 0 ? (product + 720) / 1440 : -((-product + 720) / 1440);
    return static_cast<int>(rounded);
}

[[nodiscard]] constexpr PixelRect TwipsToPixels(const TwipRect& rect, int dpi) noexcept {
    // Edges are converted, not the extents, so that neighbours meet at the same pixel at any DPI.
    const int left = TwipsToPixels(rect.left, dpi);
    const int top = TwipsToPixels(rect.top, dpi);
    return {left, top, TwipsToPixels(rect.left + rect.width, dpi) - left,
            TwipsToPixels(rect.top + rect.height, dpi) - top};
}

struct PixelSize {
    int width;
    int height;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The window's client area at a DPI: the layout's own rectangle in that DPI's pixels, edge for
// edge as the controls are converted, so every control laid out at that DPI lies inside it. A
// window is sized by its own DPI, never the system's: on a monitor of another scaling the two differ.
[[nodiscard]] constexpr PixelSize ClientSizeForDpi(const TwipRect& client, int dpi) noexcept {
    const PixelRect pixels = TwipsToPixels(client, dpi);
    return {pixels.left + pixels.width, pixels.top + pixels.height};
}

// Point sizes to the negative character height of a LOGFONT.
[[nodiscard]] constexpr int PointsToFontHeight(int points, int dpi) noexcept {
    return -static_cast<int>((std::int64_t{points} * dpi + 36) / 72);
}

}  // namespace tavrelonim::ui
