// Colours as the windows set them: 0x00BBGGRR values (red in the low byte), the named ones the
// program uses, and the one conversion to and from QColor.
#pragma once

#include <QColor>

namespace torvel {

// "No colour": a list without zebra or check colour keeps its own background.
inline constexpr int kColorNone = 0x1FFFFFFF;

constexpr int ColorRGB(int red, int green, int blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

inline constexpr int kColorBlack = ColorRGB(0, 0, 0);
inline constexpr int kColorWhite = ColorRGB(255, 255, 255);
inline constexpr int kColorSilver = ColorRGB(192, 192, 192);
inline constexpr int kColorNavy = ColorRGB(0, 0, 128);
inline constexpr int kColorRed = ColorRGB(255, 0, 0);
inline constexpr int kColorBlue = ColorRGB(0, 0, 255);
inline constexpr int kColorYellow = ColorRGB(255, 255, 0);

QColor ToQColor(int color);
// The alpha channel is dropped: these values have none.
int FromQColor(const QColor& color);

} // namespace torvel
