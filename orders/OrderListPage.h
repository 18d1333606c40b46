// The controls of the main window's order list page ("Default"): the filters, the list of
// orders with its popup menu, and the buttons under it. Built and wired in OrderListPage.cpp.
#pragma once

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QWidget;
class TGListView;

namespace torvel::orders {

// The month filter's entries, January first (UTF-8); the date line names the month with them.
inline constexpr const char* kMonthNames[] = {"Janeiro",  "Fevereiro", "Março",    "Abril",
                                              "Maio",     "Junho",     "Julho",    "Agosto",
                                              "Setembro", "Outubro",   "Novembro", "Dezembro"};

struct OrderListControls {
    QWidget* PageDefault = nullptr;
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
    QPushButton* BitBtn1 = nullptr; // the catalogue download, wired in catalogue/
};

} // namespace torvel::orders
