// " Enviar Pedido": the order file written from the editor's rows and observations, uploaded,
// and the editor emptied once the server has it.
#include "api/OrderApi.h"
#include "app/Central.h"
#include "controls/GListView.h"
#include "orders/BackupFile.h"
#include "orders/OrderFile.h"
#include "util/Cp1252QString.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>

#include <exception>

using torvel::FromQString;
using torvel::ToQString;

void TFCentral::B_SalvaClick() {
    // The upload lets the window repaint while it waits; a second send must not start then.
    if (Sending)
        return;
    Sending = true;
    struct SendingFlag {
        bool& flag;
        ~SendingFlag() { flag = false; }
    } sending{Sending};

    B_Salva->setEnabled(false);
    const std::string name = torvel::OrderFileName(Ctro, UserId);

    // The observations go on one line, and the memo shows them so.
    const std::string observations = torvel::JoinLineBreaks(FromQString(Memo1->toPlainText()));
    if (observations != FromQString(Memo1->toPlainText()))
        Memo1->setPlainText(ToQString(observations));

    torvel::WriteOrderFile(name, gProd->Rows().RowFileText(), observations,
                           FromQString(Emissao->text()));
    Api().UploadOrder(name);

    // Only a sent order loses its backup: after a failed upload the rows are still on disk.
    std::exception_ptr backupFailure;
    try {
        torvel::DeleteSentBackup();
    } catch (...) {
        backupFailure = std::current_exception();
    }
    Memo1->clear();
    EditMode = false; // its row is gone
    gProd->Clear();
    ItemCounter = 0;
    VLNota->setText("0,00");
    Loja->setEnabled(true);
    Itens->setText("0");
    OBS->setVisible(false);
    Notebook1->setCurrentIndex(0);
    B_ListarClick();
    if (backupFailure)
        std::rethrow_exception(backupFailure);
}
