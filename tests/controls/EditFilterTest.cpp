// Key filters of the entry fields and the number reading/writing of TFloatEdit.
#include "controls/EditFilters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace torvel {
namespace {

constexpr int kAll = -1; // select the whole text

// What the text becomes when `typed` is applied over the selection, or "refused"/"ordinary".
template <typename Settings, typename FilterFn>
std::string Apply(FilterFn filter, const Settings& s, const std::string& text, int selStart,
                  int selLength, char typed) {
    if (selLength == kAll) {
        selStart = 0;
        selLength = static_cast<int>(text.size());
    }
    FilterResult r = filter(s, text, selStart, selLength, typed);
    if (r.kind == FilterResult::Refuse)
        return "refused";
    if (r.kind == FilterResult::Ordinary)
        return "ordinary";
    std::string out = text;
    out.replace(size_t(selStart), size_t(selLength), 1, r.character);
    return out;
}

FloatEditSettings Numeric(int digits, bool negative = false) {
    FloatEditSettings s;
    s.numerico = true;
    s.digits = digits;
    s.numNegativo = negative;
    return s;
}

struct FloatCase {
    const char* name;
    FloatEditSettings settings;
    std::string text;
    int selStart;
    int selLength;
    char typed;
    std::string expected;
};

TEST(FloatEditFilter, TypedCharacters) {
    const FloatEditSettings qtd = Numeric(3);
    const FloatEditSettings text{};
    const FloatCase cases[] = {
        {"digit over a whole selection", qtd, "1,000", 0, kAll, '2', "2"},
        {"decimals full, caret in the integer part", qtd, "1,000", 1, 0, '5', "refused"},
        {"decimals full, caret at the end", qtd, "1,000", 5, 0, '5', "refused"},
        {"decimals full refuses even a minus", Numeric(3, true), "1,000", 0, 0, '-', "refused"},
        {"decimals full, part selected", qtd, "1,000", 2, 3, '5', "refused"},
        {"room for one more decimal", qtd, "1,00", 4, 0, '5', "1,005"},
        {"point becomes the decimal comma", qtd, "12", 2, 0, '.', "12,"},
        {"comma stays a comma", qtd, "12", 2, 0, ',', "12,"},
        {"second separator refused", qtd, "12,", 3, 0, ',', "refused"},
        {"second separator as point refused", qtd, "12,", 3, 0, '.', "refused"},
        {"separator over the whole text", qtd, "12,5", 0, kAll, '.', ","},
        {"separator refused without decimals", Numeric(0), "12", 2, 0, ',', "refused"},
        {"letter refused", qtd, "12", 2, 0, 'a', "refused"},
        {"blank refused", qtd, "12", 2, 0, ' ', "refused"},
        {"plus sign refused", qtd, "", 0, 0, '+', "refused"},
        {"minus refused without negatives", qtd, "", 0, 0, '-', "refused"},
        {"minus after digits", Numeric(2, true), "12", 2, 0, '-', "12-"},
        {"second minus refused", Numeric(2, true), "-1", 2, 0, '-', "refused"},
        {"minus refused even over all", Numeric(2, true), "-1", 0, kAll, '-', "refused"},
        {"minus refused once a separator is there", Numeric(2, true), "1,", 2, 0, '-', "refused"},
        {"digit into the empty text", qtd, "", 0, 0, '7', "7"},
        {"backspace is ordinary", qtd, "1,000", 5, 0, '\b', "ordinary"},
        {"enter is ordinary", qtd, "1,000", 5, 0, '\r', "ordinary"},
        {"text mode takes anything", text, "AB", 2, 0, 'x', "ABx"},
        {"text mode takes an accented letter", text, "", 0, 0, '\xE7', "\xE7"},
        {"text mode takes a point unchanged", text, "1", 1, 0, '.', "1."},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(Apply(FloatEditFilter, c.settings, c.text, c.selStart, c.selLength, c.typed),
                  c.expected)
            << c.name;
}

TEST(FloatEditFilter, EscapeSelectsAllAndZeroesOnlyAWritableNumericField) {
    struct {
        FloatEditSettings settings;
        bool reset;
    } cases[] = {{Numeric(3), true}, {FloatEditSettings{}, false}, {Numeric(3), false}};
    cases[2].settings.readOnly = true;
    for (const auto& c : cases) {
        FilterResult r = FloatEditFilter(c.settings, "12,5", 1, 0, kEscape);
        EXPECT_EQ(r.kind, FilterResult::Ordinary);
        EXPECT_TRUE(r.selectAll);
        EXPECT_EQ(r.resetValue, c.reset);
    }
}

TEST(FloatEditValue, Reading) {
    struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"", 0.0},
        {"-", 0.0},
        {",", 0.0},
        {"2", 2.0},
        {"1,500", 1.5},
        {" -3,25 ", -3.25},
        {"+4", 4.0},
        {"1e3", 1000.0},
        {"2,5E-1", 0.25},
        {"12-", std::nullopt},
        {"1.5", std::nullopt},
        {"1,2,3", std::nullopt},
        {"abc", std::nullopt},
        {"--", std::nullopt},
        {"1 000", std::nullopt},
        {"1e999", std::nullopt},
    };
    for (const auto& c : cases) {
        std::optional<double> v = ReadFloatEditValue(c.text);
        ASSERT_EQ(v.has_value(), c.value.has_value()) << c.text;
        if (v) {
            EXPECT_DOUBLE_EQ(*v, *c.value) << c.text;
        }
    }
}

