// TFCentral, the main window: the store combo and the date line above the two order pages, the
// host of those pages. It keeps start-up, the store check, the keys, the wait window and the
// first-run panel; each page owns its controls and handlers (orders/), and what they share is
// the session.
#pragma once

#include "orders/PageHost.h"
#include "orders/Session.h"

#include <QWidget>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;
class TDrumoEdit;
class TFStatus;

namespace torvel::orders {
class OrderEditorPage;
class OrderListPage;
} // namespace torvel::orders

class TFCentral : public QWidget, public torvel::orders::PageHost {
    Q_OBJECT
public:
    explicit TFCentral(QWidget* parent = nullptr); // builds the window and runs FormCreate
    ~TFCentral() override;

    // What the pages share: the document number, the stores, the chosen store and the user id.
    const torvel::Session& Session() const { return session_; }

    // The wait window with `text`, or none for "".
    void SetWaitMessage(const std::string& text) override;
    bool IsCadastroShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What the pages ask of the window.
    int ChosenStoreIndex() const override;
    int StoreCount() const override;
    void SelectStore(int position) override;
    void LockStore(bool locked) override;
    void ShowListPage() override;
    void ShowEditorPage() override;

    void BuildWindow();
    void BuildFirstRunPanel();
    void ConnectHandlers();
    void ShowFirstRunPanel(bool show);

    void FormCreate();
    void FormShow();
    // Returns true when the key had a meaning for the window.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void LoadConfig();
    void LojaSelect();
    void Button2Click();

    torvel::Session session_;
    bool shown_ = false;

    QComboBox* Loja = nullptr;
    QLabel* LData = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    torvel::orders::OrderListPage* PageDefault = nullptr;
    torvel::orders::OrderEditorPage* PageCadastro = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label18 = nullptr;
    TDrumoEdit* ECNPJ = nullptr;
    QPushButton* Button2 = nullptr;
    TFStatus* Status = nullptr; // the wait window while it exists
};
