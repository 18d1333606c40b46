// The order server's six operations as one function from a request to a reply, free of sockets so
// that tests and fuzzers can call it directly.
#pragma once

#include "server/ServerDb.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace torvel::server {

struct Request {
    std::string method; // "GET", "POST", ...
    std::string target; // path and query, as received
    std::string contentType;
    std::string body;
};

struct Response {
    int status = 200;
    std::string body; // Windows-1252 text
};

// Answers one request. now is the server's clock (the month filter of the order list uses it).
// Never throws: bad requests get 4xx, storage failures 500.
Response HandleRequest(Database& db, const Request& request, std::time_t now);

// A client error with the status and the short text that goes into the reply body.
struct BadRequest : std::runtime_error {
    BadRequest(int status, const std::string& text) : std::runtime_error(text), status(status) {}
    int status;
};

// The query's key/value pairs in order, cut at "&" and at the first "=", nothing decoded: the
// client sends values such as "12.345.678/0001-95" verbatim.
using Query = std::vector<std::pair<std::string, std::string>>;
Query ParseQuery(std::string_view query);

// The content and file name of the part named field of a multipart/form-data body, the boundary
// taken from contentType. Throws BadRequest when the body is not such a form or has no such part.
struct FilePart {
    std::string fileName;
    std::string content;
};
FilePart ExtractFilePart(std::string_view contentType, std::string_view body,
                         std::string_view field);

// The order file: item lines "n|code|description|price|quantity|total" (numbers with a decimal
// comma, extra empty cells allowed) and a last line "OBS|observations|DD/MM/YYYY HH:MM".
// Throws BadRequest naming the faulty line.
struct OrderFile {
    std::vector<OrderItem> items;
    std::string obs;
    std::string issued; // "YYYY-MM-DD HH:MM"
};
OrderFile ParseOrderFile(std::string_view content);

// "21,90", "21.9", "-3", "1,5" as a fixed-point number with the given count of decimals (rounded
// half away from zero); nullopt for anything else.
std::optional<std::int64_t> ParseDecimal(std::string_view text, int decimals);

} // namespace torvel::server
