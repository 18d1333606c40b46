// The six operations of the order server: the address of each request, built verbatim from the
// values the main window holds, and the reading of each reply body (Windows-1252 bytes).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/HttpTransport.h"

namespace torvel {

// The reply of the store check. The whole body is handed back because the window shows it
// whether or not it reads as an id.
struct StoreCheck {
    std::string body;
    std::optional<std::int32_t> userId; // empty: the store was refused

    bool Accepted() const { return userId.has_value(); }
};

// The store check's reading of a body: optional leading blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$", "x" or "0x"; nothing after the digits; within the
// signed 32-bit range.
std::optional<std::int32_t> ReadUserId(std::string_view body);

// One record of an order's items as the server sends it: fields 0 to 8 at least
// (0 item number, 1 product code, 5 quantity, 7 unit price, 8 item total).
using OrderItemRecord = std::vector<std::string>;

// The first field index that the order editor reads (in its order 0, 1, 7, 5, 8) and that the
// record lacks; std::nullopt when the record is complete.
std::optional<int> FirstMissingItemField(const OrderItemRecord& record);

class OrderApi {
public:
    static constexpr std::string_view kDefaultServer = "www.torvel.example";

    // `servidor` is the host, or host:port, of the order server, optionally after "http://" or
    // "https://" (http when absent); empty means kDefaultServer.
    OrderApi(HttpTransport& transport, std::string_view servidor = {});

    // "<scheme>://<host[:port]>/api/torvel/" and the same without a leading "www." label.
    const std::string& BaseA() const { return baseA_; }
    const std::string& BaseB() const { return baseB_; }

    // Throws TransportError when the request fails; a body that is not an id is a refusal in
    // the result, not an exception.
    StoreCheck CheckStore(const std::string& crf, const std::string& ctro);

    // The catalogue reply as it came; the catalogue file is made from it.
    std::string FetchCatalogueBody(std::int32_t userId, const std::string& ctro);

    // The order list records, each trimmed; `filter` is appended to the query as it is
    // ("&Emissao=<m>" and/or "&Situacao=<s>", or empty).
    std::vector<std::string> ListOrders(std::int32_t userId, const std::string& ctro,
                                        std::string_view filter = {});

    // Asks the server to cancel the order; the reply body is not read.
    void CancelOrder(std::int32_t userId, const std::string& doc, const std::string& ctro);

    // Calls `each` for every record of the order's items, in order. At the first record with
    // fewer than nine fields throws ListIndexError ("List index out of bounds (<n>)") after the
    // records before it were handed over.
    void FetchOrderItems(const std::string& doc, const std::string& ctro,
                         const std::function<void(const OrderItemRecord&)>& each);

    // Posts the order file (named by its bare name, in the current directory) as the form
    // field "Arquivo" with the part content type "text/text".
    void UploadOrder(const std::string& fileName);

private:
    HttpTransport& transport_;
    std::string baseA_;
    std::string baseB_;
};

} // namespace torvel
