#include "api/TransportError.h"

#include <boost/asio/error.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/beast/http/error.hpp>

#include <netdb.h>
#include <system_error>

namespace torvel {

namespace asio = boost::asio;
namespace http = boost::beast::http;

namespace {

constexpr std::string_view kHeaderTooLargeText = "The reply's header is larger than 64 KiB.";
constexpr std::string_view kBodyTooLargeText = "The reply's body is larger than 256 MiB.";

std::string WithFinalDot(std::string text) {
    if (text.empty() || text.back() != '.')
        text += '.';
    return text;
}

std::string SocketText(int number, std::string description) {
    return "Socket Error # " + std::to_string(number) + "\r\n" +
           WithFinalDot(std::move(description));
}

} // namespace

std::string SocketErrorText(int errorNumber) {
    return SocketText(errorNumber, std::system_category().message(errorNumber));
}

std::string FailureText(const boost::system::error_code& ec) {
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
    // A TLS record that does not decrypt or verify, after the handshake.
    if (ec.category() == asio::error::get_ssl_category() ||
        ec.category() == asio::ssl::error::get_stream_category())
        return WithFinalDot("SSL error: " + ec.message());
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

} // namespace torvel
