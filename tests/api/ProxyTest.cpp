// The transport through a real HTTP proxy on the loopback (tinyproxy from Debian, with and without
// a password) in front of the reference order server over http and over https, and in front of
// the scripted server where the exact bytes matter: the order road end to end, the bytes that
// reach the server, a wrong password, no_proxy, and a proxy that is down.
#include "api/OrderApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "tests/support/EndpointGuard.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TlsFront.h"

namespace torvel {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;

const std::string kCrf = "12.345.678/0001-95"; // the demo data's user 1021
const std::string kFailed = "Proxy connection failed: the proxy ";

class ThroughTinyproxy : public test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        if (test::ProxyProcess::Executable().empty())
            GTEST_SKIP() << "tinyproxy is not installed (scripts/setup.sh installs it)";
        certs.emplace(Dir());
        // Only what a case sets reaches the transport; the trust store is the test CA alone.
        for (const char* name : {"https_proxy", "HTTPS_PROXY", "http_proxy", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            env.Set(name, std::nullopt);
        std::ofstream("no-cas.pem");
        env.Set("SSL_CERT_FILE", "no-cas.pem");
        env.Set("SSL_CERT_DIR", Dir().string());
    }

    // The proxy for both schemes, with nothing going direct (not even the loopback).
    void UseProxyFromTheEnvironment(const std::string& url) {
        env.Set("https_proxy", url);
        env.Set("http_proxy", url);
        env.Set("no_proxy", "");
    }

    static std::string Failure(HttpTransport& transport, const std::string& url) {
        try {
            transport.Get(url);
        } catch (const TransportError& e) {
            return e.what();
        }
        return "no failure";
    }

    std::filesystem::path Folder(const std::string& name) const {
        std::filesystem::create_directories(Dir() / name);
        return Dir() / name;
    }

    std::optional<test::TestCertificates> certs;
    test::EnvGuard env;
};

TEST_F(ThroughTinyproxy, TheOrderRoadRunsThroughTheProxyOverHttpAndHttps) {
    for (bool https : {false, true}) {
        SCOPED_TRACE(https ? "https" : "http");
        const std::string scheme = https ? "https" : "http";
        test::OrderServerProcess server(TORVEL_SERVER_PATH, Folder(scheme),
                                        https ? &certs->trusted : nullptr);
        test::ProxyProcess proxy(Folder(scheme));
        UseProxyFromTheEnvironment(proxy.Url());
        HttpTransport transport;
        transport.SetCertificatesFile(certs->caFile);
        OrderApi api(transport, scheme + "://" + server.HostPort());

        const StoreCheck check = api.CheckStore(kCrf, "34");
        ASSERT_EQ(check.userId, 1021) << check.body;
        const std::string catalogue = api.FetchCatalogueBody(1021, "34");
        EXPECT_GT(std::count(catalogue.begin(), catalogue.end(), ';'), 100);
        const std::size_t before = api.ListOrders(1021, "34").size();
        std::ofstream("34+1021.Txt", std::ios::binary)
            << "1|1001|SENT THROUGH THE PROXY|1,00|1|1,00\r\nOBS|PROXY|15/03/2026 09:00\r\n";
        api.UploadOrder("34+1021.Txt");
        const auto orders = api.ListOrders(1021, "34");
        EXPECT_EQ(orders.size(), before + 1);

        // What the proxy was asked: the whole address for plain http, a tunnel for https.
        const std::string log = proxy.Log();
        if (https) {
            EXPECT_NE(log.find("CONNECT " + server.HostPort() + " HTTP/1.1"), std::string::npos)
                << log;
            EXPECT_EQ(log.find("GET "), std::string::npos) << log;
        } else {
            EXPECT_NE(log.find("GET http://" + server.HostPort() +
                               "/api/torvel/pedidos.php?ID=" + kCrf + "&CTRO=34 HTTP/1.1"),
                      std::string::npos)
                << log;
            EXPECT_NE(log.find("POST http://" + server.HostPort() + "/api/torvel/upload.php"),
                      std::string::npos)
                << log;
        }
    }
}

// Inside the tunnel the server gets exactly the bytes of a direct run, and the proxy's password
// goes to the proxy alone.
TEST_F(ThroughTinyproxy, TheServerReceivesTheBytesOfADirectRun) {
    ScriptedServer origin;
    test::TlsFront front(certs->trusted, origin.Port());
    test::ProxyProcess proxy(Dir(), "clerk", "s3cret");
    const std::string url = front.Url("/api/torvel/pedidos.php?ID=" + kCrf + "&CTRO=34");
    for (bool proxied : {false, true}) {
        origin.Answer(ScriptedServer::Ok("1021"));
        HttpTransport transport;
        transport.SetCertificatesFile(certs->caFile);
        if (proxied) {
            transport.SetProxy(proxy.Url("clerk:s3cret"));
            env.Set("no_proxy", ""); // the origin is on the loopback too
        }
        EXPECT_EQ(transport.Get(url), "1021");
    }
    const auto requests = origin.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].bytes, requests[0].bytes);
    EXPECT_FALSE(requests[1].HasHeader("Proxy-Authorization"));
    EXPECT_NE(proxy.Log().find("CONNECT " + front.HostPort()), std::string::npos);
}

