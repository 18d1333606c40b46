#include "api/CookieJar.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "util/uFuncoes.h"

namespace torvel {

namespace {

std::string LowerText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool LooksLikeIpAddress(std::string_view host) {
    if (host.find(':') != std::string_view::npos)
        return true; // IPv6
    return !host.empty() &&
           std::all_of(host.begin(), host.end(), [](char c) { return IsDigit(c) || c == '.'; });
}

bool DomainMatches(std::string_view host, std::string_view domain) {
    if (host == domain)
        return true;
    return !LooksLikeIpAddress(host) && host.size() > domain.size() &&
           host.substr(host.size() - domain.size()) == domain &&
           host[host.size() - domain.size() - 1] == '.';
}

bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
    if (requestPath == cookiePath)
        return true;
    if (requestPath.substr(0, cookiePath.size()) != cookiePath)
        return false;
    return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

// The path of a request target, without its query.
std::string_view PathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

std::string DefaultPath(std::string_view requestPath) {
    std::string_view path = PathOf(requestPath);
    if (path.empty() || path.front() != '/')
        return "/";
    auto last = path.rfind('/');
    if (last == 0)
        return "/";
    return std::string(path.substr(0, last));
}

// Reads 1..maxDigits leading digits followed by the end or a non-digit.
std::optional<int> LeadingNumber(std::string_view token, std::size_t minDigits,
                                 std::size_t maxDigits) {
    std::size_t n = 0;
    while (n < token.size() && IsDigit(token[n]))
        ++n;
    if (n < minDigits || n > maxDigits)
        return std::nullopt;
    int value = 0;
    std::from_chars(token.data(), token.data() + n, value);
    return value;
}

bool IsDateDelimiter(unsigned char c) {
    return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) ||
           (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

// Days since 1970-01-01 of a civil date.
long long DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

std::optional<Clock::time_point> ParseCookieDate(std::string_view text) {
    static constexpr std::array<std::string_view, 12> months{
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    std::optional<int> hour, minute, second, day, month, year;

    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsDateDelimiter(static_cast<unsigned char>(text[i])))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !IsDateDelimiter(static_cast<unsigned char>(text[i])))
            ++i;
        std::string_view token = text.substr(start, i - start);
        if (token.empty())
            continue;

        if (!hour) {
            // hh:mm:ss, each one or two digits
            auto h = LeadingNumber(token, 1, 2);
            auto c1 = token.find(':');
            if (h && c1 != std::string_view::npos && c1 <= 2) {
                auto rest = token.substr(c1 + 1);
                auto m = LeadingNumber(rest, 1, 2);
                auto c2 = rest.find(':');
                if (m && c2 != std::string_view::npos && c2 <= 2) {
                    auto s = LeadingNumber(rest.substr(c2 + 1), 1, 2);
                    if (s) {
                        hour = h, minute = m, second = s;
                        continue;
                    }
                }
            }
        }
        if (!day) {
            if (auto d = LeadingNumber(token, 1, 2)) {
                day = d;
                continue;
            }
        }
        if (!month && token.size() >= 3) {
            auto found = std::find(months.begin(), months.end(), LowerText(token.substr(0, 3)));
            if (found != months.end()) {
                month = static_cast<int>(found - months.begin()) + 1;
                continue;
            }
        }
        if (!year) {
            if (auto y = LeadingNumber(token, 2, 4)) {
                year = y;
                continue;
            }
        }
    }

    if (!hour || !day || !month || !year)
        return std::nullopt;
    int y = *year;
    if (y >= 70 && y <= 99)
        y += 1900;
    else if (y >= 0 && y <= 69)
        y += 2000;
    if (y < 1601 || *hour > 23 || *minute > 59 || *second > 59 || *day < 1 ||
        *day > DaysInMonth(y, *month))
        return std::nullopt;

