// The address of a request cut into its parts, and the "Host" header it gives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace torvel {

// An address cut into its parts. The target (path and query) is kept byte for byte.
struct Url {
    std::string scheme; // "http" or "https"
    std::string host;   // as written; an IPv6 literal without its brackets
    std::uint16_t port = 80;
    std::string target; // starts with "/"

    bool Secure() const { return scheme == "https"; }
    // 80 for http, 443 for https.
    std::uint16_t DefaultPort() const { return Secure() ? 443 : 80; }
    // "host", or "host:port" when the port is not the scheme's default.
    std::string HostHeader() const;
    // "host:port" always with the port, as CONNECT names it.
    std::string Authority() const;
};

// The host as an address writes it: an IPv6 literal in brackets, anything else as it is.
std::string BracketedHost(const std::string& host);

// "\" becomes "/"; scheme (http or https; http when absent), host, optional ":" port up to the next
// "/" or
// "?", then the target. Throws TransportError for an address that cannot be sent: another
// scheme, no host, a bad port, or a control character that would break the request line.
Url ParseUrl(std::string_view address);

} // namespace torvel
