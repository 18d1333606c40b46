// The rows of a report list without any screen: 1-based cell access, rows filled from one
// "|"-joined text, column sums and numbering, and the row file that the lists save and append.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvel {

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
    bool HasCell(int column, int row) const;
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

    // 1-based; the row must exist.
    const ListRow& Row(int row) const { return rows_[static_cast<size_t>(row - 1)]; }
    const std::vector<ListRow>& Rows() const { return rows_; }
    // Replaces all rows at once (one reset for a view, however many rows).
    void Assign(std::vector<ListRow> rows);

    // The cells of `values` cut at `separator`: n separators give n + 1 cells, the last one
    // possibly empty. Nothing is trimmed or unquoted.
    static std::vector<std::string> CutCells(std::string_view values, char separator);
    // One line of the row file, without its line break.
    static std::string RowFileLine(const std::vector<std::string>& cells);

private:
    bool validRow(int row) const { return row >= 1 && row <= RowCount(); }
    char effectiveSeparator();

    std::vector<ListRow> rows_;
    char separator_ = kDefaultSeparator;
    RowListObserver* observer_ = nullptr;
};

} // namespace torvel
