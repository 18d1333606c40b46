#include "api/ReplyReader.h"

#include <boost/asio/error.hpp>
#include <boost/beast/core/read_size.hpp>
#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/error.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "api/TransportError.h"

namespace torvel {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using boost::system::error_code;

namespace {

constexpr std::string_view kTooManyLinesText = "The reply has more than 255 header lines.";

// Keeps the status line exactly as received (the failure text), counts the header lines as
// they arrive, and appends the body to one string with no per-byte work.
class ReplyParser : public http::basic_parser<false> {
public:
    // Interim replies count towards the line limit of the reply they precede (`linesBefore`),
    // so that a server cannot keep a request waiting with an endless run of them.
    explicit ReplyParser(std::size_t linesBefore) : lines_(linesBefore) {
        header_limit(kMaxReplyHeaderBytes);
        body_limit(kMaxReplyBodyBytes);
    }

    int Status() const { return status_; }
    const std::string& StatusLine() const { return statusLine_; }
    bool HasLocation() const { return hasLocation_; }
    bool TooManyLines() const { return tooManyLines_; }
    std::size_t Lines() const { return lines_; }
    const std::vector<std::string>& SetCookies() const { return setCookies_; }
    std::string& Body() { return body_; }
    // The status line came without its reason, and a blank was put in for the parser.
    void SetBareStatusLine() { bare_ = true; }

private:
    void on_request_impl(http::verb, beast::string_view, beast::string_view, int,
                         error_code& ec) override {
        ec = http::error::bad_method; // never called for replies
    }

    void on_response_impl(int code, beast::string_view reason, int version,
                          error_code& ec) override {
        if (lines_ >= kMaxReplyHeaderLines) {
            tooManyLines_ = true;
            ec = http::error::header_limit;
            return;
        }
        char head[32];
        std::snprintf(head, sizeof head, bare_ ? "HTTP/%d.%d %03d" : "HTTP/%d.%d %03d ",
                      version / 10, version % 10, code);
        statusLine_ = head;
        statusLine_.append(reason.data(), reason.size());
        status_ = code;
    }

    void on_field_impl(http::field name, beast::string_view, beast::string_view value,
                       error_code& ec) override {
        if (++lines_ > kMaxReplyHeaderLines) {
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
    bool bare_ = false;
    std::vector<std::string> setCookies_;
    std::string body_;
};

// A status line without its reason ("HTTP/1.1 404", with no blank after the code) carries its
// status all the same, and HTTP asks clients to take it: the parser wants a blank after the
// code, so one goes in before the line break, and the failure text stays the line as received.
// Returns false while the bytes so far could still be such a line.
bool MendBareStatusLine(beast::flat_buffer& buffer, ReplyParser& parser) {
    constexpr std::string_view shape = "HTTP/0.0 000"; // a digit wherever a 0 stands
    const auto* data = static_cast<const char*>(buffer.data().data());
    const std::size_t size = buffer.size();
    for (std::size_t i = 0; i < std::min(size, shape.size()); ++i) {
        const bool digit = data[i] >= '0' && data[i] <= '9';
        if (shape[i] == '0' ? !digit : data[i] != shape[i])
            return true; // not that shape: the parser judges it
    }
    if (size <= shape.size())
        return false;
    if (data[shape.size()] != '\r' && data[shape.size()] != '\n')
        return true;
    std::string mended(data, shape.size());
    mended += ' ';
    mended.append(data + shape.size(), size - shape.size());
    buffer.consume(size);
    std::memcpy(buffer.prepare(mended.size()).data(), mended.data(), mended.size());
    buffer.commit(mended.size());
    parser.SetBareStatusLine();
    return true;
}

// Parses what the buffer holds and reads more until `finished` holds, in the manner of
// http::read_some: a close after some bytes of the reply ends a body that runs to the close
// and is a partial message anywhere else; a close before any is the end of the stream.
template <class Finished>
error_code ReadUntil(beast::flat_buffer& buffer, const ReplySource& source, ReplyParser& parser,
                     Finished finished, bool& gotAny) {
    while (!finished()) {
        if (buffer.size() > 0 && (parser.got_some() || MendBareStatusLine(buffer, parser))) {
            error_code ec;
            buffer.consume(parser.put(buffer.data(), ec));
            gotAny = gotAny || parser.got_some();
            if (!ec)
                continue;
            if (ec != http::error::need_more)
                return ec;
        }
        error_code ec = source(buffer);
        if (ec == asio::error::eof) {
            if (!parser.got_some() && buffer.size() > 0) {
                // A start of a status line held back above: the parser judges it now.
                error_code put;
                buffer.consume(parser.put(buffer.data(), put));
                gotAny = gotAny || parser.got_some();
                if (put && put != http::error::need_more)
                    return put;
            }
            if (!parser.got_some())
                return http::error::end_of_stream;
            ec = {};
            parser.put_eof(ec);
            if (ec)
                return ec;
            continue;
        }
        if (ec)
            return ec;
    }
    return {};
}

} // namespace

Reply ReadReply(beast::flat_buffer& buffer, const ReplySource& source, const Url& url,
                CookieJar& cookies) {
    if (buffer.capacity() < kReplyReadBytes)
        buffer.reserve(kReplyReadBytes);
    Reply reply;
    std::size_t interimLines = 0;
    for (;;) {
        auto parser = std::make_unique<ReplyParser>(interimLines);
        reply.error = ReadUntil(
            buffer, source, *parser, [&] { return parser->is_header_done(); }, reply.gotAny);
        if (reply.error) {
            if (parser->TooManyLines())
                throw TransportError(std::string(kTooManyLinesText));
            return reply;
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
        if (redirect || status < 200 || status > 299)
            throw TransportError(parser->StatusLine());
        reply.error = ReadUntil(
            buffer, source, *parser, [&] { return parser->is_done(); }, reply.gotAny);
        if (reply.error)
            return reply;
        // Bytes beyond the reply would be taken for the next one: do not reuse then.
        reply.reusable = parser->keep_alive() && buffer.size() == 0;
        reply.statusLine = parser->StatusLine();
        reply.body = std::move(parser->Body());
        return reply;
    }
}

int StatusCode(std::string_view statusLine) {
    const auto blank = statusLine.find(' ');
    if (blank == std::string_view::npos || statusLine.size() < blank + 4)
        return 0;
    int code = 0;
    for (char c : statusLine.substr(blank + 1, 3)) {
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

ReplyHead ReadReplyHead(beast::flat_buffer& buffer, const ReplySource& source) {
    if (buffer.capacity() < kReplyReadBytes)
        buffer.reserve(kReplyReadBytes);
    ReplyHead head;
    std::size_t interimLines = 0;
    bool gotAny = false;
    for (;;) {
        ReplyParser parser(interimLines);
        parser.skip(true); // what follows a 2xx answer to CONNECT is the tunnel, not a body
        head.error = ReadUntil(
            buffer, source, parser, [&] { return parser.is_header_done(); }, gotAny);
        if (head.error)
            return head;
        head.status = parser.Status();
        head.statusLine = parser.StatusLine();
        if (head.status / 100 != 1 || head.status == 101)
            return head;
        interimLines = parser.Lines() + 1;
    }
}

} // namespace torvel
