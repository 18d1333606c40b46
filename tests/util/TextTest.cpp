#include "util/Errors.h"
#include "util/Numbers.h"
#include "util/uFuncoes.h"

#include <gtest/gtest.h>

using namespace torvel;
using Pieces = std::vector<std::string>;

TEST(SplitAt, CutsAtSeparatorAndEveryKindOfLineBreak) {
    struct Case {
        std::string text;
        char sep;
        Pieces expected;
    };
    const Case cases[] = {
        {"", ';', {}},
        {"a", ';', {"a"}},
        {"a;b", ';', {"a", "b"}},
        {"a;", ';', {"a"}},            // a break at the very end makes no empty piece
        {"a;;b", ';', {"a", "", "b"}}, // two breaks in a row make an empty one
        {";", ';', {""}},
        {";;", ';', {"", ""}},
        {"a\r\nb", ';', {"a", "b"}},
        {"a\rb\nc", ';', {"a", "b", "c"}},
        {"a\n\rb", ';', {"a", "", "b"}},
        {"a;\r\nb", ';', {"a", "", "b"}}, // the separator does not pair with CR LF
        {"a\r;b", ';', {"a", "", "b"}},
        {std::string("a;b\0c;d", 7), ';', {"a", "b"}}, // NUL ends the text
        {std::string("\0a", 2), ';', {}},
        {"1|A|| x ", '|', {"1", "A", "", " x "}}, // nothing trimmed
        {"a\r\nb\r\n", '\n', {"a", "b"}},         // a line-break separator is just a line break
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitAt(c.text, c.sep), c.expected) << "text: " << c.text;
}

TEST(Trim, RemovesCodes32AndBelowOnly) {
    EXPECT_EQ(Trim(std::string(" \t\x01 a b\r\n\x1f ", 11)), "a b");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0"); // a no-break space is not a blank
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_TRUE(IsBlank(std::string("\0 \t", 3)));
    EXPECT_FALSE(IsBlank(" . "));
}

TEST(NormalizeNumberText, BrazilianNotationBecomesDotDecimal) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "0"},
        {"   ", "0"},
        {"abc", "0"},
        {"1.234,56", "1234.56"},
        {"12,5%", "12.5 "},
        {"3 SACOS", "0"},
        {"2n", "0"},
        {"000123", "000123"},
        {".", "0"},
        {"-", "0"},
        {"R$ 1.500,00", "R$ 1500.00"},
        {"-7,25", "-7.25"},
        {"1,2,3", "1.2.3"},
        {" 12 ", " 12 "},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(NormalizeNumberText(in), out) << "in: '" << in << "'";
    EXPECT_EQ(NormalizeNumberText("3,5", true), "3.50");
    EXPECT_EQ(NormalizeNumberText("", true), "0.00");
    EXPECT_EQ(NormalizeNumberText("x", true), "0");
}

TEST(DigitsOnly, KeepsDigitsOfTheExaminedPart) {
    EXPECT_EQ(DigitsOnly("  12-34x "), "1234");
    EXPECT_EQ(DigitsOnly("  12-34x ", 0, true), "12-34");
    EXPECT_EQ(DigitsOnly(" 1-2a3 ", 0, true), "1-23");
    EXPECT_EQ(DigitsOnly(""), "");
    EXPECT_EQ(DigitsOnly(" 9a8", 2), "9");
    EXPECT_EQ(DigitsOnly("123", 10), "123");
    EXPECT_EQ(DigitsOnly("123", -1), "");
    EXPECT_EQ(DigitsOnly("\xB9\xB2\xB3 1"), "1"); // superscript digits are not digits
}

TEST(StripAccents, ReplacesTheTableInOnePassKeepingTheLength) {
    EXPECT_EQ(StripAccents("A\xE7\xE3o"), "Acao");
    EXPECT_EQ(StripAccents("P\xC3O DE A\xC7\xDA"
                           "CAR"),
              "PAO DE ACUCAR");
    EXPECT_EQ(StripAccents("Pinh\xE3o N\xBA 2"), "Pinhao N. 2");
    EXPECT_EQ(StripAccents("\"x'"), "\xB4x\x60");
    EXPECT_EQ(StripAccents("\xC8\xD1\xE8\xEC\xF2\xF9\xEE\xF1\xAA"),
              "\xC8\xD1\xE8\xEC\xF2\xF9\xEE\xF1\xAA");
    // Every source byte of the table, and nothing else, changes.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += char(b);
    std::string out = StripAccents(all);
    ASSERT_EQ(out.size(), all.size());
    int changed = 0;
    for (size_t i = 0; i < all.size(); ++i)
        changed += out[i] != all[i];
    EXPECT_EQ(changed, 31);
    EXPECT_EQ(StripAccents("\xB4"), "\xB4"); // a replacement is not replaced again
}

TEST(CaseMapping, FollowsTheLocaleForAccentedLetters) {
    EXPECT_EQ(UpperCase("caf\xE9 a\xE7\xFA"
                        "car \xFF"),
              "CAF\xC9 A\xC7\xDA"
              "CAR \x9F");
    EXPECT_EQ(LowerCase("CAF\xC9 \xC7\xC3O \x8A"), "caf\xE9 \xE7\xE3o \x9A");
    EXPECT_EQ(UpperCase("\xDF\xB5"), "\xDF\xB5"); // no single-byte capital: unchanged
}

