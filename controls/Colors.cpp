#include "controls/Colors.h"

namespace torvel {

QColor ToQColor(int color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

int FromQColor(const QColor& color) {
    return ColorRGB(color.red(), color.green(), color.blue());
}

} // namespace torvel
