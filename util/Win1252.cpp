#include "util/Win1252.h"

#include <array>

namespace torvel {
namespace {

// 0x80-0x9F; the five unassigned bytes map to the C1 controls, as Windows does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString ToQString(std::string_view bytes1252) {
    QString out(qsizetype(bytes1252.size()), Qt::Uninitialized);
    QChar* p = out.data();
    for (unsigned char b : bytes1252)
        *p++ = QChar((b >= 0x80 && b <= 0x9F) ? kHigh[b - 0x80] : char16_t(b));
    return out;
}

std::string FromQString(const QString& text) {
    std::string out;
    out.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // one character outside the code page: one '?'
            out += '?';
            continue;
        }
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k)
            if (kHigh[size_t(k)] == u)
                mapped = char(0x80 + k);
        out += mapped;
    }
    return out;
}

} // namespace torvel
