// The item model of the report list: its columns, check boxes and row colours over the core row
// model, read on demand so that nothing is stored per shown cell.
#pragma once

#include "controls/Colors.h"
#include "controls/RowList.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

struct TListColumn {
    QString caption; // kept exactly, trailing blanks included
    int width = 50;
    Qt::Alignment alignment = Qt::AlignLeft;
    int tag = 0; // stored for the windows; nothing reads it
};

// The table model over a torvel::RowList. Column 0 shows the row's caption and carries the check
// box; column k shows cell k. Cells beyond the last column are kept but not shown.
class TGListModel : public QAbstractTableModel, private torvel::RowListObserver {
    Q_OBJECT
public:
    explicit TGListModel(QObject* parent = nullptr);
    ~TGListModel() override;

    torvel::RowList& Rows() { return rows_; }
    const torvel::RowList& Rows() const { return rows_; }

    // After the others, in one insertion: the view measures its header once, not per column.
    void AddColumns(const std::vector<TListColumn>& columns);
    void ClearColumns();
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const TListColumn& Column(int index) const { return columns_.at(static_cast<size_t>(index)); }
    void SetColumnCaption(int index, const QString& caption);

    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool on);
    int CorZebra() const { return corZebra_; }
    void SetCorZebra(int color);
    int CheckCor() const { return checkCor_; }
    void SetCheckCor(int color);

    // Between these, row changes are not announced one by one: EndUpdate resets the model once.
    // Calls nest.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateDepth_ > 0; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void RowsAboutToBeInserted(int first, int last) override;
    void RowsInserted() override;
    void RowsAboutToBeRemoved(int first, int last) override;
    void RowsRemoved() override;
    void RowsChanged(int first, int last) override;
    void AboutToReset() override;
    void ResetDone() override;

    QVariant Background(int row) const;
    void AllRowsChanged();

    torvel::RowList rows_;
    std::vector<TListColumn> columns_;
    bool checkboxes_ = false;
    int corZebra_ = torvel::kColorNone;
    int checkCor_ = torvel::kColorNone;
    int updateDepth_ = 0;
};
