// The backup file of the order being composed: written after every entered item, offered when a
// new order is started.
#include "app/Central.h"
#include "controls/GListView.h"
#include "orders/BackupFile.h"
#include "orders/EditorSteps.h"
#include "util/Dialogs.h"

#include <QComboBox>

namespace torvel::orders {

void WriteBackup(TFCentral& w) {
    const int position = w.ChosenStoreIndex();
    if (position < 0)
        return; // no store, no file to name
    // The current store's file is complete before the other one goes.
    w.gProd->SaveRows(BackupFileName(position));
    DeleteOtherBackups(position);
}

void OfferBackup(TFCentral& w) {
    const std::optional<int> position = BackupToRestore(w.Loja->count());
    if (!position)
        return;
    WarningBox(QStringLiteral("Recuperar  Pedido"), QString::fromUtf8("A T E N Ç Ã O"));
    w.gProd->LoadRows(BackupFileName(*position));
    if (w.ChosenStoreIndex() != *position) {
        // The order goes on under the store it was composed for, as if the user had chosen it:
        // its id is what the lookup, the search and the send use.
        w.Loja->setCurrentIndex(*position);
        w.LojaSelect();
    }
}

} // namespace torvel::orders