    long long seconds =
        DaysFromCivil(y, static_cast<unsigned>(*month), static_cast<unsigned>(*day)) * 86400LL +
        *hour * 3600LL + *minute * 60LL + *second;
    return Clock::time_point(std::chrono::seconds(seconds));
}

void CookieJar::DropExpired(Clock::time_point now) {
    std::erase_if(cookies_, [now](const Cookie& c) { return c.expires && *c.expires <= now; });
}

void CookieJar::Store(std::string_view setCookie, std::string_view host,
                      std::string_view requestPath) {
    if (setCookie.size() > kMaxCookieBytes)
        return;
    const Clock::time_point now = Now();
    const std::string requestHost = LowerText(host);

    std::string_view pair = setCookie.substr(0, setCookie.find(';'));
    std::string_view attributes =
        pair.size() < setCookie.size() ? setCookie.substr(pair.size() + 1) : std::string_view{};
    auto eq = pair.find('=');
    if (eq == std::string_view::npos)
        return;
    Cookie cookie;
    cookie.name = std::string(TrimBlanks(pair.substr(0, eq)));
    cookie.value = std::string(TrimBlanks(pair.substr(eq + 1)));
    if (cookie.name.empty())
        return;

    std::optional<Clock::time_point> expires;
    std::optional<Clock::time_point> maxAge;
    std::string domain;
    std::string path;
    while (!attributes.empty()) {
        std::string_view attribute = attributes.substr(0, attributes.find(';'));
        attributes.remove_prefix(std::min(attributes.size(), attribute.size() + 1));
        auto aeq = attribute.find('=');
        std::string_view key = TrimBlanks(attribute.substr(0, aeq));
        std::string_view value = aeq == std::string_view::npos
                                     ? std::string_view{}
                                     : TrimBlanks(attribute.substr(aeq + 1));
        if (EqualsAsciiNoCase(key, "expires")) {
            if (auto when = ParseCookieDate(value))
                expires = when;
        } else if (EqualsAsciiNoCase(key, "max-age")) {
            std::string_view digits =
                !value.empty() && value.front() == '-' ? value.substr(1) : value;
            if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit))
                continue;
            long long secondsLeft = 0;
            auto result =
                std::from_chars(digits.data(), digits.data() + digits.size(), secondsLeft);
            constexpr long long kCentury = 100LL * 365 * 86400;
            if (value.front() == '-' || secondsLeft == 0)
                maxAge = Clock::time_point::min();
            else if (result.ec == std::errc::result_out_of_range || secondsLeft > kCentury)
                maxAge = now + std::chrono::seconds(kCentury);
            else
                maxAge = now + std::chrono::seconds(secondsLeft);
        } else if (EqualsAsciiNoCase(key, "domain")) {
            std::string_view d = value;
            if (!d.empty() && d.front() == '.')
                d.remove_prefix(1);
            if (!d.empty())
                domain = LowerText(d);
        } else if (EqualsAsciiNoCase(key, "path")) {
            if (!value.empty() && value.front() == '/')
                path = std::string(value);
        } else if (EqualsAsciiNoCase(key, "secure")) {
            cookie.secure = true;
        }
    }

    if (!domain.empty()) {
        if (!DomainMatches(requestHost, domain))
            return; // a server may not set cookies for another site
        cookie.domain = domain;
        cookie.hostOnly = false;
    } else {
        cookie.domain = requestHost;
        cookie.hostOnly = true;
    }
    cookie.path = path.empty() ? DefaultPath(requestPath) : path;
    cookie.expires = maxAge ? maxAge : expires;

    DropExpired(now);
    auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    });
    const bool expired = cookie.expires && *cookie.expires <= now;
    if (same != cookies_.end()) {
        if (expired) {
            cookies_.erase(same);
        } else {
            cookie.created = same->created;
            *same = std::move(cookie);
        }
        return;
    }
    if (expired)
        return;
    if (cookies_.size() >= kMaxCookies) {
        cookies_.erase(std::min_element(
            cookies_.begin(), cookies_.end(),
            [](const Cookie& a, const Cookie& b) { return a.created < b.created; }));
    }
    cookie.created = ++counter_;
    cookies_.push_back(std::move(cookie));
}

std::string CookieJar::HeaderFor(std::string_view host, std::string_view requestPath,
                                 bool secure) const {
    const Clock::time_point now = Now();
    const std::string requestHost = LowerText(host);
    std::string_view path = PathOf(requestPath);
    if (path.empty())
        path = "/";

    std::vector<const Cookie*> chosen;
    for (const Cookie& c : cookies_) {
        if (c.expires && *c.expires <= now)
            continue;
        if (c.secure && !secure)
            continue;
        bool hostOk = c.hostOnly ? requestHost == c.domain : DomainMatches(requestHost, c.domain);
        if (hostOk && PathMatches(path, c.path))
            chosen.push_back(&c);
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const Cookie* a, const Cookie* b) {
        if (a->path.size() != b->path.size())
            return a->path.size() > b->path.size();
        return a->created < b->created;
    });

    std::string header;
    for (const Cookie* c : chosen) {
        if (!header.empty())
            header += "; ";
        header += c->name;
        header += '=';
        header += c->value;
    }
    return header;
}

} // namespace torvel
