// TFCentral, the main window: the store combo, the order list page and the order editor page.
// Its handlers are split over files by subsystem: app/ (start-up, store check, keys, first run),
// orders/ (order list, editor, backups, sending, actions), catalogue/ (download, product search).
#pragma once

#include "app/Config.h"

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
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace torvel {
class HttpTransport;
class OrderApi;
} // namespace torvel

class TDrumoEdit;
class TFloatEdit;
class TFStatus;
class TGListView;

class TFCentral : public QWidget {
    Q_OBJECT
public:
    explicit TFCentral(QWidget* parent = nullptr); // builds the controls and runs FormCreate
    ~TFCentral() override;

    // State of the run.
    std::string Crf;
    std::vector<torvel::StoreEntry> Stores;
    std::string Servidor;
    std::string Ctro;
    int32_t UserId = 0;
    bool EditMode = false;
    int EditRow = 0;
    int ItemCounter = 0;
    std::string ChosenProductId;
    bool Sending = false; // a send in progress cannot be started again

    torvel::HttpTransport& Transport();
    torvel::OrderApi& Api();

    // Controls outside the pages.
    QComboBox* Loja = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label18 = nullptr;
    TDrumoEdit* ECNPJ = nullptr;
    QPushButton* Button2 = nullptr;

    // Page "Default": the order list.
    QWidget* PageDefault = nullptr;
    QLabel* Panel1 = nullptr;
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
    QLabel* LData = nullptr;

    // Page "Cadastro": the order editor.
    QWidget* PageCadastro = nullptr;
    QLabel* Numero = nullptr;
    QLabel* Emissao = nullptr;
    TFloatEdit* cProd = nullptr;
    QLabel* Descricao = nullptr;
    QLabel* UND = nullptr;
    QLabel* vUnit = nullptr;
    TFloatEdit* Qtd = nullptr;
    QLabel* vTotal = nullptr;
    QPushButton* B_Lancar = nullptr;
    TGListView* gProd = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* A1 = nullptr;
    QAction* ExcluirItem1 = nullptr;
    QLabel* Itens = nullptr;
    QLabel* VLNota = nullptr;
    QPushButton* B_Salva = nullptr;
    QPushButton* B_Cancela = nullptr;
    QPushButton* B_Volta = nullptr;
    QFrame* OBS = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;

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
    void buildListPage();
    void buildEditorPage();
    void buildFirstRunPanel();
    void connectHandlers();
    void connectOrderHandlers(); // orders/
    void fillOrderEditorFromServer(bool duplicate);

    std::unique_ptr<torvel::HttpTransport> transport_;
    std::unique_ptr<torvel::OrderApi> api_;
    bool shown_ = false;
};
