// The order editor's handlers: new order, product lookup, line total, entering, altering and
// deleting items, cancelling the order, the observations panel and going back.
#include "app/Central.h"
#include "catalogue/CatalogueFile.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "orders/OrderLines.h"
#include "util/Cp1252QString.h"
#include "util/Errors.h"
#include "util/Numbers.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>

using torvel::FromQString;
using torvel::ToQString;

namespace {

void ClearEntry(TFCentral& w, const char* quantity) {
    w.cProd->SetText("");
    w.Descricao->clear();
    w.UND->clear();
    w.vUnit->setText("0,00");
    w.Qtd->SetText(quantity);
    w.vTotal->setText("0,00");
    w.cProd->setFocus();
}

void ShowItemCount(TFCentral& w) {
    w.Itens->setText(QString::number(w.gProd->RowCount()));
}

} // namespace

void TFCentral::RecomputeOrderTotal() {
    VLNota->setText("0,00");
    VLNota->setText(ToQString(torvel::OrderTotal(gProd->Rows())));
}

void TFCentral::B_NovoClick() {
    EditMode = false; // the rows being altered are about to go
    gProd->Clear();
    Notebook1->setCurrentIndex(1);
    B_Lancar->setEnabled(true);
    B_Salva->setEnabled(true);
    vUnit->setText("0,00");
    Qtd->SetText("1,00");
    vTotal->setText("0,00");
    OfferBackup();
    RecomputeOrderTotal();
    ShowItemCount(*this);
    // Keyboard users start typing a code at once.
    if (cProd->isVisible() && cProd->isEnabled())
        cProd->setFocus();
}

void TFCentral::cProdExit() {
    const std::string code = cProd->Text();
    if (!code.empty() && code != "0")
        LookupProduct();
}

void TFCentral::LookupProduct() {
    const std::string code = cProd->Text();
    if (code.empty()) {
        cProd->setFocus();
        return;
    }
    const torvel::CatalogueLookup match = torvel::LookupInCatalogue(Ctro, code);
    if (!match.record.empty()) {
        const std::vector<std::string>& product = match.record;
        Descricao->setText(ToQString(product[3]));
        UND->setText(ToQString(product[5]));
        vUnit->setText(ToQString(torvel::CommaDecimal(product[6])));
        Qtd->setFocus();
    }
    if (match.missingField >= 0)
        throw torvel::ListIndexError(match.missingField);
    if (match.record.empty()) {
        UND->clear();
        vUnit->setText("0,00");
        Descricao->setText("Produto Nao Encontrado");
        cProd->setFocus();
    }
}

void TFCentral::QtdExit() {
    if (Descricao->text().isEmpty())
        cProd->setFocus();
    double quantity = Qtd->Value();
    if (quantity < 0.01) {
        Qtd->SetValue(1);
        quantity = Qtd->Value();
    }
    vTotal->setText(ToQString(torvel::LineTotal(quantity, FromQString(vUnit->text()))));
}

void TFCentral::B_LancarClick() {
    const std::string code = cProd->Text();
    if (code == "0" || cProd->TrimmedLength() <= 0)
        return;
    const std::string description = FromQString(Descricao->text());
    const std::string price = FromQString(vUnit->text());
    const std::string quantity = Qtd->Text();
    const std::string total = FromQString(vTotal->text());
    if (EditMode && EditRow >= 1 && EditRow <= gProd->RowCount()) {
        gProd->AddRow(torvel::OrderLineText(gProd->GetCell(1, EditRow), code, description, price,
                                            quantity, total),
                      EditRow);
        RecomputeOrderTotal();
        ShowItemCount(*this);
        ClearEntry(*this, "1,00");
        EditMode = false;
    } else {
        // An alteration whose row is gone enters the item as a new row.
        EditMode = false;
        if (ItemCounter == 0) {
            ItemCounter = 1;
            Loja->setEnabled(false); // the order stays with its store
        }
        gProd->AddRow(torvel::OrderLineText(std::to_string(gProd->RowCount() + 1), code,
                                            description, price, quantity, total),
                      -1);
        VLNota->setText(ToQString(torvel::FormatAmount(
            torvel::ParseNumber(total) + torvel::ParseNumber(FromQString(VLNota->text())))));
        ShowItemCount(*this);
        ClearEntry(*this, "1");
        ++ItemCounter;
    }
    WriteBackup();
}

void TFCentral::A1Click() {
    const int row = gProd->SelectedRow();
    if (gProd->GetCell(1, row).empty())
        return;
    EditMode = true;
    EditRow = row;
    cProd->SetText(gProd->GetCell(2, row));
    Descricao->setText(ToQString(gProd->GetCell(3, row)));
    vUnit->setText(ToQString(gProd->GetCell(4, row)));
    Qtd->SetText(gProd->GetCell(5, row));
    vTotal->setText(ToQString(gProd->GetCell(6, row)));
    cProd->setFocus();
}

void TFCentral::ExcluirItem1Click() {
    const int row = gProd->SelectedRow();
    if (row < 1)
        return;
    EditMode = false; // the row being altered may be the one deleted, or have moved
    gProd->DeleteRow(row);
    gProd->NumberRows(1);
    RecomputeOrderTotal();
    ItemCounter = gProd->RowCount() + 1;
    ShowItemCount(*this);
}

void TFCentral::B_CancelaClick() {
    EditMode = false;
    gProd->Clear();
    ItemCounter = 0;
    VLNota->setText("0,00");
    Loja->setEnabled(true);
    Itens->setText("0");
    B_Lancar->setEnabled(true);
    B_Salva->setEnabled(true);
}

void TFCentral::ShowObservations() {
    OBS->setVisible(true);
    OBS->raise();
    Memo1->setFocus();
}

void TFCentral::Button1Click() {
    OBS->setVisible(false);
    cProd->setFocus();
}

void TFCentral::B_VoltaClick() {
    Notebook1->setCurrentIndex(0);
}
