// " Enviar Pedido": the order file written from the editor's rows and observations, uploaded,
// and the editor emptied once the server has it.
#include "api/OrderApi.h"
#include "controls/GListView.h"
#include "orders/BackupFile.h"
#include "orders/OrderEditorPage.h"
#include "orders/OrderFile.h"
#include "orders/PageHost.h"
#include "orders/Session.h"
#include "util/Cp1252QString.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <exception>

namespace torvel::orders {

void OrderEditorPage::B_SalvaClick() {
    // The upload lets the window repaint while it waits; a second send must not start then.
    if (Sending)
        return;
    Sending = true;
    struct SendingFlag {
        bool& flag;
        ~SendingFlag() { flag = false; }
    } sending{Sending};

    B_Salva->setEnabled(false);
    const std::string name = OrderFileName(session_.Ctro, session_.UserId);

    // The observations go on one line, and the memo shows them so.
    const std::string observations = JoinLineBreaks(FromQString(Memo1->toPlainText()));
    if (observations != FromQString(Memo1->toPlainText()))
        Memo1->setPlainText(ToQString(observations));

    WriteOrderFile(name, gProd->Rows().RowFileText(), observations, FromQString(Emissao->text()));
    session_.Api().UploadOrder(name);

    // Only a sent order loses its backup: after a failed upload the rows are still on disk.
    std::exception_ptr backupFailure;
    try {
        DeleteSentBackup();
    } catch (...) {
        backupFailure = std::current_exception();
    }
    Memo1->clear();
    ResetOrder();
    OBS->setVisible(false);
    host_.ShowListPage();
    emit orderSent(); // the list is refreshed
    if (backupFailure)
        std::rethrow_exception(backupFailure);
}

} // namespace torvel::orders
