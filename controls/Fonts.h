// The fonts the windows were drawn with, mapped once to the Debian fonts installed here, so that
// every machine draws the same whatever its desktop has.
#pragma once

#include <QFont>
#include <QString>

namespace torvel {

// The installed family that stands in for a design family (Tahoma, MS Sans Serif, Consolas,
// Lucida Sans); another family is returned unchanged.
QString StandInFamily(const QString& designFamily);

// A font of the design family, through its stand-in, `pixels` high.
QFont DesignFont(const QString& designFamily, int pixels, bool bold);

// The same at a point size (the search window's 8 pt).
QFont DesignPointFont(const QString& designFamily, int points);

} // namespace torvel
