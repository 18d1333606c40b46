#include "api/OrderApi.h"

#include <cstdint>

#include "util/uFuncoes.h"

namespace torvel {

namespace {

constexpr std::string_view kPath = "/api/torvel/";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The host of base B: a leading "www." label dropped, when a name remains after it.
std::string WithoutWww(std::string_view server) {
    if (server.size() > 4 && (server.substr(0, 4) == "www." || server.substr(0, 4) == "WWW.") &&
        server[4] != ':')
        return std::string(server.substr(4));
    return std::string(server);
}

} // namespace

std::optional<std::int32_t> ReadUserId(std::string_view body) {
    std::size_t i = 0;
    while (i < body.size() && body[i] == ' ')
        ++i;
    bool negative = false;
    if (i < body.size() && (body[i] == '+' || body[i] == '-'))
        negative = body[i++] == '-';

    int base = 10;
    if (i < body.size() && (body[i] == '$' || body[i] == 'x' || body[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < body.size() && body[i] == '0' &&
               (body[i + 1] == 'x' || body[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == body.size())
        return std::nullopt; // no digits

    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < body.size(); ++i) {
        int digit = base == 16 ? HexValue(body[i])
                               : (body[i] >= '0' && body[i] <= '9' ? body[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt; // anything after the digits refuses
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit)
            return std::nullopt;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<int> FirstMissingItemField(const OrderItemRecord& record) {
    for (int index : {0, 1, 7, 5, 8})
        if (static_cast<std::size_t>(index) >= record.size())
            return index;
    return std::nullopt;
}

OrderApi::OrderApi(HttpTransport& transport, std::string_view servidor) : transport_(transport) {
    std::string server = Trim(servidor);
    if (server.empty())
        server = std::string(kDefaultServer);
    // An optional scheme in front of the host; none means http.
    std::string scheme = "http://";
    if (auto end = server.find("://"); end != std::string::npos && end < server.find('/')) {
        scheme.clear();
        for (char c : server.substr(0, end + 3))
            scheme += AsciiLower(c);
        server.erase(0, end + 3);
    }
    baseA_ = scheme + server + std::string(kPath);
    baseB_ = scheme + WithoutWww(server) + std::string(kPath);
}

StoreCheck OrderApi::CheckStore(const std::string& crf, const std::string& ctro) {
    StoreCheck check;
    check.body = transport_.Get(baseA_ + "pedidos.php?ID=" + crf + "&CTRO=" + ctro);
    check.userId = ReadUserId(check.body);
    return check;
}

std::string OrderApi::FetchCatalogueBody(std::int32_t userId, const std::string& ctro) {
    return transport_.Get(baseA_ + "pedidos.php?filtro=itens&valor=" + std::to_string(userId) +
                          "&CTRO=" + ctro);
}

std::vector<std::string> OrderApi::ListOrders(std::int32_t userId, const std::string& ctro,
                                              std::string_view filter) {
    std::string body =
        transport_.Get(baseA_ + "pedidos.php?filtro=ctro&valor=" + std::to_string(userId) +
                       "&CTRO=" + ctro + std::string(filter));
    std::vector<std::string> records = SplitAt(body, ';');
    for (std::string& record : records)
        record = Trim(record);
    return records;
}

void OrderApi::CancelOrder(std::int32_t userId, const std::string& doc, const std::string& ctro) {
    transport_.Get(baseB_ + "pedidos.php?filtro=update&valor=" + std::to_string(userId) + "-" +
                   doc + "-2-" + ctro);
}

void OrderApi::FetchOrderItems(const std::string& doc, const std::string& ctro,
                               const std::function<void(const OrderItemRecord&)>& each) {
    std::string body = transport_.Get(baseB_ + "pedidos_1.php?Pedido=" + doc + "&CTRO=" + ctro);
    for (const std::string& record : SplitAt(body, ';')) {
        OrderItemRecord fields = SplitAt(record, '|');
        if (auto missing = FirstMissingItemField(fields))
            throw ListIndexError(*missing);
        each(fields);
    }
}

void OrderApi::UploadOrder(const std::string& fileName) {
    transport_.PostFile(baseA_ + "upload.php", "Arquivo", fileName, "text/text");
}

} // namespace torvel
