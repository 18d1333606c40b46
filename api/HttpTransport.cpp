#include "api/HttpTransport.h"

#include <boost/asio/connect.hpp>
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
#include <cstdlib>
#include <utility>

#include "api/CookieJar.h"
#include "api/IoWait.h"
#include "api/MultipartForm.h"
#include "api/ProxyTunnel.h"
#include "api/ReplyReader.h"
#include "api/RequestLog.h"
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

char* NoVariables(const char*) {
    return nullptr;
}

long long MillisecondsSince(Steady::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count();
}

// A broken kept connection: the server closed it while it was idle.
bool IsStale(const error_code& ec) {
    return ec == http::error::end_of_stream || ec == asio::error::eof ||
           ec == asio::error::connection_reset || ec == asio::error::broken_pipe;
}

} // namespace

struct HttpTransport::Impl : IoWait {
    tcp::socket socket{io};
    std::unique_ptr<TlsStream> tls; // over `socket` while the kept connection is https
    std::string caFile;             // trusted besides the system's store
    std::unique_ptr<ssl::context> tlsContext;
    std::string connectedTo; // "host:port" of the kept connection (https: with the name checked)
    beast::flat_buffer buffer;
    RequestHeaders headers;
    CookieJar cookies;
    TraceHook trace;
    std::string proxySetting; // the PROXY key; "" for the environment
    ProxyChoice route;        // of the request under way
    std::uint64_t sent = 0;   // bytes of the request under way, tunnel included
    std::uint64_t received = 0;
    std::string statusLine; // of the reply under way, "" until one arrives
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds silenceTimeout{60000};
    std::chrono::milliseconds requestTimeout{std::chrono::minutes(10)};
    // When the request under way must have ended, whatever the server keeps sending.
    Steady::time_point requestDeadline = Steady::time_point::max();

    Steady::time_point Bound(std::chrono::milliseconds wait) const {
        return std::min(Steady::now() + wait, requestDeadline);
    }
    bool busy = false;

    void Trace(const std::string& line) {
        if (trace)
            trace(line);
    }

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

    // Connects to the address's host and port, or to the proxy that the route names (for https
    // through a tunnel to them), or keeps the open connection. Returns true when the kept
    // connection is reused.
    bool Connect(const Url& url) {
        const ProxyAddress* proxy = route.proxy ? &*route.proxy : nullptr;
        // The endpoint override stands for the origin: a proxy is reached at its own address.
        std::string host = proxy              ? proxy->host
                           : endpointOverride ? endpointOverride->host
                                              : url.host;
        std::uint16_t port = proxy              ? proxy->port
                             : endpointOverride ? endpointOverride->port
                                                : url.port;
        std::string key = host + ":" + std::to_string(port);
        if (proxy) // one proxy connection carries plain http to any origin
            key = "proxy " + proxy->Authorization() + "@" + key;
        if (url.Secure())
            key = "https://" + url.Authority() + "@" + key;
        if (socket.is_open() && key == connectedTo)
            return true;
        Close();
        if (url.Secure() && !tlsContext) // a certificates file that cannot be read fails here
            tlsContext = std::make_unique<ssl::context>(MakeTlsContext(caFile));

        const auto deadline = Bound(connectTimeout);
        // Past the proxy, what goes wrong is named as the proxy's failure.
        auto fail = [&](ProxyFailure failure, const error_code& ec) {
            Close();
            throw TransportError(proxy ? ProxyFailureText(failure, *proxy, FailureText(ec))
                                       : FailureText(ec));
        };
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
                fail(ProxyFailure::NameNotFound, ec);
            std::string addresses;
            for (const auto& entry : *results) {
                endpoints.push_back(entry.endpoint());
                addresses +=
                    (addresses.empty() ? "" : ", ") + entry.endpoint().address().to_string();
            }
            Trace("Resolved " + host + " to " + addresses);
        }

