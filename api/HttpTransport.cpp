#include "api/HttpTransport.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "util/Clock.h"

namespace torvel {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using Steady = std::chrono::steady_clock;

namespace {

// How long the io_context runs before the wait hook gets the thread back.
constexpr auto kSlice = std::chrono::milliseconds(20);

constexpr std::string_view kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
constexpr std::string_view kInitialAccept =
    "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr std::string_view kUploadAccept = "text/html, */*";
constexpr std::string_view kTooManyLinesText = "The reply has more than 255 header lines.";
constexpr std::string_view kHeaderTooLargeText = "The reply's header is larger than 64 KiB.";
constexpr std::string_view kBodyTooLargeText = "The reply's body is larger than 256 MiB.";

// The request header set; it lives as long as the transport and only uploads change it.
struct RequestHeaders {
    std::string connection;
    std::string contentEncoding;
    std::string contentType;
    std::string accept{kInitialAccept};
    std::string acceptEncoding{"identity"};
    std::string userAgent{kUserAgent};
};

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

std::string WithFinalDot(std::string text) {
    if (text.empty() || text.back() != '.')
        text += '.';
    return text;
}

std::string SocketText(int number, std::string description) {
    return "Socket Error # " + std::to_string(number) + "\r\n" +
           WithFinalDot(std::move(description));
}

std::string ErrorText(const error_code& ec) {
    if (ec == asio::error::timed_out)
        return std::string(kTimedOutText);
    if (ec == http::error::end_of_stream || ec == http::error::partial_message ||
        ec == asio::error::eof)
        return std::string(kConnectionClosedText);
    if (ec == http::error::header_limit)
        return std::string(kHeaderTooLargeText);
    if (ec == http::error::body_limit)
        return std::string(kBodyTooLargeText);
    if (ec.category() == http::make_error_code(http::error::bad_version).category())
        return "The server's reply is not valid HTTP (" + ec.message() + ").";
    if (ec.category() == asio::error::get_netdb_category()) {
        switch (ec.value()) {
        case HOST_NOT_FOUND:
            return SocketText(ec.value(), "Host not found.");
        case TRY_AGAIN:
            return SocketText(ec.value(), "Host not found, try again later.");
        case NO_DATA:
            return SocketText(ec.value(), "The host name has no address.");
        default:
            return SocketText(ec.value(), "Name server failure.");
        }
    }
    return SocketText(ec.value(), ec.message());
}

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

// Reads one reply. Keeps the status line exactly as received (the failure text), counts the
// header lines as they arrive, and appends the body to one string with no per-byte work.
class ReplyParser : public http::basic_parser<false> {
public:
    // Interim replies count towards the line limit of the reply they precede (`linesBefore`),
    // so that a server cannot keep a request waiting with an endless run of them.
    explicit ReplyParser(std::size_t linesBefore) : lines_(linesBefore) {
        header_limit(HttpTransport::kMaxHeaderBytes);
        body_limit(HttpTransport::kMaxBodyBytes);
    }

    int Status() const { return status_; }
    const std::string& StatusLine() const { return statusLine_; }
    bool HasLocation() const { return hasLocation_; }
    bool TooManyLines() const { return tooManyLines_; }
    std::size_t Lines() const { return lines_; }
    const std::vector<std::string>& SetCookies() const { return setCookies_; }
    std::string& Body() { return body_; }

private:
    void on_request_impl(http::verb, beast::string_view, beast::string_view, int,
                         error_code& ec) override {
        ec = http::error::bad_method; // never called for replies
    }

    void on_response_impl(int code, beast::string_view reason, int version,
                          error_code& ec) override {
        if (lines_ >= HttpTransport::kMaxHeaderLines) {
            tooManyLines_ = true;
            ec = http::error::header_limit;
            return;
        }
        char head[32];
        std::snprintf(head, sizeof head, "HTTP/%d.%d %03d ", version / 10, version % 10, code);
        statusLine_ = head;
        statusLine_.append(reason.data(), reason.size());
        status_ = code;
    }

    void on_field_impl(http::field name, beast::string_view, beast::string_view value,
                       error_code& ec) override {
        if (++lines_ > HttpTransport::kMaxHeaderLines) {
            tooManyLines_ = true;
            ec = http::error::header_limit;
            return;
        }
        if (name == http::field::location)
            hasLocation_ = true;
        else if (name == http::field::set_cookie)
            setCookies_.emplace_back(value.data(), value.size());
    }

    void on_header_impl(error_code&) override {}

    void on_body_init_impl(const boost::optional<std::uint64_t>& length, error_code&) override {
        if (length)
            body_.reserve(static_cast<std::size_t>(*length));
    }

    std::size_t on_body_impl(beast::string_view body, error_code&) override {
        body_.append(body.data(), body.size());
        return body.size();
    }

    void on_chunk_header_impl(std::uint64_t, beast::string_view, error_code&) override {}

    std::size_t on_chunk_body_impl(std::uint64_t, beast::string_view body, error_code&) override {
        body_.append(body.data(), body.size());
        return body.size();
    }

    void on_finish_impl(error_code&) override {}

    int status_ = 0;
    std::string statusLine_;
    std::size_t lines_ = 0;
    bool hasLocation_ = false;
    bool tooManyLines_ = false;
    std::vector<std::string> setCookies_;
    std::string body_;
};

// The upload's file, open for reading with a shared lock: cooperating writers wait until the
// upload has ended. The lock goes with the descriptor.
class LockedFile {
public:
    explicit LockedFile(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            Fail(errno);
        if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
            int err = errno;
            ::close(fd_);
            fd_ = -1;
            if (err == EWOULDBLOCK)
                throw TransportError("Cannot open file \"" + path_ +
                                     "\". The file is being written by another process");
            Fail(err);
        }
    }
    ~LockedFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    std::string ReadAll() {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            Fail(errno);
        if (static_cast<std::uint64_t>(st.st_size) > HttpTransport::kMaxBodyBytes)
            throw TransportError("Cannot send file \"" + path_ + "\": larger than 256 MiB");
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        char chunk[65536];
        for (;;) {
            ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                Fail(errno);
            }
            if (n == 0)
                break;
            if (bytes.size() + static_cast<std::size_t>(n) > HttpTransport::kMaxBodyBytes)
                throw TransportError("Cannot send file \"" + path_ + "\": larger than 256 MiB");
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
        return bytes;
    }

private:
    [[noreturn]] void Fail(int err) {
        throw TransportError("Cannot open file \"" + path_ + "\". " + std::strerror(err));
    }

    std::string path_;
    int fd_ = -1;
};

} // namespace

std::string SocketErrorText(int errorNumber) {
    return SocketText(errorNumber, std::system_category().message(errorNumber));
}

std::string Url::HostHeader() const {
    std::string header = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    if (port != 80)
        header += ":" + std::to_string(port);
    return header;
}

Url ParseUrl(std::string_view address) {
    std::string text(address);
    std::replace(text.begin(), text.end(), '\\', '/');
    for (char c : text)
        if (IsControl(static_cast<unsigned char>(c)))
            throw TransportError("Invalid address: it holds a control character.");
    auto invalid = [&text]() { return TransportError("Invalid address \"" + text + "\"."); };

    Url url;
    std::string_view rest = text;
    auto schemeEnd = rest.find("://");
    if (schemeEnd != std::string_view::npos &&
        schemeEnd < std::min(rest.find('/'), rest.find('?'))) {
        for (char c : rest.substr(0, schemeEnd))
            url.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        rest.remove_prefix(schemeEnd + 3);
    } else {
        url.scheme = "http";
    }
    if (url.scheme != "http")
        throw TransportError("Unsupported protocol \"" + url.scheme + "\" in address \"" + text +
                             "\".");

    auto authorityEnd = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view target =
        authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);

    std::string_view host = authority;
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        auto close = authority.find(']');
        if (close == std::string_view::npos)
            throw invalid();
        host = authority.substr(1, close - 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                throw invalid();
            port = after.substr(1);
        }
    } else if (auto colon = authority.find(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    if (host.empty() || host.find_first_of(" @") != std::string_view::npos)
        throw invalid();
    url.host = std::string(host);

    if (!port.empty()) {
        if (port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            throw invalid();
        int value = std::stoi(std::string(port));
        if (value < 1 || value > 65535)
            throw invalid();
        url.port = static_cast<std::uint16_t>(value);
    }

    if (target.empty() || target.front() == '?')
        url.target = "/";
    url.target += target;
    return url;
}

struct HttpTransport::Impl {
    asio::io_context io;
    tcp::socket socket{io};
    std::string connectedTo; // "host:port" of the kept connection
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
    std::optional<std::pair<std::string, std::uint16_t>> endpointOverride;

    // Beast sizes each read by the buffer's free capacity (at least 512 bytes, at most 64 KiB):
    // without room reserved up front a large body would arrive 512 bytes at a time.
    Impl() { buffer.reserve(64 * 1024); }

    void Close() {
        error_code ignored;
        socket.close(ignored);
        connectedTo.clear();
        buffer.clear();
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
        std::string host = endpointOverride ? endpointOverride->first : url.host;
        std::uint16_t port = endpointOverride ? endpointOverride->second : url.port;
        std::string key = host + ":" + std::to_string(port);
        if (socket.is_open() && key == connectedTo)
            return true;
        Close();

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
                throw TransportError(ErrorText(ec));
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
            throw TransportError(ErrorText(ec));
        }
        socket.set_option(tcp::no_delay(true), ec);
        connectedTo = key;
        return false;
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
        add(http::field::cookie, cookies.HeaderFor(url.host, url.target));
        if (body)
            req.body() = std::move(*body);
        return req;
    }

    error_code Send(http::request<http::string_body>& req) {
        return AwaitSocket(
            [&](auto done) {
                http::async_write(socket, req, [done](error_code e, std::size_t) { done(e); });
            },
            Bound(silenceTimeout));
    }

    // Reads until `finished` holds, each read bounded by the silence time-out.
    template <class Finished>
    error_code ReadUntil(ReplyParser& parser, Finished finished, bool& gotAny) {
        while (!finished()) {
            error_code ec = AwaitSocket(
                [&](auto done) {
                    http::async_read_some(socket, buffer, parser,
                                          [done](error_code e, std::size_t) { done(e); });
                },
                Bound(silenceTimeout));
            gotAny = gotAny || parser.got_some();
            if (ec)
                return ec;
        }
        return {};
    }

    // Reads the reply to the request just sent. I/O failures come back as an error code, with
    // `gotAny` telling whether any byte of a reply arrived; a refused reply throws.
    error_code ReadReply(const Url& url, std::string& body, bool& gotAny) {
        std::size_t interimLines = 0;
        for (;;) {
            auto parser = std::make_unique<ReplyParser>(interimLines);
            error_code ec = ReadUntil(
                *parser, [&] { return parser->is_header_done(); }, gotAny);
            if (ec) {
                if (parser->TooManyLines()) {
                    Close();
                    throw TransportError(std::string(kTooManyLinesText));
                }
                return ec;
            }
            for (const std::string& value : parser->SetCookies())
                cookies.Store(value, url.host, url.target);
            const int status = parser->Status();
            // Interim replies (100 Continue, 103 Early Hints, ...) precede the real one; 101
            // would switch to a protocol that was never asked for.
            if (status / 100 == 1 && status != 101) {
                interimLines = parser->Lines() + 1; // its header lines and its status line
                continue;
            }
            const bool redirect =
                (status >= 300 && status <= 399 && status != 304) || parser->HasLocation();
            if (redirect || status < 200 || status > 299) {
                Close();
                throw TransportError(parser->StatusLine());
            }
            ec = ReadUntil(
                *parser, [&] { return parser->is_done(); }, gotAny);
            if (ec)
                return ec;
            // Bytes beyond the reply would be taken for the next one: do not reuse then.
            const bool keep = parser->keep_alive() && buffer.size() == 0;
            body = std::move(parser->Body());
            if (!keep)
                Close();
            return {};
        }
    }

    // Sends the request and reads its reply. A kept connection that the server closed while
    // it was idle is replaced by a fresh one, once, when no byte of a reply had arrived.
    std::string Exchange(const Url& url, http::request<http::string_body>& req) {
        // A server that trickles bytes never falls silent long enough for the silence bound.
        requestDeadline = Steady::now() + requestTimeout;
        for (int attempt = 0;; ++attempt) {
            const bool reused = Connect(url);
            bool gotAny = false;
            std::string body;
            error_code ec = Send(req);
            if (!ec)
                ec = ReadReply(url, body, gotAny);
            if (!ec)
                return body;
            Close();
            if (reused && attempt == 0 && !gotAny && IsStale(ec))
                continue;
            throw TransportError(ErrorText(ec));
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

    LockedFile file(filePath);
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

CookieJar& HttpTransport::Cookies() {
    return impl_->cookies;
}

void HttpTransport::SetEndpointForTesting(
    std::optional<std::pair<std::string, std::uint16_t>> endpoint) {
    impl_->endpointOverride = std::move(endpoint);
    impl_->Close();
}

std::string HttpTransport::ReadReplyForTesting(std::string_view replyBytes) {
    BusyGuard guard(impl_->busy);
    impl_->Close();
    impl_->requestDeadline = Steady::now() + impl_->requestTimeout;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        throw TransportError(SocketErrorText(errno));
    // The peer writes from its own thread: a reply larger than the socket buffer would block
    // a write made before the reading starts.
    std::thread peer([fd = fds[1], bytes = replyBytes] {
        std::string_view rest = bytes;
        while (!rest.empty()) {
            ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break; // the reader gave up and closed its end
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        ::close(fd);
    });
    struct Join {
        std::thread& t;
        Impl& impl;
        ~Join() {
            impl.Close(); // first, so that a peer still writing sees the close
            t.join();
        }
    } join{peer, *impl_};

    error_code ec;
    impl_->socket.assign(tcp::v4(), fds[0], ec);
    if (ec) {
        ::close(fds[0]);
        throw TransportError(ErrorText(ec));
    }
    const Url url = ParseUrl("http://reply.test/");
    std::string body;
    bool gotAny = false;
    ec = impl_->ReadReply(url, body, gotAny);
    if (ec)
        throw TransportError(ErrorText(ec));
    return body;
}

} // namespace torvel
