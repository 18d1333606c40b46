// TFCentral, the main window: the store combo above two pages, the order list and the order
// editor. app/ keeps the window, start-up, the store check, the keys, the wait window and the
// first-run panel; each page is built, wired and handled in orders/ (OrderListPage,
// OrderEditorPage and their handlers), the catalogue download and F3 in catalogue/.
#pragma once

#include "app/Config.h"
#include "orders/OrderEditorPage.h"
#include "orders/OrderListPage.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace torvel {
class HttpTransport;
class OrderApi;
} // namespace torvel

class TDrumoEdit;
class TFStatus;

// The state of a run of the main window, by its design names. Only the window's handlers change
// it; everyone else reads it through TFCentral::State().
struct CentralRunState {
    std::string Crf;
    std::vector<torvel::StoreEntry> Stores;
    std::string Servidor;
    std::string Certificados; // CA certificates trusted for https besides the system's
    std::string Proxy;        // the PROXY key; "" for the environment's proxy variables
    std::string Ctro;
    int32_t UserId = 0;
    bool EditMode = false;
    int EditRow = 0;
    int ItemCounter = 0;
    std::string ChosenProductId;
    bool Sending = false; // a send in progress cannot be started again
};

// The page controls are inherited from their pages' groups, so that they are reached by their
// design names; the run state privately, so that the handlers use it by name and no one else
// writes it.
class TFCentral : public QWidget,
                  public torvel::orders::OrderListControls,
                  public torvel::orders::OrderEditorControls,
                  private CentralRunState {
    Q_OBJECT
public:
    explicit TFCentral(QWidget* parent = nullptr); // builds the controls and runs FormCreate
    ~TFCentral() override;

    const CentralRunState& State() const { return *this; }

    torvel::HttpTransport& Transport();
    torvel::OrderApi& Api();

    // Controls outside the pages.
    QComboBox* Loja = nullptr;
    QLabel* LData = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label18 = nullptr;
    TDrumoEdit* ECNPJ = nullptr;
    QPushButton* Button2 = nullptr;

    TFStatus* Status = nullptr; // the wait window while it exists

    // Start-up, store check, keys (app/).
    void FormCreate();
    void FormShow();
    // Returns true when the key had a meaning for the window.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void LoadConfig();
    void LojaSelect();
    void SetWaitMessage(const std::string& text);
    void Button2Click();

    // Order list (orders/).
    void B_ListarClick();
    void RefreshOrderList();
    std::string OrderListFilter() const;

    // Order editor, backups, sending, actions (orders/).
    void B_NovoClick();
    void cProdExit();
    void LookupProduct();
    void QtdExit();
    void B_LancarClick();
    void A1Click();
    void ExcluirItem1Click();
    void B_CancelaClick();
    void ShowObservations();
    void Button1Click();
    void B_VoltaClick();
    void B_SalvaClick();
    void CancelarPedido1Click();
    void DuplicarPedido1Click();
    void VisualizarPedido1Click();

    // Catalogue (catalogue/).
    void BitBtn1Click();
    void OpenProductSearch(); // F3

    // Runs a handler; a failure that it lets through goes to the error box.
    void Run(const std::function<void()>& handler);

    bool IsCadastroShown() const;
    int ChosenStoreIndex() const; // position of the entry that Loja shows, -1 when none

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildWindow();
    void buildFirstRunPanel();
    void connectHandlers();
    // A click or a menu choice runs its handler through Run.
    void wireClick(QPushButton* button, void (TFCentral::*handler)());
    void wireAction(QAction* action, void (TFCentral::*handler)());

    // The pages (orders/) and the catalogue download's button (catalogue/).
    void buildListPage();
    void connectListPage();
    void buildEditorPage();
    void connectEditorPage();
    void connectCatalogueDownload();

    // Steps that several order handlers share (orders/).
    // VLNota := the sum of cell 6 of every row of gProd, from "0,00".
    void RecomputeOrderTotal();
    // Writes the backup file of the chosen store with every row of gProd, then deletes the
    // other recoverable one.
    void WriteBackup();
    // Offers the recoverable backup, if any: the warning box, its rows appended to gProd, and
    // its store chosen in Loja (running the store selection when it is another store).
    void OfferBackup();
    void fillOrderEditorFromServer(bool duplicate);

    std::unique_ptr<torvel::HttpTransport> transport_;
    std::unique_ptr<torvel::OrderApi> api_;
    bool shown_ = false;
};
