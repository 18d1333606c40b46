// The order editor page of the main window ("Cadastro"): the entry line, the items with their
// popup menu, the totals, the buttons and the observations panel. It owns its controls, the
// state of the order being composed and its handlers; what it needs of the window goes through
// PageHost, a sent order is announced as a signal.
#pragma once

#include <QWidget>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TFloatEdit;
class TGListView;

namespace torvel {
class Session;
}

namespace torvel::orders {

class PageHost;

class OrderEditorPage : public QWidget {
    Q_OBJECT
public:
    OrderEditorPage(Session& session, PageHost& host, QWidget* parent = nullptr);

    // " Novo Pedido." of the list page.
    void B_NovoClick();
    // Duplicate or view: the items of the order `document` from the server.
    void OpenOrder(const std::string& document, bool duplicate);
    // F3: the product search window, whose choice is looked up as if typed.
    void OpenProductSearch();
    // F4 and Esc: the observations panel; Esc answers whether the panel was open.
    void ShowObservations();
    bool CloseObservations();
    // The issue date and time of the order, "DD/MM/YYYY HH:MM".
    void SetIssueDate(const QString& text);

signals:
    // The server has the order; the editor is empty again.
    void orderSent();

private:
    struct Captions; // the captions and legends of the page, which no handler reads
    void Build();
    void LayOut(const Captions& captions);
    void Connect();

    void cProdExit();
    void LookupProduct();
    void QtdExit();
    // Qtd's value, a quantity below 0,01 having become 1 in the field first.
    double EnteredQuantity();
    void B_LancarClick();
    // The entry texts of an item appended as a new row, as "OK" enters an item that alters no
    // row; the backup is left to the caller.
    void AddItem(const std::string& code, const std::string& description, const std::string& price,
                 const std::string& quantity, const std::string& total);
    void A1Click();
    void ExcluirItem1Click();
    void B_CancelaClick();
    void Button1Click();
    void B_VoltaClick();
    void B_SalvaClick();

    // VLNota := the sum of cell 6 of every row of gProd, from "0,00".
    void RecomputeOrderTotal();
    void ShowItemCount();
    // The entry line emptied for the next item, with `quantity` in Qtd; the focus to cProd.
    void ClearEntry(const char* quantity);
    // What a screen reader hears when the focus returns to cProd: the row just entered or
    // written back, and the order after it. A reader reads only what gets the focus: the labels
    // that show the same are never read by themselves.
    void SayItem(int row, bool altered);
    // What was said of an order does not carry over to the next one.
    void ForgetSaid();
    // The order emptied once it is sent or cancelled: no rows, no total, the store free again.
    void ResetOrder();
    // Writes the backup file of the chosen store with every row of gProd, then deletes the
    // other recoverable one.
    void WriteBackup();
    // Offers the recoverable backup, if any: the warning box, its rows appended to gProd, and
    // its store chosen (running its check when it is another store).
    void OfferBackup();

    // A list of codes and quantities pasted into cProd or dropped as a file on gProd.
    void AcceptLists();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // When the clipboard holds a list and items can be entered: the list entered; else false.
    bool PasteList();
    void DropList(const QString& path);
    // Each line entered as if typed, after one question; one box then tells how many items went
    // in and lists the lines that did not. `text` is Windows-1252.
    void EnterList(const std::string& text, char comma);

    Session& session_;
    PageHost& host_;

    // The order being composed.
    bool EditMode = false;       // a row chosen with "Alterar Produto" is being altered
    int EditRow = 0;             // that row, 1-based
    int ItemCounter = 0;         // 0 while no item was added since the last send or cancel
    bool Sending = false;        // a send in progress cannot be started again
    std::string ChosenProductId; // the search window's choice, "" for none

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
};

} // namespace torvel::orders
