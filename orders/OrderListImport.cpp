#include "orders/OrderListImport.h"

#include "util/Cp1252.h"
#include "util/Numbers.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <cctype>

namespace torvel {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits at any byte of `separators`; a field that starts with '"' runs to its closing quote,
// "" inside standing for one. Fields come back trimmed of blanks and unquoted.
std::vector<std::string> SplitFields(std::string_view line, std::string_view separators) {
    std::vector<std::string> fields;
    size_t i = 0;
    while (true) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i];
            }
        }
        const size_t end = std::min(line.find_first_of(separators, i), line.size());
        field += line.substr(i, end - i);
        fields.emplace_back(Trimmed(field));
        if (end >= line.size())
            return fields;
        i = end + 1;
    }
}

std::vector<std::string> LineFields(std::string_view line, char comma) {
    if (line.find_first_of("\t;") != std::string_view::npos)
        return SplitFields(line, "\t;");
    if (comma)
        return SplitFields(line, std::string_view(&comma, 1));
    std::vector<std::string> fields;
    for (size_t i = 0; i < line.size();) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        size_t end = i;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
        if (end > i)
            fields.emplace_back(line.substr(i, end - i));
        i = end;
    }
    return fields;
}

// The lines of a text, without their breaks: CR LF, LF or CR end a line; a break at the very
// end adds no empty line.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

// The code points of valid UTF-8, or false.
bool DecodeUtf8(std::string_view bytes, std::u32string& out) {
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || bytes.size() - i <= size_t(extra))
            return false;
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char c = static_cast<unsigned char>(bytes[i + size_t(k)]);
            if ((c >> 6) != 2)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    return true;
}

} // namespace

bool IsOrderList(std::string_view text) {
    const std::vector<std::string_view> lines = Lines(text);
    return lines.size() > 1 ||
           (lines.size() == 1 && lines[0].find_first_of("\t;") != std::string_view::npos);
}

std::string ListQuantity(std::string_view text) {
    std::string q(Trimmed(text));
    const size_t point = q.find('.');
    if (point != std::string::npos) {
        const bool ambiguous =
            q.find(',') != std::string::npos || q.find('.', point + 1) != std::string::npos ||
            (q.size() - point - 1 == 3 && point > 0 && q.compare(0, point, "0") != 0);
        if (ambiguous)
            return {};
        q[point] = ',';
    }
    // Qtd takes three decimals at most.
    if (const size_t decimal = q.find(','); decimal != std::string::npos && q.size() - decimal > 4)
        return {};
    if (q.empty() || !std::all_of(q.begin(), q.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) || c == ',';
        }))
        return {};
    return ReadNumber(q) ? q : std::string();
}

std::vector<ListLine> ReadOrderList(std::string_view text, char comma) {
    std::vector<ListLine> out;
    const std::vector<std::string_view> lines = Lines(text);
    bool first = true;
    for (size_t n = 0; n < lines.size(); ++n) {
        if (Trimmed(lines[n]).empty())
            continue;
        const std::vector<std::string> fields = LineFields(lines[n], comma);
        ListLine line;
        line.number = int(n + 1);
        line.text = std::string(lines[n]);
        line.code = fields.empty() ? std::string() : UpperCase(fields[0]);
        const bool hasQuantity = fields.size() > 1 && !fields[1].empty();
        line.quantity = hasQuantity ? ListQuantity(fields[1]) : "1";
        const bool isHeader = first && hasQuantity && line.quantity.empty();
        first = false;
        if (isHeader)
            continue;
        if (line.code.empty() &&
            !std::all_of(fields.begin(), fields.end(), [](auto& f) { return f.empty(); }))
            line.fault = ListLineFault::NoCode;
        else if (line.code.empty())
            continue; // only separators: nothing on the line
        else if (line.quantity.empty())
            line.fault = ListLineFault::BadQuantity;
        out.push_back(std::move(line));
    }
    return out;
}

char ListFileComma(std::string_view fileName, std::string_view text) {
    const bool csv =
        fileName.size() >= 4 && UpperCase(fileName.substr(fileName.size() - 4)) == ".CSV";
    return csv && text.find_first_of("\t;") == std::string_view::npos ? ',' : 0;
}

std::string ListFileText(std::string_view bytes) {
    std::u32string points;
    if (!DecodeUtf8(bytes, points))
        return std::string(bytes);
    std::string out;
    out.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const char32_t cp = points[i];
        if (i == 0 && cp == 0xFEFF)
            continue;
        const int byte = cp <= 0xFFFF ? Utf16ToCp1252(char16_t(cp)) : -1;
        out += byte < 0 ? '?' : char(byte);
    }
    return out;
}

} // namespace torvel
