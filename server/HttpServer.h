// The network side of the reference order server: Boost.Beast over one thread, one request at a
// time, keep-alive for HTTP/1.1 and HTTP/1.0, time-outs and size limits on every connection,
// plain http or https.
#pragma once

#include "server/ServerDb.h"

#include <cstddef>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace torvel::server {

using Clock = std::function<std::time_t()>;

struct ServerOptions {
    std::string host = "127.0.0.1";
    unsigned short port = 8080; // 0: any free port
    bool quiet = false;         // no log line per request
    bool handleSignals = false; // stop cleanly on SIGINT and SIGTERM
    // PEM files of the certificate chain and its private key: serve https instead of http.
    std::string tlsCert;
    std::string tlsKey;
};

inline constexpr std::size_t kHeaderLimit = 16 * 1024;
inline constexpr std::size_t kBodyLimit = 4 * 1024 * 1024;

class HttpServer {
public:
    // Binds and listens at once; throws std::exception when the address cannot be used.
    HttpServer(Database& db, Clock clock, ServerOptions options);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // "127.0.0.1:8080" (an IPv6 address in brackets).
    std::string Address() const;
    unsigned short Port() const;
    // Serves until Stop() or a signal; returns then.
    void Run();
    // May be called from any thread.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One whole request as bytes in, one whole reply as bytes out: the request handling without a
// socket, for fuzzing. Malformed bytes give a 400 reply.
std::string HandleRawRequest(Database& db, std::string_view bytes, std::time_t now);

} // namespace torvel::server
