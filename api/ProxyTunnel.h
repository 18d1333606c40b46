// The tunnel through an HTTP proxy to an https server: the CONNECT request, and what the proxy's
// answer to it means.
#pragma once

#include <optional>
#include <string>

#include "api/Proxy.h"
#include "api/ReplyReader.h"
#include "api/Url.h"

namespace torvel {

// "CONNECT host:port HTTP/1.1", the Host header, and Proxy-Authorization when the proxy's
// address holds a user.
std::string TunnelRequest(const Url& url, const ProxyAddress& proxy);

// The failure text of the proxy's answer to CONNECT (`head`, or the error of reading it);
// std::nullopt when the tunnel is open.
std::optional<std::string> TunnelFailure(const ReplyHead& head, const ProxyAddress& proxy);

// The text of a proxy's 407 (or 401 to CONNECT): it wants a user and password, or refused the
// ones it got.
std::string ProxyAuthenticationText(const ProxyAddress& proxy, const std::string& statusLine);

} // namespace torvel
