// TFProcura_Prod, the product search window: loads the catalogue when it is created, lists the
// current store's products that match a search by name, brand, reference or code, and hands the
// chosen product's code back to the main window.
#pragma once

#include "catalogue/ProductFilter.h"
#include "catalogue/ProductTable.h"

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QFrame;
class QKeyEvent;
class QLabel;
class TFloatEdit;
class TGListView;

namespace torvel {
// Where a window of outer size `outer` wanted at `wanted` goes so that it lies inside `area`
// (the screen's free area): moved only as far as needed; a too large window keeps its top-left
// corner inside.
QPoint KeepOnScreen(QPoint wanted, QSize outer, const QRect& area);
} // namespace torvel

class TFProcura_Prod : public QDialog {
    Q_OBJECT
public:
    // Builds the controls and runs FormCreate, which loads the catalogue of the current
    // directory (failures are shown with the error box; the window still opens).
    explicit TFProcura_Prod(QWidget* parent = nullptr);
    ~TFProcura_Prod() override;

    // Only products whose CTRO is exactly this text are listed.
    std::string StoreId;
    // The chosen product's ID, at most 10 characters; empty when no product was chosen.
    std::string ChosenProductId;

    QLabel* Label5 = nullptr;
    TGListView* gLista = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label6 = nullptr;
    QFrame* Digitando = nullptr;
    QFrame* Shape1 = nullptr;
    QLabel* LTitulo = nullptr;
    TFloatEdit* FProcura = nullptr;

    void FormCreate();
    // Window-level keys; true when the key was taken.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // Opens the typing panel in a mode, or closes it (None).
    void SetSearchMode(torvel::SearchMode mode);
    bool FProcuraKeyDown(QKeyEvent* event);
    void FProcuraExit();
    // Throws FilterError (nothing changed) when the filter cannot be read.
    void ApplySearch();
    // Refills the list with these rows of the table.
    void FillList(const std::vector<uint32_t>& rows);
    void ChooseProduct();
    void gListaDblClick();

    // The mode whose name the panel's title shows; None while the panel is closed.
    torvel::SearchMode CurrentSearchMode() const;
    // Whether the window sees keys before the focused control (off while the panel is open).
    bool KeyPreview() const { return keyPreview_; }
    const torvel::ProductTable& Table() const { return *table_; }

public slots:
    // Every way of closing other than ChooseProduct hands back no product.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void CaretToEnd();

    // Shared with the list, which reads the listed products' fields from it.
    std::shared_ptr<torvel::ProductTable> table_ = std::make_shared<torvel::ProductTable>();
    bool keyPreview_ = true;
};
