// Reads one HTTP reply: interim (1xx) replies, the status line, header lines, and a body by
// length, by chunks or up to the close, within the reply limits, storing the cookies it sets.
// It takes its bytes from a source, so a socket, a TLS stream and bytes in memory read alike.
#pragma once

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/system/error_code.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "api/CookieJar.h"
#include "api/Url.h"

namespace torvel {

inline constexpr std::uint64_t kMaxReplyBodyBytes = 256ull * 1024 * 1024;
// Header lines of a reply; the interim (1xx) replies before it count, with their status lines.
inline constexpr std::size_t kMaxReplyHeaderLines = 255;
inline constexpr std::size_t kMaxReplyHeaderBytes = 64 * 1024;

// The most one read takes. Each read is sized by the buffer's free capacity (at least 512
// bytes): the reader keeps this much room in the buffer, or a large body would arrive 512 bytes
// at a time. How many header lines one read brings also decides whether a reply that exceeds
// both header limits fails on its lines or on its size.
inline constexpr std::size_t kReplyReadBytes = 64 * 1024;

// Appends some bytes of the reply to the buffer (prepare, then commit), as many as arrive in
// one read of at most beast::read_size(buffer, kReplyReadBytes); asio::error::eof once the peer
// has closed and nothing is left, or the error of the failed read.
using ReplySource = std::function<boost::system::error_code(boost::beast::flat_buffer&)>;

struct Reply {
    // A failed read or a reply that breaks the framing or the limits; FailureText says it.
    boost::system::error_code error;
    // Whether any byte of a reply arrived: a kept connection that fails before the first one
    // was closed by the server while idle.
    bool gotAny = false;
    // The connection may carry the next request: the reply allows it and nothing follows it.
    bool reusable = false;
    std::string statusLine; // as received
    std::string body;       // as received
};

// The head of a proxy's answer to CONNECT: no body follows a 2xx one, and whatever else it says,
// the connection is closed next.
struct ReplyHead {
    boost::system::error_code error; // a failed read, or bytes that are not an HTTP head
    int status = 0;
    std::string statusLine; // as received
};

// Reads the reply to a request for `url`, starting with what `buffer` already holds; bytes
// read past the reply stay in it. Throws TransportError for a reply that refuses the request
// (any status but 2xx, a redirect, more header lines than the limit), with the status line as
// received for its text.
Reply ReadReply(boost::beast::flat_buffer& buffer, const ReplySource& source, const Url& url,
                CookieJar& cookies);

// The code of a status line as received ("HTTP/1.1 404 Not Found" gives 404), 0 when it has none.
int StatusCode(std::string_view statusLine);

// Reads the head of the answer to CONNECT, interim (1xx) replies skipped, within the same
// header limits (a reply past them is an error here, not a throw).
ReplyHead ReadReplyHead(boost::beast::flat_buffer& buffer, const ReplySource& source);

} // namespace torvel
