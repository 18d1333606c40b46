// Types of TDrumoEdit, their patterns and the layouts made when the field is left.
#include "controls/DocumentLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace torvel {
namespace {

TEST(TTipoEdit, TypeSetsPatternAndDecimalPlaces) {
    struct {
        TTipoDefault tipo;
        const char* mascara;
        int decimals;
    } cases[] = {
        {tpTexto, "", 0},
        {tpInteiro, "#########0", 8},
        {tpFloat, "######0.00", 2},
        {tpCRF, "", 0},
        {tpPlaca, "", 0},
        {tpData, "00/00/0000", 8},
        {tpDataHora, "00/00/0000 00:00", 8},
        {tpFone, "(00) #0000-0000", 8},
        {tpCEP, "00.000-000", 7},
    };
    TTipoEdit t;
    EXPECT_EQ(t.Tipo(), tpTexto);
    EXPECT_FALSE(t.Num_Negativo());
    for (const auto& c : cases) {
        t.SetMascara("0.0"); // whatever was there before is replaced
        t.SetTipo(c.tipo);
        EXPECT_EQ(t.Mascara(), c.mascara) << c.tipo;
        EXPECT_EQ(t.DecimalPlaces(), c.decimals) << c.tipo;
    }
}

TEST(TTipoEdit, PatternSetAfterTheType) {
    struct {
        const char* mascara;
        int decimals;
    } cases[] = {{"#0.000", 3}, {"0.", 0}, {"0.0000000000", 8}, {"0.0.0", 3}, {"000", 3}, {"", 0}};
    for (const auto& c : cases) {
        TTipoEdit t;
        t.SetTipo(tpFloat);
        t.SetMascara(c.mascara);
        EXPECT_EQ(t.Tipo(), tpFloat);
        EXPECT_EQ(t.DecimalPlaces(), c.decimals) << c.mascara;
    }
}

TEST(DocumentLayout, StripToDigits) {
    EXPECT_EQ(StripToDigits("123.456.789-01"), "12345678901");
    EXPECT_EQ(StripToDigits(" a1\xB9"
                            "2 "),
              "12"); // a superscript one is no digit
    EXPECT_EQ(StripToDigits("abc"), "");
}

TEST(DocumentLayout, FormatMask) {
    struct {
        const char* layout;
        const char* s;
        const char* expected;
    } cases[] = {
        {"000.000.000-00;0;*", "12345678901", "123.456.789-01"},
        {"000.000.000-00;0;*", "", "   .   .   -  "},
        {"000.000.000-00;0;*", "123", "123.   .   -  "},
        {"00.000.000/0000-00;0;*", "123456789012345", "12.345.678/9012-345"},
        {"(00) 00000-0000;0;*", "33334444", "(33) 33444-4   "},
        {"00/00/0000;0;0", "01122024", "01/12/2024"},
        {"00.000-000;0;0", "12345", "12.345-   "},
        {";0;0", "4521", "4521"},
        {"00:00", "1", "1 :  "},
        {"00/00", "123456", "12/3456"}, // beyond the places, unchanged at the end
        {"000", "", "   "},             // no closing part: the whole layout is the pattern
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatMask(c.layout, c.s), c.expected) << c.layout << " over " << c.s;
}

struct ExitCase {
    TTipoDefault tipo;
    const char* text;
    const char* expected;
};

std::string Exit(TTipoDefault tipo, const std::string& text, bool caixaAlta = false) {
    TTipoEdit t;
    t.SetTipo(tipo);
    DrumoExitResult r = DrumoExitLayout(t, caixaAlta, text);
    return r.error ? "error: " + r.text : r.text;
}

TEST(DrumoExitLayout, LayoutsByType) {
    const ExitCase cases[] = {
        {tpCRF, "12345678901", "123.456.789-01"},
        {tpCRF, "12345678000195", "12.345.678/0001-95"},
        {tpCRF, "123.456.789-01", "123.456.789-01"},
        {tpCRF, "12.345.678/0001-95", "12.345.678/0001-95"},
        {tpCRF, "", "000.000.000-00"},
        {tpCRF, "abc", "   .   .   -  "},
        {tpCRF, " ", "   .   .   -  "},
        {tpCRF, "-", "   .   .   -  "},
        {tpCRF, "123456789012345", "12.345.678/9012-345"},
        {tpCRF, "123456780001951", "12.345.678/0001-951"},
        {tpCRF, "123456789012", "12.345.678/9012-  "},
        {tpFone, "1133334444", "(11) 3333-4444"},
        {tpFone, "11987654321", "(11) 98765-4321"},
        {tpFone, "(11) 3333-4444", "(11) 3333-4444"},
        {tpFone, "(11) 98765-4321", "(11) 98765-4321"},
        {tpFone, "33334444", "(33) 33444-4   "},
        {tpFone, "", "(  )      -    "},
        {tpCEP, "12345678", "12.345-678"},
        {tpCEP, "12345", "12.345-"},
        {tpCEP, "12.345-678", "12.345-678"},
        {tpCEP, "", ".   -"}, // trimmed at both ends
        {tpPlaca, "ab-1234", "1234"},
        {tpPlaca, "", ""},
        {tpData, "1122024", "01/12/2024"},
        {tpData, "01/12/2024", "01/12/2024"},
        {tpData, "1", "00/00/0001"},
        {tpData, "123456789012", "12/34/567890"},
        {tpData, "", "error: "},
        {tpData, "ab", "error: "},
        {tpDataHora, "01122024", "01/12/2024 00:00"},
        {tpDataHora, "011220241530", "01/12/2024 15:30"},
        {tpDataHora, "01/12/2024 15:30", "01/12/2024 15:30"},
        {tpDataHora, "0112202415301", "01/12/2024 15:30"},
        {tpDataHora, "0112", "01/12/       :  "},
        {tpInteiro, "1234", "1234"},
        {tpInteiro, "", "0"},
        {tpInteiro, "abc", "0"},
        {tpInteiro, "-", "0"},
        {tpInteiro, "-5", "0"},
        {tpInteiro, "12-", "error: 12-"},
        {tpFloat, "3,5", "3,50"},
        {tpFloat, "1234,5", "1234,50"},
        {tpFloat, ",5", "0,50"},
        {tpFloat, "2,375", "2,38"},
        {tpFloat, "12-", "error: 12-"},
        {tpFloat, "1,2,3", "error: 1,2,3"},
        {tpTexto, " jose da silva ", " jose da silva "},
    };
    for (const ExitCase& c : cases)
        EXPECT_EQ(Exit(c.tipo, c.text), c.expected) << c.tipo << " '" << c.text << "'";
}

TEST(DrumoExitLayout, NumericTypesWriteTheirValue) {
    struct {
        TTipoDefault tipo;
        bool negative;
        const char* text;
        double value;
        const char* shown;
    } cases[] = {
        {tpFloat, false, "3,5", 3.5, "3,50"},   {tpFloat, false, "-3,5", 0, "0,00"},
        {tpFloat, true, "-3,5", -3.5, "-3,50"}, {tpInteiro, false, "007", 7, "7"},
        {tpInteiro, true, "-12", -12, "-12"},   {tpInteiro, false, "2,6", 2.6, "3"},
        {tpInteiro, false, "x", 0, "0"},
    };
    for (const auto& c : cases) {
        TTipoEdit t;
        t.SetTipo(c.tipo);
        t.SetNum_Negativo(c.negative);
        DrumoExitResult r = DrumoExitLayout(t, false, c.text);
        ASSERT_TRUE(r.value.has_value()) << c.text;
        EXPECT_DOUBLE_EQ(*r.value, c.value) << c.text;
        EXPECT_EQ(r.text, c.shown) << c.text;
        EXPECT_FALSE(r.error);
    }
    TTipoEdit t;
    t.SetTipo(tpFloat);
    DrumoExitResult bad = DrumoExitLayout(t, false, "12-");
    EXPECT_FALSE(bad.value);
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(*bad.error, "'12-' is not a valid floating point value");
}

TEST(DrumoExitLayout, OnlyTextTypeWithCaixaAltaIsNameCased) {
    EXPECT_EQ(Exit(tpTexto, "  JOSE DA SILVA ", true), "Jose da Silva");
    EXPECT_EQ(Exit(tpTexto, "  ANA  MARIA ", true), "Ana  Maria");
    EXPECT_EQ(Exit(tpCEP, "12345678", true), "12.345-678");
}

TEST(DrumoExitLayout, NonDefaultPatterns) {
    TTipoEdit t;
    t.SetTipo(tpPlaca);
    t.SetMascara("000-0000");
    EXPECT_EQ(DrumoExitLayout(t, false, "1234567").text, "123-4567");
    t.SetTipo(tpInteiro);
    t.SetMascara("00000");
    EXPECT_EQ(DrumoExitLayout(t, false, "42").text, "00042");
}

} // namespace
} // namespace torvel
