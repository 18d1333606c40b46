#include "catalogue/CatalogueFile.h"
#include "tests/support/TempDir.h"
#include "util/Errors.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/resource.h>

namespace torvel {
namespace {

using Records = std::vector<std::vector<std::string>>;

Records ToVectors(const CatalogueRecords& records) {
    Records out;
    for (CatalogueRecord r : records)
        out.push_back(r.Fields());
    return out;
}

// The reading rule spelled out with the shared splitter: lines first, then "|" inside each.
Records Reference(std::string_view text) {
    Records out;
    for (const std::string& line : SplitAt(text, '\n'))
        out.push_back(SplitAt(line, '|'));
    return out;
}

TEST(CatalogueFileText, WritesEveryRecordFollowedByCrLf) {
    struct Case {
        std::string body;
        std::string file;
    } cases[] = {
        {"1|10|M|N|R|UN|1.50|2.00;1|11|M|P|S|CX|3.00|4.00",
         "1|10|M|N|R|UN|1.50|2.00\r\n1|11|M|P|S|CX|3.00|4.00\r\n"},
        {"a;b;", "a\r\nb\r\n"},                    // a trailing ";" adds no empty line
        {"a;;b", "a\r\n\r\nb\r\n"},                // ";;" gives an empty line there
        {"a\r\nb\r\n", "a\r\nb\r\n"},              // records already in lines
        {"a\nb\rc", "a\r\nb\r\nc\r\n"},            // any break style
        {"a;\nb", "a\r\nb\r\n"},                   // ";" becomes CR, which pairs with the LF
        {"a\n;b", "a\r\n\r\nb\r\n"},               // but an LF before it does not pair
        {"", ""},                                  // an empty body empties the file
        {";", "\r\n"},                             // one empty record
        {std::string("a;b\0;c", 6), "a\r\nb\r\n"}, // NUL ends the body
        {"x|y|", "x|y|\r\n"},                      // records are written as sent
    };
    for (const Case& c : cases)
        EXPECT_EQ(CatalogueFileText(c.body), c.file) << c.body;
}

// The conversion spelled out slowly: ";" becomes CR, then CR LF, CR and LF each end a line.
std::string SlowFileText(std::string body) {
    body = body.substr(0, body.find('\0'));
    std::replace(body.begin(), body.end(), ';', '\r');
    std::string out;
    for (const std::string& line : SplitAt(body, '\n'))
        out += line + "\r\n";
    return out;
}

TEST(CatalogueFileText, AgreesWithTheSlowRuleOnRandomAndLargeBodies) {
    std::mt19937 random(20261209);
    const std::string alphabet = std::string("ab|;;\r\n", 7) + '\0';
    for (int round = 0; round < 400; ++round) {
        // Mostly short bodies with every break mix; some long enough to be written in pieces,
        // with breaks falling on every offset of the 16-byte scan.
        const size_t size = round % 40 == 0 ? 300000 + random() % 1000 : random() % 64;
        std::string body(size, 'x');
        for (char& c : body)
            c = random() % 8 == 0 ? alphabet[random() % alphabet.size()] : 'x';
        if (round % 2 == 0)
            std::replace(body.begin(), body.end(), '\0', 'y');
        ASSERT_EQ(CatalogueFileText(body), SlowFileText(body)) << "round " << round;
    }
}

TEST(CatalogueRecords, FollowTheTextListRule) {
    struct Case {
        std::string text;
        Records records;
    } cases[] = {
        {"1|10||N\r\n", {{"1", "10", "", "N"}}},
        {"1|10|A|B|C|UN|1.50|\r\n", {{"1", "10", "A", "B", "C", "UN", "1.50"}}},
        {"||\r\n", {{"", ""}}},
        {"|\r\n", {{""}}},
        {"\r\n", {{}}},
        {"a\r\rb", {{"a"}, {}, {"b"}}},
        {"a\n\rb", {{"a"}, {}, {"b"}}},
        {"a|b", {{"a", "b"}}},
        {"a|b\r\n\r\n", {{"a", "b"}, {}}},
        {std::string("a|b\0c|d\r\ne|f\r\n", 14), {{"a", "b"}}},
        {std::string("\0a", 2), {}},
        {"", {}},
        {"0123456789abcdef|0123456789abcdef|x\r\n|y",
         {{"0123456789abcdef", "0123456789abcdef", "x"}, {"", "y"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToVectors(CatalogueRecords(c.text)), c.records) << c.text;
}

TEST(CatalogueRecords, AgreeWithTheSharedSplitterOnRandomTexts) {
    std::mt19937 rng(7);
    const char alphabet[] = {'a', 'b', '|', '|', '\r', '\n', '\0', 'x', ';', ' '};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        size_t length = rng() % 90;
        for (size_t i = 0; i < length; ++i) {
            text += alphabet[rng() % sizeof alphabet];
            if (rng() % 16 == 0)
                text += "long run of plain text"; // lines that span several 16-byte blocks
        }
        // Rarely a NUL, so that most texts are read to their end.
        if (rng() % 4 != 0)
            std::replace(text.begin(), text.end(), '\0', 'z');
        const Records expected = Reference(text);
        ASSERT_EQ(ToVectors(CatalogueRecords(text)), expected) << testing::PrintToString(text);
        // The reader that hands out the fields themselves reads the same.
        Records read;
        CatalogueLineReader reader(text);
        std::vector<std::string_view> fields;
        while (reader.Next(fields))
            read.emplace_back(fields.begin(), fields.end());
        ASSERT_EQ(read, expected) << testing::PrintToString(text);
    }
}

TEST(CatalogueRecord, AtReportsTheMissingIndex) {
    CatalogueRecords records("a|b\r\n");
    EXPECT_EQ(records[0].At(1), "b");
    try {
        records[0].At(3);
        FAIL();
    } catch (const ListIndexError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
}

class CatalogueFileTest : public test::TempDirTest {};

TEST_F(CatalogueFileTest, MissingFileFailsWithTheFileLayerMessage) {
    try {
        CatalogueLoad();
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  std::string("Cannot open file \"Itens.Txt\". ") + std::strerror(ENOENT));
    }
}

TEST_F(CatalogueFileTest, SavedBodyReadsBackAsItsRecords) {
    WriteCatalogue("34|1|M|N|R|UN|1.50|2.00;34|2|M|P||CX|3.00|;\r\n;");
    EXPECT_EQ(ReadWholeFile(kCatalogueFileName),
              "34|1|M|N|R|UN|1.50|2.00\r\n34|2|M|P||CX|3.00|\r\n\r\n\r\n");
    EXPECT_EQ(ToVectors(CatalogueLoad()), (Records{{"34", "1", "M", "N", "R", "UN", "1.50", "2.00"},
                                                   {"34", "2", "M", "P", "", "CX", "3.00"},
                                                   {},
                                                   {}}));
    WriteCatalogue("");
    EXPECT_EQ(ReadWholeFile(kCatalogueFileName), "");
    EXPECT_TRUE(CatalogueLoad().empty());
}

TEST_F(CatalogueFileTest, FailedWriteKeepsTheFormerFile) {
    const std::string before = "34|1|M|N|R|UN|1.50|2.00\r\n";
    WriteCatalogue("34|1|M|N|R|UN|1.50|2.00");
    ASSERT_EQ(ReadWholeFile(kCatalogueFileName), before);

    // A file size limit makes the write fail even for root.
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    int threw = 0;
    try {
        WriteCatalogue(std::string(4096, 'x'));
    } catch (const FileError&) {
        ++threw;
    }
    // A large catalogue is written in pieces: the limit hits after the first ones went out.
    small.rlim_cur = 600 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string large;
    for (int i = 0; i < 40000; ++i)
        large += "34|" + std::to_string(i) + "|MARCA|NOME DO PRODUTO|REF|UN|1.50|2.00;";
    try {
        WriteCatalogue(large);
    } catch (const FileError&) {
        ++threw;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(threw, 2);
    EXPECT_EQ(ReadWholeFile(kCatalogueFileName), before);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Dir()))
        ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}

// Read in pieces, the file gives what the scan of the whole file gives: lines that straddle a
// piece, a CR LF pair cut by one, a NUL and a bad line in a later piece.
TEST_F(CatalogueFileTest, LookupInPiecesFindsWhatTheWholeFileScanFinds) {
    std::string filler;
    while (filler.size() < (1u << 20) - 20)
        filler += "34|9|MARCA|NOME|REF|UN|1.00|2.00\r\n";
    const std::string first = "34|10|M|PRIMEIRO|R|UN|1.00|2.00\r";
    const std::string last = "\n34|10|M|ULTIMO|R|CX|3.00|4.00\r\n";
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"CR LF across the first piece", filler + first + last},
        {"no break at the end", filler + first + "\n" + filler + "34|10|M|FIM|R|PC|5.00"},
        {"NUL in the second piece", filler + first + last + std::string(1, '\0') + last},
        {"bad line in the second piece", filler + first + last + filler + "34|10|M\r\n" + last},
        {"only CR breaks", "34|10|M|A|R|UN|1.00\r" + std::string(3u << 19, 'x') + "\r"},
    };
    for (const Case& c : cases) {
        ReplaceFileSafely(kCatalogueFileName, c.text);
        const CatalogueRecords records = CatalogueLoad();
        const ProductMatch whole = FindLastProduct(records, "34", "10");
        const CatalogueLookup pieces = LookupInCatalogue("34", "10");
        ASSERT_GE(whole.record, 0) << c.name;
        EXPECT_EQ(pieces.record, records[size_t(whole.record)].Fields()) << c.name;
        EXPECT_EQ(pieces.missingField, whole.missingField) << c.name;
    }
    std::filesystem::remove(kCatalogueFileName);
    EXPECT_THROW(LookupInCatalogue("34", "10"), FileError);
}

// Many codes in one reading answer each as its own lookup would: later records win, another
// store's record is no match, a repeated code gets the same answer, a matching record without a
// price stops only its code, a record without a code stops every code still looked for.
TEST_F(CatalogueFileTest, LookupOfManyCodesAnswersAsOneLookupEach) {
    std::string filler;
    while (filler.size() < (1u << 20))
        filler += "34|9|MARCA|NOME|REF|UN|1.00|2.00\r\n";
    const std::string text = "34|10|M|PRIMEIRO|R|UN|1.00\r\n35|11|M|OUTRA|R|UN|2.00\r\n" + filler +
                             "34|10|M|ULTIMO|R|CX|3.00\r\n34|12|M|SEM PRECO|R\r\n"
                             "34|12|M|DEPOIS|R|UN|4.00\r\n34|13|M|ANTES|R|UN|5.00\r\n"
                             "34\r\n34|13|M|NUNCA|R|UN|6.00\r\n";
    ReplaceFileSafely(kCatalogueFileName, text);
    const std::vector<std::string> codes = {"10", "11", "12", "13", "10", "99", ""};
    const std::vector<CatalogueLookup> many = LookupManyInCatalogue("34", codes);
    ASSERT_EQ(many.size(), codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        const CatalogueLookup one = LookupInCatalogue("34", codes[i]);
        EXPECT_EQ(many[i].record, one.record) << codes[i];
        EXPECT_EQ(many[i].missingField, one.missingField) << codes[i];
    }
    EXPECT_EQ(many[0].record.at(3), "ULTIMO");
    EXPECT_EQ(many[2].missingField, 5);
    EXPECT_EQ(many[3].record.at(3), "ANTES");
    EXPECT_EQ(many[3].missingField, 1);
    std::filesystem::remove(kCatalogueFileName);
    EXPECT_THROW(LookupManyInCatalogue("34", codes), FileError);
}

TEST(FindLastProduct, ScansLikeTheCodeLookup) {
    struct Case {
        const char* name;
        std::string text;
        std::string store, code;
        std::ptrdiff_t record;
        int missing;
    } cases[] = {
        {"last match wins", "34|10|M|A|R|UN|1.00\r\n34|10|M|B|R|CX|2.00\r\n", "34", "10", 1, -1},
        {"store compared exactly", "34 |10|M|A|R|UN|1.00\r\n", "34", "10", -1, -1},
        {"code compared as text", "34|012|M|A|R|UN|1.00\r\n", "34", "12", -1, -1},
        {"other store skipped", "35|10|M|A|R|UN|1.00\r\n34|10|M|B|R|UN|2.00\r\n", "34", "10", 1,
         -1},
        {"empty line stops with index 1", "\r\n34|10|M|A|R|UN|1.00\r\n", "34", "10", -1, 1},
        {"one field stops with index 1", "34\r\n", "34", "10", -1, 1},
        {"match kept before a bad line", "34|10|M|A|R|UN|1.00\r\n\r\n34|10|M|B|R|UN|2.00\r\n", "34",
         "10", 0, 1},
        {"short non-matching record is fine", "34|11\r\n34|10|M|A|R|UN|1.00\r\n", "34", "10", 1,
         -1},
        {"matching record without a name", "34|10|M\r\n", "34", "10", -1, 3},
        {"matching record without a unit", "34|10|M|A|R\r\n", "34", "10", -1, 5},
        {"matching record without a price", "34|10|M|A|R|UN\r\n", "34", "10", -1, 6},
        {"trailing empty price is missing", "34|10|M|A|R|UN|\r\n", "34", "10", -1, 6},
    };
    for (const Case& c : cases) {
        CatalogueRecords records(c.text);
        ProductMatch m = FindLastProduct(records, c.store, c.code);
        EXPECT_EQ(m.record, c.record) << c.name;
        EXPECT_EQ(m.missingField, c.missing) << c.name;
    }
}

} // namespace
} // namespace torvel
