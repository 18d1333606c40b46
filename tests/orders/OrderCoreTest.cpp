// The texts and files behind the order editor: item rows, totals, descriptions from the
// catalogue, the order file and the backup file names, and what a screen reader is given to say.
#include "catalogue/CatalogueFile.h"
#include "controls/RowList.h"
#include "orders/BackupFile.h"
#include "orders/OrderFile.h"
#include "orders/OrderLines.h"
#include "orders/SpokenText.h"
#include "tests/support/TempDir.h"
#include "util/Errors.h"
#include "util/SafeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace torvel {
namespace {

RowList& Fill(RowList& rows, std::initializer_list<const char*> lines) {
    for (const char* line : lines)
        rows.AddRow(line, -1);
    return rows;
}

std::string Rows(const RowList& rows) {
    std::string out;
    for (int r = 1; r <= rows.RowCount(); ++r) {
        for (size_t c = 0; c < rows.Row(r).cells.size(); ++c)
            out += (c ? "|" : "") + rows.Row(r).cells[c];
        out += ";";
    }
    return out;
}

TEST(OrderFileText, LinesAndObservationLine) {
    const char* issued = "08/12/2026 14:05";
    struct Case {
        const char* name;
        std::vector<const char*> rows;
        const char* appended; // row-file text appended as a restore would
        std::string memo;
        std::string expected;
    } cases[] = {
        {"two items and an observation",
         {"1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80", "2|2210|FEIJAO PRETO 1KG|7,50|3|22,50"},
         "",
         "ENTREGAR PELA MANHA",
         "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80\r\n2|2210|FEIJAO PRETO 1KG|7,50|3|22,50\r\n"
         "OBS|ENTREGAR PELA MANHA|08/12/2026 14:05\r\n"},
        {"no items", {}, "", "SEM ITENS", "OBS|SEM ITENS|08/12/2026 14:05\r\n"},
        {"a restored row keeps its extra empty cell",
         {},
         "1|1050|ARROZ|21,90|2|43,80\r\n",
         "",
         "1|1050|ARROZ|21,90|2|43,80|\r\nOBS||08/12/2026 14:05\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RowList rows;
        for (const char* row : c.rows)
            rows.AddRow(row, -1);
        rows.AppendLines(c.appended);
        EXPECT_EQ(OrderFileText(rows.RowFileText(), JoinLineBreaks(c.memo), issued), c.expected);
    }
}

TEST(OrderFileText, LineBreaksBecomeBlanks) {
    const std::pair<std::string, std::string> cases[] = {
        {"A\r\nB", "A B"}, {"A\n\nB", "A  B"},         {"A\r\rB", "A  B"},     {"A\n\rB", "A  B"},
        {"\r\n\n", "  "},  {"no breaks", "no breaks"}, {"A\r\n\r\nB", "A  B"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(JoinLineBreaks(in), out) << in;
    // A break left in the text would make a line of its own.
    EXPECT_EQ(ObservationLine("A\nB|C", "x"), "OBS|A B C|x");
}

TEST(OrderFileName, StoreUserAndExtension) {
    EXPECT_EQ(OrderFileName("34", 1021), "34+1021.Txt");
    EXPECT_EQ(OrderFileName("A7", -3), "A7+-3.Txt");
}

class OrderFiles : public test::TempDirTest {
protected:
    static void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Dir()))
            names.insert(entry.path().filename().string());
        return names;
    }
};

TEST_F(OrderFiles, AnEarlierOrderFileIsReplacedWhole) {
    Write("34+1021.Txt", std::string(500, 'x') + "\r\nOBS|old|01/01/2020 00:00\r\n");
    WriteOrderFile("34+1021.Txt", "1|10|X|1,00|1|1,00\r\n", "", "08/12/2026 14:05");
    EXPECT_EQ(ReadWholeFile("34+1021.Txt"), "1|10|X|1,00|1|1,00\r\nOBS||08/12/2026 14:05\r\n");
    EXPECT_EQ(Files(), std::set<std::string>{"34+1021.Txt"});
}

TEST(OrderLineText, CellsFromTheEntryFields) {
    struct Case {
        const char *price, *quantity, *total, *expected;
    } cases[] = {
        {"12,5", "2", "25,00", "1|10|ARROZ|12,50|2|25,00"},
        {"12,5", "1,5", "18,75", "1|10|ARROZ|12,50|1,5|18,75"},
        {"12,5", "2,000", "25", "1|10|ARROZ|12,50|2|25,00"},
        {"0,125", "1,000", "0,13", "1|10|ARROZ|0,13|1|0,13"},
        {"0,00", "1,00", "0,00", "1|10|ARROZ|0,00|1|0,00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OrderLineText("1", "10", "ARROZ", c.price, c.quantity, c.total), c.expected);
    EXPECT_EQ(OrderLineText("3", "A|B", "X|Y", "1", "1", "1"), "3|A B|X Y|1,00|1|1,00");

    struct Bad {
        const char *price, *quantity, *total, *message;
    } bad[] = {
        {"12.5", "1", "", "'12.5' is not a valid floating point value"},
        {"1,00", "x", "", "'x' is not a valid floating point value"},
        {"1,00", "1", "", "'' is not a valid floating point value"},
    };
    for (const Bad& b : bad) {
        try {
            OrderLineText("1", "10", "A", b.price, b.quantity, b.total);
            ADD_FAILURE() << "no failure for " << b.message;
        } catch (const ConversionError& e) {
            EXPECT_STREQ(e.what(), b.message);
        }
    }
}

TEST(OrderLineText, LineTotalsAndPrices) {
    EXPECT_EQ(LineTotal(2, "12,5"), "25,00");
    EXPECT_EQ(LineTotal(1, "0,125"), "0,13");
    EXPECT_EQ(LineTotal(3, "0,125"), "0,38"); // 0,375 half away from zero
    EXPECT_EQ(CommaDecimal("12.5"), "12,5");
    EXPECT_EQ(CommaDecimal("1.234.5"), "1,234,5");
}

TEST(OrderTotal, SumsColumnSixInRowOrder) {
    RowList rows;
    EXPECT_EQ(OrderTotal(rows), "0,00");
    Fill(rows, {"1|1|A|10,00|1|10,00", "2|2|B|5,50|1|5,50", "3|3|C|0,25|1|0,25"});
    EXPECT_EQ(OrderTotal(rows), "15,75");
    rows.AddRow("4|4|D|1|1", -1); // no cell 6
    EXPECT_THROW(OrderTotal(rows), ConversionError);
}

TEST(ItemRowFromRecord, FieldsZeroOneSevenFiveEight) {
    EXPECT_EQ(ItemRowFromRecord({"1", "1050", "x", "x", "x", "2", "x", "21,90", "43,80"}),
              "1|1050||21,90|2|43,80");
    EXPECT_EQ(ItemRowFromRecord({"1", "1050", "x", "x", "x", "2", "x", "21,90", "43,80", ""}),
              "1|1050||21,90|2|43,80");
    const std::pair<std::vector<std::string>, const char*> shortRecords[] = {
        {{"1", "1050", "x", "x", "x", "2", "x", "21,90"}, "List index out of bounds (8)"},
        {{"1", "1050", "x", "x", "x", "2", "x"}, "List index out of bounds (7)"},
        {{"1"}, "List index out of bounds (1)"},
        {{}, "List index out of bounds (0)"},
    };
    for (const auto& [fields, message] : shortRecords) {
        try {
            ItemRowFromRecord(fields);
            ADD_FAILURE() << message;
        } catch (const ListIndexError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST(FillDescriptions, LastCatalogueMatchWhateverTheStore) {
    struct Case {
        const char* name;
        std::string catalogue;
        std::string expectedRows;
        std::optional<std::string> failure;
    } cases[] = {
        {"last match, any store",
         "34|1050|M|ARROZ A|R|UN|1.00|1\r\n35|1050|M|ARROZ B|R|UN|1.00|1\r\n"
         "34|2210|M|FEIJAO|R|UN|1.00|1\r\n",
         "1|1050|ARROZ B|21,90|2|43,80;2|2210|FEIJAO|7,50|3|22,50;3|9||||1|0;", std::nullopt},
        {"a record without a code stops after the first row",
         "34|1050|M|ARROZ A|R|UN|1.00|1\r\n34\r\n34|2210|M|FEIJAO|R|UN|1.00|1\r\n",
         "1|1050|ARROZ A|21,90|2|43,80;2|2210||7,50|3|22,50;3|9||||1|0;",
         "List index out of bounds (1)"},
        {"a matching record without a name", "34|2210|M|FEIJAO|R|UN|1.00|1\r\n34|1050|M\r\n",
         "1|1050||21,90|2|43,80;2|2210||7,50|3|22,50;3|9||||1|0;", "List index out of bounds (3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RowList rows;
        Fill(rows, {"1|1050||21,90|2|43,80", "2|2210||7,50|3|22,50", "3|9||||1|0"});
        CatalogueRecords catalogue(c.catalogue);
        try {
            FillDescriptions(rows, catalogue);
            EXPECT_FALSE(c.failure);
        } catch (const ListIndexError& e) {
            ASSERT_TRUE(c.failure);
            EXPECT_EQ(e.what(), *c.failure);
        }
        EXPECT_EQ(Rows(rows), c.expectedRows);
    }
}

class BackupFiles : public OrderFiles {};

TEST_F(BackupFiles, NamesOfferAndDeletion) {
    EXPECT_EQ(BackupFileName(0), "GProd_0.Txt");
    EXPECT_EQ(BackupFileName(2), "GProd_2.Txt");

    struct Case {
        std::vector<int> present;
        int storeCount;
        std::optional<int> offered;
        std::set<std::string> afterWriting0; // DeleteOtherBackups(0)
        std::set<std::string> afterSend;     // DeleteSentBackup()
    } cases[] = {
        {{}, 3, std::nullopt, {}, {}},
        {{0}, 3, 0, {"GProd_0.Txt"}, {}},
        {{1}, 3, 1, {}, {}},
        {{0, 1}, 3, 1, {"GProd_0.Txt"}, {"GProd_0.Txt"}},
        {{1}, 1, std::nullopt, {}, {}},
        {{0, 1}, 1, 0, {"GProd_0.Txt"}, {"GProd_0.Txt"}},
        {{2}, 3, std::nullopt, {"GProd_2.Txt"}, {"GProd_2.Txt"}},
        {{0, 2}, 3, 0, {"GProd_0.Txt", "GProd_2.Txt"}, {"GProd_2.Txt"}},
    };
    for (const Case& c : cases) {
        auto make = [&] {
            for (const auto& f : Files())
                std::filesystem::remove(Dir() / f);
            for (int p : c.present)
                Write(BackupFileName(p), "1|10|X|1,00|1|1,00\r\n");
        };
        make();
        EXPECT_EQ(BackupToRestore(c.storeCount), c.offered);
        DeleteOtherBackups(0);
        EXPECT_EQ(Files(), c.afterWriting0);
        make();
        DeleteSentBackup();
        EXPECT_EQ(Files(), c.afterSend);
    }
}

TEST_F(BackupFiles, RemovingAMissingFileIsNoFailureButAStuckOneIs) {
    EXPECT_NO_THROW(RemoveFileIfPresent("GProd_0.Txt"));
    std::filesystem::create_directories("GProd_1.Txt/inside");
    try {
        RemoveFileIfPresent("GProd_1.Txt");
        ADD_FAILURE() << "a directory cannot be deleted as a file";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot delete file \"GProd_1.Txt\". ", 0), 0u)
            << e.what();
    }
}

// What a screen reader says is program text: Windows-1252 bytes, the cells as the row holds
// them, no separator left dangling when the catalogue has no unit.
TEST(SpokenText, SentencesOfTheEditor) {
    EXPECT_EQ(SpokenLookup("FEIJAO PRETO 1KG", "KG", "7,50"), "FEIJAO PRETO 1KG, KG, 7,50");
    EXPECT_EQ(SpokenLookup("SACOLA", "", "0,10"), "SACOLA, 0,10");
    const std::string sugar = "A\xC7\xDA"
                              "CAR"; // AÇÚCAR
    EXPECT_EQ(SpokenItem("3", sugar, "1,5", "6,75", false, "3", "30,25"),
              "Item 3 lan\xE7"
              "ado: " +
                  sugar + ", quantidade 1,5, total 6,75. Itens 3, Valor Total 30,25.");
    EXPECT_EQ(SpokenItem("1", "ARROZ", "5", "127,00", true, "1", "127,00"),
              "Item 1 alterado: ARROZ, quantidade 5, total 127,00. Itens 1, Valor Total 127,00.");
    EXPECT_EQ(SpokenDeletion(2, "1", "76,20"), "Item 2 exclu\xED"
                                               "do. Itens 1, Valor Total 76,20.");
    EXPECT_EQ(SpokenLimit(100), "Limite de 100 caracteres");
}

} // namespace
} // namespace torvel
