// The catalogue download: the store's products fetched from the order server into the catalogue
// file, after every accepted store check and by the hidden button of the order list.
#pragma once

#include <cstdint>
#include <string_view>

namespace torvel {

class OrderApi;

// Silent by design: on any failure the former catalogue file stays as it was.
void DownloadCatalogue(OrderApi& api, int32_t userId, std::string_view ctro);

} // namespace torvel
