#include "catalogue/NameOrderMemo.h"
#include "catalogue/ProductTable.h"
#include "util/Errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvel {
namespace {

std::string Line(std::string_view id, std::string_view name) {
    return "34|" + std::string(id) + "|M|" + std::string(name) + "|R|UN|1.00|2.00\r\n";
}

std::vector<std::string> Ids(const ProductTable& table) {
    std::vector<std::string> ids;
    for (size_t row = 0; row < table.size(); ++row)
        ids.emplace_back(table.Field(row, ProductField::Id));
    return ids;
}

const std::string kText = Line("1", "CAFE") + Line("2", "ARROZ") + Line("3", "BOLO");
const std::vector<std::string> kSorted = {"2", "3", "1"};

TEST(TextDigest, ChangesWithAnyByteAndWithTheLength) {
    const std::string text(1000, 'a');
    const TextDigest digest = DigestOf(text);
    EXPECT_EQ(DigestOf(std::string(text)), digest);
    for (size_t at : {size_t(0), size_t(31), size_t(32), size_t(999)}) {
        std::string changed = text;
        changed[at] ^= 1;
        EXPECT_NE(DigestOf(changed), digest) << at;
    }
    // Zeros at the end, where the last piece is padded with zeros.
    EXPECT_NE(DigestOf(std::string(5, '\0')), DigestOf(std::string(6, '\0')));
    EXPECT_NE(DigestOf(text.substr(0, 999)), digest);
}

// The order kept for a text is taken for the same bytes only: a kept order that is not the
// names' order shows whether the table took it or sorted again.
TEST(NameOrderMemo, TheSameBytesTakeTheKeptOrderAnyOtherTextIsSortedAfresh) {
    NameOrderMemo memo;
    ProductTable table;
    table.LoadText(kText, {}, &memo);
    EXPECT_EQ(Ids(table), kSorted);
    ASSERT_NE(memo.Find(DigestOf(kText)), nullptr);
    EXPECT_EQ(*memo.Find(DigestOf(kText)), (std::vector<uint32_t>{1, 2, 0}));

    memo.Keep(DigestOf(kText), {0, 1, 2}); // the file order, which no sort gives
    table.LoadText(kText, {}, &memo);
    EXPECT_EQ(Ids(table), (std::vector<std::string>{"1", "2", "3"})) << "reused";

    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> ids;
    } cases[] = {
        {"one byte changed", Line("1", "CAFE") + Line("2", "ARROZ") + Line("3", "BOLA"), kSorted},
        {"cut file", Line("1", "CAFE") + Line("2", "ARROZ"), {"2", "1"}},
        {"a line more", kText + Line("4", "ACUCAR"), {"4", "2", "3", "1"}},
    };
    for (const Case& c : cases) {
        memo.Keep(DigestOf(kText), {0, 1, 2});
        table.LoadText(c.text, {}, &memo);
        EXPECT_EQ(Ids(table), c.ids) << c.name;
        EXPECT_EQ(memo.Find(DigestOf(kText)), nullptr) << c.name << ": replaced";
        EXPECT_NE(memo.Find(DigestOf(c.text)), nullptr) << c.name;
    }
}

TEST(NameOrderMemo, AFileCutByAShortLineIsNeverKept) {
    NameOrderMemo memo;
    const std::string text = kText + "34|9|M|Z\r\n" + Line("5", "AVEIA");
    for (int opening = 0; opening < 2; ++opening) {
        ProductTable table;
        EXPECT_THROW(table.LoadText(text, {}, &memo), ListIndexError);
        EXPECT_EQ(Ids(table), kSorted) << opening;
        EXPECT_EQ(memo.Find(DigestOf(text)), nullptr) << opening;
    }
}

TEST(NameOrderMemo, AKeptOrderThatDoesNotFitTheLinesIsNotTaken) {
    NameOrderMemo memo;
    memo.Keep(DigestOf(kText), {0, 1});
    ProductTable table;
    table.LoadText(kText, {}, &memo);
    EXPECT_EQ(Ids(table), kSorted);
}

} // namespace
} // namespace torvel
