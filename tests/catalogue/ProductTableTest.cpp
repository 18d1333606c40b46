#include "catalogue/ProductTable.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/NameCollation.h"
#include "tests/support/TempDir.h"
#include "util/Errors.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace torvel {
namespace {

std::string Line(std::string_view store, std::string_view id, std::string_view name,
                 std::string_view brand = "M") {
    return std::string(store) + "|" + std::string(id) + "|" + std::string(brand) + "|" +
           std::string(name) + "|R|UN|1.00|2.00\r\n";
}

std::vector<std::string> Column(const ProductTable& t, ProductField f) {
    std::vector<std::string> out;
    for (size_t row = 0; row < t.size(); ++row)
        out.emplace_back(t.Field(row, f));
    return out;
}

class ProductTableTest : public test::TempDirTest {};

TEST_F(ProductTableTest, CutsEveryFieldToItsLength) {
    std::string line;
    std::vector<std::string> values;
    for (size_t k = 0; k < kProductFieldCount; ++k) {
        std::string value;
        for (size_t i = 0; i < 100; ++i)
            value += char('A' + (i + k) % 26);
        values.push_back(value);
        line += value + (k + 1 < kProductFieldCount ? "|" : "|ignored|fields\r\n");
    }
    ReplaceFileSafely(kCatalogueFileName, line + "1|2|m|n|r|u|p|v\r\n");
    ProductTable table;
    table.Load();
    ASSERT_EQ(table.size(), 2u);
    const size_t cut[] = {20, 50, 20, 60, 20, 10, 10, 10};
    size_t row = table.Field(0, ProductField::Id) == "2" ? 1 : 0;
    for (size_t k = 0; k < kProductFieldCount; ++k)
        EXPECT_EQ(table.Field(row, ProductField(k)), values[k].substr(0, cut[k])) << k;
    const char* shortOnes[] = {"1", "2", "m", "n", "r", "u", "p", "v"};
    for (size_t k = 0; k < kProductFieldCount; ++k)
        EXPECT_EQ(table.Field(1 - row, ProductField(k)), shortOnes[k]) << k;
}

TEST_F(ProductTableTest, AShortLineStopsTheLoadingAndKeepsWhatCameBefore) {
    struct Case {
        std::string bad;
        const char* message;
    } cases[] = {
        {"34|9|M|Z|R|UN|1.00\r\n", "List index out of bounds (7)"},
        {"34|9|M|Z|R|UN|1.00|\r\n", "List index out of bounds (7)"}, // an empty last field is lost
        {"\r\n", "List index out of bounds (0)"},
        {"||\r\n", "List index out of bounds (2)"},
    };
    for (const Case& c : cases) {
        ReplaceFileSafely(kCatalogueFileName, Line("34", "1", "Zebra") +
                                                  Line("34", "2", "abacate") + c.bad +
                                                  Line("34", "3", "Banana"));
        ProductTable table;
        try {
            table.Load();
            ADD_FAILURE() << "no failure for " << c.bad;
        } catch (const ListIndexError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(Column(table, ProductField::Id), (std::vector<std::string>{"2", "1"}))
            << "the products before it, in name order, and nothing of the short line";
    }
}

TEST_F(ProductTableTest, ANulEndsTheCatalogueAndAnyLineBreakWill) {
    ProductTable table;
    table.LoadText("34|1|M|B|R|UN|1|2\n34|2|M|A|R|UN|1|2\r34|3|M|C|R|UN|1|2" +
                   std::string(1, '\0') + "\r\n34|4|M|D|R|UN|1|2\r\n");
    EXPECT_EQ(Column(table, ProductField::Id), (std::vector<std::string>{"2", "1", "3"}));
}

TEST_F(ProductTableTest, MissingFileLeavesTheTableEmpty) {
    ProductTable table;
    table.LoadText(Line("34", "1", "A"));
    ASSERT_EQ(table.size(), 1u);
    EXPECT_THROW(table.Load(), FileError);
    EXPECT_TRUE(table.empty());
}

TEST_F(ProductTableTest, OrdersByNameLinguisticallyWithEqualNamesInFileOrder) {
    ReplaceFileSafely(
        kCatalogueFileName,
        Line("34", "1", "CAFE") + Line("34", "2", "caf\xE9") + Line("34", "3", "Cafe") +
            Line("34", "4", "cafe") + Line("34", "5", "Zebra") + Line("34", "6", "abacaxi") +
            Line("34", "7", "Cafe") + Line("34", "8", "\xC1gua") + Line("34", "9", "agua") +
            Line("34", "10", "CAFE PILAO") + Line("34", "11", "1 KG"));
    ProductTable table;
    table.Load();
    EXPECT_EQ(Column(table, ProductField::Id),
              (std::vector<std::string>{"11", "6", "9", "8", "4", "3", "7", "1", "2", "10", "5"}));
}

TEST_F(ProductTableTest, LargeTablesSortAsTheCollatorCompares) {
    std::mt19937 rng(3);
    const std::vector<std::string> words = {"cafe",
                                            "CAFE",
                                            "caf\xE9",
                                            "Leite",
                                            "leite",
                                            "LEITE",
                                            "a\xE7\xFA"
                                            "car",
                                            "ACUCAR",
                                            "p\xE3o",
                                            "Pao",
                                            "-",
                                            "1",
                                            "l\xB7l",
                                            "D'AGUA"};
    std::string text;
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) {
        std::string name;
        for (size_t n = rng() % 4; n > 0; --n)
            name += words[rng() % words.size()] + (rng() % 2 ? " " : "");
        names.push_back(name);
        text += Line(std::to_string(i % 3), std::to_string(i), name);
    }
    ProductTable table;
    table.LoadText(text);
    ASSERT_EQ(table.size(), names.size());
    const NameCollation& c = NameCollation::Instance();
    for (size_t row = 0; row + 1 < table.size(); ++row) {
        std::string_view a = table.Field(row, ProductField::Nome);
        std::string_view b = table.Field(row + 1, ProductField::Nome);
        int order = c.Compare(a, b);
        ASSERT_LE(order, 0) << a << " / " << b;
        if (order == 0) {
            ASSERT_LT(std::stoi(std::string(table.Field(row, ProductField::Id))),
                      std::stoi(std::string(table.Field(row + 1, ProductField::Id))));
        }
    }
}

TEST_F(ProductTableTest, UpperFieldsUseTheLocaleCapitals) {
    ProductTable table;
    table.LoadText("34|1|Uni\xE3o|a\xE7\xFA"
                   "car|ref-a|un|1|2\r\n34|2|NESTLE|CAFE|R|UN|1|2\r\n");
    std::string scratch;
    EXPECT_EQ(table.UpperField(0, ProductField::Nome, scratch), "A\xC7\xDA"
                                                                "CAR");
    EXPECT_EQ(table.UpperField(0, ProductField::Marca, scratch), "UNI\xC3O");
    EXPECT_EQ(table.UpperField(0, ProductField::Referencia, scratch), "REF-A");
    EXPECT_EQ(table.UpperField(1, ProductField::Nome, scratch), "CAFE");
    EXPECT_EQ(table.UpperField(1, ProductField::Marca, scratch), "NESTLE");
    EXPECT_EQ(table.Field(0, ProductField::Nome), "a\xE7\xFA"
                                                  "car")
        << "the stored value stays";
    // Made sixteen bytes at a time: a name longer than a block, and one at the text's very end.
    table.LoadText("34|1|m|leite condensado \xE9|R|UN|1|2\r\n34|2|M|Z|R|UN|1|2\n"
                   "34|3|M|p\xE3o|R|UN|1|z");
    EXPECT_EQ(table.UpperField(0, ProductField::Nome, scratch), "LEITE CONDENSADO \xC9");
    EXPECT_EQ(table.UpperField(0, ProductField::Marca, scratch), "M");
    EXPECT_EQ(table.UpperField(1, ProductField::Nome, scratch), "P\xC3O");
    EXPECT_EQ(table.UpperField(1, ProductField::VSugerido, scratch), "Z");
}

TEST(AppendUpperCase, AgreesWithUpperCase) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += char(b);
    std::string out = "x";
    AppendUpperCase(all, out);
    EXPECT_EQ(out, "x" + UpperCase(all));
}

TEST_F(ProductTableTest, ProgressIsThrottledAndMemoryStaysSmall) {
    std::string text;
    for (int i = 0; i < 60000; ++i)
        text += Line(std::to_string(i % 3), std::to_string(i),
                     "PRODUTO " + std::to_string(i * 7919 % 60000) + " de teste");
    ProductTable table;
    int calls = 0;
    auto start = std::chrono::steady_clock::now();
    table.LoadText(text, [&] { ++calls; });
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
    EXPECT_EQ(table.size(), 60000u);
    EXPECT_LE(calls, elapsed / ProductTable::kProgressIntervalMs + 1);
    EXPECT_LT(table.MemoryBytes(), 3 * text.size());
}

} // namespace
} // namespace torvel
