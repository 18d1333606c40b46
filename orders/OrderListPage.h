// The order list page of the main window ("Default"): the filters, the store's orders with the
// popup menu of the order actions, and the buttons under them. It owns its controls and
// handlers; what it needs of the window goes through PageHost, what it asks of the editor goes
// out as signals.
#pragma once

#include <QWidget>
#include <string>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class TGListView;

namespace torvel {
class Session;
}

namespace torvel::orders {

class PageHost;

// The month filter's entries, January first (UTF-8); the date line names the month with them.
inline constexpr const char* kMonthNames[] = {"Janeiro",  "Fevereiro", "Março",    "Abril",
                                              "Maio",     "Junho",     "Julho",    "Agosto",
                                              "Setembro", "Outubro",   "Novembro", "Dezembro"};

class OrderListPage : public QWidget {
    Q_OBJECT
public:
    OrderListPage(Session& session, PageHost& host, QWidget* parent = nullptr);

    // The store check's steps on this page: before the request, the server's reply (shown
    // whatever it says), and the acceptance.
    void StoreCheckStarted();
    void ShowCheckReply(const std::string& body);
    void StoreAccepted();
    // Reloads the orders with the filters chosen; a failure leaves the list as it was.
    void RefreshOrderList();
    // " Listar": the same under the wait window.
    void B_ListarClick();
    // Downloads the catalogue of the chosen store (the hidden "Atualizar Itens").
    void BitBtn1Click();
    // The month filter: 0 for January ... 11.
    void SetMonth(int month);

signals:
    void newOrderRequested();
    // The order `document` of the list, to be shown in the editor: as a copy to send again, or
    // only to be looked at.
    void openOrder(const std::string& document, bool duplicate);

private:
    void Build();
    void Connect();
    void CancelarPedido1Click();
    void DuplicarPedido1Click();
    void VisualizarPedido1Click();
    std::string SelectedDocument() const;

    Session& session_;
    PageHost& host_;

    QLabel* Panel1 = nullptr; // covers the page until a store is chosen
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox = nullptr;
    QComboBox* qSituacao = nullptr;
    QPushButton* B_Listar = nullptr;
    QLabel* Label3 = nullptr;
    TGListView* gPedido = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* CancelarPedido1 = nullptr;
    QAction* DuplicarPedido1 = nullptr;
    QAction* VisualizarPedido1 = nullptr;
    QPushButton* B_Altera = nullptr;
    QPushButton* B_Novo = nullptr;
    QPushButton* BitBtn1 = nullptr;
};

} // namespace torvel::orders
