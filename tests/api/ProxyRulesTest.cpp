// Which proxy a request takes, from the PROXY key and the environment as curl reads them, and the
// proxy addresses that cannot be used.
#include "api/Proxy.h"

#include <gtest/gtest.h>

#include <map>

#include "api/TransportError.h"

namespace torvel {
namespace {

// The proxy a request for `address` takes ("direct" when none) and why.
std::string Route(const std::string& address, const std::map<std::string, std::string>& env,
                  const std::string& configured = {}) {
    const ProxyChoice choice = ChooseProxy(ParseUrl(address), configured, [&env](const char* n) {
        auto it = env.find(n);
        return it == env.end() ? nullptr : it->second.c_str();
    });
    return (choice.proxy ? choice.proxy->Shown() : "direct") + " (" + choice.reason + ")";
}

TEST(ProxyRules, TheKeyThenTheVariablesOfTheAddressesSchemeAsCurlReadsThem) {
    const std::map<std::string, std::string> env{{"https_proxy", "http://s:3128"},
                                                 {"HTTPS_PROXY", "http://upper:1"},
                                                 {"HTTP_PROXY", "http://cgi:1"},
                                                 {"all_proxy", "http://all:8080/"}};
    EXPECT_EQ(Route("https://orders.example.com/", env), "http://s:3128 (https_proxy)");
    // HTTP_PROXY in upper case is not read, as curl does not; all_proxy covers http then.
    EXPECT_EQ(Route("http://orders.example.com/", env), "http://all:8080 (all_proxy)");
    EXPECT_EQ(Route("https://orders.example.com/", env, "proxy.store"),
              "http://proxy.store:1080 (the PROXY key)");
    EXPECT_EQ(Route("https://orders.example.com/", {{"HTTPS_PROXY", "http://upper:1"}}),
              "http://upper:1 (HTTPS_PROXY)");
    EXPECT_EQ(Route("https://orders.example.com/", {{"https_proxy", ""}}), "direct (no proxy set)");
}

TEST(ProxyRules, NoProxyAndTheLoopbackGoDirect) {
    std::map<std::string, std::string> env{{"http_proxy", "http://p:3128"}};
    EXPECT_EQ(Route("http://127.0.0.1:8080/", env), "direct (a loopback address)");
    EXPECT_EQ(Route("http://localhost/", env), "direct (a loopback address)");
    env["no_proxy"] = ""; // set, and empty: the loopback goes through the proxy too
    EXPECT_EQ(Route("http://127.0.0.1:8080/", env), "http://p:3128 (http_proxy)");
    env["no_proxy"] = " .example.com, 10.0.0.5, other.test:8080";
    EXPECT_EQ(Route("http://www.example.com/", env), "direct (no_proxy)");
    EXPECT_EQ(Route("http://example.com/", env), "direct (no_proxy)");
    EXPECT_EQ(Route("http://badexample.com/", env), "http://p:3128 (http_proxy)");
    EXPECT_EQ(Route("http://10.0.0.5/", env), "direct (no_proxy)");
    EXPECT_EQ(Route("http://10.0.0.50/", env), "http://p:3128 (http_proxy)");
    EXPECT_EQ(Route("http://other.test:8080/", env), "direct (no_proxy)");
    EXPECT_EQ(Route("http://other.test:8081/", env), "http://p:3128 (http_proxy)");
    env.erase("no_proxy");
    env["NO_PROXY"] = "*";
    EXPECT_EQ(Route("http://anything.example/", env), "direct (NO_PROXY)");
}

TEST(ProxyRules, AnAddressThatCannotBeUsedIsAClearError) {
    const ProxyAddress proxy = ParseProxyAddress("http://clerk:p%3Ass%40w@[::1]:3128/");
    EXPECT_EQ(proxy.host, "::1");
    EXPECT_EQ(proxy.port, 3128);
    EXPECT_EQ(proxy.user, "clerk");
    EXPECT_EQ(proxy.password, "p:ss@w");
    EXPECT_EQ(proxy.Shown(), "http://[::1]:3128");
    for (const auto& [text, failure] : std::map<std::string, std::string>{
             {"socks5://p:1080", "only http:// proxies are supported"},
             {"https://p:443", "only http:// proxies are supported"},
             {"http://:3128", "no host"},
             {"http://p:99999", "a bad port"},
             {"http://p:x", "a bad port"},
             {"http://user:secret@p\n", "it holds a control character"}}) {
        try {
            ParseProxyAddress(text);
            ADD_FAILURE() << text;
        } catch (const TransportError& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid proxy address: " + failure + ".");
            EXPECT_EQ(std::string(e.what()).find("secret"), std::string::npos);
        }
    }
    try {
        Route("https://orders.example.com/", {{"https_proxy", "socks5://p:1080"}});
        ADD_FAILURE();
    } catch (const TransportError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Invalid proxy address in https_proxy: only http:// proxies are supported.");
    }
}

} // namespace
} // namespace torvel
