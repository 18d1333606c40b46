// The catalogue download of the main window: run after every accepted store check.
#include "api/OrderApi.h"
#include "app/Central.h"
#include "catalogue/CatalogueFile.h"

void TFCentral::BitBtn1Click() {
    try {
        torvel::WriteCatalogue(Api().FetchCatalogueBody(UserId, Ctro));
    } catch (const std::exception&) {
        // Silent by design: the former catalogue file stays as it was.
    }
}
