#include "api/Url.h"

#include <algorithm>

#include "api/TransportError.h"
#include "util/uFuncoes.h"

namespace torvel {

namespace {

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

} // namespace

std::string BracketedHost(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

std::string Url::HostHeader() const {
    std::string header = BracketedHost(host);
    if (port != DefaultPort())
        header.append(":").append(std::to_string(port)); // see the end of ParseUrl
    return header;
}

std::string Url::Authority() const {
    std::string authority = BracketedHost(host);
    authority.append(":").append(std::to_string(port));
    return authority;
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
            url.scheme += AsciiLower(c);
        rest.remove_prefix(schemeEnd + 3);
    } else {
        url.scheme = "http";
    }
    if (url.scheme != "http" && url.scheme != "https")
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
    } else {
        url.port = url.DefaultPort();
    }

    // Put together by push_back and append: GCC 12 at -O3 warns falsely (-Wrestrict) on some
    // ways of joining a literal and a string (here, and in HostHeader).
    if (target.empty() || target.front() == '?')
        url.target.push_back('/');
    url.target.append(target);
    return url;
}

} // namespace torvel
