// The report list of every window that shows rows: a header with columns, one line per row,
// 1-based row and cell access over a RowList, zebra and checked-row colours, check boxes.
// The view reads the rows through a model; no widget item is made per row or cell, so lists of
// a hundred thousand rows fill and scroll at once.
#pragma once

#include "controls/GListModel.h"

#include <QFont>
#include <QMenu>
#include <QPointer>
#include <QTableView>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TGListView : public QTableView {
    Q_OBJECT
public:
    // Grid lines and whole-row selection are on from the start.
    explicit TGListView(QWidget* parent = nullptr);
    ~TGListView() override;

    // Row operations; rows and cells are numbered from 1. Texts are Windows-1252 bytes.
    void Clear();
    int RowCount() const;
    int SelectedRow() const; // 0 when no row is selected
    std::string GetCell(int column, int row) const;
    void SetCell(int column, int row, std::string_view text);
    // row <= 0 appends; otherwise refills that row (a row past the end: nothing happens).
    // Each call scrolls the list down by one line, when the event loop next runs.
    void AddRow(std::string_view values, int row);
    void DeleteRow(int row);
    void NumberRows(int column);
    // A counted row without the cell shows "Erro ao obter soma da coluna.: <column>" and returns
    // the sum of the rows before it.
    double SumColumn(int column, bool checkedOnly);
    // Throws FileError; the old file stays whole when the save fails.
    void SaveRows(const std::string& fileName);
    // Appends; a missing file adds nothing. Throws FileError when the file cannot be read.
    void LoadRows(const std::string& fileName);

    // Bulk filling: drawing is suspended and the view is told about the new rows once, at the
    // outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    // Replaces all rows with one reset.
    void SetRows(std::vector<torvel::ListRow> rows);
    // Replaces all rows with one reset by rows read from `source`, one per key: the list keeps
    // no copies of their texts until a cell is written.
    void SetSourceRows(std::shared_ptr<const torvel::RowSource> source,
                       const std::vector<uint32_t>& keys);

    void SelectRow(int row); // 0 or a row that does not exist clears the selection
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);

    torvel::RowList& Rows() { return model_->Rows(); }
    const torvel::RowList& Rows() const { return model_->Rows(); }
    TGListModel* Model() const { return model_; }

    // Columns, in display order; the first one added is column 0.
    void AddColumn(const QString& caption, int width, Qt::Alignment alignment, int tag = 0);
    // Several at once: the header is measured once for all of them.
    void AddColumns(const std::vector<TListColumn>& columns);
    void ClearColumns();
    int ColumnCount() const { return model_->ColumnCount(); }
    TListColumn Column(int index) const; // width as currently shown

    bool Checkboxes() const { return model_->Checkboxes(); }
    void SetCheckboxes(bool on) { model_->SetCheckboxes(on); }
    int CorZebra() const { return model_->CorZebra(); }
    void SetCorZebra(int color) { model_->SetCorZebra(color); }
    int CheckCor() const { return model_->CheckCor(); }
    void SetCheckCor(int color) { model_->SetCheckCor(color); }
    bool GridLines() const { return showGrid(); }
    void SetGridLines(bool on) { setShowGrid(on); }
    bool RowSelect() const;
    void SetRowSelect(bool on);
    bool ColumnClick() const;
    void SetColumnClick(bool on);

    // Kept with the list; the header is drawn in the list's own font.
    QFont HeaderFont() const { return headerFont_; }
    void SetHeaderFont(const QFont& font);
    // The list's own font.
    QFont GrupoFont() const { return font(); }
    void SetGrupoFont(const QFont& font) { setFont(font); }

    // Shown on a right click (after the row under the mouse is selected), the menu key or
    // Shift+F10. Without one, the request goes on to the parent widget.
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    QMenu* PopupMenu() const { return popupMenu_; }

signals:
    void DblClick();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void ScrollLines(int lines);
    void ApplyPendingScroll();
    void PopupAtSelection();
    void FitRowHeight();

    TGListModel* model_;
    QFont headerFont_;
    QPointer<QMenu> popupMenu_;
    int pendingScroll_ = 0; // lines owed by AddRow, scrolled all at once
    bool scrollPosted_ = false;
    int scrollBase_ = 0; // scroll position when the outermost BeginUpdate ran
};