// Plain http through a proxy: the request line names the whole address and nothing else changes
// but the proxy's own header; the connection to the proxy is kept like a direct one. The scripted
// server plays the proxy here, since a real one rewrites what it forwards.
TEST_F(ThroughTinyproxy, PlainHttpNamesTheWholeAddressAndKeepsEveryHeader) {
    ScriptedServer origin;
    ScriptedServer proxy;
    for (int i = 0; i < 2; ++i)
        proxy.Answer(ScriptedServer::Ok("ok"));
    origin.Answer(ScriptedServer::Ok("ok"));
    const std::string target = "/api/torvel/pedidos.php?ID=" + kCrf + "&CTRO=34";
    const std::string url = "http://orders.torvel.test:8080" + target;
    {
        test::EndpointGuard toOrigin("127.0.0.1", origin.Port());
        HttpTransport direct;
        EXPECT_EQ(direct.Get(url), "ok");
    }
    HttpTransport transport;
    transport.SetProxy("http://clerk:s%40cret@" + proxy.HostPort());
    EXPECT_EQ(transport.Get(url), "ok");
    EXPECT_EQ(transport.Get(url), "ok");
    const auto sent = proxy.Requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(proxy.ConnectionCount(), 1);
    std::string expected = origin.Requests().at(0).bytes;
    expected.replace(expected.find(target), target.size(), url);
    // "clerk:s@cret" in Base64, after every header of a direct request.
    expected.insert(expected.size() - 2, "Proxy-Authorization: Basic Y2xlcms6c0BjcmV0\r\n");
    EXPECT_EQ(sent[0].bytes, expected);
}

TEST_F(ThroughTinyproxy, AWrongPasswordEndsInThe407Text) {
    test::OrderServerProcess server(TORVEL_SERVER_PATH, Dir(), &certs->trusted);
    test::ProxyProcess proxy(Dir(), "clerk", "s3cret");
    env.Set("no_proxy", "");
    const std::string url =
        "https://" + server.HostPort() + "/api/torvel/pedidos.php?ID=" + kCrf + "&CTRO=34";
    HttpTransport transport;
    transport.SetCertificatesFile(certs->caFile);
    transport.SetProxy(proxy.Url("clerk:wrong"));
    // tinyproxy answers a wrong password with 401, no password with 407: before the tunnel both
    // can only be the proxy's.
    const std::string refused = Failure(transport, url);
    EXPECT_EQ(refused, kFailed + proxy.HostPort() +
                           " refused the user name and password (HTTP/1.0 401 Unauthorized).");

    transport.SetProxy(proxy.Url());
    const std::string asked = Failure(transport, url);
    EXPECT_EQ(asked, kFailed + proxy.HostPort() +
                         " wants a user name and password (HTTP/1.0 407 Proxy Authentication "
                         "Required).");

    // Plain http: the proxy's 407 reads the same; its 401 could be the server's, and stays the
    // status line.
    const std::string plain = "http://" + server.HostPort() + "/api/torvel/x";
    EXPECT_EQ(Failure(transport, plain), asked);
    transport.SetProxy(proxy.Url("clerk:wrong"));
    EXPECT_EQ(Failure(transport, plain), "HTTP/1.0 401 Unauthorized");

    transport.SetProxy(proxy.Url("clerk:s3cret"));
    EXPECT_EQ(transport.Get(url), "1021");
}

TEST_F(ThroughTinyproxy, NoProxySendsARequestDirect) {
    ScriptedServer origin;
    for (int i = 0; i < 4; ++i)
        origin.Answer(ScriptedServer::Ok("ok"));
    test::ProxyProcess proxy(Dir());
    env.Set("http_proxy", proxy.Url());
    HttpTransport transport;
    // Without no_proxy the loopback goes direct; a no_proxy that names the host, with or
    // without its port, too; one that names another host does not.
    EXPECT_EQ(transport.Get(origin.Url("/a")), "ok");
    env.Set("no_proxy", "other.example, 127.0.0.1");
    EXPECT_EQ(transport.Get(origin.Url("/b")), "ok");
    env.Set("no_proxy", "127.0.0.1:" + std::to_string(origin.Port()));
    EXPECT_EQ(transport.Get(origin.Url("/c")), "ok");
    EXPECT_EQ(proxy.Log().find("Request "), std::string::npos) << proxy.Log();
    env.Set("no_proxy", "other.example");
    EXPECT_EQ(transport.Get(origin.Url("/d")), "ok");
    EXPECT_NE(proxy.Log().find("GET " + origin.Url("/d") + " HTTP/1.1"), std::string::npos)
        << proxy.Log();
    ASSERT_EQ(origin.Requests().size(), 4u);
    EXPECT_EQ(origin.Requests()[0].RequestLine(), "GET /a HTTP/1.1");
}

TEST_F(ThroughTinyproxy, AProxyThatIsDownEndsInItsTextWithinTheConnectBound) {
    const std::string down = "127.0.0.1:" + std::to_string(test::FreeLoopbackPort());
    env.Set("https_proxy", "http://" + down);
    env.Set("no_proxy", "");
    HttpTransport transport;
    transport.SetTimeouts(1s, 1s);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Failure(transport, "https://127.0.0.1:8443/api/torvel/"),
              "Proxy connection failed: cannot reach the proxy " + down + " (Connection refused).");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
}

} // namespace
} // namespace torvel
