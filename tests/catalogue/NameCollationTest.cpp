#include "catalogue/NameCollation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace torvel {
namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int KeyOrder(const NameCollation& c, std::string_view a, std::string_view b, bool primary) {
    std::string ka, kb;
    if (primary) {
        c.AppendPrimaryKey(a, ka);
        c.AppendPrimaryKey(b, kb);
    } else {
        c.AppendKey(a, ka);
        c.AppendKey(b, kb);
    }
    EXPECT_EQ(ka.find('\0'), std::string::npos);
    EXPECT_EQ(kb.find('\0'), std::string::npos);
    return Sign(ka.compare(kb));
}

TEST(NameCollation, OrdersNamesLinguisticallyAndCaseSensitively) {
    // Each name sorts strictly before the next one.
    const std::vector<std::string> ordered = {"1KG",
                                              "A",
                                              "a b",
                                              "ab",
                                              "Caf",
                                              "cafe",
                                              "Cafe",
                                              "CAFE",
                                              "caf\xE9",
                                              "Caf\xE9",
                                              "CAF\xC9",
                                              "CAFE PILAO",
                                              "cafeina",
                                              "CAFEINA",
                                              "Cebola",
                                              "\xC7"
                                              "ebola",
                                              "CEBOLA ROXA",
                                              "coco",
                                              "\xE7oco",
                                              "lla",
                                              "Lla",
                                              "l\xB7la",
                                              "Zebra",
                                              "zebra\xE9"};
    const NameCollation& c = NameCollation::Instance();
    for (size_t i = 0; i + 1 < ordered.size(); ++i)
        for (size_t j = i + 1; j < ordered.size(); ++j) {
            EXPECT_LT(c.Compare(ordered[i], ordered[j]), 0) << ordered[i] << " / " << ordered[j];
            EXPECT_EQ(KeyOrder(c, ordered[i], ordered[j], false), -1)
                << ordered[i] << " / " << ordered[j];
        }
}

std::string RandomName(std::mt19937& rng) {
    // Mostly letters that differ by case and accent only, so that ties reach the lower levels.
    static const std::string common = "aAcCeEiIoOuU \xE1\xC1\xE9\xC9\xE7\xC7\xE3\xC3-.1L\xB7l";
    std::string s;
    size_t length = rng() % 7;
    for (size_t i = 0; i < length; ++i) {
        if (rng() % 5 == 0)
            s += char(1 + rng() % 255); // any byte of Windows-1252 but NUL
        else
            s += common[rng() % common.size()];
    }
    return s;
}

TEST(NameCollation, KeysOrderAsIcuComparesAtEveryByte) {
    std::mt19937 rng(11);
    const NameCollation& c = NameCollation::Instance();
    const NameCollation icuOnly(false);
    EXPECT_FALSE(icuOnly.UsesTables());
    for (int round = 0; round < 20000; ++round) {
        std::string a = RandomName(rng), b = RandomName(rng);
        if (round % 3 == 0)
            b = a.substr(0, a.size() / 2) + RandomName(rng);
        int expected = Sign(c.Compare(a, b));
        ASSERT_EQ(KeyOrder(c, a, b, false), expected)
            << testing::PrintToString(a) << " / " << testing::PrintToString(b);
        ASSERT_EQ(KeyOrder(icuOnly, a, b, false), expected);
        // A primary key difference must agree with the full order.
        int primary = KeyOrder(c, a, b, true);
        if (primary != 0) {
            ASSERT_EQ(primary, expected)
                << testing::PrintToString(a) << " / " << testing::PrintToString(b);
        }
    }
}

TEST(NameCollation, SingleBytesSortAsIcuSortsThem) {
    std::vector<std::string> bytes;
    for (int b = 1; b < 256; ++b)
        for (char second : {'a', 'B', '\xB7'})
            bytes.push_back(std::string(1, char(b)) + second);
    const NameCollation& c = NameCollation::Instance();
    auto byIcu = bytes, byKey = bytes;
    std::stable_sort(byIcu.begin(), byIcu.end(),
                     [&](const auto& x, const auto& y) { return c.Compare(x, y) < 0; });
    std::stable_sort(byKey.begin(), byKey.end(),
                     [&](const auto& x, const auto& y) { return KeyOrder(c, x, y, false) < 0; });
    EXPECT_EQ(byKey, byIcu);
}

TEST(Cp1252ToUtf16, MapsTheWindowsBytes) {
    struct Case {
        unsigned char byte;
        char16_t unit;
    } cases[] = {{'A', u'A'},       {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x8A, u'\u0160'},
                 {0x9F, u'\u0178'}, {0xA0, u'\u00A0'}, {0xC7, u'\u00C7'}, {0xFF, u'\u00FF'}};
    for (const Case& c : cases)
        EXPECT_EQ(Cp1252ToUtf16(c.byte), c.unit) << int(c.byte);
}

} // namespace
} // namespace torvel
