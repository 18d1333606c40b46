#include "controls/Fonts.h"

#include <QFontDatabase>
#include <QHash>
#include <QStringList>

namespace torvel {

namespace {

struct StandIn {
    const char* design;
    QFont::StyleHint hint;
    // Preferred first; a metric-compatible family where one exists. scripts/setup.sh installs
    // their packages (fonts-dejavu-core, fonts-dejavu-extra, fonts-liberation2).
    QStringList candidates;
};

const StandIn kStandIns[] = {
    // Narrow humanist sans: the condensed DejaVu keeps the widths closest.
    {"Tahoma", QFont::SansSerif, {"DejaVu Sans Condensed", "DejaVu Sans"}},
    // Its widths are Arial's, which Liberation Sans matches metric for metric.
    {"MS Sans Serif", QFont::SansSerif, {"Liberation Sans", "DejaVu Sans"}},
    {"Consolas", QFont::Monospace, {"DejaVu Sans Mono", "Liberation Mono"}},
    {"Lucida Sans", QFont::SansSerif, {"DejaVu Sans", "Liberation Sans"}},
};

const StandIn* find(const QString& designFamily) {
    for (const auto& s : kStandIns)
        if (designFamily.compare(QLatin1String(s.design), Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

// Looked up once per design family: the font database does not change while the program runs.
QString pick(const StandIn& s) {
    static QHash<QString, QString> chosen;
    auto it = chosen.constFind(QLatin1String(s.design));
    if (it != chosen.constEnd())
        return *it;
    QString family = QLatin1String(s.design); // none installed: fontconfig's own choice
    for (const QString& candidate : s.candidates)
        if (QFontDatabase::hasFamily(candidate)) {
            family = candidate;
            break;
        }
    chosen.insert(QLatin1String(s.design), family);
    return family;
}

QFont make(const QString& designFamily) {
    const StandIn* s = find(designFamily);
    QFont font(s ? pick(*s) : designFamily);
    font.setStyleHint(s ? s->hint : QFont::SansSerif);
    return font;
}

} // namespace

QString StandInFamily(const QString& designFamily) {
    const StandIn* s = find(designFamily);
    return s ? pick(*s) : designFamily;
}

QFont DesignFont(const QString& designFamily, int pixels, bool bold) {
    QFont font = make(designFamily);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont DesignPointFont(const QString& designFamily, int points) {
    QFont font = make(designFamily);
    font.setPointSize(points);
    return font;
}

} // namespace torvel
