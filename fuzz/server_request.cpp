// The reference server's request handling: the input as a whole raw request, and as the order
// file of an upload (multipart form) so that the order file reader is reached past the framing.
#include "FuzzSupport.h"
#include "server/DemoData.h"
#include "server/HttpServer.h"

#include <memory>

namespace {

constexpr std::time_t kNow = 1773570600; // 2026-03-15

// Uploads add orders: a fresh database now and then keeps it small.
torvel::server::Database& Db() {
    static std::unique_ptr<torvel::server::Database> db;
    static int uses = 0;
    if (!db || ++uses % 500 == 0) {
        db.reset();
        db = std::make_unique<torvel::server::Database>(":memory:");
        torvel::server::SeedDemo(*db, kNow);
    }
    return *db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvel::server;
    const std::string_view text = torvel::fuzz::Text(data, size);
    std::string reply = HandleRawRequest(Db(), text, kNow);
    FUZZ_CHECK(reply.rfind("HTTP/1.", 0) == 0);

    const std::string boundary = "--------031526103000000";
    std::string body = "--" + boundary +
                       "\r\nContent-Disposition: form-data; name=\"Arquivo\"; "
                       "filename=\"34+1021.Txt\"\r\nContent-Type: text/plain\r\n\r\n";
    body.append(text);
    body += "\r\n--" + boundary + "--\r\n";
    reply = HandleRawRequest(Db(),
                             "POST /api/torvel/upload.php HTTP/1.0\r\nContent-Type: "
                             "multipart/form-data; boundary=" +
                                 boundary + "\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nHost: fuzz\r\n\r\n" + body,
                             kNow);
    FUZZ_CHECK(reply.rfind("HTTP/1.", 0) == 0);
    return 0;
}
