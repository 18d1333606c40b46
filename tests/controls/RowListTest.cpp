// The row model of the report list, without a screen.
#include "controls/RowList.h"

#include "tests/support/ReadOnlyDir.h"
#include "tests/support/TempDir.h"
#include "util/Errors.h"
#include "util/SafeFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace torvel {
namespace {

using Cells = std::vector<std::string>;
namespace fs = std::filesystem;

void AddRows(RowList& list, const std::vector<std::string>& texts) {
    for (const auto& text : texts)
        list.AddRow(text, 0);
}

Cells CellsOf(const RowList& list, int row) {
    return list.Row(row).cells;
}

void WriteBytes(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
}

std::set<std::string> DirEntries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(RowListAddRow, CutsAtTheSeparatorKeepingAnEmptyLastCell) {
    struct Case {
        std::string values;
        Cells cells;
    };
    const std::vector<Case> cases = {
        {"a|b|c", {"a", "b", "c"}},
        {"a|b|c|", {"a", "b", "c", ""}},
        {"", {""}},
        {"||", {"", "", ""}},
        {" a | b ", {" a ", " b "}},
        {"\"q\"|x", {"\"q\"", "x"}},
        {"A\xE7\xFA"
         "car|P\xE3o",
         {"A\xE7\xFA"
          "car",
          "P\xE3o"}},
        {"101|A|Normal|01/01/2024", {"101", "A", "Normal", "01/01/2024"}},
    };
    for (const auto& c : cases) {
        RowList list;
        EXPECT_EQ(list.AddRow(c.values, 0), 1) << c.values;
        ASSERT_EQ(list.RowCount(), 1) << c.values;
        EXPECT_EQ(CellsOf(list, 1), c.cells) << c.values;
        EXPECT_FALSE(list.Checked(1));
        EXPECT_EQ(list.Row(1).caption, "");
    }
}

TEST(RowListAddRow, AppendsOrRefillsAnExistingRowOnly) {
    RowList list;
    AddRows(list, {"1|a|b", "2|c|d", "3|e|f"});

    EXPECT_EQ(list.AddRow("x|y", 2), 2);
    EXPECT_EQ(CellsOf(list, 1), (Cells{"1", "a", "b"}));
    EXPECT_EQ(CellsOf(list, 2), (Cells{"x", "y"}));
    EXPECT_EQ(CellsOf(list, 3), (Cells{"3", "e", "f"}));
    EXPECT_EQ(list.GetCell(3, 2), "");

    // A row past the end is not made up.
    EXPECT_EQ(list.AddRow("z", 4), 0);
    EXPECT_EQ(list.AddRow("z", 100), 0);
    EXPECT_EQ(list.RowCount(), 3);

    EXPECT_EQ(list.AddRow("n", -5), 4);
    EXPECT_EQ(CellsOf(list, 4), (Cells{"n"}));
}

TEST(RowListAddRow, BlankSeparatorBecomesTheBar) {
    for (char blank : {' ', '\0', '\t'}) {
        RowList list;
        list.SetSeparator(blank);
        list.AddRow("a|b c", 0);
        EXPECT_EQ(list.Separator(), '|');
        EXPECT_EQ(CellsOf(list, 1), (Cells{"a", "b c"}));
    }
    RowList list;
    list.SetSeparator(';');
    list.AddRow("a;b|c", 0);
    EXPECT_EQ(CellsOf(list, 1), (Cells{"a", "b|c"}));
}

TEST(RowListCells, RowsAndCellsThatDoNotExistArePassedOver) {
    RowList list;
    AddRows(list, {"a|b", "c"});
    struct Case {
        int column, row;
        std::string text;
    };
    const std::vector<Case> cases = {
        {1, 1, "a"}, {2, 1, "b"}, {1, 2, "c"}, {2, 2, ""}, {0, 1, ""},
        {-1, 1, ""}, {1, 0, ""},  {1, -3, ""}, {1, 3, ""}, {99, 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.GetCell(c.column, c.row), c.text) << c.column << "," << c.row;

    for (const auto& c : cases)
        list.SetCell(c.column, c.row, "Z");
    // Only the cells that exist were written; none were added.
    EXPECT_EQ(CellsOf(list, 1), (Cells{"Z", "Z"}));
    EXPECT_EQ(CellsOf(list, 2), (Cells{"Z"}));
    EXPECT_EQ(list.RowCount(), 2);
}

TEST(RowListDeleteRow, RemovesOnlyAnExistingRow) {
    RowList empty;
    empty.DeleteRow(1);
    empty.DeleteRow(0);
    EXPECT_EQ(empty.RowCount(), 0);

    RowList list;
    AddRows(list, {"1", "2", "3"});
    for (int row : {0, -1, 4})
        list.DeleteRow(row);
    EXPECT_EQ(list.RowCount(), 3);
    list.DeleteRow(2);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.GetCell(1, 1), "1");
    EXPECT_EQ(list.GetCell(1, 2), "3");

    list.Clear();
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(RowListNumberRows, WritesRowNumbersWhereTheCellExists) {
    RowList list;
    AddRows(list, {"x|a", "y", "z|b|c", "w|d"});
    list.DeleteRow(1);
    list.NumberRows(2);
    EXPECT_EQ(CellsOf(list, 1), (Cells{"y"}));
    EXPECT_EQ(CellsOf(list, 2), (Cells{"z", "2", "c"}));
    EXPECT_EQ(CellsOf(list, 3), (Cells{"w", "3"}));

    list.NumberRows(0);
    list.NumberRows(-1);
    EXPECT_EQ(CellsOf(list, 2), (Cells{"z", "2", "c"}));
}

TEST(RowListSumColumn, ReadsDecimalCommaNumbersAndStopsAtAMissingCell) {
    struct Case {
        std::string name;
        std::vector<std::string> rows;
        std::set<int> checkedRows;
        int column;
        bool checkedOnly;
        double sum;
        std::string message;
    };
    const std::string err = "Erro ao obter soma da coluna.: ";
    const std::vector<Case> cases = {
        {"readable and unreadable texts",
         {"1|2|3|4|5|6,00", "1|2|3|4|5|abc", "1|2|3|4|5|", "1|2|3|4|5|1,50"},
         {},
         6,
         false,
         7.5,
         ""},
        {"empty list", {}, {}, 6, false, 0, ""},
        {"empty list, column 0", {}, {}, 0, false, 0, ""},
        {"short second row",
         {"1|2|3|4|5|6|2,25", "1|2|3|4|5|6", "1|2|3|4|5|6|9"},
         {},
         7,
         false,
         2.25,
         err + "7"},
        {"short first row", {"1", "1|2"}, {}, 2, false, 0, err + "2"},
        {"column 0", {"5"}, {}, 0, false, 0, err + "0"},
        {"negative column", {"5"}, {}, -2, false, 0, err + "-2"},
        {"thousands separator reads 0", {"1.234,56", "2"}, {}, 1, false, 2, ""},
        {"sign, exponent and blanks", {" -2,5e1 ", "+1,", ",5"}, {}, 1, false, -23.5, ""},
        {"checked only", {"1", "10", "100"}, {1, 3}, 1, true, 101, ""},
        {"unchecked short row is skipped", {"1|1", "2", "3|3"}, {1, 3}, 2, true, 4, ""},
        {"checked short row stops", {"1|1", "2", "3|3"}, {2, 3}, 2, true, 0, err + "2"},
        {"no checked row", {"1", "2"}, {}, 1, true, 0, ""},
    };
    for (const auto& c : cases) {
        RowList list;
        AddRows(list, c.rows);
        for (int row : c.checkedRows)
            list.SetChecked(row, true);
        const ColumnSum result = list.SumColumn(c.column, c.checkedOnly);
        EXPECT_DOUBLE_EQ(result.sum, c.sum) << c.name;
        EXPECT_EQ(result.message, c.message) << c.name;
    }
}

TEST(RowListRowFile, LineQuotingAndBarQuoteRemoval) {
    struct Case {
        Cells cells;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{"1", "001", "Arroz tipo 1", "2,50"}, "1|001|Arroz tipo 1|2,50"},
        {{"1", "1001", "ARROZ TIPO 1 5KG", "21,90", "2", "43,80"},
         "1|1001|ARROZ TIPO 1 5KG|21,90|2|43,80"},
        {{"x", "ARROZ \"TIPO\" 1", "y"}, "x|ARROZ \"\"TIPO\"\" 1|y"},
        {{"A B", "x"}, "\"A B|x"},
        {{"x", "A B"}, "x|A B\""},
        {{"A B"}, "\"A B\""},
        {{"x", "a|b", "y"}, "x|a|b|y"},
        {{"a\tb", "c"}, "\"a\tb|c"},
        {{""}, "\"\""},
        {{}, ""},
        {{"", ""}, "|"},
        {{"a", "", "b"}, "a||b"},
        {{"A\xE7\xFA"
          "car",
          "\xE3"},
         "A\xE7\xFA"
         "car|\xE3"},
        // One pass each: the quote left after removing a bar-quote pair is not looked at again.
        {{"x", "\"q"}, "x|\"\"q\""},
        {{"q\"", "x"}, "\"q\"\"|x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowList::RowFileLine(c.cells), c.line);
}

class RowListFileTest : public test::TempDirTest {};

TEST_F(RowListFileTest, SaveRowsWritesOneCrLfLinePerRowWithoutCaptionsOrChecks) {
    RowList list;
    AddRows(list, {"1|001|Arroz tipo 1|2,50", "2|7|Caf\xE9 \"forte\"|3"});
    list.SetChecked(2, true);
    list.SaveRows("rows.txt");
    EXPECT_EQ(ReadWholeFile("rows.txt"),
              "1|001|Arroz tipo 1|2,50\r\n2|7|Caf\xE9 \"\"forte\"\"|3\r\n");

    RowList empty;
    empty.SaveRows("rows.txt");
    EXPECT_EQ(ReadWholeFile("rows.txt"), "");
}

TEST_F(RowListFileTest, SaveThenLoadRoundTrips) {
    struct Case {
        Cells saved;
        Cells loaded;
    };
    const std::vector<Case> cases = {
        {{"1", "X", "2,00"}, {"1", "X", "2,00", ""}},
        {{"x", "ARROZ \"TIPO\" 1", "y"}, {"x", "ARROZ \"\"TIPO\"\" 1", "y", ""}},
        {{"A B", "x"}, {"\"A B", "x", ""}},
        {{"x", "A B"}, {"x", "A B\"", ""}},
        {{"x", "a|b", "y"}, {"x", "a", "b", "y", ""}},
        {{""}, {"\"\"", ""}},
        {{}, {"", ""}},
    };
    for (const auto& c : cases) {
        RowList out;
        out.Assign({ListRow{{}, c.saved, false}});
        out.SaveRows("round.txt");
        RowList in;
        EXPECT_EQ(in.LoadRows("round.txt"), 1);
        ASSERT_EQ(in.RowCount(), 1);
        EXPECT_EQ(CellsOf(in, 1), c.loaded) << RowList::RowFileLine(c.saved);
    }

    // Each save-and-load cycle adds one more empty cell, hence one more bar at the line's end.
    RowList list;
    list.AddRow("a|b|c", 0);
    for (const std::string expected : {"a|b|c\r\n", "a|b|c|\r\n", "a|b|c||\r\n"}) {
        list.SaveRows("cycle.txt");
        EXPECT_EQ(ReadWholeFile("cycle.txt"), expected);
        list.Clear();
        list.LoadRows("cycle.txt");
    }
}

TEST_F(RowListFileTest, LoadRowsAppendsOneRowPerLine) {
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<Cells> rows;
    };
    const std::vector<Case> cases = {
        {"two CR LF lines",
         "1|X|2,00\r\n2|Y|3,00\r\n",
         {{"1", "X", "2,00", ""}, {"2", "Y", "3,00", ""}}},
        {"lone CR and lone LF", "a\rb\nc", {{"a", ""}, {"b", ""}, {"c", ""}}},
        {"blank line inside", "a\n\nb\r\n", {{"a", ""}, {"", ""}, {"b", ""}}},
        {"no break at the end", "a|b", {{"a", "b", ""}}},
        {"one empty line", "\r\n", {{"", ""}}},
        {"empty file", "", {}},
        {"NUL ends the text", std::string("a\r\nb\0c\r\nd", 9), {{"a", ""}, {"b", ""}}},
        {"quotes kept", "\"A B|x\r\n", {{"\"A B", "x", ""}}},
    };
    for (const auto& c : cases) {
        WriteBytes("load.txt", c.bytes);
        RowList list;
        list.AddRow("keep|me", 0);
        list.SetChecked(1, true);
        EXPECT_EQ(list.LoadRows("load.txt"), static_cast<int>(c.rows.size())) << c.name;
        ASSERT_EQ(list.RowCount(), static_cast<int>(c.rows.size()) + 1) << c.name;
        EXPECT_EQ(CellsOf(list, 1), (Cells{"keep", "me"})) << c.name;
        EXPECT_TRUE(list.Checked(1));
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const int row = static_cast<int>(i) + 2;
            EXPECT_EQ(CellsOf(list, row), c.rows[i]) << c.name << " row " << row;
            EXPECT_FALSE(list.Checked(row));
        }
    }

    RowList list;
    EXPECT_EQ(list.LoadRows("missing.txt"), 0);
    EXPECT_EQ(list.RowCount(), 0);
}

// A failed save, whatever the cause, leaves the former file as it was and no stray file.
TEST_F(RowListFileTest, FailedSaveLeavesTheOldFileWhole) {
    RowList list;
    for (int i = 0; i < 2000; ++i)
        list.AddRow("1|1001|ARROZ TIPO 1 5KG|21,90|2|43,80", 0);

    // A directory where the file should be.
    fs::create_directory("rows.txt");
    WriteBytes("rows.txt/inside", "keep");
    auto before = DirEntries(Dir());
    EXPECT_THROW(list.SaveRows("rows.txt"), FileError);
    EXPECT_TRUE(fs::is_directory("rows.txt"));
    EXPECT_EQ(ReadWholeFile("rows.txt/inside"), "keep");
    EXPECT_EQ(DirEntries(Dir()), before);

    // A folder that does not exist.
    EXPECT_THROW(list.SaveRows("nowhere/rows.txt"), FileError);

    // A full disk, met half way through the write: file size limited below the new contents.
    const std::string old = "OLD|CONTENTS\r\n";
    WriteBytes("gprod.txt", old);
    before = DirEntries(Dir());
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        list.SaveRows("gprod.txt");
    } catch (const FileError&) {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadWholeFile("gprod.txt"), old);
    EXPECT_EQ(DirEntries(Dir()), before);

