#include "api/HttpTransport.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/read_size.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "api/CookieJar.h"
#include "api/ReplyReader.h"
#include "api/TlsClient.h"
#include "api/UploadFile.h"
#include "util/Clock.h"

namespace torvel {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;
// TLS over the transport's own socket, so that closing the socket ends either kind of stream.
using TlsStream = beast::ssl_stream<tcp::socket&>;
using boost::system::error_code;
using Steady = std::chrono::steady_clock;

namespace {

// How long the io_context runs before the wait hook gets the thread back.
constexpr auto kSlice = std::chrono::milliseconds(20);

constexpr std::string_view kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
constexpr std::string_view kInitialAccept =
    "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr std::string_view kUploadAccept = "text/html, */*";

std::optional<testing::Endpoint> endpointOverride;

// The request header set; it lives as long as the transport and only uploads change it.
struct RequestHeaders {
    std::string connection;
    std::string contentEncoding;
    std::string contentType;
    std::string accept{kInitialAccept};
    std::string acceptEncoding{"identity"};
    std::string userAgent{kUserAgent};
};

// A broken kept connection: the server closed it while it was idle.
bool IsStale(const error_code& ec) {
    return ec == http::error::end_of_stream || ec == asio::error::eof ||
           ec == asio::error::connection_reset || ec == asio::error::broken_pipe;
}

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

// "mmddyyhhnnsszzz": month, day, two-digit year, hour, minute, second, milliseconds.
std::string BoundaryStamp(const LocalTime& t) {
    char millis[8];
    std::snprintf(millis, sizeof millis, "%03d", t.millisecond % 1000);
    return TwoDigits(t.month) + TwoDigits(t.day) + TwoDigits(t.year) + TwoDigits(t.hour) +
           TwoDigits(t.minute) + TwoDigits(t.second) + millis;
}

} // namespace

struct HttpTransport::Impl {
    asio::io_context io;
    tcp::socket socket{io};
    std::unique_ptr<TlsStream> tls; // over `socket` while the kept connection is https
    std::string caFile;             // trusted besides the system's store
    std::unique_ptr<ssl::context> tlsContext;
    std::string connectedTo; // "host:port" of the kept connection (https: with the name checked)
    beast::flat_buffer buffer;
    RequestHeaders headers;
    CookieJar cookies;
    WaitHook hook;
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds silenceTimeout{60000};
    std::chrono::milliseconds requestTimeout{std::chrono::minutes(10)};
    // When the request under way must have ended, whatever the server keeps sending.
    Steady::time_point requestDeadline = Steady::time_point::max();

    Steady::time_point Bound(std::chrono::milliseconds wait) const {
        return std::min(Steady::now() + wait, requestDeadline);
    }
    bool busy = false;

    void Close() {
        error_code ignored;
        socket.close(ignored);
        tls.reset();
        connectedTo.clear();
        buffer.clear();
    }

    // Runs `f` on the stream of the kept connection: TLS for https, else the socket itself.
    template <class F> void OnStream(F&& f) {
        if (tls)
            f(*tls);
        else
            f(socket);
    }

    // Runs the io_context until one handler has run; false when nothing is left to run.
    bool RunOne() {
        if (io.stopped())
            io.restart();
        return io.run_one() > 0;
    }

    // Runs the operation that `start` begins until it completes or `deadline` passes,
    // handing the thread to the wait hook about every slice. On time-out (or when the hook
    // throws) `cancel` runs; with `drain` the cancelled operation is run to its end before
    // returning, so that nothing it references outlives this call. Operations that cannot be
    // drained promptly (name resolution) must only touch state they own.
    template <class Start, class Cancel>
    error_code Await(Start&& start, Steady::time_point deadline, Cancel&& cancel, bool drain) {
        auto result = std::make_shared<std::optional<error_code>>();
        start([result](error_code ec) { *result = ec; });
        auto finishCancelled = [&] {
            cancel();
            while (drain && !*result && RunOne()) {
            }
        };
        auto nextHook = Steady::now() + kSlice;
        while (!*result) {
            auto now = Steady::now();
            if (now >= deadline) {
                finishCancelled();
                return asio::error::timed_out;
            }
            if (hook && now >= nextHook) {
                try {
                    hook();
                } catch (...) {
                    finishCancelled();
                    throw;
                }
                nextHook = Steady::now() + kSlice;
                continue;
            }
            if (io.stopped())
                io.restart();
            io.run_one_until(hook ? std::min(deadline, nextHook) : deadline);
        }
        return **result;
    }

    // Closing the socket makes its pending operation complete at once (aborted); the caller
    // forgets the connection afterwards.
    error_code AwaitSocket(auto&& start, Steady::time_point deadline) {
        return Await(
            start, deadline,
            [this] {
                error_code ignored;
                socket.close(ignored);
            },
            true);
    }

    // Connects to the address's host and port, or keeps the open connection to them.
    // Returns true when the kept connection is reused.
    bool Connect(const Url& url) {
        std::string host = endpointOverride ? endpointOverride->host : url.host;
        std::uint16_t port = endpointOverride ? endpointOverride->port : url.port;
        std::string key = host + ":" + std::to_string(port);
        if (url.Secure())
            key = "https://" + url.host + "@" + key;
        if (socket.is_open() && key == connectedTo)
            return true;
        Close();
        if (url.Secure() && !tlsContext) // a certificates file that cannot be read fails here
            tlsContext = std::make_unique<ssl::context>(MakeTlsContext(caFile));

        const auto deadline = Bound(connectTimeout);
        std::vector<tcp::endpoint> endpoints;
        error_code ec;
        auto address = asio::ip::make_address(host, ec);
        if (!ec) {
            endpoints.emplace_back(address, port);
        } else {
            // Resolution is the one operation that cannot be interrupted; on time-out it is
            // left to finish on its own and its results go nowhere.
            tcp::resolver resolver(io);
            auto results = std::make_shared<tcp::resolver::results_type>();
            ec = Await(
                [&](auto done) {
                    resolver.async_resolve(
                        host, std::to_string(port), tcp::resolver::numeric_service,
                        [done, results](error_code e, tcp::resolver::results_type r) {
                            *results = std::move(r);
                            done(e);
                        });
                },
                deadline, [&resolver] { resolver.cancel(); }, false);
            if (ec)
                throw TransportError(FailureText(ec));
            for (const auto& entry : *results)
                endpoints.push_back(entry.endpoint());
        }

        ec = AwaitSocket(
            [&](auto done) {
                asio::async_connect(socket, endpoints,
                                    [done](error_code e, const tcp::endpoint&) { done(e); });
            },
            deadline);
        if (ec) {
            Close();
            throw TransportError(FailureText(ec));
        }
        socket.set_option(tcp::no_delay(true), ec);
        if (url.Secure())
            Handshake(url.host, deadline);
        connectedTo = key;
        return false;
    }

    // TLS on the connected socket, within what is left of the connect bound; the certificate
    // must be for the address's host, whatever endpoint the socket reached.
    void Handshake(const std::string& host, Steady::time_point deadline) {
        tls = std::make_unique<TlsStream>(socket, *tlsContext);
        PrepareTlsConnection(tls->native_handle(), host);
        error_code ec = AwaitSocket(
            [&](auto done) {
                tls->async_handshake(ssl::stream_base::client, [done](error_code e) { done(e); });
            },
            deadline);
        if (ec) {
            std::string text = HandshakeFailureText(ec, tls->native_handle());
            Close();
            throw TransportError(text);
        }
    }

    http::request<http::string_body> BuildRequest(const Url& url, http::verb verb, int version,
                                                  std::optional<std::string> body) {
        http::request<http::string_body> req(verb, url.target, static_cast<unsigned>(version));
        // Beast writes fields in insertion order: insert each once, in wire order.
        auto add = [&req](http::field name, const std::string& value) {
            if (!value.empty())
                req.insert(name, value);
        };
        add(http::field::connection, headers.connection);
        add(http::field::content_encoding, headers.contentEncoding);
        add(http::field::content_type, headers.contentType);
        if (body)
            req.insert(http::field::content_length, std::to_string(body->size()));
        add(http::field::host, url.HostHeader());
        add(http::field::accept, headers.accept);
        add(http::field::accept_encoding, headers.acceptEncoding);
        add(http::field::user_agent, headers.userAgent);
        add(http::field::cookie, cookies.HeaderFor(url.host, url.target, url.Secure()));
        if (body)
            req.body() = std::move(*body);
        return req;
    }

    error_code Send(http::request<http::string_body>& req) {
        return AwaitSocket(
            [&](auto done) {
                OnStream([&](auto& stream) {
                    http::async_write(stream, req, [done](error_code e, std::size_t) { done(e); });
                });
            },
            Bound(silenceTimeout));
    }

    // One read of the socket into the buffer, bounded by the silence time-out.
    error_code ReadSome(beast::flat_buffer& into) {
        auto space = into.prepare(beast::read_size(into, kReplyReadBytes));
        std::size_t received = 0;
        error_code ec = AwaitSocket(
            [&](auto done) {
                OnStream([&](auto& stream) {
                    stream.async_read_some(space, [done, &received](error_code e, std::size_t n) {
                        received = n;
                        done(e);
                    });
                });
            },
            Bound(silenceTimeout));
        into.commit(received);
        // Many servers close a TLS connection without its close_notify; that reads as the
        // close it is, as it does over plain http.
        if (tls && IsTlsClose(ec))
            ec = asio::error::eof;
        return ec;
    }

    // Reads the reply to the request just sent. A refused reply closes the connection and
    // throws; I/O failures come back in the reply.
    Reply ReadReply(const Url& url) {
        try {
            Reply reply = torvel::ReadReply(
                buffer, [this](beast::flat_buffer& into) { return ReadSome(into); }, url, cookies);
            if (!reply.error && !reply.reusable)
                Close();
            return reply;
        } catch (const TransportError&) {
            Close();
            throw;
        }
    }

    // Sends the request and reads its reply. A kept connection that the server closed while
    // it was idle is replaced by a fresh one, once, when no byte of a reply had arrived.
    std::string Exchange(const Url& url, http::request<http::string_body>& req) {
        // A server that trickles bytes never falls silent long enough for the silence bound.
        requestDeadline = Steady::now() + requestTimeout;
        for (int attempt = 0;; ++attempt) {
            const bool reused = Connect(url);
            Reply reply;
            reply.error = Send(req);
            if (!reply.error)
                reply = ReadReply(url);
            const error_code ec = reply.error;
            if (!ec)
                return std::move(reply.body);
            Close();
            if (reused && attempt == 0 && !reply.gotAny && IsStale(ec))
                continue;
            throw TransportError(FailureText(ec));
        }
    }
};

namespace {

// One request at a time, also when a second one is started from inside the wait hook.
class BusyGuard {
public:
    explicit BusyGuard(bool& busy) : busy_(busy) {
        if (busy_)
            throw TransportError(std::string(kBusyText));
        busy_ = true;
    }
    ~BusyGuard() { busy_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& busy_;
};

} // namespace

HttpTransport::HttpTransport() : impl_(std::make_unique<Impl>()) {}

HttpTransport::~HttpTransport() = default;

std::string HttpTransport::Get(const std::string& url) {
    BusyGuard guard(impl_->busy);
    const Url parsed = ParseUrl(url);
    auto req = impl_->BuildRequest(parsed, http::verb::get, 11, std::nullopt);
    return impl_->Exchange(parsed, req);
}

void HttpTransport::PostFile(const std::string& url, const std::string& fieldName,
                             const std::string& filePath, const std::string& contentType) {
    BusyGuard guard(impl_->busy);
    const Url parsed = ParseUrl(url);
    // These go into the part head: a line break would forge part headers.
    for (const std::string* value : {&fieldName, &filePath, &contentType})
        if (value->find_first_of("\r\n") != std::string::npos)
            throw TransportError("Invalid upload: a line break in a field of the form.");

    impl_->Close();
    RequestHeaders& headers = impl_->headers;
    headers.accept = kUploadAccept;
    headers.userAgent = kUserAgent;
    headers.connection.clear();
    headers.contentType.clear();
    headers.contentEncoding = "multipart/form-data";
    const std::string boundary = "--------" + BoundaryStamp(LocalNow());
    headers.contentType = "multipart/form-data; boundary=" + boundary;

    UploadFile file(filePath);
    std::string content = file.ReadAll();
    std::string body;
    body.reserve(content.size() + 256);
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"" + fieldName + "\"; filename=\"" + filePath +
            "\"\r\n";
    body += "Content-Type: " + contentType + "\r\n\r\n";
    body += content;
    body += "\r\n--" + boundary + "--\r\n";

    headers.connection = "keep-alive";
    auto req = impl_->BuildRequest(parsed, http::verb::post, 10, std::move(body));
    impl_->Exchange(parsed, req);
}

void HttpTransport::SetCertificatesFile(std::string pemFile) {
    if (pemFile == impl_->caFile)
        return;
    if (!impl_->busy)
        impl_->Close();
    impl_->caFile = std::move(pemFile);
    impl_->tlsContext.reset(); // made again, with the new file, at the next https connection
}

void HttpTransport::SetWaitHook(WaitHook hook) {
    impl_->hook = std::move(hook);
}

void HttpTransport::SetTimeouts(std::chrono::milliseconds connect,
                                std::chrono::milliseconds silence) {
    impl_->connectTimeout = connect;
    impl_->silenceTimeout = silence;
}

void HttpTransport::SetRequestTimeout(std::chrono::milliseconds whole) {
    impl_->requestTimeout = whole;
}

bool HttpTransport::Busy() const {
    return impl_->busy;
}

void HttpTransport::Disconnect() {
    if (!impl_->busy)
        impl_->Close();
}

namespace testing {

std::optional<Endpoint> SetEndpoint(std::optional<Endpoint> endpoint) {
    return std::exchange(endpointOverride, std::move(endpoint));
}

} // namespace testing

} // namespace torvel