        const auto started = Steady::now();
        tcp::endpoint reached;
        ec = AwaitSocket(
            [&](auto done) {
                asio::async_connect(socket, endpoints,
                                    [done, &reached](error_code e, const tcp::endpoint& to) {
                                        reached = to;
                                        done(e);
                                    });
            },
            deadline);
        if (ec)
            fail(ProxyFailure::Unreachable, ec);
        Trace("Connected to " + BracketedHost(reached.address().to_string()) + ":" +
              std::to_string(reached.port()) + (proxy ? " (the proxy)" : "") + " in " +
              std::to_string(MillisecondsSince(started)) + " ms");
        socket.set_option(tcp::no_delay(true), ec);
        if (url.Secure()) {
            if (proxy)
                Tunnel(url, *proxy, deadline);
            Handshake(url.host, deadline);
        }
        connectedTo = key;
        return false;
    }

    // CONNECT through the proxy to the address's host and port, within the connect bound; on
    // its 2xx answer the socket is a tunnel to the origin, and TLS begins.
    void Tunnel(const Url& url, const ProxyAddress& proxy, Steady::time_point deadline) {
        const std::string request = TunnelRequest(url, proxy);
        Trace("Tunnel: " + request.substr(0, request.find('\r')));
        error_code ec = AwaitSocket(
            [&](auto done) {
                asio::async_write(socket, asio::buffer(request),
                                  [this, done](error_code e, std::size_t n) {
                                      sent += n;
                                      done(e);
                                  });
            },
            deadline);
        const ReplyHead head =
            ec ? ReplyHead{ec, 0, {}}
               : ReadReplyHead(buffer, [&](auto& into) { return ReadSome(into, deadline); });
        if (!head.statusLine.empty())
            Trace("Tunnel: " + head.statusLine);
        if (auto failure = TunnelFailure(head, proxy)) {
            Close();
            throw TransportError(*failure);
        }
        buffer.clear(); // nothing comes before the server's first TLS record
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
        if (const std::string cert = PeerCertificateText(tls->native_handle()); !cert.empty())
            Trace("Certificate: " + cert);
        if (ec) {
            std::string text = HandshakeFailureText(ec, tls->native_handle());
            Trace("Verification: " + text);
            Close();
            throw TransportError(text);
        }
        Trace("TLS: " + TlsSessionText(tls->native_handle()));
        Trace("Verification: ok, the certificate is trusted and for " + host);
    }

    http::request<http::string_body> BuildRequest(const Url& url, http::verb verb, int version,
                                                  std::optional<std::string> body) {
        // Plain http through a proxy names the whole address; everything else stays as it is.
        const bool proxied = route.proxy && !url.Secure();
        const std::string target =
            proxied ? url.scheme + "://" + url.HostHeader() + url.target : url.target;
        http::request<http::string_body> req(verb, target, static_cast<unsigned>(version));
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
        if (proxied)
            add(http::field::proxy_authorization, route.proxy->Authorization());
        if (body)
            req.body() = std::move(*body);
        return req;
    }

    error_code Send(http::request<http::string_body>& req) {
        return AwaitSocket(
            [&](auto done) {
                OnStream([&](auto& stream) {
                    http::async_write(stream, req, [this, done](error_code e, std::size_t n) {
                        sent += n;
                        done(e);
                    });
                });
            },
            Bound(silenceTimeout));
    }

    // One read of the socket into the buffer, bounded by the silence time-out (or `deadline`).
    error_code ReadSome(beast::flat_buffer& into,
                        std::optional<Steady::time_point> deadline = std::nullopt) {
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
            deadline ? *deadline : Bound(silenceTimeout));
        into.commit(received);
        this->received += received;
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
            if (!reply.error)
                Trace("Reply: " + (statusLine = reply.statusLine));
            if (!reply.error && !reply.reusable)
                Close();
            return reply;
        } catch (const TransportError& e) {
            Close();
            const std::string text = e.what();
            if (text.rfind("HTTP/", 0) != 0)
                throw;
            Trace("Reply: " + (statusLine = text));
            // Plain http through a proxy: a 407 is the proxy's, not the server's.
            if (route.proxy && !url.Secure() && StatusCode(text) == 407)
                throw TransportError(ProxyAuthenticationText(*route.proxy, text));
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
            Trace("Request: " + std::string(req.method_string()) + " " + std::string(req.target()) +
                  (req.version() == 11 ? " HTTP/1.1" : " HTTP/1.0"));
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

    // Chooses the way to the server, sends the request and reads its reply; the request log
    // gets its line either way.
    std::string Perform(const std::string& address, const Url& url, http::verb verb, int version,
                        std::optional<std::string> body) {
        sent = received = 0;
        statusLine.clear();
        route = {};
        const auto started = Steady::now();
        auto log = [&](std::string failure) {
            AppendToRequestLog({std::string(http::to_string(verb)), address,
                                route.proxy ? "via " + route.proxy->Shown() : "direct", statusLine,
                                sent, received, MillisecondsSince(started), std::move(failure)});
        };
        try {
            // A test that pins the endpoint tests the direct road, whatever the machine's
            // proxy variables say; a proxy set on the transport still applies.
            route = ChooseProxy(url, proxySetting, endpointOverride ? NoVariables : std::getenv);
            Trace("Proxy: " + (route.proxy ? route.proxy->Shown() : std::string("direct")) + " (" +
                  route.reason + ")");
            auto req = BuildRequest(url, verb, version, std::move(body));
            std::string reply = Exchange(url, req);
            log({});
            return reply;
        } catch (const TransportError& e) {
            log(e.what());
            throw;
        }
    }
};

HttpTransport::HttpTransport() : impl_(std::make_unique<Impl>()) {}

HttpTransport::~HttpTransport() = default;

std::string HttpTransport::Get(const std::string& url) {
    BusyGuard guard(impl_->busy, kBusyText);
    return impl_->Perform(url, ParseUrl(url), http::verb::get, 11, std::nullopt);
}

void HttpTransport::PostFile(const std::string& url, const std::string& fieldName,
                             const std::string& filePath, const std::string& contentType) {
    BusyGuard guard(impl_->busy, kBusyText);
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
    const std::string boundary = MultipartBoundary(LocalNow());
    headers.contentType = "multipart/form-data; boundary=" + boundary;

    UploadFile file(filePath);
    std::string body = MultipartBody(boundary, fieldName, filePath, contentType, file.ReadAll());

    headers.connection = "keep-alive";
    impl_->Perform(url, parsed, http::verb::post, 10, std::move(body));
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

void HttpTransport::SetProxy(std::string proxy) {
    if (proxy == impl_->proxySetting)
        return;
    if (!impl_->busy)
        impl_->Close();
    impl_->proxySetting = std::move(proxy);
}

void HttpTransport::SetTraceHook(TraceHook hook) {
    impl_->trace = std::move(hook);
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
