// Rules without a socket: the store check's integer reading, address parsing and the cookie
// store.
#include "api/CookieJar.h"
#include "api/HttpTransport.h"
#include "api/OrderApi.h"

#include <gtest/gtest.h>

#include "tests/support/ClockGuard.h"

namespace torvel {
namespace {

using namespace std::chrono_literals;

TEST(ReadUserId, AcceptsOnlyAWholeSigned32BitInteger) {
    struct Case {
        std::string body;
        std::optional<std::int32_t> id;
    };
    const Case cases[] = {
        {"1021", 1021},
        {"  1021", 1021},
        {"-3", -3},
        {"+7", 7},
        {"0021", 21},
        {"$1F", 31},
        {"x1f", 31},
        {"0x1F", 31},
        {" -$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"$7FFFFFFF", 2147483647},
        {"-0x80000000", INT32_MIN},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"1021\r\n", std::nullopt},
        {"1021 ", std::nullopt},
        {"\t1021", std::nullopt},
        {"NAO", std::nullopt},
        {"12a", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"--1", std::nullopt},
        {"1.5", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$80000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {std::string("1021\0", 5), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadUserId(c.body), c.id) << '"' << c.body << '"';
}

TEST(ParseUrl, CutsTheAddressAndKeepsTheTargetByteForByte) {
    struct Case {
        std::string address, host;
        std::uint16_t port;
        std::string target, hostHeader;
    };
    const Case cases[] = {
        {"http://www.torvel.example/api/torvel/pedidos.php?ID=12.345.678/0001-90&CTRO=34",
         "www.torvel.example", 80, "/api/torvel/pedidos.php?ID=12.345.678/0001-90&CTRO=34",
         "www.torvel.example"},
        {"http://h:8080/x?a=%41 b", "h", 8080, "/x?a=%41 b", "h:8080"},
        {"http://h:80/x", "h", 80, "/x", "h"},
        {"http:\\\\h\\a\\b?q=1\\2", "h", 80, "/a/b?q=1/2", "h"},
        {"h/x", "h", 80, "/x", "h"},
        {"http://h", "h", 80, "/", "h"},
        {"http://h?a=b://c", "h", 80, "/?a=b://c", "h"},
        {"HTTP://Host.Example/X", "Host.Example", 80, "/X", "Host.Example"},
        {"http://[::1]:8080/x", "::1", 8080, "/x", "[::1]:8080"},
        {"http://h/p\xE7?v=\xE9", "h", 80, "/p\xE7?v=\xE9", "h"},
        {"https://h/x", "h", 443, "/x", "h"},
        {"HTTPS://h:443/x", "h", 443, "/x", "h"},
        {"https://h:80/x", "h", 80, "/x", "h:80"},
        {"http://h:443/x", "h", 443, "/x", "h:443"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        Url url = ParseUrl(c.address);
        const bool secure = c.address.rfind("https", 0) == 0 || c.address.rfind("HTTPS", 0) == 0;
        EXPECT_EQ(url.scheme, secure ? "https" : "http");
        EXPECT_EQ(url.host, c.host);
        EXPECT_EQ(url.port, c.port);
        EXPECT_EQ(url.target, c.target);
        EXPECT_EQ(url.HostHeader(), c.hostHeader);
    }
}

TEST(SocketErrorText, NamesTheNumberAndEndsTheDescriptionWithADot) {
    EXPECT_EQ(SocketErrorText(111), "Socket Error # 111\r\nConnection refused.");
    EXPECT_EQ(SocketErrorText(104), "Socket Error # 104\r\nConnection reset by peer.");
    EXPECT_EQ(SocketErrorText(110), kTimedOutText);
}

class CookieJarTest : public ::testing::Test {
protected:
    // 2025-03-07 12:00:00 UTC
    const Clock::time_point kNow = Clock::time_point(1741348800s);
    test::ClockGuard clock{kNow};
    CookieJar jar;
};

TEST_F(CookieJarTest, SendsCookiesWhoseHostAndPathMatch) {
    jar.Store("a=1", "www.torvel.example", "/api/torvel/pedidos.php?ID=1");
    jar.Store("b=2; Path=/", "www.torvel.example", "/api/torvel/x");
    jar.Store("c=3; Domain=.torvel.example; Path=/api", "www.torvel.example", "/");
    jar.Store("d=4; Domain=other.example", "www.torvel.example", "/"); // foreign: dropped
    jar.Store("e=5; Secure", "www.torvel.example", "/");               // https only
    jar.Store("noequals", "www.torvel.example", "/");                  // malformed
    jar.Store("=6", "www.torvel.example", "/");                        // no name

    struct Case {
        std::string host, path, header;
    };
    const Case cases[] = {
        {"www.torvel.example", "/api/torvel/pedidos_1.php?Pedido=1", "a=1; c=3; b=2"},
        {"WWW.TORVEL.EXAMPLE", "/api/torvel", "a=1; c=3; b=2"},
        {"www.torvel.example", "/api/torvelx", "c=3; b=2"},
        {"www.torvel.example", "/apix", "b=2"},
        {"torvel.example", "/api/torvel/y", "c=3"},
        {"x.www.torvel.example", "/api", "c=3"},
        {"other.example", "/", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jar.HeaderFor(c.host, c.path), c.header) << c.host << c.path;
    EXPECT_EQ(jar.HeaderFor("www.torvel.example", "/", true), "b=2; e=5");
}

TEST_F(CookieJarTest, ReplacesExpiresAndDeletes) {
    const std::string host = "h.example";
    jar.Store("s=old", host, "/");
    jar.Store("t=1", host, "/");
    jar.Store("s=new", host, "/");
    EXPECT_EQ(jar.HeaderFor(host, "/"), "s=new; t=1"); // replaced in place
    jar.Store("t=gone; Max-Age=0", host, "/");
    EXPECT_EQ(jar.HeaderFor(host, "/"), "s=new");
    jar.Store("s=x; Expires=Thu, 01 Jan 1970 00:00:00 GMT", host, "/");
    EXPECT_EQ(jar.HeaderFor(host, "/"), "");
    EXPECT_EQ(jar.Size(), 0u);

    jar.Store("m=1; Max-Age=60", host, "/");
    jar.Store("e=1; Expires=Fri, 07 Mar 2025 12:10:00 GMT", host, "/");
    jar.Store("both=1; Expires=Fri, 07 Mar 2025 13:00:00 GMT; Max-Age=1", host, "/");
    EXPECT_EQ(jar.HeaderFor(host, "/"), "m=1; e=1; both=1");
    clock.Set(kNow + 2s);
    EXPECT_EQ(jar.HeaderFor(host, "/"), "m=1; e=1");
    clock.Set(kNow + 61s);
    EXPECT_EQ(jar.HeaderFor(host, "/"), "e=1");
    clock.Set(kNow + 11min);
    EXPECT_EQ(jar.HeaderFor(host, "/"), "");
}

TEST_F(CookieJarTest, StaysBoundedAgainstAServerThatInventsNames) {
    for (std::size_t i = 0; i < CookieJar::kMaxCookies + 50; ++i)
        jar.Store("n" + std::to_string(i) + "=v", "h", "/");
    EXPECT_EQ(jar.Size(), CookieJar::kMaxCookies);
    std::string header = jar.HeaderFor("h", "/");
    EXPECT_EQ(header.find("n0=v"), std::string::npos); // the oldest made room
    EXPECT_NE(header.find("n349=v"), std::string::npos);
    jar.Store("big=" + std::string(CookieJar::kMaxCookieBytes, 'x'), "h", "/");
    EXPECT_EQ(jar.HeaderFor("h", "/").find("big="), std::string::npos);
}

TEST(ParseCookieDate, ReadsTheUsualFormats) {
    const Clock::time_point expected = Clock::time_point(1741348800s); // 2025-03-07 12:00:00
    for (const char* text : {"Fri, 07 Mar 2025 12:00:00 GMT", "Friday, 07-Mar-25 12:00:00 GMT",
                             "Fri Mar  7 12:00:00 2025", "7 march 2025 12:0:0"}) {
        auto parsed = ParseCookieDate(text);
        ASSERT_TRUE(parsed.has_value()) << text;
        EXPECT_EQ(*parsed, expected) << text;
    }
    for (const char* text :
         {"", "Fri, 07 Mar 2025", "Fri, 31 Feb 2025 12:00:00 GMT", "07 Mar 2025 24:00:00",
          "07 Foo 2025 12:00:00", "07 Mar 1600 12:00:00"})
        EXPECT_FALSE(ParseCookieDate(text).has_value()) << text;
}

} // namespace
} // namespace torvel
