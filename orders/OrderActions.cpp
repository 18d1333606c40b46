// The actions of the order list's popup menu: cancel an order on the server, and duplicate or
// view one in the order editor.
#include "api/OrderApi.h"
#include "app/Central.h"
#include "catalogue/CatalogueFile.h"
#include "controls/GListView.h"
#include "orders/OrderLines.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/Numbers.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include <exception>

using torvel::ToQString;

void TFCentral::CancelarPedido1Click() {
    const int row = gPedido->SelectedRow();
    const std::string doc = gPedido->GetCell(1, row);
    const std::string situation = gPedido->GetCell(3, row);
    if (doc.empty() || situation == "Em Verificacao" || situation == "Normal") {
        torvel::ShowMessage(QStringLiteral("Nao pode Ser Cancelado "));
        return;
    }
    try {
        Api().CancelOrder(UserId, doc, Ctro);
    } catch (const std::exception&) {
        return; // the list stays as it was and nothing is said
    }
    RefreshOrderList();
}

void TFCentral::DuplicarPedido1Click() {
    fillOrderEditorFromServer(true);
}

void TFCentral::VisualizarPedido1Click() {
    fillOrderEditorFromServer(false);
}

void TFCentral::fillOrderEditorFromServer(bool duplicate) {
    EditMode = false; // the rows are replaced
    const std::string doc = gPedido->GetCell(1, gPedido->SelectedRow());
    std::exception_ptr failure;
    try {
        gProd->Clear();
        Api().FetchOrderItems(doc, Ctro, [this](const torvel::OrderItemRecord& record) {
            gProd->AddRow(torvel::ItemRowFromRecord(record), -1);
        });
        torvel::FillDescriptions(gProd->Rows(), torvel::CatalogueLoad());
    } catch (...) {
        failure = std::current_exception();
    }
    // The count and the total describe the rows shown, also when the filling stopped early.
    Itens->setText(QString::number(gProd->RowCount()));
    VLNota->setText(ToQString(torvel::FormatAmount(gProd->SumColumn(6, false))));
    Notebook1->setCurrentIndex(1);
    B_Lancar->setEnabled(duplicate);
    B_Salva->setEnabled(duplicate);
    if (failure)
        std::rethrow_exception(failure);
}
