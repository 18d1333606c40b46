#include "util/Cp1252QString.h"

#include "util/Cp1252.h"

namespace torvel {

QString ToQString(std::string_view bytes1252) {
    QString out(qsizetype(bytes1252.size()), Qt::Uninitialized);
    QChar* p = out.data();
    for (unsigned char b : bytes1252)
        *p++ = QChar(Cp1252ToUtf16(b));
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
        int byte = Utf16ToCp1252(u);
        out += byte < 0 ? '?' : char(byte);
    }
    return out;
}

} // namespace torvel
