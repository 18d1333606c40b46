// The rows of a report list without any screen: 1-based cell access, rows filled from one
// "|"-joined text, column sums and numbering, and the row file that the lists save and append.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace torvel {

// Rows that a list shows without holding copies of their texts: a list of a hundred thousand
// products would otherwise keep every field again as strings of its own. A row of the list names
// a row of the source by a key; its cells are read from the source whenever they are asked for.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual size_t CellCount(uint32_t key) const = 0;
    // Cell `column` (1-based, at most CellCount) of the source row `key`.
    virtual std::string_view Cell(uint32_t key, size_t column) const = 0;
};

struct ListRow {
    std::string caption;            // text of column 0; the program never writes it
    std::vector<std::string> cells; // cell k (1-based) is cells[k - 1]
    bool checked = false;
};

// Told about every change of a RowList, so that a view over it can follow. Row indexes here are
// 0-based, as views count them. Each "about to" call is followed by its matching "done" call.
class RowListObserver {
public:
    virtual void RowsAboutToBeInserted(int first, int last) = 0;
    virtual void RowsInserted() = 0;
    virtual void RowsAboutToBeRemoved(int first, int last) = 0;
    virtual void RowsRemoved() = 0;
    // Cells or checked flags of these rows changed; the row count did not.
    virtual void RowsChanged(int first, int last) = 0;
    virtual void AboutToReset() = 0;
    virtual void ResetDone() = 0;

protected:
    ~RowListObserver() = default;
};

struct ColumnSum {
    double sum = 0;
    // Empty when every counted row had the cell; otherwise the text the user is shown.
    std::string message;
};

class RowList {
public:
    static constexpr char kDefaultSeparator = '|';

    RowList() = default;
    RowList(const RowList&) = delete;
    RowList& operator=(const RowList&) = delete;

    // At most one observer; nullptr detaches it.
    void SetObserver(RowListObserver* observer) { observer_ = observer; }

    char Separator() const { return separator_; }
    void SetSeparator(char separator) { separator_ = separator; }

    void Clear();
    int RowCount() const { return static_cast<int>(rows_.size()); }

    // Empty text when the row or the cell does not exist.
    std::string GetCell(int column, int row) const;
    // The same without a copy; valid until the list or its source changes.
    std::string_view CellView(int column, int row) const;
    bool HasCell(int column, int row) const;
    // Number of cells of the row; 0 when the row does not exist.
    int CellCount(int row) const;
    // Does nothing when the cell does not exist.
    void SetCell(int column, int row, std::string_view text);

    // row <= 0 appends a new row; otherwise refills that row. Returns the number of the row
    // filled, or 0 when `row` names no existing row (then nothing changes).
    int AddRow(std::string_view values, int row);
    // Does nothing when the row does not exist.
    void DeleteRow(int row);
    void NumberRows(int column);
    // A counted row without the cell stops the sum; the result then carries the message.
    ColumnSum SumColumn(int column, bool checkedOnly) const;

    // Whole-file replacement through a temporary file: a failed save leaves the old file whole.
    // Throws FileError.
    void SaveRows(const std::string& fileName) const;
    // Appends the rows of a row file; a missing file adds nothing. Returns the rows appended.
    // Throws FileError when the file exists but cannot be read.
    int LoadRows(const std::string& fileName);

    // The bytes SaveRows writes.
    std::string RowFileText() const;
    // Appends one row per line of `text` (the lines of a row file), with one notification.
    int AppendLines(std::string_view text);

    bool Checked(int row) const;
    void SetChecked(int row, bool checked);

    // 1-based; the row must exist. A row read from a source gets copies of its cells here, so
    // whole-list work goes through GetCell/CellView instead.
    const ListRow& Row(int row) const;
    // Replaces all rows at once (one reset for a view, however many rows).
    void Assign(std::vector<ListRow> rows);
    // Replaces all rows at once by rows of a source, one per key, in this order. They hold no
    // texts of their own until one of their cells is written.
    void AssignSource(std::shared_ptr<const RowSource> source, const std::vector<uint32_t>& keys);
    // Whether the row is still read from the source (false for rows that hold their cells).
    bool IsSourceRow(int row) const;

    // The cells of `values` cut at `separator`: n separators give n + 1 cells, the last one
    // possibly empty. Nothing is trimmed or unquoted.
    static std::vector<std::string> CutCells(std::string_view values, char separator);
    // One line of the row file, without its line break.
    static std::string RowFileLine(const std::vector<std::string>& cells);

private:
    // One row: its own cells, or a key into source_ (own is then null until a write or Row()).
    struct Slot {
        mutable std::unique_ptr<ListRow> own;
        uint32_t key = 0;
        bool checked = false; // of a source row; a row with its own cells keeps it there
    };

    bool ValidRow(int row) const { return row >= 1 && row <= RowCount(); }
    const Slot& SlotAt(int row) const { return rows_[static_cast<size_t>(row - 1)]; }
    // The row's own cells, copied from the source first when it has none.
    ListRow& Materialize(const Slot& s) const;
    size_t CellCount(const Slot& s) const;
    std::string_view CellOf(const Slot& s, size_t column) const;
    char EffectiveSeparator();

    std::vector<Slot> rows_;
    std::shared_ptr<const RowSource> source_;
    char separator_ = kDefaultSeparator;
    RowListObserver* observer_ = nullptr;
};

} // namespace torvel
