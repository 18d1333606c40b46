#include "util/uFuncoes.h"

#include "util/Cp1252.h"
#include "util/Numbers.h"

#include <unicode/uchar.h>

#include <array>

namespace torvel {
namespace {

bool IsBlankChar(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// A code point outside the 16-bit range has no byte either.
int FromUnicode(UChar32 cp) {
    return cp > 0xFFFF ? -1 : Utf16ToCp1252(char16_t(cp));
}

// Case tables built once from ICU's simple case mapping; a letter whose counterpart has no
// Windows-1252 byte stays as it is, so the length never changes.
struct CaseTables {
    std::array<char, 256> upper{}, lower{};
    CaseTables() {
        for (int b = 0; b < 256; ++b) {
            char32_t cp = Cp1252ToUtf16(static_cast<unsigned char>(b));
            int u = FromUnicode(u_toupper(UChar32(cp)));
            int l = FromUnicode(u_tolower(UChar32(cp)));
            upper[b] = static_cast<char>(u < 0 ? b : u);
            lower[b] = static_cast<char>(l < 0 ? b : l);
        }
    }
};

const CaseTables& SharedCaseTables() {
    static const CaseTables tables;
    return tables;
}

std::string MapCase(std::string_view text, const std::array<char, 256>& table) {
    std::string out(text);
    for (char& c : out)
        c = table[static_cast<unsigned char>(c)];
    return out;
}

} // namespace

std::vector<std::string> SplitAt(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    // The separator is a line break of its own: it never pairs with a neighbouring CR or LF.
    const bool sepIsBreak = separator == '\r' || separator == '\n';
    size_t start = 0;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '\r' || c == '\n' || (!sepIsBreak && c == separator)) {
            pieces.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        pieces.emplace_back(text.substr(start));
    return pieces;
}

std::string TrimLeft(std::string_view text) {
    size_t b = 0;
    while (b < text.size() && IsBlankChar(text[b]))
        ++b;
    return std::string(text.substr(b));
}

std::string TrimRight(std::string_view text) {
    size_t e = text.size();
    while (e > 0 && IsBlankChar(text[e - 1]))
        --e;
    return std::string(text.substr(0, e));
}

std::string Trim(std::string_view text) {
    return TrimLeft(TrimRight(text));
}

bool IsBlank(std::string_view text) {
    for (char c : text)
        if (!IsBlankChar(c))
            return false;
    return true;
}

std::string DigitsOnly(std::string_view text, int count, bool keepMinus) {
    std::string trimmed = Trim(text);
    if (trimmed.empty())
        return {};
    size_t n = trimmed.size();
    if (count < 0)
        n = 0;
    else if (count > 0 && size_t(count) < n)
        n = size_t(count);
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        char c = trimmed[i];
        if ((c >= '0' && c <= '9') || (keepMinus && c == '-'))
            out += c;
    }
    return out;
}

std::string NormalizeNumberText(std::string_view value, bool twoDecimals) {
    std::string text;
    for (char c : value)
        if (c != '.')
            text += c;
    std::string working;
    if (IsBlank(text)) {
        working = twoDecimals ? FormatAmount(0) : "0";
    } else if (twoDecimals) {
        auto number = ReadNumber(text, ',');
        if (!number)
            return "0";
        working = FormatAmount(*number);
    } else {
        working = text;
    }
    if (IsBlank(DigitsOnly(working, 0, false)))
        return "0";
    for (char& c : working) {
        if (c == '%')
            c = ' ';
        else if (c == ',')
            c = '.';
    }
    if (IsBlank(working) || working.find_first_of("sSnN") != std::string::npos)
        return "0";
    return working;
}

std::string StripAccents(std::string_view text) {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = static_cast<char>(i);
        const unsigned char pairs[][2] = {
            {0x22, 0xB4}, {0xBA, 0x2E}, {0xE0, 'a'}, {0xE2, 'a'}, {0xEA, 'e'}, {0xF4, 'o'},
            {0xFB, 'u'},  {0xE3, 'a'},  {0xF5, 'o'}, {0xE1, 'a'}, {0xE9, 'e'}, {0xED, 'i'},
            {0xF3, 'o'},  {0xFA, 'u'},  {0xE7, 'c'}, {0xFC, 'u'}, {0xC0, 'A'}, {0xC2, 'A'},
            {0xCA, 'E'},  {0xD4, 'O'},  {0xDB, 'U'}, {0xC3, 'A'}, {0xD5, 'O'}, {0xC1, 'A'},
            {0xC9, 'E'},  {0xCD, 'I'},  {0xD3, 'O'}, {0xDA, 'U'}, {0xC7, 'C'}, {0xDC, 'U'},
            {0x27, 0x60}};
        for (auto& p : pairs)
            t[p[0]] = static_cast<char>(p[1]);
        return t;
    }();
    // One table lookup per byte: a replacement is never replaced again.
    std::string out(text);
    for (char& c : out)
        c = table[static_cast<unsigned char>(c)];
    return out;
}

std::string UpperCase(std::string_view text) {
    return MapCase(text, SharedCaseTables().upper);
}
std::string LowerCase(std::string_view text) {
    return MapCase(text, SharedCaseTables().lower);
}

std::string NameCase(std::string_view text) {
    static constexpr std::string_view kParticles = "DA - DAS -DE -DO -DOS -EM -NO -NAS S/A DE";
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    s = TrimRight(s) + ' ';
    std::string result;
    result.reserve(s.size());
    size_t pos = 0;
    while (pos < s.size()) {
        size_t space = s.find(' ', pos);
        if (space == std::string::npos)
            break;
        std::string_view word(s.data() + pos, space - pos + 1);
        if (kParticles.find(word) != std::string_view::npos)
            result += LowerCase(word);
        else
            result.append(1, word[0]).append(LowerCase(word.substr(1)));
        pos = space + 1;
    }
    return result;
}

std::string ErrorBoxText(std::string_view message) {
    std::string out(message);
    if (!out.empty() && static_cast<unsigned char>(out.back()) > '.')
        out += '.';
    return out;
}

} // namespace torvel
