#include "api/Proxy.h"

#include <boost/asio/ip/address.hpp>

#include <openssl/evp.h>

#include <algorithm>
#include <vector>

#include "api/TransportError.h"
#include "util/uFuncoes.h"

namespace torvel {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "%40" becomes "@"; a "%" not followed by two hexadecimal digits stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsLoopback(const std::string& host) {
    if (EqualsAsciiNoCase(host, "localhost"))
        return true;
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address(host, ec);
    return !ec && address.is_loopback();
}

// A variable's value, or std::nullopt when it is unset (or, with `emptyIsUnset`, empty).
std::optional<std::string> Variable(const Environment& env, const char* name, bool emptyIsUnset) {
    const char* value = env(name);
    if (!value || (emptyIsUnset && !*value))
        return std::nullopt;
    return std::string(value);
}

// One entry of no_proxy against the request's host and port.
bool Matches(std::string_view entry, const Url& url) {
    std::string pattern = Trim(entry);
    if (pattern == "*")
        return true;
    std::string port;
    if (!pattern.empty() && pattern.front() == '[') {
        auto close = pattern.find(']');
        if (close == std::string::npos)
            return false;
        if (close + 1 < pattern.size() && pattern[close + 1] == ':')
            port = pattern.substr(close + 2);
        pattern = pattern.substr(1, close - 1);
    } else if (std::count(pattern.begin(), pattern.end(), ':') == 1) {
        auto colon = pattern.find(':');
        port = pattern.substr(colon + 1);
        pattern.resize(colon);
    }
    if (!port.empty() && port != std::to_string(url.port))
        return false;
    while (!pattern.empty() && pattern.front() == '.')
        pattern.erase(0, 1);
    if (pattern.empty())
        return false;
    const std::string host = LowerCase(url.host);
    pattern = LowerCase(pattern);
    if (host == pattern)
        return true;
    boost::system::error_code notAddress;
    boost::asio::ip::make_address(host, notAddress);
    return notAddress && host.size() > pattern.size() &&
           host.compare(host.size() - pattern.size(), pattern.size(), pattern) == 0 &&
           host[host.size() - pattern.size() - 1] == '.';
}

} // namespace

std::string ProxyAddress::HostPort() const {
    return BracketedHost(host) + ":" + std::to_string(port);
}

std::string ProxyAddress::Shown() const {
    return "http://" + HostPort();
}

std::string ProxyAddress::Authorization() const {
    if (user.empty())
        return {};
    const std::string plain = user + ":" + password;
    std::vector<unsigned char> encoded(4 * ((plain.size() + 2) / 3) + 1);
    const int n =
        EVP_EncodeBlock(encoded.data(), reinterpret_cast<const unsigned char*>(plain.data()),
                        static_cast<int>(plain.size()));
    return "Basic " + std::string(reinterpret_cast<const char*>(encoded.data()), std::size_t(n));
}

ProxyAddress ParseProxyAddress(std::string_view text) {
    // The text may hold a password, so it is never shown.
    auto invalid = [](std::string_view why) {
        return TransportError("Invalid proxy address: " + std::string(why) + ".");
    };
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw invalid("it holds a control character");
    std::string_view rest = text;
    if (auto schemeEnd = rest.find("://"); schemeEnd != std::string_view::npos) {
        if (!EqualsAsciiNoCase(rest.substr(0, schemeEnd), "http"))
            throw invalid("only http:// proxies are supported");
        rest.remove_prefix(schemeEnd + 3);
    }
    rest = rest.substr(0, rest.find('/')); // a trailing "/" is common in these variables
    ProxyAddress proxy;
    if (auto at = rest.rfind('@'); at != std::string_view::npos) {
        std::string_view userInfo = rest.substr(0, at);
        auto colon = userInfo.find(':');
        proxy.user = PercentDecoded(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            proxy.password = PercentDecoded(userInfo.substr(colon + 1));
        rest.remove_prefix(at + 1);
    }
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        auto close = rest.find(']');
        if (close == std::string_view::npos)
            throw invalid("an unclosed \"[\"");
        proxy.host = std::string(rest.substr(1, close - 1));
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':')
                throw invalid("text after the host");
            port = rest.substr(close + 2);
        }
    } else {
        auto colon = rest.find(':');
        proxy.host = std::string(rest.substr(0, colon));
        if (colon != std::string_view::npos)
            port = rest.substr(colon + 1);
    }
    if (proxy.host.empty() || proxy.host.find(' ') != std::string::npos)
        throw invalid("no host");
    if (!port.empty()) {
        if (port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(std::string(port)) < 1 || std::stoi(std::string(port)) > 65535)
            throw invalid("a bad port");
        proxy.port = static_cast<std::uint16_t>(std::stoi(std::string(port)));
    }
    return proxy;
}

ProxyChoice ChooseProxy(const Url& url, std::string_view configured, const Environment& env) {
    ProxyChoice choice;
    std::string text(configured);
    choice.reason = "the PROXY key";
    if (text.empty()) {
        std::vector<const char*> names;
        if (url.Secure())
            names = {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"};
        else // HTTP_PROXY is left alone: a CGI program gets it from a request's "Proxy:" header
            names = {"http_proxy", "all_proxy", "ALL_PROXY"};
        for (const char* name : names)
            if (auto value = Variable(env, name, true)) {
                text = *value;
                choice.reason = name;
                break;
            }
    }
    if (text.empty()) {
        choice.reason = "no proxy set";
        return choice;
    }
    std::optional<std::string> noProxy;
    std::string noProxyName;
    for (const char* name : {"no_proxy", "NO_PROXY"})
        if ((noProxy = Variable(env, name, false))) {
            noProxyName = name;
            break;
        }
    if (!noProxy) {
        if (IsLoopback(url.host)) {
            choice.reason = "a loopback address";
            return choice;
        }
    } else {
        for (const std::string& entry : SplitAt(*noProxy, ','))
            if (Matches(entry, url)) {
                choice.reason = noProxyName;
                return choice;
            }
    }
    try {
        choice.proxy = ParseProxyAddress(text);
    } catch (const TransportError& e) { // say where the address came from
        std::string what = e.what();
        throw TransportError(what.insert(what.find(':'), " in " + choice.reason));
    }
    return choice;
}

std::string ProxyFailureText(ProxyFailure failure, const ProxyAddress& proxy,
                             std::string_view detail) {
    const std::string named = "Proxy connection failed: the proxy " + proxy.HostPort();
    // A socket's failure text is described without its "Socket Error # n" line.
    if (const auto lineBreak = detail.find("\r\n"); lineBreak != std::string_view::npos)
        detail.remove_prefix(lineBreak + 2);
    if (!detail.empty() && detail.back() == '.')
        detail.remove_suffix(1);
    const std::string because = " (" + std::string(detail) + ").";
    switch (failure) {
    case ProxyFailure::NameNotFound:
        return "Proxy connection failed: the proxy's host name \"" + proxy.host +
               "\" was not found" + because;
    case ProxyFailure::Unreachable:
        return "Proxy connection failed: cannot reach the proxy " + proxy.HostPort() + because;
    case ProxyFailure::WantsCredentials:
        return named + " wants a user name and password" + because;
    case ProxyFailure::RefusedCredentials:
        return named + " refused the user name and password" + because;
    case ProxyFailure::RefusedTunnel:
        return named + " refused the tunnel" + because;
    case ProxyFailure::Closed:
        return named + " closed the connection.";
    case ProxyFailure::Stalled:
        return named + " did not answer in time.";
    }
    return named + ".";
}

} // namespace torvel
