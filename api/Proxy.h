// Which HTTP proxy a request goes through: the PROXY key of Config.Ini, else the environment as
// curl reads it (https_proxy, http_proxy, all_proxy), with no_proxy and the loopback going direct.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "api/Url.h"
#include "util/Environment.h"

namespace torvel {

inline constexpr std::uint16_t kDefaultProxyPort = 1080; // as curl's

// "http://[user:password@]host[:port]"; the scheme may be left out. User and password may be
// percent-encoded, so that they can hold ":" and "@".
struct ProxyAddress {
    std::string host; // an IPv6 literal without its brackets
    std::uint16_t port = kDefaultProxyPort;
    std::string user;
    std::string password;

    // "host:port", with an IPv6 literal in brackets.
    std::string HostPort() const;
    // "http://host:port", never the password: what traces and logs show.
    std::string Shown() const;
    // The value of Proxy-Authorization ("Basic ..."), "" without a user.
    std::string Authorization() const;
};

// Throws TransportError for an address that cannot be used: another scheme, no host, a bad port,
// a control character.
ProxyAddress ParseProxyAddress(std::string_view text);

// The proxy for one request and why: `proxy` empty means direct.
struct ProxyChoice {
    std::optional<ProxyAddress> proxy;
    // "the PROXY key", the variable that named the proxy ("https_proxy", ...), or why the
    // request goes direct ("no_proxy", "NO_PROXY", "a loopback address", "no proxy set").
    std::string reason;
};

// `configured` is the PROXY key ("" when absent). no_proxy (or NO_PROXY) is a comma-separated
// list of host names matched as domain suffixes, IP addresses, each with an optional ":port", or
// "*" for every host; when neither variable is set, loopback addresses (localhost, 127.0.0.0/8,
// ::1) go direct. Empty variables count as unset, except no_proxy, whose empty value sends
// everything through the proxy.
ProxyChoice ChooseProxy(const Url& url, std::string_view configured, const Environment& env);

// What went wrong on the way through a proxy.
enum class ProxyFailure {
    NameNotFound,       // detail: the resolver's description
    Unreachable,        // detail: the socket's description
    WantsCredentials,   // 407 (or 401 to CONNECT) without a user; detail: the status line
    RefusedCredentials, // the same with one; detail: the status line
    RefusedTunnel,      // any other answer to CONNECT but 2xx; detail: the status line
    Closed,             // closed before its answer to CONNECT was whole
    Stalled,            // no whole answer to CONNECT within the connect bound
};

// "Proxy connection failed: ...", naming the proxy (never its password).
std::string ProxyFailureText(ProxyFailure failure, const ProxyAddress& proxy,
                             std::string_view detail = {});

} // namespace torvel