    // And with room again the same save goes through.
    list.SaveRows("gprod.txt");
    EXPECT_EQ(ReadWholeFile("gprod.txt"), list.RowFileText());
}

TEST_F(RowListFileTest, ReadOnlyFolderRefusesTheSave) {
    fs::create_directory("ro");
    WriteBytes("ro/rows.txt", "OLD\r\n");
    torvel::test::ReadOnlyDir readOnly("ro");
    if (!readOnly.Active())
        GTEST_SKIP() << "the folder stays writable for this user";
    RowList list;
    list.AddRow("new", 0);
    EXPECT_THROW(list.SaveRows("ro/rows.txt"), FileError);
    EXPECT_EQ(ReadWholeFile("ro/rows.txt"), "OLD\r\n");
}

// A view follows the rows through these notifications; each must match what changed.
class Recorder : public RowListObserver {
public:
    std::vector<std::string> log;
    const RowList* list = nullptr;
    void RowsAboutToBeInserted(int first, int last) override {
        log.push_back("insert " + range(first, last) + " from " + count());
    }
    void RowsInserted() override { log.push_back("inserted " + count()); }
    void RowsAboutToBeRemoved(int first, int last) override {
        log.push_back("remove " + range(first, last) + " from " + count());
    }
    void RowsRemoved() override { log.push_back("removed " + count()); }
    void RowsChanged(int first, int last) override {
        log.push_back("changed " + range(first, last));
    }
    void AboutToReset() override { log.push_back("reset"); }
    void ResetDone() override { log.push_back("reset " + count()); }

private:
    static std::string range(int a, int b) { return std::to_string(a) + "-" + std::to_string(b); }
    std::string count() const { return std::to_string(list->RowCount()); }
};

