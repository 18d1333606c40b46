// The HTTP client through which every request to the order server goes (http, or https with
// the server's certificate verified): a blocking GET and a blocking multipart upload, one at a
// time, every failure a TransportError with its text.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "api/TransportError.h"
#include "api/Url.h"

namespace torvel {

class HttpTransport {
public:
    HttpTransport();
    ~HttpTransport();
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    // Sends a GET and returns the reply's body as received (Windows-1252 bytes).
    std::string Get(const std::string& url);

    // Posts the file as a multipart form with one file part; the reply's body is dropped.
    // The file is read whole and kept open, with a shared lock that keeps cooperating writers
    // out, until the upload ends. Resets the request headers for the rest of the run.
    void PostFile(const std::string& url, const std::string& fieldName, const std::string& filePath,
                  const std::string& contentType);

    // A PEM file of CA certificates that https trusts besides the system's store (OpenSSL's
    // default paths, so SSL_CERT_FILE and SSL_CERT_DIR apply); "" for the system's alone. A
    // file that cannot be read fails the next https request. There is no way to trust a server
    // without checking its certificate.
    void SetCertificatesFile(std::string pemFile);

    // Called about every 5 ms while a request waits on the network, on the calling thread,
    // so the window can repaint; it must not process user input. A request started from
    // inside the hook fails at once with kBusyText. An exception from the hook aborts the
    // request (the connection is closed) and propagates to the caller.
    using WaitHook = std::function<void()>;
    void SetWaitHook(WaitHook hook);

    // Bounds on connecting (name resolution included) and on silence while sending or
    // reading; reaching one fails with kTimedOutText. Defaults: 10 s and 60 s.
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds silence);
    // Bound on a whole request, connecting, sending and reading its reply, so that a server
    // that keeps sending a byte now and then cannot hold the program; reaching it fails with
    // kTimedOutText too. Default: 10 minutes, room for a large catalogue on a slow line.
    void SetRequestTimeout(std::chrono::milliseconds whole);

    // The PROXY key of Config.Ini, "http://[user:password@]host[:port]"; "" takes the proxy from
    // the environment as curl does (https_proxy, http_proxy, all_proxy, no_proxy: see
    // ChooseProxy). Plain http goes to the proxy with the whole address in the request line;
    // https goes through a CONNECT tunnel, inside which TLS is verified as on a direct
    // connection. The connect bound covers the proxy, its answer to CONNECT and the handshake.
    // An address that cannot be used fails the next request.
    void SetProxy(std::string proxy);

    // Called with one line for each step of a request as it happens (the proxy and why, name
    // resolution, the connection and its time, the tunnel, TLS and the certificate, the request
    // line, the status line), so that a store's IT can see where it goes wrong.
    using TraceHook = std::function<void(const std::string& line)>;
    void SetTraceHook(TraceHook hook);

    bool Busy() const;

    // Closes the kept connection, if any (not while a request runs).
    void Disconnect();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

namespace testing {

// Where every transport connects, whatever the address says; the request itself (target, Host
// header, cookies) still follows the address. Lets tests run the real default host names
// against a local server. While it is set, the environment's proxy variables are not read; a
// proxy set with SetProxy is still reached at its own address. std::nullopt goes back to the
// address's host and port. Returns the setting it replaces.
struct Endpoint {
    std::string host;
    std::uint16_t port = 0;
};
std::optional<Endpoint> SetEndpoint(std::optional<Endpoint> endpoint);

} // namespace testing

} // namespace torvel
