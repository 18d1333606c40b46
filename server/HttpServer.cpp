#include "server/HttpServer.h"

#include "server/OrderHandler.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sstream>

namespace torvel::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

namespace {

constexpr auto kReadTimeout = std::chrono::seconds(30);
constexpr auto kWriteTimeout = std::chrono::seconds(120);
constexpr int kMaxSessions = 256;

http::response<http::string_body> MakeResponse(Response r, unsigned version, bool keepAlive) {
    http::response<http::string_body> res{static_cast<http::status>(r.status), version};
    res.set(http::field::server, "torvel-server");
    res.set(http::field::content_type, "text/plain; charset=windows-1252");
    res.keep_alive(keepAlive);
    res.body() = std::move(r.body);
    res.prepare_payload();
    return res;
}

Request ToRequest(http::request<http::string_body>& req) {
    return {std::string(req.method_string()), std::string(req.target()),
            std::string(req[http::field::content_type]), std::move(req.body())};
}

// The reply to a request that could not be read as HTTP.
std::optional<Response> ParseFailure(beast::error_code ec) {
    if (ec == http::error::body_limit)
        return Response{413, "pedido grande demais\r\n"};
    if (ec == http::error::header_limit)
        return Response{431, "cabecalho grande demais\r\n"};
    if (ec.category() == http::make_error_code(http::error::bad_target).category() &&
        ec != http::error::end_of_stream && ec != http::error::partial_message)
        return Response{400, "pedido HTTP invalido\r\n"};
    return std::nullopt;
}

// Bytes of the target as a log can show them: control and non-ASCII bytes escaped, long ones cut.
std::string Printable(std::string_view text) {
    std::string out;
    for (unsigned char c : text.substr(0, 300)) {
        if (c < 32 || c >= 127 || c == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > 300)
        out += "...";
    return out;
}

struct Shared {
    Database& db;
    Clock clock;
    bool quiet;
    int sessions = 0;

    void Log(const std::string& peer, std::string_view method, std::string_view target, int status,
             std::size_t bytes, std::chrono::steady_clock::time_point started) {
        if (quiet)
            return;
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count();
        std::fprintf(stderr, "%s %s %s %s %d %zu bytes %lld ms\n", stamp, peer.c_str(),
                     Printable(method).c_str(), Printable(target).c_str(), status, bytes,
                     static_cast<long long>(ms));
        std::fflush(stderr);
    }
};

// One connection, over plain TCP (beast::tcp_stream) or TLS (TlsStream): the same requests
// and replies either way.
template <class Stream> class Session : public std::enable_shared_from_this<Session<Stream>> {
public:
    template <class... TlsContext>
    Session(tcp::socket&& socket, Shared& shared, TlsContext&... context)
        : stream_(std::move(socket), context...), buffer_(kHeaderLimit + kBodyLimit),
          shared_(shared) {
        ++shared_.sessions;
        beast::error_code ec;
        auto ep = Tcp().socket().remote_endpoint(ec);
        peer_ = ec ? "?" : ep.address().to_string() + ":" + std::to_string(ep.port());
    }
    ~Session() { --shared_.sessions; }

    void Start() {
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            // A client that stalls in the handshake is dropped like one that stalls in a request.
            Tcp().expires_after(kReadTimeout);
            stream_.async_handshake(ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        if (ec)
                                            return self->Close();
                                        self->ReadHeader();
                                    });
        } else {
            ReadHeader();
        }
    }

private:
    beast::tcp_stream& Tcp() { return beast::get_lowest_layer(stream_); }

    void ReadHeader() {
        parser_.emplace();
        parser_->header_limit(kHeaderLimit);
        parser_->body_limit(kBodyLimit);
        Tcp().expires_after(kReadTimeout);
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = this->shared_from_this()](
                                    beast::error_code ec, std::size_t) { self->OnHeader(ec); });
    }

    void OnHeader(beast::error_code ec) {
        started_ = std::chrono::steady_clock::now();
        if (ec)
            return Fail(ec);
        auto& req = parser_->get();
        // curl and others wait for this before sending a large body.
        if (req.version() >= 11 && beast::iequals(req[http::field::expect], "100-continue")) {
            continue_ = {http::status::continue_, req.version()};
            Tcp().expires_after(kWriteTimeout);
            http::async_write(stream_, continue_,
                              [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                                  if (ec)
                                      return self->Close();
                                  self->ReadBody();
                              });
            return;
        }
        ReadBody();
    }

    void ReadBody() {
        Tcp().expires_after(kReadTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                             self->OnRead(ec);
                         });
    }

    void OnRead(beast::error_code ec) {
        if (ec)
            return Fail(ec);
        auto& req = parser_->get();
        std::string method(req.method_string()), target(req.target());
        Response r = HandleRequest(shared_.db, ToRequest(req), shared_.clock());
        // A reply to HEAD carries a body here, so the connection cannot stay in step after it.
        bool keepAlive = req.keep_alive() && req.method() != http::verb::head;
        Send(std::move(r), method, target, req.version(), keepAlive);
    }

    void Fail(beast::error_code ec) {
        std::optional<Response> r = ParseFailure(ec);
        if (!r)
            return Close(); // the peer went away or fell silent
        Send(std::move(*r), "-", "-", 11, false);
    }

    void Send(Response r, std::string_view method, std::string_view target, unsigned version,
              bool keepAlive) {
        shared_.Log(peer_, method, target, r.status, r.body.size(), started_);
        res_ = MakeResponse(std::move(r), version, keepAlive);
        Tcp().expires_after(kWriteTimeout);
        http::async_write(
            stream_, res_,
            [self = this->shared_from_this(), keepAlive](beast::error_code ec, std::size_t) {
                if (ec || !keepAlive)
                    return self->Close();
                self->ReadHeader();
            });
    }

    void Close() {
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            if (!closing_ && SSL_is_init_finished(stream_.native_handle())) {
                // Tell the client the reply is whole (close_notify), then close.
                closing_ = true;
                Tcp().expires_after(std::chrono::seconds(5));
                stream_.async_shutdown(
                    [self = this->shared_from_this()](beast::error_code) { self->CloseSocket(); });
                return;
            }
        }
        CloseSocket();
    }

    void CloseSocket() {
        beast::error_code ec;
        Tcp().socket().shutdown(tcp::socket::shutdown_send, ec);
        Tcp().socket().close(ec);
    }

    Stream stream_;
    bool closing_ = false;
    beast::flat_buffer buffer_;
    Shared& shared_;
    std::string peer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::empty_body> continue_;
    http::response<http::string_body> res_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// TLS 1.2 or newer with the certificate chain and key of these PEM files.
