#include "controls/RowList.h"

#include "util/Numbers.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <utility>

namespace torvel {
namespace {

bool NeedsQuotes(std::string_view cell) {
    for (char c : cell)
        if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == '|')
            return true;
    return false;
}

// One left-to-right pass; replaced text is not scanned again.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
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

namespace {

// One line of the row file from a row's cells, however they are held.
template <class CellAt> std::string JoinRowFileCells(size_t count, CellAt cellAt) {
    if (count == 1 && cellAt(0).empty())
        return "\"\"";
    std::string line;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            line += '|';
        const std::string_view cell = cellAt(i);
        if (!NeedsQuotes(cell)) {
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
    return ReplaceAll(ReplaceAll(line, "|\"", "|"), "\"|", "|");
}

} // namespace

char RowList::EffectiveSeparator() {
    if (static_cast<unsigned char>(separator_) <= 32)
        separator_ = kDefaultSeparator;
    return separator_;
}

ListRow& RowList::Materialize(const Slot& s) const {
    if (!s.own) {
        auto row = std::make_unique<ListRow>();
        const size_t count = source_->CellCount(s.key);
        row->cells.reserve(count);
        for (size_t k = 1; k <= count; ++k)
            row->cells.emplace_back(source_->Cell(s.key, k));
        row->checked = s.checked;
        s.own = std::move(row);
    }
    return *s.own;
}

size_t RowList::CellCount(const Slot& s) const {
    return s.own ? s.own->cells.size() : source_->CellCount(s.key);
}

std::string_view RowList::CellOf(const Slot& s, size_t column) const {
    return s.own ? std::string_view(s.own->cells[column - 1]) : source_->Cell(s.key, column);
}

void RowList::Clear() {
    if (observer_)
        observer_->AboutToReset();
    rows_.clear();
    source_.reset();
    if (observer_)
        observer_->ResetDone();
}

std::string RowList::GetCell(int column, int row) const {
    return std::string(CellView(column, row));
}

std::string_view RowList::CellView(int column, int row) const {
    if (!HasCell(column, row))
        return {};
    return CellOf(SlotAt(row), static_cast<size_t>(column));
}

bool RowList::HasCell(int column, int row) const {
    return ValidRow(row) && column >= 1 && static_cast<size_t>(column) <= CellCount(SlotAt(row));
}

int RowList::CellCount(int row) const {
    return ValidRow(row) ? static_cast<int>(CellCount(SlotAt(row))) : 0;
}

const ListRow& RowList::Row(int row) const {
    return Materialize(SlotAt(row));
}

bool RowList::IsSourceRow(int row) const {
    return ValidRow(row) && !SlotAt(row).own;
}

void RowList::SetCell(int column, int row, std::string_view text) {
    if (!HasCell(column, row))
        return;
    Materialize(SlotAt(row)).cells[static_cast<size_t>(column - 1)] = text;
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
    const char separator = EffectiveSeparator();
    if (row <= 0) {
        const int index = RowCount();
        if (observer_)
            observer_->RowsAboutToBeInserted(index, index);
        Slot s;
        s.own = std::make_unique<ListRow>(ListRow{{}, CutCells(values, separator), false});
        rows_.push_back(std::move(s));
        if (observer_)
            observer_->RowsInserted();
        return index + 1;
    }
    if (!ValidRow(row))
        return 0;
    const Slot& s = SlotAt(row);
    if (s.own)
        s.own->cells = CutCells(values, separator);
    else
        s.own = std::make_unique<ListRow>(ListRow{{}, CutCells(values, separator), s.checked});
    if (observer_)
        observer_->RowsChanged(row - 1, row - 1);
    return row;
}

void RowList::DeleteRow(int row) {
    if (!ValidRow(row))
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
        if (static_cast<size_t>(column) <= CellCount(rows_[i]))
            Materialize(rows_[i]).cells[static_cast<size_t>(column - 1)] = std::to_string(i + 1);
    }
    if (observer_)
        observer_->RowsChanged(0, RowCount() - 1);
}

ColumnSum RowList::SumColumn(int column, bool checkedOnly) const {
    ColumnSum result;
    for (int r = 1; r <= RowCount(); ++r) {
        if (checkedOnly && !Checked(r))
            continue;
        if (!HasCell(column, r)) {
            result.message = "Erro ao obter soma da coluna.: " + std::to_string(column);
            return result;
        }
        if (auto value = ReadNumber(CellView(column, r), ','))
            result.sum += *value;
    }
    return result;
}

std::string RowList::RowFileLine(const std::vector<std::string>& cells) {
    return JoinRowFileCells(cells.size(), [&](size_t i) { return std::string_view(cells[i]); });
}

std::string RowList::RowFileText() const {
    std::string text;
    for (const Slot& s : rows_) {
        text += JoinRowFileCells(CellCount(s), [&](size_t i) { return CellOf(s, i + 1); });
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
    const char separator = EffectiveSeparator();
    const int first = RowCount();
    const int count = static_cast<int>(lines.size());
    if (observer_)
        observer_->RowsAboutToBeInserted(first, first + count - 1);
    rows_.reserve(rows_.size() + lines.size());
    // Each line gets a separator of its own before the cut, hence one extra empty last cell.
    for (const std::string& line : lines) {
        Slot s;
        s.own = std::make_unique<ListRow>(
            ListRow{{}, CutCells(line + kDefaultSeparator, separator), false});
        rows_.push_back(std::move(s));
    }
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
    if (!ValidRow(row))
        return false;
    const Slot& s = SlotAt(row);
    return s.own ? s.own->checked : s.checked;
}

void RowList::SetChecked(int row, bool checked) {
    if (!ValidRow(row) || Checked(row) == checked)
        return;
    Slot& s = rows_[static_cast<size_t>(row - 1)];
    (s.own ? s.own->checked : s.checked) = checked;
    if (observer_)
        observer_->RowsChanged(row - 1, row - 1);
}

void RowList::Assign(std::vector<ListRow> rows) {
    if (observer_)
        observer_->AboutToReset();
    rows_.clear();
    source_.reset();
    rows_.reserve(rows.size());
    for (ListRow& row : rows) {
        Slot s;
        s.own = std::make_unique<ListRow>(std::move(row));
        rows_.push_back(std::move(s));
    }
    if (observer_)
        observer_->ResetDone();
}

void RowList::AssignSource(std::shared_ptr<const RowSource> source,
                           const std::vector<uint32_t>& keys) {
    if (observer_)
        observer_->AboutToReset();
    rows_.clear();
    rows_.shrink_to_fit(); // a long former list must not stay reserved beside the new one
    source_ = std::move(source);
    if (source_) {
        rows_.resize(keys.size());
        for (size_t i = 0; i < keys.size(); ++i)
            rows_[i].key = keys[i];
    }
    if (observer_)
        observer_->ResetDone();
}

} // namespace torvel
