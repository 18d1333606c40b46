#include "catalogue/ProductFilter.h"
#include "catalogue/ProductTable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvel {
namespace {

TEST(BuildSearchFilter, GivesTheFilterTextOfEveryMode) {
    struct Case {
        SearchMode mode;
        std::string text, store, filter;
    } cases[] = {
        {SearchMode::Descricao, "AB", "34", " Upper(NOME) like 'AB%' And  CTRO=34"},
        {SearchMode::Semelhanca, "AB", "34", " Upper(NOME) like '%AB%' And  CTRO=34"},
        {SearchMode::Marca, "NE", "7", " Upper(MARCA) like 'NE%' And  CTRO=7"},
        {SearchMode::Referencia, "AB", "34", " REFERENCIA like 'AB%' And  CTRO=34"},
        {SearchMode::Codigo, "123", "34", " ID =123 And  CTRO=34"},
        // The text goes in as it is: not trimmed, not escaped.
        {SearchMode::Descricao, " D'A ", "34", " Upper(NOME) like ' D'A %' And  CTRO=34"},
        {SearchMode::None, "X", "LOJA 1", " CTRO=LOJA 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildSearchFilter(c.mode, c.text, c.store), c.filter);
}

TEST(SearchMode, NamesAndSearchTexts) {
    for (SearchMode m : {SearchMode::Codigo, SearchMode::Descricao, SearchMode::Marca,
                         SearchMode::Semelhanca, SearchMode::Referencia})
        EXPECT_EQ(SearchModeFromName(SearchModeName(m)), m);
    EXPECT_EQ(SearchModeName(SearchMode::Semelhanca), "SEMELHANCA");
    EXPECT_EQ(SearchModeFromName("codigo"), SearchMode::None);
    EXPECT_EQ(SearchModeFromName(""), SearchMode::None);

    EXPECT_EQ(PrepareSearchText(SearchMode::Codigo, "789"), "789");
    EXPECT_EQ(PrepareSearchText(SearchMode::Codigo, ""), "0");
    EXPECT_EQ(PrepareSearchText(SearchMode::Codigo, "-7a8"), "78");
    EXPECT_EQ(PrepareSearchText(SearchMode::Descricao, " -7a8"), " -7a8");
}

TEST(LikePattern, MatchesWholeValues) {
    struct Case {
        std::string pattern, value;
        bool matches;
    } cases[] = {
        {"AB%", "ABC", true},
        {"AB%", "AB", true},
        {"AB%", "XAB", false},
        {"AB%", "ab", false},
        {"%AB%", "XABY", true},
        {"%AB%", "AXB", false},
        {"%AB", "XAB", true},
        {"%AB", "ABX", false},
        {"AB", "AB", true},
        {"AB", "ABC", false},
        {"A_C", "ABC", true},
        {"A_C", "AC", false},
        {"A_C", "ABBC", false},
        {"%B_D%", "ABCD", true},
        {"%B_D%", "ABCE", false},
        {"A\\%B", "A%B", true},
        {"A\\%B", "AXB", false},
        {"A\\_B", "A_B", true},
        {"A\\_B", "AXB", false},
        {"A\\\\B", "A\\B", true},
        {"AB\\", "AB\\", true},
        {"%", "", true},
        {"%", "xyz", true},
        {"", "", true},
        {"", "A", false},
        {"_", "", false},
        {"%_%", "x", true},
        {"%_%", "", false},
        {"A%B%C", "AxxBxxC", true},
        {"A%B%C", "AxxCxxB", false},
        {"A%A", "A", false},
        {"A%A", "AA", true},
        {"%AAB%", "AAAB", true},
        {"%A_A%", "XAXBA", false},
        {"%A_A%", "XAXAA", true},
        {"A%%B", "AB", true},
        {"CAF\xC9%", "CAF\xC9 PIL\xC3O", true},
        {"CAFE%", "CAF\xC9", false},
        {"%_B%", "AB", true},
        {"%_B%", "B", false},
        {"%X_Y%", "XAXXY", true},
        {"%__", "A", false},
        {"%__", "AB", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LikePattern(c.pattern).Matches(c.value), c.matches)
            << "'" << c.pattern << "' like '" << c.value << "'";
}

TEST(ProductFilter, ReadsTheLanguage) {
    const char* good[] = {
        " Upper(NOME) like 'AB%' And  CTRO=34",
        "upper ( nome ) LIKE 'x' and ctro = '34'",
        "CTRO=34",
        " ID =0123 And  CTRO=LOJA 1",
        "ID='a''b' AND MARCA like '%'",
        "Upper(REFERENCIA) like 'A' And Upper(UND) = 'UN' And PRE\xC7O = 1.50",
        " Upper(NOME) like 'D''AGUA%' And  CTRO=34",
        " Upper(NOME) like 'D'AGUA%' And  CTRO=34",
        " Upper(NOME) like '%O'BRIEN'S%' And  CTRO=34",
        " Upper(NOME) like 'D'\xC1GUA%' And  CTRO=34",
    };
    for (const char* text : good)
        EXPECT_NO_THROW(ProductFilter{text}) << text;

    const char* bad[] = {
        "",                                        // nothing to read
        " Upper(NOME) like 'D'1%' And  CTRO=34",   // a number after a single apostrophe
        " Upper(NOME) like 'X'AND%' And  CTRO=34", // AND after a single apostrophe
        " Upper(NOME) like 'X' AND Y%' And  CTRO=34",
        " Upper(NOME) like 'X'%' And  CTRO=34", // an apostrophe at the end of the text
        " Upper(NOME) like 'X' And",            // nothing after And
        "NOME like 'abc",                       // unterminated
        "NOME like abc",                        // pattern not quoted
        "NOME 'x'",                             // no operator
        "FOO = 1",                              // unknown field
        "Upper NOME like 'x'",                  // no parenthesis
        "Upper(NOME like 'x'",
        " ID = And  CTRO=34",       // no value
        "NOME like 'A%' OR CTRO=1", // only And joins conditions
        "NOME like 'A%' CTRO=1",
        "(NOME like 'A%')",
    };
    for (const char* text : bad) {
        try {
            ProductFilter filter{text};
            ADD_FAILURE() << "read: " << text;
        } catch (const FilterError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Invalid filter: ", 0), 0u) << e.what();
        }
    }
}

using Ids = std::vector<std::string>;

class ProductSearch : public testing::Test {
protected:
    void SetUp() override {
        table_.LoadText("34|1|Nestle|cafe melitta|AB-12|UN|1.00|2.00\r\n"
                        "34|2|NESTLE|CAFE PILAO|ab-12|UN|1.00|2.00\r\n"
                        "34|3|nescafe|Caf\xE9 especial|Ab-1|UN|1.00|2.00\r\n"
                        "35|4|Nestle|CAFE OUTRA LOJA|AB-9|UN|1.00|2.00\r\n"
                        "34|12|Itambe|Leite integral|L1|CX|3.00|4.00\r\n"
                        "34|012|Itambe|doce de leite|L2|UN|3.00|4.00\r\n"
                        "34|123|Parmalat|LEITE CONDENSADO|L3|UN|3.00|4.00\r\n"
                        "34|7|Uni\xE3o|a\xE7\xFA"
                        "car refinado|A%B|KG|4.00|5.00\r\n"
                        "34|8|Gota|D'AGUA MINERAL|X_1|UN|1.00|1.50\r\n");
    }
    std::vector<std::string> Search(SearchMode mode, std::string_view text) const {
        std::vector<std::string> ids;
        ProductFilter filter(BuildSearchFilter(mode, PrepareSearchText(mode, text), "34"));
        for (uint32_t row : table_.Select(filter))
            ids.emplace_back(table_.Field(row, ProductField::Id));
        return ids;
    }
    ProductTable table_;
};

TEST_F(ProductSearch, FindsTheStoresProductsInNameOrder) {
    struct Case {
        SearchMode mode;
        std::string text;
        Ids ids;
    } cases[] = {
        {SearchMode::Descricao, "CAFE", {"1", "2"}}, // not Café, not another store
        {SearchMode::Descricao, "CAF\xC9", {"3"}},   // capitals of accented letters
        {SearchMode::Descricao, "A\xC7\xDA", {"7"}},
        {SearchMode::Descricao, "C_F", {"3", "1", "2"}}, // "_" typed is a wildcard
        {SearchMode::Descricao, "%PILAO", {"2"}},        // and so is "%"
        {SearchMode::Semelhanca, "LEITE", {"012", "123", "12"}},
        {SearchMode::Semelhanca, "LEITE C", {"123"}},
        {SearchMode::Marca, "NE", {"3", "1", "2"}},
        {SearchMode::Marca, "UNI\xC3O", {"7"}},
        {SearchMode::Referencia, "AB", {"1"}}, // not 'ab-12', not 'Ab-1'
        {SearchMode::Referencia, "A", {"7", "3", "1"}},
        {SearchMode::Referencia, "A\\%", {"7"}},
        {SearchMode::Codigo, "12", {"12"}},        // not '012', not '123'
        {SearchMode::Codigo, "4", {}},             // another store's product
        {SearchMode::Descricao, "D'AGUA", {"8"}},  // a single apostrophe before a word
        {SearchMode::Descricao, "D''AGUA", {"8"}}, // two stand for one
        {SearchMode::Semelhanca, "'AGUA", {"8"}},
        {SearchMode::Descricao, "ZZZ", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Search(c.mode, c.text), c.ids) << SearchModeName(c.mode) << " " << c.text;
}

TEST_F(ProductSearch, ApostrophesThatCannotBeReadFail) {
    for (const char* text : {"D'1", "X'", "X' AND Y", "X'AND", "'1"})
        EXPECT_THROW(Search(SearchMode::Descricao, text), FilterError) << text;
}

TEST_F(ProductSearch, TheStoreConditionAlwaysHolds) {
    Ids all = Search(SearchMode::Descricao, "%");
    EXPECT_EQ(all.size(), 8u);
    EXPECT_EQ(std::count(all.begin(), all.end(), "4"), 0);
    // A text that closes the quotes and adds conditions still cannot reach another store.
    EXPECT_EQ(Search(SearchMode::Descricao, "%' And CTRO='35' And NOME like '%"), Ids{});
}

TEST_F(ProductSearch, UpperAppliesToAnyField) {
    ProductFilter filter("Upper(REFERENCIA) like 'AB-1%' And CTRO=34");
    Ids ids;
    for (uint32_t row : table_.Select(filter))
        ids.emplace_back(table_.Field(row, ProductField::Id));
    EXPECT_EQ(ids, (Ids{"3", "1", "2"}));
}

} // namespace
} // namespace torvel