TEST_F(RowListFileTest, ObserverHearsEveryChangeWithItsRows) {
    WriteBytes("three.txt", "a\r\nb\r\nc\r\n");
    WriteBytes("empty.txt", "");
    struct Case {
        std::string name;
        void (*action)(RowList&);
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {"append", [](RowList& l) { l.AddRow("x|y", 0); }, {"insert 2-2 from 2", "inserted 3"}},
        {"refill", [](RowList& l) { l.AddRow("x", 2); }, {"changed 1-1"}},
        {"refill past the end", [](RowList& l) { l.AddRow("x", 3); }, {}},
        {"delete", [](RowList& l) { l.DeleteRow(1); }, {"remove 0-0 from 2", "removed 1"}},
        {"delete nothing", [](RowList& l) { l.DeleteRow(5); }, {}},
        {"set cell", [](RowList& l) { l.SetCell(1, 2, "z"); }, {"changed 1-1"}},
        {"set missing cell", [](RowList& l) { l.SetCell(3, 2, "z"); }, {}},
        {"number", [](RowList& l) { l.NumberRows(1); }, {"changed 0-1"}},
        {"check", [](RowList& l) { l.SetChecked(2, true); }, {"changed 1-1"}},
        {"uncheck unchecked", [](RowList& l) { l.SetChecked(2, false); }, {}},
        {"clear", [](RowList& l) { l.Clear(); }, {"reset", "reset 0"}},
        {"assign", [](RowList& l) { l.Assign(std::vector<ListRow>(5)); }, {"reset", "reset 5"}},
        {"load", [](RowList& l) { l.LoadRows("three.txt"); }, {"insert 2-4 from 2", "inserted 5"}},
        {"load empty", [](RowList& l) { l.LoadRows("empty.txt"); }, {}},
        {"load missing", [](RowList& l) { l.LoadRows("missing.txt"); }, {}},
    };
    for (const auto& c : cases) {
        RowList list;
        AddRows(list, {"1|a", "2|b"});
        Recorder recorder;
        recorder.list = &list;
        list.SetObserver(&recorder);
        c.action(list);
        EXPECT_EQ(recorder.log, c.log) << c.name;
    }
}

