#include "util/Numbers.h"

#include "util/Errors.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace torvel {
namespace {

bool IsSpace(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= 32;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value as decimal digits with 18 significant digits: d[0].d[1]... x 10^exponent.
struct Decimal {
    bool negative = false;
    std::string digits; // 18 digits
    int exponent = 0;
};

Decimal ToDecimal(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", value);
    Decimal d;
    const char* p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p && *p != 'e'; ++p)
        if (IsDigit(*p))
            d.digits += *p;
    if (*p == 'e')
        d.exponent = std::atoi(p + 1);
    return d;
}

// Rounds half away from zero to maxDecimals, drops trailing zeros down to minDecimals, and
// writes the result with a comma and at least minIntDigits integer digits.
std::string FormatDecimal(double value, int minIntDigits, int minDecimals, int maxDecimals) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    Decimal d = ToDecimal(value);
    // Integer digits (most significant first) and fraction digits, exact to 18 significant digits.
    std::string intPart, fracPart;
    int pointPos = d.exponent + 1; // digits before the point
    if (pointPos <= 0) {
        fracPart = std::string(size_t(-pointPos), '0') + d.digits;
    } else if (size_t(pointPos) >= d.digits.size()) {
        intPart = d.digits + std::string(size_t(pointPos) - d.digits.size(), '0');
    } else {
        intPart = d.digits.substr(0, size_t(pointPos));
        fracPart = d.digits.substr(size_t(pointPos));
    }
    bool roundUp = fracPart.size() > size_t(maxDecimals) && fracPart[size_t(maxDecimals)] >= '5';
    if (fracPart.size() > size_t(maxDecimals))
        fracPart.resize(size_t(maxDecimals));
    fracPart.append(size_t(maxDecimals) - fracPart.size(), '0');
    if (roundUp) {
        std::string all = intPart + fracPart;
        int i = int(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all[size_t(i)] == '9') {
                all[size_t(i)] = '0';
            } else {
                ++all[size_t(i)];
                break;
            }
        }
        if (i < 0)
            all.insert(all.begin(), '1');
        intPart = all.substr(0, all.size() - fracPart.size());
        fracPart = all.substr(all.size() - fracPart.size());
    }
    size_t firstNonZero = intPart.find_first_not_of('0');
    intPart = firstNonZero == std::string::npos ? "" : intPart.substr(firstNonZero);
    if (intPart.size() < size_t(minIntDigits))
        intPart.insert(0, size_t(minIntDigits) - intPart.size(), '0');
    while (fracPart.size() > size_t(minDecimals) && fracPart.back() == '0')
        fracPart.pop_back();
    bool allZero = intPart.find_first_not_of('0') == std::string::npos &&
                   fracPart.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (d.negative && !allZero)
        out += '-';
    out += intPart;
    if (!fracPart.empty())
        out += ',' + fracPart;
    return out;
}

} // namespace

std::optional<double> ReadNumber(std::string_view text, char decimalSeparator) {
    size_t i = 0, n = text.size();
    while (i < n && IsSpace(text[i]))
        ++i;
    std::string normal;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            normal += '-';
        ++i;
    }
    int digits = 0;
    bool separator = false;
    for (; i < n; ++i) {
        char c = text[i];
        if (IsDigit(c)) {
            normal += c;
            ++digits;
        } else if (c == decimalSeparator && !separator) {
            separator = true;
            normal += '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            normal += text[i++];
        int expDigits = 0;
        for (; i < n && IsDigit(text[i]); ++i, ++expDigits)
            normal += text[i];
        if (expDigits == 0)
            return std::nullopt;
    }
    while (i < n && IsSpace(text[i]))
        ++i;
    if (i != n)
        return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec != std::errc() || end != normal.data() + normal.size())
        return std::nullopt;
    return value;
}

double ParseNumber(std::string_view text) {
    auto value = ReadNumber(text, ',');
    if (!value)
        throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
    return *value;
}

std::string FormatAmount(double value) {
    return FormatDecimal(value, 1, 2, 2);
}
std::string FormatQuantity(double value) {
    return FormatDecimal(value, 1, 0, 3);
}

std::string FormatFixed(double value, int decimals) {
    if (decimals < 0)
        decimals = 0;
    if (decimals > 255)
        decimals = 255;
    return FormatDecimal(value, 1, decimals, decimals);
}

std::string FormatPattern(double value, std::string_view pattern) {
    if (pattern.empty()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", value);
        std::string out(buf);
        for (char& c : out)
            if (c == '.')
                c = ',';
        return out;
    }
    size_t point = pattern.find('.');
    std::string_view intPattern = pattern.substr(0, point);
    std::string_view fracPattern =
        point == std::string_view::npos ? std::string_view{} : pattern.substr(point + 1);
    int minInt = 0;
    for (char c : intPattern)
        if (c == '0')
            ++minInt;
    int minFrac = 0, maxFrac = 0;
    for (char c : fracPattern) {
        if (c == '0' || c == '#')
            ++maxFrac;
        if (c == '0')
            minFrac = maxFrac;
    }
    return FormatDecimal(value, minInt, minFrac, maxFrac);
}

} // namespace torvel
