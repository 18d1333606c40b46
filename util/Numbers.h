// Number texts with a decimal comma, whatever the desktop's locale: files and the order server
// rely on it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torvel {

// Reads optional blanks, an optional sign, digits with at most one decimal separator, an optional
// exponent and optional blanks, and nothing else. No thousands separator.
std::optional<double> ReadNumber(std::string_view text, char decimalSeparator = ',');

// Like ReadNumber with a comma; the empty text and anything unreadable throw ConversionError
// "'<text>' is not a valid floating point value".
double ParseNumber(std::string_view text);

// "#####0.00": '0,50', '-3,25', '1234567,00'.
std::string FormatAmount(double value);
// "#####0.###": '2', '2,5', '0,125'.
std::string FormatQuantity(double value);
// Fixed-point with exactly `decimals` decimals (0-255), comma, leading "-" for negatives.
std::string FormatFixed(double value, int decimals);
// Renders with a pattern of "0" (required digit), "#" (optional digit) and "." (decimal place):
// "#########0", "######0.00", "00000000".
std::string FormatPattern(double value, std::string_view pattern);

} // namespace torvel
