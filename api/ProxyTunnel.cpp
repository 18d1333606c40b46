#include "api/ProxyTunnel.h"

#include <boost/asio/error.hpp>
#include <boost/beast/http/error.hpp>

#include "api/TransportError.h"

namespace torvel {

namespace asio = boost::asio;
namespace http = boost::beast::http;

std::string TunnelRequest(const Url& url, const ProxyAddress& proxy) {
    std::string request =
        "CONNECT " + url.Authority() + " HTTP/1.1\r\nHost: " + url.Authority() + "\r\n";
    if (const std::string credentials = proxy.Authorization(); !credentials.empty())
        request += "Proxy-Authorization: " + credentials + "\r\n";
    return request + "\r\n";
}

std::optional<std::string> TunnelFailure(const ReplyHead& head, const ProxyAddress& proxy) {
    const auto& ec = head.error;
    if (ec == asio::error::timed_out)
        return ProxyFailureText(ProxyFailure::Stalled, proxy);
    if (ec == http::error::end_of_stream || ec == http::error::partial_message ||
        ec == asio::error::eof || ec == asio::error::connection_reset ||
        ec == asio::error::broken_pipe)
        return ProxyFailureText(ProxyFailure::Closed, proxy);
    if (ec) // not HTTP, or past the header limits
        return ProxyFailureText(ProxyFailure::RefusedTunnel, proxy, FailureText(ec));
    // Before the tunnel, only the proxy can ask for credentials; some proxies (tinyproxy) answer
    // a wrong password with 401 rather than 407.
    if (head.status == 407 || head.status == 401)
        return ProxyAuthenticationText(proxy, head.statusLine);
    if (head.status < 200 || head.status > 299)
        return ProxyFailureText(ProxyFailure::RefusedTunnel, proxy, head.statusLine);
    return std::nullopt;
}

std::string ProxyAuthenticationText(const ProxyAddress& proxy, const std::string& statusLine) {
    return ProxyFailureText(proxy.user.empty() ? ProxyFailure::WantsCredentials
                                               : ProxyFailure::RefusedCredentials,
                            proxy, statusLine);
}

} // namespace torvel
