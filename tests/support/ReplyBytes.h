// Reads a reply from bytes in memory, as if a server sent them and then closed the connection:
// the reply reader without a socket, for the fault table and the fuzz target.
#pragma once

#include <boost/asio/error.hpp>
#include <boost/beast/core/read_size.hpp>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "api/ReplyReader.h"
#include "api/TransportError.h"

namespace torvel::test {

// The body, or the TransportError that a request to "http://reply.test/" would end in.
inline std::string ReadReplyBytes(std::string_view bytes) {
    boost::beast::flat_buffer buffer;
    auto source = [rest = bytes](boost::beast::flat_buffer& into) mutable {
        if (rest.empty())
            return boost::system::error_code(boost::asio::error::eof);
        const std::size_t n = std::min(rest.size(), boost::beast::read_size(into, kReplyReadBytes));
        std::memcpy(into.prepare(n).data(), rest.data(), n);
        into.commit(n);
        rest.remove_prefix(n);
        return boost::system::error_code();
    };
    CookieJar cookies;
    Reply reply = ReadReply(buffer, source, ParseUrl("http://reply.test/"), cookies);
    if (reply.error)
        throw TransportError(FailureText(reply.error));
    return std::move(reply.body);
}

} // namespace torvel::test
