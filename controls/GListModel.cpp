#include "controls/GListModel.h"

#include "util/Cp1252QString.h"

#include <QBrush>

using namespace torvel;

TGListModel::TGListModel(QObject* parent) : QAbstractTableModel(parent) {
    rows_.SetObserver(this);
}

TGListModel::~TGListModel() {
    rows_.SetObserver(nullptr);
}

void TGListModel::AddColumns(const std::vector<TListColumn>& columns) {
    if (columns.empty())
        return;
    const int first = ColumnCount();
    beginInsertColumns({}, first, first + static_cast<int>(columns.size()) - 1);
    columns_.insert(columns_.end(), columns.begin(), columns.end());
    endInsertColumns();
}

void TGListModel::ClearColumns() {
    if (columns_.empty())
        return;
    beginRemoveColumns({}, 0, ColumnCount() - 1);
    columns_.clear();
    endRemoveColumns();
}

void TGListModel::SetColumnCaption(int index, const QString& caption) {
    if (index < 0 || index >= ColumnCount())
        return;
    columns_[static_cast<size_t>(index)].caption = caption;
    emit headerDataChanged(Qt::Horizontal, index, index);
}

void TGListModel::SetCheckboxes(bool on) {
    if (checkboxes_ == on)
        return;
    checkboxes_ = on;
    AllRowsChanged();
}

void TGListModel::SetCorZebra(int color) {
    corZebra_ = color;
    AllRowsChanged();
}

void TGListModel::SetCheckCor(int color) {
    checkCor_ = color;
    AllRowsChanged();
}

void TGListModel::AllRowsChanged() {
    if (Updating() || rows_.RowCount() == 0 || columns_.empty())
        return;
    emit dataChanged(index(0, 0), index(rows_.RowCount() - 1, ColumnCount() - 1));
}

void TGListModel::BeginUpdate() {
    if (updateDepth_++ == 0)
        beginResetModel();
}

void TGListModel::EndUpdate() {
    if (updateDepth_ == 0)
        return;
    if (--updateDepth_ == 0)
        endResetModel();
}

int TGListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.RowCount();
}

int TGListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant TGListModel::Background(int row) const {
    if (corZebra_ == kColorNone)
        return {};
    int color = row % 2 == 1 ? corZebra_ : kColorWhite;
    if (checkboxes_ && rows_.Checked(row + 1)) {
        // A checked row without a check colour keeps the list's own background.
        if (checkCor_ == kColorNone)
            return {};
        color = checkCor_;
    }
    return QBrush(ToQColor(color));
}

QVariant TGListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.RowCount() || index.column() >= ColumnCount())
        return {};
    const int row = index.row() + 1;
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        // Column 0 shows the caption; a row read from a source has none.
        if (column == 0)
            return rows_.IsSourceRow(row) ? QString() : ToQString(rows_.Row(row).caption);
        return ToQString(rows_.CellView(column, row));
    case Qt::CheckStateRole:
        if (column == 0 && checkboxes_)
            return static_cast<int>(rows_.Checked(row) ? Qt::Checked : Qt::Unchecked);
        return {};
    case Qt::BackgroundRole:
        return Background(index.row());
    case Qt::TextAlignmentRole:
        return static_cast<int>(Column(column).alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool TGListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !checkboxes_ || !index.isValid() || index.column() != 0 ||
        index.row() >= rows_.RowCount())
        return false;
    rows_.SetChecked(index.row() + 1, value.toInt() == Qt::Checked);
    return true;
}

QVariant TGListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section >= 0 && section < rows_.RowCount())
            return section + 1;
        return {};
    }
    if (section < 0 || section >= ColumnCount())
        return {};
    if (role == Qt::DisplayRole)
        return Column(section).caption;
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(Column(section).alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TGListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Never editable: captions are not edited in place.
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0 && checkboxes_)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

void TGListModel::RowsAboutToBeInserted(int first, int last) {
    if (!Updating())
        beginInsertRows({}, first, last);
}

void TGListModel::RowsInserted() {
    if (!Updating())
        endInsertRows();
}

void TGListModel::RowsAboutToBeRemoved(int first, int last) {
    if (!Updating())
        beginRemoveRows({}, first, last);
}

void TGListModel::RowsRemoved() {
    if (!Updating())
        endRemoveRows();
}

void TGListModel::RowsChanged(int first, int last) {
    if (!Updating() && !columns_.empty())
        emit dataChanged(index(first, 0), index(last, ColumnCount() - 1));
}

void TGListModel::AboutToReset() {
    if (!Updating())
        beginResetModel();
}

void TGListModel::ResetDone() {
    if (!Updating())
        endResetModel();
}