ssl::context MakeServerTls(const std::string& certFile, const std::string& keyFile) {
    if (certFile.empty() || keyFile.empty())
        throw std::runtime_error("TLS needs both a certificate file and a key file");
    ssl::context context(ssl::context::tls_server);
    SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION);
    beast::error_code ec;
    context.use_certificate_chain_file(certFile, ec);
    if (ec)
        throw std::runtime_error("cannot use the certificate file " + certFile + ": " +
                                 ec.message());
    context.use_private_key_file(keyFile, ssl::context::pem, ec);
    if (ec)
        throw std::runtime_error("cannot use the key file " + keyFile + ": " + ec.message());
    return context;
}

} // namespace

struct HttpServer::Impl {
    Impl(Database& db, Clock clock, const ServerOptions& options)
        : shared{db, std::move(clock), options.quiet}, acceptor(ioc), signals(ioc) {
        if (!options.tlsCert.empty() || !options.tlsKey.empty())
            tls.emplace(MakeServerTls(options.tlsCert, options.tlsKey));
        tcp::endpoint endpoint(asio::ip::make_address(options.host), options.port);
        acceptor.open(endpoint.protocol());
        acceptor.set_option(asio::socket_base::reuse_address(true));
        acceptor.bind(endpoint);
        acceptor.listen(asio::socket_base::max_listen_connections);
        if (options.handleSignals) {
            signals.add(SIGINT);
            signals.add(SIGTERM);
            signals.async_wait([this](beast::error_code ec, int) {
                if (!ec)
                    ioc.stop();
            });
        }
        Accept();
    }

    void Accept() {
        acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (ec == asio::error::operation_aborted)
                return;
            // Past the session limit the socket closes here; the client sees a closed connection.
            if (!ec && shared.sessions < kMaxSessions) {
                if (tls)
                    std::make_shared<Session<TlsStream>>(std::move(socket), shared, *tls)->Start();
                else
                    std::make_shared<Session<beast::tcp_stream>>(std::move(socket), shared)
                        ->Start();
            }
            Accept();
        });
    }

    // Sessions still queued when the server goes down are destroyed with ioc and touch shared.
    Shared shared;
    std::optional<ssl::context> tls;
    asio::io_context ioc{1};
    tcp::acceptor acceptor;
    asio::signal_set signals;
};

HttpServer::HttpServer(Database& db, Clock clock, ServerOptions options)
    : impl_(std::make_unique<Impl>(db, std::move(clock), options)) {}

HttpServer::~HttpServer() = default;

unsigned short HttpServer::Port() const {
    return impl_->acceptor.local_endpoint().port();
}

std::string HttpServer::Address() const {
    auto ep = impl_->acceptor.local_endpoint();
    std::string host = ep.address().to_string();
    if (ep.address().is_v6())
        host = "[" + host + "]";
    return host + ":" + std::to_string(ep.port());
}

void HttpServer::Run() {
    impl_->ioc.run();
}

void HttpServer::Stop() {
    impl_->ioc.stop();
}

std::string HandleRawRequest(Database& db, std::string_view bytes, std::time_t now) {
    http::request_parser<http::string_body> parser;
    parser.header_limit(kHeaderLimit);
    parser.body_limit(kBodyLimit);
    parser.eager(true);
    beast::error_code ec;
    while (!ec && !parser.is_done()) {
        std::size_t used = parser.put(asio::buffer(bytes.data(), bytes.size()), ec);
        bytes.remove_prefix(used);
        if (ec == http::error::need_more || (!ec && used == 0)) {
            ec = {};
            if (parser.got_some()) // put_eof may only follow some input
                parser.put_eof(ec);
            break;
        }
    }
    std::optional<Response> r;
    unsigned version = 11;
    if (ec || !parser.is_done()) {
        r = ParseFailure(ec);
        if (!r)
            r = Response{400, "pedido HTTP incompleto\r\n"};
    } else {
        auto& req = parser.get();
        version = req.version();
        r = HandleRequest(db, ToRequest(req), now);
    }
    std::ostringstream out;
    out << MakeResponse(std::move(*r), version, false);
    return out.str();
}

} // namespace torvel::server
