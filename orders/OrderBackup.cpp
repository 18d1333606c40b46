// The backup file of the order being composed: written after every entered item, offered when a
// new order is started.
#include "app/Central.h"
#include "controls/GListView.h"
#include "orders/BackupFile.h"
#include "util/Dialogs.h"

#include <QComboBox>

void TFCentral::WriteBackup() {
    const int position = ChosenStoreIndex();
    if (position < 0)
        return; // no store, no file to name
    // The current store's file is complete before the other one goes.
    gProd->SaveRows(torvel::BackupFileName(position));
    torvel::DeleteOtherBackups(position);
}

void TFCentral::OfferBackup() {
    const std::optional<int> position = torvel::BackupToRestore(Loja->count());
    if (!position)
        return;
    torvel::WarningBox(QStringLiteral("Recuperar  Pedido"), QString::fromUtf8("A T E N Ç Ã O"));
    gProd->LoadRows(torvel::BackupFileName(*position));
    if (ChosenStoreIndex() != *position) {
        // The order goes on under the store it was composed for, as if the user had chosen it:
        // its id is what the lookup, the search and the send use.
        Loja->setCurrentIndex(*position);
        LojaSelect();
    }
}
