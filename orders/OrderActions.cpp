// The actions of the order list's popup menu: cancel an order on the server, and duplicate or
// view one, which the editor page fills from the server.
#include "api/OrderApi.h"
#include "catalogue/CatalogueFile.h"
#include "controls/GListView.h"
#include "orders/OrderEditorPage.h"
#include "orders/OrderLines.h"
#include "orders/OrderListPage.h"
#include "orders/PageHost.h"
#include "orders/Session.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"
#include "util/Numbers.h"

#include <QLabel>
#include <QPushButton>

#include <exception>

namespace torvel::orders {

std::string OrderListPage::SelectedDocument() const {
    return gPedido->GetCell(1, gPedido->SelectedRow());
}

void OrderListPage::CancelarPedido1Click() {
    const int row = gPedido->SelectedRow();
    const std::string doc = gPedido->GetCell(1, row);
    const std::string situation = gPedido->GetCell(3, row);
    if (doc.empty() || situation == "Em Verificacao" || situation == "Normal") {
        ShowMessage(QStringLiteral("Nao pode Ser Cancelado "));
        return;
    }
    try {
        session_.Api().CancelOrder(session_.UserId, doc, session_.Ctro);
    } catch (const std::exception&) {
        return; // the list stays as it was and nothing is said
    }
    RefreshOrderList();
}

void OrderListPage::DuplicarPedido1Click() {
    emit openOrder(SelectedDocument(), true);
}

void OrderListPage::VisualizarPedido1Click() {
    emit openOrder(SelectedDocument(), false);
}

void OrderEditorPage::OpenOrder(const std::string& document, bool duplicate) {
    EditMode = false; // the rows are replaced
    std::exception_ptr failure;
    try {
        gProd->Clear();
        session_.Api().FetchOrderItems(document, session_.Ctro,
                                       [this](const OrderItemRecord& record) {
                                           gProd->AddRow(ItemRowFromRecord(record), -1);
                                       });
        FillDescriptions(gProd->Rows(), CatalogueLoad());
    } catch (...) {
        failure = std::current_exception();
    }
    // The count and the total describe the rows shown, also when the filling stopped early.
    ShowItemCount();
    VLNota->setText(ToQString(FormatAmount(gProd->SumColumn(6, false))));
    host_.ShowEditorPage();
    B_Lancar->setEnabled(duplicate);
    B_Salva->setEnabled(duplicate);
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace torvel::orders
