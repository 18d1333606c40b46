// F3 of the main window: the product search, whose chosen code goes into the order editor.
#include "app/Central.h"
#include "catalogue/Procura_Prod.h"
#include "controls/FlEdit.h"
#include "util/Dialogs.h"

#include <QComboBox>

void TFCentral::OpenProductSearch() {
    // A fresh window every time: it reads the catalogue file anew.
    TFProcura_Prod search(this);
    // The store that Loja shows, which after a restored backup need not be Ctro.
    const int store = Loja->currentIndex();
    if (store >= 0 && size_t(store) < Stores.size())
        search.StoreId = Stores[size_t(store)].id;
    torvel::ExecModal(search);
    // The window hands its choice back through the main window's field, empty for none.
    ChosenProductId = search.ChosenProductId;
    if (ChosenProductId.empty())
        return;
    cProd->SetText(ChosenProductId);
    LookupProduct();
}
