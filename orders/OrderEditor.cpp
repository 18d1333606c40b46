// The order editor's handlers: new order, product lookup (typed or found with F3), line total,
// entering, altering and deleting items, cancelling the order, the observations panel and going
// back.
#include "catalogue/CatalogueFile.h"
#include "catalogue/Procura_Prod.h"
#include "controls/Accessibility.h"
#include "controls/FlEdit.h"
#include "controls/GListView.h"
#include "orders/OrderEditorPage.h"
#include "orders/OrderLines.h"
#include "orders/PageHost.h"
#include "orders/Session.h"
#include "orders/SpokenText.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/Errors.h"
#include "util/Numbers.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace torvel::orders {

// The focus goes back to the code first: a reader then hears it arrive there, with what the
// code field says, before the field is emptied.
void OrderEditorPage::ClearEntry(const char* quantity) {
    cProd->setFocus();
    cProd->SetText("");
    Descricao->clear();
    UND->clear();
    vUnit->setText("0,00");
    Qtd->SetText(quantity);
    vTotal->setText("0,00");
    SayOnFocus(Qtd, {});
}

void OrderEditorPage::ShowItemCount() {
    Itens->setText(QString::number(gProd->RowCount()));
}

void OrderEditorPage::SayItem(int row, bool altered) {
    SayOnFocus(cProd,
               ToQString(SpokenItem(gProd->GetCell(1, row), gProd->GetCell(3, row),
                                    gProd->GetCell(5, row), gProd->GetCell(6, row), altered,
                                    FromQString(Itens->text()), FromQString(VLNota->text()))));
}

void OrderEditorPage::ForgetSaid() {
    for (QWidget* field :
         {static_cast<QWidget*>(cProd), static_cast<QWidget*>(Qtd), static_cast<QWidget*>(gProd)})
        SayOnFocus(field, {});
}

void OrderEditorPage::ResetOrder() {
    EditMode = false; // its row is gone
    ForgetSaid();
    gProd->Clear();
    ItemCounter = 0;
    VLNota->setText("0,00");
    host_.LockStore(false);
    Itens->setText("0");
}

void OrderEditorPage::SetIssueDate(const QString& text) {
    Emissao->setText(text);
}

void OrderEditorPage::RecomputeOrderTotal() {
    VLNota->setText("0,00");
    VLNota->setText(ToQString(OrderTotal(gProd->Rows())));
}

void OrderEditorPage::B_NovoClick() {
    EditMode = false; // the rows being altered are about to go
    ForgetSaid();
    gProd->Clear();
    host_.ShowEditorPage();
    B_Lancar->setEnabled(true);
    B_Salva->setEnabled(true);
    vUnit->setText("0,00");
    Qtd->SetText("1,00");
    vTotal->setText("0,00");
    OfferBackup();
    RecomputeOrderTotal();
    ShowItemCount();
    // Keyboard users start typing a code at once.
    if (cProd->isVisible() && cProd->isEnabled())
        cProd->setFocus();
}

void OrderEditorPage::cProdExit() {
    const std::string code = cProd->Text();
    if (!code.empty() && code != "0")
        LookupProduct();
}

void OrderEditorPage::LookupProduct() {
    const std::string code = cProd->Text();
    if (code.empty()) {
        cProd->setFocus();
        return;
    }
    const CatalogueLookup match = LookupInCatalogue(session_.Ctro, code);
    if (!match.record.empty()) {
        const std::vector<std::string>& product = match.record;
        Descricao->setText(ToQString(product[3]));
        UND->setText(ToQString(product[5]));
        vUnit->setText(ToQString(CommaDecimal(product[6])));
        SayOnFocus(cProd, {});
        SayOnFocus(Qtd,
                   ToQString(SpokenLookup(product[3], product[5], FromQString(vUnit->text()))));
        Qtd->setFocus();
    }
    if (match.missingField >= 0)
        throw ListIndexError(match.missingField);
    if (match.record.empty()) {
        UND->clear();
        vUnit->setText("0,00");
        Descricao->setText("Produto Nao Encontrado");
        SayOnFocus(Qtd, {});
        cProd->setFocus();
        // The focus comes back to the code while it was leaving it: it does not move for the
        // reader, who is told what was not found where it is.
        ReportFocusWhenSettled(cProd);
        SayWhileFocused(cProd, Descricao->text());
    }
}

