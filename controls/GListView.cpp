#include "controls/GListView.h"

#include "util/Cp1252QString.h"
#include "util/Dialogs.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include <utility>

using namespace torvel;

TGListView::TGListView(QWidget* parent) : QTableView(parent), model_(new TGListModel(this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every list of the program shows grid lines and selects whole rows; both can be switched off.
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false);
    setCornerButtonEnabled(false);
    // Tab leaves the list for the next control, as in every other field of the windows.
    setTabKeyNavigation(false);
    // One scroll step is one line.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setContextMenuPolicy(Qt::DefaultContextMenu);

    QHeaderView* rowsHeader = verticalHeader();
    rowsHeader->hide();
    rowsHeader->setMinimumSectionSize(1);
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0); // the check-box column may be a few pixels wide
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    headerFont_ = font();
    FitRowHeight();
}

TGListView::~TGListView() = default;

void TGListView::FitRowHeight() {
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    verticalHeader()->setDefaultSectionSize(qMax(fontMetrics().height(), indicator) + 4);
}

void TGListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        FitRowHeight();
}

void TGListView::Clear() {
    // An empty list has nothing to scroll: lines owed from before are void.
    scrollBase_ = 0;
    pendingScroll_ = 0;
    Rows().Clear();
}

int TGListView::RowCount() const {
    return Rows().RowCount();
}

int TGListView::SelectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return 0;
    const int row = selected.front().row() + 1;
    return row <= RowCount() ? row : 0;
}

std::string TGListView::GetCell(int column, int row) const {
    return Rows().GetCell(column, row);
}

void TGListView::SetCell(int column, int row, std::string_view text) {
    Rows().SetCell(column, row, text);
}

void TGListView::AddRow(std::string_view values, int row) {
    if (Rows().AddRow(values, row) != 0)
        ScrollLines(1);
}

void TGListView::DeleteRow(int row) {
    Rows().DeleteRow(row);
}

void TGListView::NumberRows(int column) {
    Rows().NumberRows(column);
}

double TGListView::SumColumn(int column, bool checkedOnly) {
    const ColumnSum result = Rows().SumColumn(column, checkedOnly);
    if (!result.message.empty())
        ShowMessage(ToQString(result.message));
    return result.sum;
}

void TGListView::SaveRows(const std::string& fileName) {
    Rows().SaveRows(fileName);
}

void TGListView::LoadRows(const std::string& fileName) {
    // Each appended row is an AddRow of its own, so the list scrolls a line per row.
    if (const int added = Rows().LoadRows(fileName); added > 0)
        ScrollLines(added);
}

void TGListView::ScrollLines(int lines) {
    // Scrolling right after an insert makes the header recount every row position, so the lines
    // are owed and scrolled once the event loop runs (before anything is painted) or at EndUpdate.
    pendingScroll_ += lines;
    if (model_->Updating() || scrollPosted_)
        return;
    scrollPosted_ = true;
    QMetaObject::invokeMethod(
        this, [this] { ApplyPendingScroll(); }, Qt::QueuedConnection);
}

void TGListView::ApplyPendingScroll() {
    scrollPosted_ = false;
    if (model_->Updating())
        return; // EndUpdate scrolls
    const int lines = std::exchange(pendingScroll_, 0);
    if (lines == 0)
        return;
    updateGeometries(); // the scroll range follows new rows only at the next layout
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + lines * bar->singleStep());
}

QModelIndex TGListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    // Home and End go to the first and last row, not to the first and last column.
    if (cursorAction == MoveHome || cursorAction == MoveEnd)
        modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(cursorAction, modifiers);
}

void TGListView::BeginUpdate() {
    if (!model_->Updating()) {
        scrollBase_ = verticalScrollBar()->value();
        setUpdatesEnabled(false);
    }
    model_->BeginUpdate();
}

void TGListView::EndUpdate() {
    if (!model_->Updating())
        return;
    model_->EndUpdate();
    if (model_->Updating())
        return;
    setUpdatesEnabled(true);
    updateGeometries();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(scrollBase_ + pendingScroll_ * bar->singleStep());
    pendingScroll_ = 0;
}

void TGListView::SetRows(std::vector<ListRow> rows) {
    Rows().Assign(std::move(rows));
}

void TGListView::SetSourceRows(std::shared_ptr<const RowSource> source,
                               const std::vector<uint32_t>& keys) {
    Rows().AssignSource(std::move(source), keys);
}

void TGListView::SelectRow(int row) {
    if (row < 1 || row > RowCount() || ColumnCount() == 0) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row - 1, 0);
    QItemSelectionModel::SelectionFlags command = QItemSelectionModel::ClearAndSelect;
    if (RowSelect())
        command |= QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(index, command);
    scrollTo(index);
}

bool TGListView::Checked(int row) const {
    return Rows().Checked(row);
}

void TGListView::SetChecked(int row, bool checked) {
    Rows().SetChecked(row, checked);
}

void TGListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment, int tag) {
    AddColumns({TListColumn{caption, width, alignment, tag}});
}

void TGListView::AddColumns(const std::vector<TListColumn>& columns) {
    const int first = ColumnCount();
    model_->AddColumns(columns);
    for (size_t k = 0; k < columns.size(); ++k)
        setColumnWidth(first + static_cast<int>(k), columns[k].width);
}

void TGListView::ClearColumns() {
    model_->ClearColumns();
}

TListColumn TGListView::Column(int index) const {
    TListColumn column = model_->Column(index);
    column.width = columnWidth(index);
    return column;
}

bool TGListView::RowSelect() const {
    return selectionBehavior() == QAbstractItemView::SelectRows;
}

void TGListView::SetRowSelect(bool on) {
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

bool TGListView::ColumnClick() const {
    return horizontalHeader()->sectionsClickable();
}

void TGListView::SetColumnClick(bool on) {
    horizontalHeader()->setSectionsClickable(on);
}

void TGListView::SetHeaderFont(const QFont& font) {
    headerFont_ = font;
    horizontalHeader()->viewport()->update();
}

void TGListView::contextMenuEvent(QContextMenuEvent* event) {
    if (!popupMenu_) {
        event->ignore();
        return;
    }
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = indexAt(viewport()->mapFromGlobal(event->globalPos()));
        if (index.isValid())
            SelectRow(index.row() + 1);
        popupMenu_->popup(event->globalPos());
    } else {
        PopupAtSelection();
    }
    event->accept();
}

void TGListView::PopupAtSelection() {
    // From the keyboard: under the selected row, or at the top of the list.
    const int row = SelectedRow();
    const QPoint local = row > 0 ? visualRect(model_->index(row - 1, 0)).bottomLeft() : QPoint();
    popupMenu_->popup(viewport()->mapToGlobal(local));
}

void TGListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit DblClick();
}

void TGListView::keyPressEvent(QKeyEvent* event) {
    // Space toggles the check box of the current row, whichever column holds the cursor.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && Checkboxes()) {
        const QModelIndex current = currentIndex();
        if (current.isValid()) {
            SetChecked(current.row() + 1, !Checked(current.row() + 1));
            event->accept();
            return;
        }
    }
    // Shift+F10 asks for the menu as the menu key does, for keyboards without one.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier && popupMenu_) {
        PopupAtSelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TGListView::focusInEvent(QFocusEvent* event) {
    // Taking the focus does not make a row current: the first Down key then selects row 1,
    // which the search window relies on.
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}