TEST(FloatEditValue, Writing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct {
        double value;
        int digits;
        bool negative;
        const char* text;
        bool red;
    } cases[] = {
        {1, 3, false, "1,000", false},        {0.5, 3, false, "0,500", false},
        {1234, 0, false, "1234", false},      {-2, 3, false, "0,000", true},
        {-2, 3, true, "-2,000", true},        {0.0005, 3, false, "0,001", false},
        {2.5, 0, false, "3", false},          {0, 2, false, "0,00", false},
        {1e6, 2, false, "1000000,00", false}, {2, -4, false, "2", false},
        {nan, 2, false, "0,00", false},       {inf, 1, true, "0,0", false},
    };
    for (const auto& c : cases) {
        RenderedValue r = RenderFloatEditValue(c.value, c.digits, c.negative);
        EXPECT_EQ(r.text, c.text) << c.value << " with " << c.digits;
        EXPECT_EQ(r.negativeColour, c.red) << c.value;
    }
}

DrumoEditSettings Drumo(TTipoDefault tipo, bool negative = false) {
    DrumoEditSettings s;
    s.tipo = tipo;
    s.decimalPlaces = DecimalPlacesOf(DefaultMascara(tipo));
    s.numNegativo = negative;
    return s;
}

struct DrumoCase {
    const char* name;
    DrumoEditSettings settings;
    std::string text;
    int selStart;
    int selLength;
    char typed;
    std::string expected;
};

TEST(DrumoEditFilter, TypedCharacters) {
    const DrumoEditSettings flt = Drumo(tpFloat), integer = Drumo(tpInteiro), crf = Drumo(tpCRF);
    const DrumoCase cases[] = {
        {"text type filters nothing", Drumo(tpTexto), "ab", 2, 0, 'x', "ordinary"},
        {"text type leaves Escape alone", Drumo(tpTexto), "ab", 2, 0, kEscape, "ordinary"},
        {"letters refused in a document", crf, "", 0, 0, 'a', "refused"},
        {"digit into a document", crf, "123", 3, 0, '4', "1234"},
        {"punctuation typed into a document", crf, "123", 3, 0, '.', "123."},
        {"comma typed into a document", crf, "123", 3, 0, ',', "123,"},
        {"slash refused in a document", crf, "12", 2, 0, '/', "refused"},
        {"minus into an empty document", crf, "", 0, 0, '-', "-"},
        {"minus into a blank document", crf, "  ", 2, 0, '-', "  -"},
        {"minus after digits refused", crf, "123", 3, 0, '-', "refused"},
        {"minus after digits with negatives", Drumo(tpCRF, true), "123", 3, 0, '-', "123-"},
        {"minus refused in a date", Drumo(tpData), "01", 2, 0, '-', "refused"},
        {"letters refused in a phone", Drumo(tpFone), "", 0, 0, '(', "refused"},
        {"digit into an amount", flt, "3", 1, 0, '5', "35"},
        {"point becomes the comma", flt, "3", 1, 0, '.', "3,"},
        {"second separator refused", flt, "3,5", 3, 0, ',', "refused"},
        {"separator refused even over all", flt, "3,5", 0, kAll, ',', "refused"},
        {"third decimal refused", flt, "3,50", 4, 0, '1', "refused"},
        {"third decimal refused in the integer part", flt, "3,50", 0, 0, '1', "refused"},
        {"digits over a whole selection", flt, "3,50", 0, kAll, '1', "1"},
        {"room for a second decimal", flt, "3,5", 3, 0, '1', "3,51"},
        {"minus anywhere in an amount", flt, "35", 2, 0, '-', "35-"},
        {"minus refused when decimals are full", flt, "3,50", 4, 0, '-', "refused"},
        {"separator refused for integers", integer, "3", 1, 0, ',', "refused"},
        {"point refused for integers", integer, "3", 1, 0, '.', "refused"},
        {"letters refused for integers", integer, "3", 1, 0, 'e', "refused"},
        {"digits for integers", integer, "12345678", 8, 0, '9', "123456789"},
        {"backspace is ordinary", flt, "3,50", 4, 0, '\b', "ordinary"},
    };
    for (const DrumoCase& c : cases)
        EXPECT_EQ(Apply(DrumoEditFilter, c.settings, c.text, c.selStart, c.selLength, c.typed),
                  c.expected)
            << c.name;
}

TEST(DrumoEditFilter, EscapeZeroesOnlyNumericTypes) {
    struct {
        TTipoDefault tipo;
        bool reset;
        bool selectAll;
    } cases[] = {{tpTexto, false, false},
                 {tpInteiro, true, true},
                 {tpFloat, true, true},
                 {tpCRF, false, true},
                 {tpData, false, true}};
    for (const auto& c : cases) {
        FilterResult r = DrumoEditFilter(Drumo(c.tipo), "12", 2, 0, kEscape);
        EXPECT_EQ(r.kind, FilterResult::Ordinary) << c.tipo;
        EXPECT_EQ(r.resetValue, c.reset) << c.tipo;
        EXPECT_EQ(r.selectAll, c.selectAll) << c.tipo;
    }
}

} // namespace
} // namespace torvel