void OrderEditorPage::QtdExit() {
    if (Descricao->text().isEmpty())
        cProd->setFocus();
    vTotal->setText(ToQString(LineTotal(EnteredQuantity(), FromQString(vUnit->text()))));
}

double OrderEditorPage::EnteredQuantity() {
    if (Qtd->Value() < 0.01)
        Qtd->SetValue(1);
    return Qtd->Value();
}

void OrderEditorPage::B_LancarClick() {
    const std::string code = cProd->Text();
    if (code == "0" || cProd->TrimmedLength() <= 0)
        return;
    const std::string description = FromQString(Descricao->text());
    const std::string price = FromQString(vUnit->text());
    const std::string quantity = Qtd->Text();
    const std::string total = FromQString(vTotal->text());
    if (EditMode && EditRow >= 1 && EditRow <= gProd->RowCount()) {
        gProd->AddRow(
            OrderLineText(gProd->GetCell(1, EditRow), code, description, price, quantity, total),
            EditRow);
        RecomputeOrderTotal();
        ShowItemCount();
        SayItem(EditRow, true);
        ClearEntry("1,00");
        EditMode = false;
    } else {
        AddItem(code, description, price, quantity, total);
    }
    WriteBackup();
}

void OrderEditorPage::AddItem(const std::string& code, const std::string& description,
                              const std::string& price, const std::string& quantity,
                              const std::string& total) {
    // An alteration whose row is gone enters the item as a new row.
    EditMode = false;
    if (ItemCounter == 0) {
        ItemCounter = 1;
        host_.LockStore(true); // the order stays with its store
    }
    gProd->AddRow(OrderLineText(std::to_string(gProd->RowCount() + 1), code, description, price,
                                quantity, total),
                  -1);
    VLNota->setText(
        ToQString(FormatAmount(ParseNumber(total) + ParseNumber(FromQString(VLNota->text())))));
    ShowItemCount();
    SayItem(gProd->RowCount(), false);
    ClearEntry("1");
    ++ItemCounter;
}

void OrderEditorPage::A1Click() {
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

void OrderEditorPage::ExcluirItem1Click() {
    const int row = gProd->SelectedRow();
    if (row < 1)
        return;
    EditMode = false; // the row being altered may be the one deleted, or have moved
    gProd->DeleteRow(row);
    gProd->NumberRows(1);
    RecomputeOrderTotal();
    ItemCounter = gProd->RowCount() + 1;
    ShowItemCount();
    // Said where the focus is: on the list when the menu came from the keyboard, on the field
    // that keeps it when it came from a click of the right button.
    QWidget* focused = QApplication::focusWidget();
    SayWhileFocused(
        focused && isAncestorOf(focused) ? focused : gProd,
        ToQString(SpokenDeletion(row, FromQString(Itens->text()), FromQString(VLNota->text()))));
}

void OrderEditorPage::B_CancelaClick() {
    ResetOrder();
    B_Lancar->setEnabled(true);
    B_Salva->setEnabled(true);
}

void OrderEditorPage::ShowObservations() {
    OBS->setVisible(true);
    OBS->raise();
    Memo1->setFocus();
}

void OrderEditorPage::Button1Click() {
    OBS->setVisible(false);
    cProd->setFocus();
}

bool OrderEditorPage::CloseObservations() {
    if (!OBS->isVisibleTo(this))
        return false;
    OBS->setVisible(false);
    if (cProd->isVisible() && cProd->isEnabled())
        cProd->setFocus();
    return true;
}

void OrderEditorPage::B_VoltaClick() {
    host_.ShowListPage();
}

void OrderEditorPage::OpenProductSearch() {
    // A fresh window every time: it reads the catalogue file anew.
    TFProcura_Prod search(window());
    // The store that the combo shows, which after a restored backup need not be Ctro.
    const int store = host_.ChosenStoreIndex();
    if (store >= 0 && size_t(store) < session_.Stores.size())
        search.StoreId = session_.Stores[size_t(store)].id;
    ExecModal(search);
    // The window hands its choice back through ChosenProductId, empty for none.
    ChosenProductId = search.ChosenProductId;
    if (ChosenProductId.empty())
        return;
    cProd->SetText(ChosenProductId);
    LookupProduct();
}

} // namespace torvel::orders
