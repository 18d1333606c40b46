// The backup file of the order being composed: written after every entered item, offered when a
// new order is started.
#include "controls/GListView.h"
#include "orders/BackupFile.h"
#include "orders/OrderEditorPage.h"
#include "orders/PageHost.h"
#include "util/Dialogs.h"

namespace torvel::orders {

void OrderEditorPage::WriteBackup() {
    const int position = host_.ChosenStoreIndex();
    if (position < 0)
        return; // no store, no file to name
    // The current store's file is complete before the other one goes.
    gProd->SaveRows(BackupFileName(position));
    DeleteOtherBackups(position);
}

void OrderEditorPage::OfferBackup() {
    const std::optional<int> position = BackupToRestore(host_.StoreCount());
    if (!position)
        return;
    WarningBox(QStringLiteral("Recuperar  Pedido"), QString::fromUtf8("A T E N Ç Ã O"));
    gProd->LoadRows(BackupFileName(*position));
    // The order goes on under the store it was composed for, as if the user had chosen it: its
    // id is what the lookup, the search and the send use.
    if (host_.ChosenStoreIndex() != *position)
        host_.SelectStore(*position);
}

} // namespace torvel::orders
