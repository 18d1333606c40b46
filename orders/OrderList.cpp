// The order list page's handlers: the refresh with the filters chosen, " Listar", the catalogue
// download, and the store check's marks on the page.
#include "api/OrderApi.h"
#include "catalogue/CatalogueDownload.h"
#include "controls/GListView.h"
#include "orders/OrderListFilter.h"
#include "orders/OrderListPage.h"
#include "orders/PageHost.h"
#include "orders/Session.h"
#include "util/Cp1252QString.h"
#include "util/uFuncoes.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace torvel::orders {

void OrderListPage::StoreCheckStarted() {
    B_Novo->setEnabled(false);
    Panel1->setVisible(false);
}

void OrderListPage::ShowCheckReply(const std::string& body) {
    Label3->setText(ToQString("Seu ID : " + body));
}

void OrderListPage::StoreAccepted() {
    B_Novo->setEnabled(true);
}

void OrderListPage::SetMonth(int month) {
    ComboBox->setCurrentIndex(month);
}

void OrderListPage::B_ListarClick() {
    host_.SetWaitMessage("Aguarde sincronizando...");
    RefreshOrderList();
    host_.SetWaitMessage("");
}

void OrderListPage::RefreshOrderList() {
    std::vector<std::string> records;
    try {
        records = session_.Api().ListOrders(
            session_.UserId, session_.Ctro,
            OrderListFilter(ComboBox->currentIndex(), qSituacao->currentIndex()));
    } catch (const std::exception&) {
        return; // the list keeps its former rows and nothing is said
    }
    gPedido->Clear();
    gPedido->BeginUpdate();
    for (const auto& record : records)
        gPedido->AddRow(Trim(record), 0);
    gPedido->EndUpdate();
}

void OrderListPage::BitBtn1Click() {
    DownloadCatalogue(session_.Api(), session_.UserId, session_.Ctro);
}

} // namespace torvel::orders
