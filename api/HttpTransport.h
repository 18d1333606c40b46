// The HTTP client through which every request to the order server goes: a blocking GET and a
// blocking multipart upload, one at a time, every failure a TransportError with its text.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "api/CookieJar.h"
#include "util/Errors.h"

namespace torvel {

// Any failure of a request: the text is what the error box shows.
class TransportError : public Error {
public:
    using Error::Error;
};

// Failure texts that callers and tests compare against.
inline constexpr std::string_view kConnectionClosedText = "Connection Closed Gracefully.";
inline constexpr std::string_view kTimedOutText = "Socket Error # 110\r\nConnection timed out.";
inline constexpr std::string_view kBusyText = "Another request is still in progress.";

// An address cut into its parts. The target (path and query) is kept byte for byte.
struct Url {
    std::string scheme; // lower case
    std::string host;   // as written; an IPv6 literal without its brackets
    std::uint16_t port = 80;
    std::string target; // starts with "/"

    // "host" or "host:port" when the port is not 80.
    std::string HostHeader() const;
};

// "\" becomes "/"; scheme (http when absent), host, optional ":" port up to the next "/" or
// "?", then the target. Throws TransportError for an address that cannot be sent: another
// scheme, no host, a bad port, or a control character that would break the request line.
Url ParseUrl(std::string_view address);

// "Socket Error # <n>\r\n<description>." for a system error number.
std::string SocketErrorText(int errorNumber);

class HttpTransport {
public:
    static constexpr std::uint64_t kMaxBodyBytes = 256ull * 1024 * 1024;
    // Header lines of a reply; the interim (1xx) replies before it count, with their status
    // lines.
    static constexpr std::size_t kMaxHeaderLines = 255;
    static constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

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

    // Called about every 20 ms while a request waits on the network, on the calling thread,
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

    bool Busy() const;

    // Closes the kept connection, if any (not while a request runs).
    void Disconnect();

    CookieJar& Cookies();

    // Connects to this endpoint whatever the address says; the request itself (target, Host
    // header, cookies) still follows the address. Lets tests run the real default host names
    // against a local server. std::nullopt goes back to normal.
    void SetEndpointForTesting(std::optional<std::pair<std::string, std::uint16_t>> endpoint);

    // Runs the real reply reading on bytes that a server sends before it closes the
    // connection, as if they answered a request to "http://reply.test/": returns the body or
    // throws the TransportError that request would. Lets fuzzers reach the reading code
    // without a server.
    std::string ReadReplyForTesting(std::string_view replyBytes);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace torvel