TEST(NameCase, RecasesWordsAndLowersParticles) {
    const std::pair<std::string, std::string> cases[] = {
        {"JOSE DA SILVA E FILHOS LTDA", "Jose da Silva e Filhos Ltda "},
        {"maria das dores", "Maria das Dores "},
        {"  ANA  MARIA ", "  Ana  Maria "},
        {"\xE1vila", "\xE1vila "}, // a lower-case accented first letter stays
        {"JO\xC3O DOS SANTOS", "Jo\xE3o dos Santos "},
        {"COMERCIO S/A", "Comercio s/a "},
        {"", " "},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(NameCase(in), out) << in;
    EXPECT_EQ(Trim(NameCase("  ANA  MARIA ")), "Ana  Maria");
}

TEST(ErrorBoxText, AddsAFullStopUnlessTheTextEndsInOneOrBelow) {
    EXPECT_EQ(ErrorBoxText("Falhou"), "Falhou.");
    EXPECT_EQ(ErrorBoxText("Falhou."), "Falhou.");
    EXPECT_EQ(ErrorBoxText("(x)"), "(x)"); // ')' sorts before '.'
    EXPECT_EQ(ErrorBoxText("a -"), "a -");
    EXPECT_EQ(ErrorBoxText("a /"), "a /.");
    EXPECT_EQ(ErrorBoxText("p\xE3o"), "p\xE3o.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ReadNumber, AcceptsOnlyTheDecimalCommaForm) {
    const std::pair<std::string, std::optional<double>> cases[] = {
        {"1", 1.0},
        {" -2,5 ", -2.5},
        {"+3", 3.0},
        {"1,", 1.0},
        {",5", 0.5},
        {"1E3", 1000.0},
        {"1,5e-1", 0.15},
        {"007", 7.0},
        {"", std::nullopt},
        {" ", std::nullopt},
        {",", std::nullopt},
        {"-", std::nullopt},
        {"1.5", std::nullopt},
        {"1.234,56", std::nullopt},
        {"1,2,3", std::nullopt},
        {"12-", std::nullopt},
        {"1E", std::nullopt},
        {"E5", std::nullopt},
        {"1 2", std::nullopt},
        {"1e999", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ReadNumber(in), out) << "'" << in << "'";
    EXPECT_EQ(ReadNumber("1.5", '.'), 1.5);
}

TEST(ParseNumber, FailsWithTheConversionText) {
    EXPECT_DOUBLE_EQ(ParseNumber("12,50"), 12.5);
    for (std::string bad : {"", "12.5", "x"}) {
        try {
            ParseNumber(bad);
            ADD_FAILURE() << bad;
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + bad + "' is not a valid floating point value");
        }
    }
}

TEST(Formatting, RoundsHalfAwayFromZeroWithADecimalComma) {
    const std::tuple<double, std::string, std::string> cases[] = {
        {0, "0,00", "0"},
        {0.5, "0,50", "0,5"},
        {0.125, "0,13", "0,125"},
        {0.0005, "0,00", "0,001"},
        {-0.125, "-0,13", "-0,125"},
        {-0.001, "0,00", "-0,001"}, // an amount rounding to zero has no minus sign
        {2, "2,00", "2"},
        {2.5, "2,50", "2,5"},
        {25, "25,00", "25"},
        {1.005, "1,00", "1,005"}, // 1.00499999999999989... at 18 digits
        {1234567.891, "1234567,89", "1234567,891"},
        {1e20, "100000000000000000000,00", "100000000000000000000"},
        {999.995, "1000,00", "999,995"},
        {0.9999, "1,00", "1"},
    };
    for (const auto& [v, amount, quantity] : cases) {
        EXPECT_EQ(FormatAmount(v), amount) << v;
        EXPECT_EQ(FormatQuantity(v), quantity) << v;
    }
    EXPECT_EQ(FormatFixed(1, 3), "1,000");
    EXPECT_EQ(FormatFixed(0.5, 3), "0,500");
    EXPECT_EQ(FormatFixed(1234, 0), "1234");
    EXPECT_EQ(FormatFixed(-2, 3), "-2,000");
    EXPECT_EQ(FormatFixed(2.5, 0), "3");
}

TEST(Formatting, PatternsOfRequiredAndOptionalDigits) {
    EXPECT_EQ(FormatPattern(1234, "#########0"), "1234");
    EXPECT_EQ(FormatPattern(0, "#########0"), "0");
    EXPECT_EQ(FormatPattern(1234.5, "######0.00"), "1234,50");
    EXPECT_EQ(FormatPattern(0.5, "######0.00"), "0,50");
    EXPECT_EQ(FormatPattern(1122024, "00000000"), "01122024");
    EXPECT_EQ(FormatPattern(-3.456, "0.0#"), "-3,46");
    EXPECT_EQ(FormatPattern(3.4, "0.0#"), "3,4");
}
