// In-memory cookie store of the HTTP transport: what replies set with "Set-Cookie" goes back in
// "Cookie" on later requests whose host and path match. Nothing is written to disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/Clock.h"

namespace torvel {

class CookieJar {
public:
    // Enough for any real server; a server that keeps inventing names cannot grow the store
    // without bound (the oldest cookies make room).
    static constexpr std::size_t kMaxCookies = 300;
    static constexpr std::size_t kMaxCookieBytes = 4096;

    // Takes one "Set-Cookie" header value received in reply to a request for `host` and
    // `requestPath` (the path of the target, with or without its query). Malformed or
    // foreign-domain cookies are ignored; an expired one removes the stored cookie.
    void Store(std::string_view setCookie, std::string_view host, std::string_view requestPath);

    // The value of the "Cookie" header for a request, "name=value; name2=value2", or the empty
    // text when no stored cookie matches. Longer paths come first, then older cookies.
    std::string HeaderFor(std::string_view host, std::string_view requestPath,
                          bool secure = false) const;

    std::size_t Size() const { return cookies_.size(); }
    void Clear() { cookies_.clear(); }

private:
    struct Cookie {
        std::string name;
        std::string value;
        std::string domain; // lower case, no leading dot
        std::string path;
        bool hostOnly = true;
        bool secure = false;
        std::optional<Clock::time_point> expires; // none: lives as long as the program
        std::uint64_t created = 0;
    };

    void DropExpired(Clock::time_point now);

    std::vector<Cookie> cookies_;
    std::uint64_t counter_ = 0;
};

// The "Expires" date of a cookie (RFC 6265 date algorithm, lenient about the format).
std::optional<Clock::time_point> ParseCookieDate(std::string_view text);

} // namespace torvel
