#include "controls/EditFilters.h"

#include "util/Numbers.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <cmath>

namespace torvel {
namespace {

FilterResult ordinary() {
    return {};
}
FilterResult refuse() {
    return {FilterResult::Refuse};
}
FilterResult insert(char c) {
    return {FilterResult::Insert, c};
}

bool IsControl(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 32 || u == 127; // DEL comes from Ctrl+Backspace; it is editing, not text
}

bool AllSelected(std::string_view text, int selStart, int selLength) {
    return selStart <= 0 && selLength >= 0 && static_cast<size_t>(selLength) >= text.size();
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters after the first decimal separator, or nullopt when there is none.
std::optional<size_t> DecimalsTyped(std::string_view text) {
    size_t sep = text.find(kDecimalSeparator);
    if (sep == std::string_view::npos)
        return std::nullopt;
    return text.size() - sep - 1;
}

} // namespace

FilterResult FloatEditFilter(const FloatEditSettings& s, std::string_view text, int selStart,
                             int selLength, char typed) {
    if (typed == kEscape) {
        FilterResult r;
        r.resetValue = s.numerico && !s.readOnly;
        r.selectAll = true;
        return r;
    }
    if (IsControl(typed))
        return ordinary();
    if (!s.numerico)
        return insert(typed);

    const bool all = AllSelected(text, selStart, selLength);
    const std::optional<size_t> decimals = DecimalsTyped(text);
    // The decimals are full: nothing more fits, wherever the caret stands.
    if (decimals && *decimals >= static_cast<size_t>(std::max(s.digits, 0)) && !all)
        return refuse();
    if (IsDigit(typed))
        return insert(typed);
    if (typed == ',' || typed == '.') {
        if (s.digits <= 0 || (decimals && !all))
            return refuse();
        return insert(kDecimalSeparator);
    }
    if (typed == '-') {
        if (!s.numNegativo || text.find('-') != std::string_view::npos || decimals)
            return refuse();
        return insert('-');
    }
    return refuse();
}

std::optional<double> ReadFloatEditValue(std::string_view text) {
    if (text.empty() || text == "-" || text == std::string_view(&kDecimalSeparator, 1))
        return 0.0;
    return ReadNumber(text, kDecimalSeparator);
}

RenderedValue RenderFloatEditValue(double value, int digits, bool numNegativo) {
    if (!std::isfinite(value))
        value = 0; // nothing sensible to show; never "NAN" or "INF" in a quantity field
    RenderedValue r;
    r.negativeColour = value < 0;
    if (value < 0 && !numNegativo)
        value = 0;
    r.text = FormatFixed(value, std::clamp(digits, 0, 255));
    return r;
}

FilterResult DrumoEditFilter(const DrumoEditSettings& s, std::string_view text, int selStart,
                             int selLength, char typed) {
    if (s.tipo == tpTexto)
        return ordinary();
    const bool numeric = IsNumericTipo(s.tipo);
    if (typed == kEscape) {
        FilterResult r;
        r.resetValue = numeric && !s.readOnly;
        r.selectAll = true;
        return r;
    }
    if (IsControl(typed))
        return ordinary();
    if (!IsDigit(typed) && typed != ',' && typed != '-' && typed != '.')
        return refuse();

    if (numeric) {
        const std::optional<size_t> decimals = DecimalsTyped(text);
        if (typed == ',' || typed == '.') {
            if (s.tipo == tpInteiro || decimals)
                return refuse();
            return insert(kDecimalSeparator);
        }
        const size_t d = std::min<size_t>(decimals.value_or(0), 8);
        if (static_cast<int>(d) == s.decimalPlaces && !AllSelected(text, selStart, selLength))
            return refuse();
        return insert(typed);
    }

    // Without negatives, a minus sign only goes into a blank field.
    if (typed == '-' && !s.numNegativo && !IsBlank(text))
        return refuse();
    return insert(typed);
}

} // namespace torvel
