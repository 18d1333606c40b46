// The order list page: the filters, the refresh and the " Listar" button.
#include "api/OrderApi.h"
#include "app/Central.h"
#include "controls/GListView.h"
#include "util/uFuncoes.h"

#include <QComboBox>

std::string TFCentral::OrderListFilter() const {
    std::string filter;
    int month = ComboBox->currentIndex();
    if (month >= 0 && month < 12)
        filter += "&Emissao=" + std::to_string(month + 1);
    int situation = qSituacao->currentIndex();
    if (situation >= 0 && situation < 3)
        filter += "&Situacao=" + std::to_string(situation);
    return filter;
}

void TFCentral::B_ListarClick() {
    SetWaitMessage("Aguarde sincronizando...");
    RefreshOrderList();
    SetWaitMessage("");
}

void TFCentral::RefreshOrderList() {
    std::vector<std::string> records;
    try {
        records = Api().ListOrders(UserId, Ctro, OrderListFilter());
    } catch (const std::exception&) {
        return; // the list keeps its former rows and nothing is said
    }
    gPedido->Clear();
    gPedido->BeginUpdate();
    for (const auto& record : records)
        gPedido->AddRow(torvel::Trim(record), 0);
    gPedido->EndUpdate();
}