// Rows kept by a table elsewhere: "<key>|name <key>|<key * 10>", and a count of every cell read.
class TableSource : public RowSource {
public:
    size_t CellCount(uint32_t key) const override { return key == 99 ? 1 : 3; }
    std::string_view Cell(uint32_t key, size_t column) const override {
        if (key == 99)
            return "";
        cells_ = {std::to_string(key), "name " + std::to_string(key), std::to_string(key * 10)};
        return keep(cells_[column - 1]);
    }

private:
    // Views stay valid as long as the source: every text read is kept.
    std::string_view keep(const std::string& text) const { return *kept_.insert(text).first; }
    mutable std::vector<std::string> cells_;
    mutable std::set<std::string> kept_;
};

// The same rows held as copies: what a source-backed list must behave like.
std::vector<ListRow> CopiesOf(const TableSource& source, const std::vector<uint32_t>& keys) {
    std::vector<ListRow> rows;
    for (uint32_t key : keys) {
        ListRow row;
        for (size_t k = 1; k <= source.CellCount(key); ++k)
            row.cells.emplace_back(source.Cell(key, k));
        rows.push_back(row);
    }
    return rows;
}

TEST(RowListSource, BehavesLikeCopiesOfItsRowsUnderEveryOperation) {
    const std::vector<uint32_t> keys = {7, 3, 99, 12, 5};
    struct Case {
        std::string name;
        void (*action)(RowList&);
    };
    const std::vector<Case> cases = {
        {"nothing", [](RowList&) {}},
        {"set cell", [](RowList& l) { l.SetCell(2, 2, "changed"); }},
        {"set missing cell", [](RowList& l) { l.SetCell(4, 2, "x"); }},
        {"refill", [](RowList& l) { l.AddRow("a|b", 4); }},
        {"append", [](RowList& l) { l.AddRow("9|nine|90", 0); }},
        {"delete", [](RowList& l) { l.DeleteRow(1); }},
        {"delete last", [](RowList& l) { l.DeleteRow(5); }},
        {"number", [](RowList& l) { l.NumberRows(1); }},
        {"number a column some rows lack", [](RowList& l) { l.NumberRows(3); }},
        {"check then refill",
         [](RowList& l) {
             l.SetChecked(2, true);
             l.AddRow("r|e|f|i|l|l", 2);
         }},
        {"check, set a cell, uncheck another",
         [](RowList& l) {
             l.SetChecked(1, true);
             l.SetChecked(4, true);
             l.SetCell(1, 4, "x");
             l.SetChecked(1, false);
         }},
        {"clear and append",
         [](RowList& l) {
             l.Clear();
             l.AddRow("z", 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = std::make_shared<TableSource>();
        RowList viewed;
        viewed.AssignSource(source, keys);
        RowList copied;
        copied.Assign(CopiesOf(*source, keys));
        c.action(viewed);
        c.action(copied);
        ASSERT_EQ(viewed.RowCount(), copied.RowCount());
        EXPECT_EQ(viewed.RowFileText(), copied.RowFileText());
        for (int r = 0; r <= viewed.RowCount() + 1; ++r) {
            EXPECT_EQ(viewed.Checked(r), copied.Checked(r)) << r;
            EXPECT_EQ(viewed.CellCount(r), copied.CellCount(r)) << r;
            for (int column = 0; column <= 7; ++column) {
                EXPECT_EQ(viewed.GetCell(column, r), copied.GetCell(column, r))
                    << r << "," << column;
                EXPECT_EQ(viewed.HasCell(column, r), copied.HasCell(column, r))
                    << r << "," << column;
            }
        }
        for (bool checkedOnly : {false, true}) {
            const ColumnSum a = viewed.SumColumn(3, checkedOnly);
            const ColumnSum b = copied.SumColumn(3, checkedOnly);
            EXPECT_EQ(a.sum, b.sum);
            EXPECT_EQ(a.message, b.message);
        }
        for (int r = 1; r <= viewed.RowCount(); ++r)
            EXPECT_EQ(viewed.Row(r).cells, copied.Row(r).cells) << r;
    }
}

TEST(RowListSource, RowsHoldNoCopiesUntilWritten) {
    auto source = std::make_shared<TableSource>();
    RowList list;
    list.AssignSource(source, {1, 2, 3, 4});
    // Reading, summing, saving and checking leave every row with the source.
    list.GetCell(2, 1);
    list.SumColumn(3, false);
    list.RowFileText();
    list.SetChecked(3, true);
    for (int r = 1; r <= 4; ++r)
        EXPECT_TRUE(list.IsSourceRow(r)) << r;
    EXPECT_EQ(list.CellView(2, 2), "name 2");
    // A write gives that row, and only that row, cells of its own; the source is not written.
    list.SetCell(2, 2, "own");
    EXPECT_FALSE(list.IsSourceRow(2));
    EXPECT_TRUE(list.IsSourceRow(1));
    EXPECT_TRUE(list.IsSourceRow(3));
    EXPECT_EQ(source->Cell(2, 2), "name 2");
    EXPECT_EQ(list.GetCell(2, 2), "own");
    EXPECT_TRUE(list.Checked(3));
    list.AddRow("a|b", 3); // a refilled row keeps its check mark
    EXPECT_FALSE(list.IsSourceRow(3));
    EXPECT_TRUE(list.Checked(3));
    EXPECT_FALSE(list.IsSourceRow(0));
    EXPECT_FALSE(list.IsSourceRow(5));
}

TEST(RowListSource, ReplacingTheRowsIsOneReset) {
    struct Resets : RowListObserver {
        void RowsAboutToBeInserted(int, int) override { log += "i"; }
        void RowsInserted() override { log += "I"; }
        void RowsAboutToBeRemoved(int, int) override { log += "d"; }
        void RowsRemoved() override { log += "D"; }
        void RowsChanged(int, int) override { log += "c"; }
        void AboutToReset() override { log += "r"; }
        void ResetDone() override { log += "R"; }
        std::string log;
    } observer;
    RowList list;
    list.AddRow("old|row", 0);
    list.SetObserver(&observer);
    auto source = std::make_shared<TableSource>();
    list.AssignSource(source, std::vector<uint32_t>(1000, 1));
    EXPECT_EQ(observer.log, "rR");
    EXPECT_EQ(list.RowCount(), 1000);
    EXPECT_EQ(list.GetCell(1, 1), "1");
    list.AssignSource(nullptr, {});
    EXPECT_EQ(list.RowCount(), 0);
}

} // namespace
} // namespace torvel
