#include "catalogue/CatalogueDownload.h"

#include "api/OrderApi.h"
#include "catalogue/CatalogueFile.h"

#include <exception>
#include <string>

namespace torvel {

void DownloadCatalogue(OrderApi& api, int32_t userId, std::string_view ctro) {
    try {
        WriteCatalogue(api.FetchCatalogueBody(userId, std::string(ctro)));
    } catch (const std::exception&) {
        // The former catalogue file stays as it was, and nothing is said.
    }
}

} // namespace torvel
