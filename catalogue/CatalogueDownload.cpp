// The catalogue download of the main window: run after every accepted store check, and by its
// button on the order list page (hidden).
#include "api/OrderApi.h"
#include "app/Central.h"
#include "catalogue/CatalogueFile.h"

void TFCentral::connectCatalogueDownload() {
    wireClick(BitBtn1, &TFCentral::BitBtn1Click);
}

void TFCentral::BitBtn1Click() {
    try {
        torvel::WriteCatalogue(Api().FetchCatalogueBody(UserId, Ctro));
    } catch (const std::exception&) {
        // Silent by design: the former catalogue file stays as it was.
    }
}
