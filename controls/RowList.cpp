#include "controls/RowList.h"

#include "util/Numbers.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <utility>

namespace torvel {
namespace {

bool needsQuotes(std::string_view cell) {
    for (char c : cell)
        if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == '|')
            return true;
    return false;
}

// One left-to-right pass; replaced text is not scanned again.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos;
         pos = hit + from.size()) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(text.substr(pos));
    return out;
}

} // namespace

char RowList::effectiveSeparator() {
    if (static_cast<unsigned char>(separator_) <= 32)
        separator_ = kDefaultSeparator;
    return separator_;
}

void RowList::Clear() {
    if (observer_)
        observer_->AboutToReset();
    rows_.clear();
    if (observer_)
        observer_->ResetDone();
}

std::string RowList::GetCell(int column, int row) const {
    if (!HasCell(column, row))
        return {};
    return Row(row).cells[static_cast<size_t>(column - 1)];
}

bool RowList::HasCell(int column, int row) const {
    return validRow(row) && column >= 1 && static_cast<size_t>(column) <= Row(row).cells.size();
}

void RowList::SetCell(int column, int row, std::string_view text) {
    if (!HasCell(column, row))
        return;
    rows_[static_cast<size_t>(row - 1)].cells[static_cast<size_t>(column - 1)] = text;
    if (observer_)
        observer_->RowsChanged(row - 1, row - 1);
}

std::vector<std::string> RowList::CutCells(std::string_view values, char separator) {
    std::vector<std::string> cells;
    cells.reserve(static_cast<size_t>(std::count(values.begin(), values.end(), separator)) + 1);
    size_t start = 0;
    for (;;) {
        size_t hit = values.find(separator, start);
        if (hit == std::string_view::npos) {
            cells.emplace_back(values.substr(start));
            return cells;
        }
        cells.emplace_back(values.substr(start, hit - start));
        start = hit + 1;
    }
}

int RowList::AddRow(std::string_view values, int row) {
    const char separator = effectiveSeparator();
    if (row <= 0) {
        const int index = RowCount();
        if (observer_)
            observer_->RowsAboutToBeInserted(index, index);
        rows_.push_back(ListRow{{}, CutCells(values, separator), false});
        if (observer_)
            observer_->RowsInserted();
        return index + 1;
    }
    if (!validRow(row))
        return 0;
    rows_[static_cast<size_t>(row - 1)].cells = CutCells(values, separator);
    if (observer_)
        observer_->RowsChanged(row - 1, row - 1);
    return row;
}

void RowList::DeleteRow(int row) {
    if (!validRow(row))
        return;
    if (observer_)
        observer_->RowsAboutToBeRemoved(row - 1, row - 1);
    rows_.erase(rows_.begin() + (row - 1));
    if (observer_)
        observer_->RowsRemoved();
}

void RowList::NumberRows(int column) {
    if (column < 1 || rows_.empty())
        return;
    for (size_t i = 0; i < rows_.size(); ++i) {
        auto& cells = rows_[i].cells;
        if (static_cast<size_t>(column) <= cells.size())
            cells[static_cast<size_t>(column - 1)] = std::to_string(i + 1);
    }
    if (observer_)
        observer_->RowsChanged(0, RowCount() - 1);
}

ColumnSum RowList::SumColumn(int column, bool checkedOnly) const {
    ColumnSum result;
    for (int r = 1; r <= RowCount(); ++r) {
        if (checkedOnly && !Row(r).checked)
            continue;
        if (!HasCell(column, r)) {
            result.message = "Erro ao obter soma da coluna.: " + std::to_string(column);
            return result;
        }
        if (auto value = ReadNumber(GetCell(column, r), ','))
            result.sum += *value;
    }
    return result;
}

std::string RowList::RowFileLine(const std::vector<std::string>& cells) {
    if (cells.size() == 1 && cells.front().empty())
        return "\"\"";
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += '|';
        const std::string& cell = cells[i];
        if (!needsQuotes(cell)) {
            line += cell;
            continue;
        }
        line += '"';
        for (char c : cell) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    // The quotes next to a bar go; those at the ends of the line and doubled ones inside stay.
    return replaceAll(replaceAll(line, "|\"", "|"), "\"|", "|");
}

std::string RowList::RowFileText() const {
    std::string text;
    for (const ListRow& row : rows_) {
        text += RowFileLine(row.cells);
        text += "\r\n";
    }
    return text;
}

void RowList::SaveRows(const std::string& fileName) const {
    ReplaceFileSafely(fileName, RowFileText());
}

int RowList::AppendLines(std::string_view text) {
    const std::vector<std::string> lines = SplitAt(text, '\n');
    if (lines.empty())
        return 0;
    const char separator = effectiveSeparator();
    const int first = RowCount();
    const int count = static_cast<int>(lines.size());
    if (observer_)
        observer_->RowsAboutToBeInserted(first, first + count - 1);
    rows_.reserve(rows_.size() + lines.size());
    // Each line gets a separator of its own before the cut, hence one extra empty last cell.
    for (const std::string& line : lines)
        rows_.push_back(ListRow{{}, CutCells(line + kDefaultSeparator, separator), false});
    if (observer_)
        observer_->RowsInserted();
    return count;
}

int RowList::LoadRows(const std::string& fileName) {
    if (!FileExists(fileName))
        return 0;
    return AppendLines(ReadWholeFile(fileName));
}

bool RowList::Checked(int row) const {
    return validRow(row) && Row(row).checked;
}

void RowList::SetChecked(int row, bool checked) {
    if (!validRow(row) || Row(row).checked == checked)
        return;
    rows_[static_cast<size_t>(row - 1)].checked = checked;
    if (observer_)
        observer_->RowsChanged(row - 1, row - 1);
}

void RowList::Assign(std::vector<ListRow> rows) {
    if (observer_)
        observer_->AboutToReset();
    rows_ = std::move(rows);
    if (observer_)
        observer_->ResetDone();
}

} // namespace torvel
