// The transport against a scripted server: request bytes, reply handling, connections, failures;
// and over https, through a TLS front with certificates made for the test.
#include "api/HttpTransport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/ClockGuard.h"
#include "tests/support/EndpointGuard.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TlsFront.h"

namespace torvel {
namespace {

using test::ScriptedServer;
using test::ServerReply;
using namespace std::chrono_literals;

const std::string kInitialHeaders =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
    "Accept-Encoding: identity\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

class TransportWire : public ::testing::Test {
protected:
    void SetUp() override { transport.SetTimeouts(3s, 3s); }

    // The text of the TransportError that `run` throws; "" when it throws none.
    template <class F> std::string FailureOf(F run) {
        try {
            run();
        } catch (const TransportError& e) {
            return e.what();
        }
        return {};
    }

    ScriptedServer server;
    HttpTransport transport;
};

TEST_F(TransportWire, GetSendsTheTargetByteForByteAndTheInitialHeaders) {
    server.Answer(ScriptedServer::Ok("body"));
    const std::string target = "/api/torvel/pedidos.php?ID=12.345.678/0001-90&CTRO=34&X=a%20b\xE7";
    EXPECT_EQ(transport.Get(server.Url(target)), "body");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].bytes, "GET " + target +
                                              " HTTP/1.1\r\nHost: " + server.HostPort() + "\r\n" +
                                              kInitialHeaders + "\r\n");
}

TEST_F(TransportWire, HostHeaderLeavesOutPortEightyOnly) {
    struct Case {
        std::string address;
        std::string host;
    };
    const Case cases[] = {
        {"http://www.torvel.example/x", "www.torvel.example"},
        {"http://www.torvel.example:80/x", "www.torvel.example"},
        {"http://www.torvel.example:8080/x", "www.torvel.example:8080"},
        {"http://10.0.0.1:81/x", "10.0.0.1:81"},
    };
    test::EndpointGuard endpoint("127.0.0.1", server.Port());
    for (const Case& c : cases) {
        server.Answer(ScriptedServer::Ok(""));
        transport.Get(c.address);
        EXPECT_EQ(server.Requests().back().Header("Host"), c.host) << c.address;
    }
}

struct ReplyCase {
    const char* name;
    ServerReply reply;
    std::string body;    // expected body when `failure` is empty
    std::string failure; // expected failure text
};

// Windows-1252, UTF-8 and a NUL: taken as they are.
const std::string kRawBody("caf\xE9 \xC3\xA9\0x", 9);

ServerReply Bytes(std::string bytes) {
    ServerReply r;
    r.bytes = std::move(bytes);
    return r;
}

ServerReply Closing(std::string bytes) {
    ServerReply r = Bytes(std::move(bytes));
    r.closeAfter = true;
    return r;
}

ServerReply Cut(std::string bytes, std::size_t at) {
    ServerReply r = Bytes(std::move(bytes));
    r.cutAt = at;
    return r;
}

std::string ManyHeaders(int count) {
    std::string reply = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < count - 1; ++i)
        reply += "X-Line-" + std::to_string(i) + ": v\r\n";
    return reply + "Content-Length: 2\r\n\r\nok";
}

TEST_F(TransportWire, RepliesAreReadOrRefusedAsTheirStatusAndFramingSay) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                "5\r\nHello\r\n7;ext=1\r\n, World\r\n0\r\n\r\n";
    ServerReply inPieces = ScriptedServer::Ok("a body that arrives three bytes at a time");
    inPieces.pieceSize = 3;
    inPieces.pieceDelay = 1ms;
    ServerReply chunkedInPieces = Bytes(chunked);
    chunkedInPieces.pieceSize = 4;

    const ReplyCase cases[] = {
        {"length", ScriptedServer::Ok(kRawBody), kRawBody, ""},
        {"empty 204", Bytes("HTTP/1.1 204 No Content\r\n\r\n"), "", ""},
        {"chunked", Bytes(chunked), "Hello, World", ""},
        {"chunked in pieces", chunkedInPieces, "Hello, World", ""},
        {"in pieces", inPieces, "a body that arrives three bytes at a time", ""},
        {"to the close", Closing("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nall of it"),
         "all of it", ""},
        {"1.0 to the close", Closing("HTTP/1.0 200 OK\r\n\r\nold style"), "old style", ""},
        {"100 first",
         Bytes("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), "ok",
         ""},
        {"255 header lines", Bytes(ManyHeaders(255)), "ok", ""},
        {"302", Bytes(ScriptedServer::Reply("HTTP/1.1 302 Found", "", "Location: /else\r\n")), "",
         "HTTP/1.1 302 Found"},
        {"301 without Location", Bytes(ScriptedServer::Reply("HTTP/1.1 301 Moved", "")), "",
         "HTTP/1.1 301 Moved"},
        {"200 with Location",
         Bytes(ScriptedServer::Reply("HTTP/1.1 200 OK", "x", "Location: /\r\n")), "",
         "HTTP/1.1 200 OK"},
        {"304", Bytes("HTTP/1.1 304 Not Modified\r\n\r\n"), "", "HTTP/1.1 304 Not Modified"},
        {"404", Bytes(ScriptedServer::Reply("HTTP/1.1 404 Not Found", "gone")), "",
         "HTTP/1.1 404 Not Found"},
        {"401", Bytes(ScriptedServer::Reply("HTTP/1.0 401 Unauthorized", "")), "",
         "HTTP/1.0 401 Unauthorized"},
        {"reason as received", Bytes(ScriptedServer::Reply("HTTP/1.1 500 Erro  interno ", "")), "",
         "HTTP/1.1 500 Erro  interno "},
        {"empty reason", Bytes(ScriptedServer::Reply("HTTP/1.1 404 ", "")), "", "HTTP/1.1 404 "},
        {"closed in the body", Cut(ScriptedServer::Reply("HTTP/1.1 200 OK", "0123456789"), 45), "",
         std::string(kConnectionClosedText)},
        {"closed in the header", Cut("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n", 20), "",
         std::string(kConnectionClosedText)},
        {"closed before the reply", Cut("HTTP/1.1 200 OK\r\n", 0), "",
         std::string(kConnectionClosedText)},
        {"closed in a chunk", Cut(chunked, 60), "", std::string(kConnectionClosedText)},
        {"256 header lines", Bytes(ManyHeaders(256)), "",
         "The reply has more than 255 header lines."},
        {"huge header", Bytes("HTTP/1.1 200 OK\r\nX-Big: " + std::string(70000, 'a') + "\r\n\r\n"),
         "", "The reply's header is larger than 64 KiB."},
        {"huge length", Bytes("HTTP/1.1 200 OK\r\nContent-Length: 268435457\r\n\r\nab"), "",
         "The reply's body is larger than 256 MiB."},
        {"huge chunk", Bytes("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000001\r\nab"),
         "", "The reply's body is larger than 256 MiB."},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        transport.Disconnect();
        server.Answer(c.reply);
        std::string body;
        std::string failure = FailureOf([&] { body = transport.Get(server.Url("/r")); });
        EXPECT_EQ(failure, c.failure);
        if (c.failure.empty()) {
            EXPECT_EQ(body, c.body);
        }
    }
}

TEST_F(TransportWire, GarbageInsteadOfAReplyFailsWithAClearText) {
    server.Answer(Closing("SSH-2.0-OpenSSH\r\n\r\n"));
    std::string failure = FailureOf([&] { transport.Get(server.Url("/")); });
    EXPECT_EQ(failure.rfind("The server's reply is not valid HTTP", 0), 0u) << failure;
}

TEST_F(TransportWire, BodiesPastTheLibraryDefaultLimitArriveWhole) {
    std::string big(9 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4099)
        big[i] = static_cast<char>(i % 251);
    server.Answer(ScriptedServer::Ok(big));
    EXPECT_EQ(transport.Get(server.Url("/big")), big);
}

TEST_F(TransportWire, ConnectionIsKeptWhenTheServerAllowsIt) {
    struct Case {
        const char* name;
        ServerReply first;
        int secondConnection;
    };
    const Case cases[] = {
        {"1.1 default", ScriptedServer::Ok("a"), 0},
        {"1.1 close", Bytes(ScriptedServer::Reply("HTTP/1.1 200 OK", "a", "Connection: close\r\n")),
         1},
        {"1.0 default", Bytes(ScriptedServer::Reply("HTTP/1.0 200 OK", "a")), 1},
        {"1.0 keep-alive",
         Bytes(ScriptedServer::Reply("HTTP/1.0 200 OK", "a", "Connection: keep-alive\r\n")), 0},
        // The reply says nothing, but the server closes the idle connection afterwards: the
        // next request goes out on a fresh one.
        {"closed while idle", Closing(ScriptedServer::Reply("HTTP/1.1 200 OK", "a")), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer local;
        HttpTransport t;
        t.SetTimeouts(3s, 3s);
        local.Answer(c.first);
        local.Answer(ScriptedServer::Ok("b"));
        EXPECT_EQ(t.Get(local.Url("/1")), "a");
        EXPECT_EQ(t.Get(local.Url("/2")), "b");
        auto requests = local.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].connection, 0);
        EXPECT_EQ(requests[1].connection, c.secondConnection);
    }
}

TEST_F(TransportWire, ConnectionIsNotReusedForAnotherServer) {
    ScriptedServer other;
    server.Answer(ScriptedServer::Ok("a"));
    other.Answer(ScriptedServer::Ok("b"));
    server.Answer(ScriptedServer::Ok("c"));
    EXPECT_EQ(transport.Get(server.Url("/")), "a");
    EXPECT_EQ(transport.Get(other.Url("/")), "b");
    EXPECT_EQ(transport.Get(server.Url("/")), "c");
    EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST_F(TransportWire, CookiesGoBackToMatchingHostAndPath) {
    server.Answer(Bytes(ScriptedServer::Reply(
        "HTTP/1.1 200 OK", "", "Set-Cookie: sid=abc; Path=/api\r\nSet-Cookie: lang=pt\r\n")));
    for (int i = 0; i < 3; ++i)
        server.Answer(ScriptedServer::Ok(""));
    transport.Get(server.Url("/api/torvel/pedidos.php?ID=1"));
    transport.Get(server.Url("/api/torvel/pedidos_1.php?Pedido=2"));
    transport.Get(server.Url("/api/x"));
    transport.Get(server.Url("/other"));
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_FALSE(requests[0].HasHeader("Cookie"));
    // "lang" has the longer path (/api/torvel, from the request): it comes first.
    EXPECT_EQ(requests[1].Header("Cookie"), "lang=pt; sid=abc");
    EXPECT_EQ(requests[1].HeaderNames().back(), "Cookie");
    EXPECT_EQ(requests[2].Header("Cookie"), "sid=abc");
    EXPECT_FALSE(requests[3].HasHeader("Cookie"));
}

TEST_F(TransportWire, RefusedConnectionGivesTheSystemText) {
    std::string url;
    {
        ScriptedServer closed;
        url = closed.Url("/");
    }
    EXPECT_EQ(FailureOf([&] { transport.Get(url); }), "Socket Error # 111\r\nConnection refused.");
}

TEST_F(TransportWire, UnknownHostGivesTheResolverText) {
    transport.SetTimeouts(3s, 3s);
    std::string failure = FailureOf([&] { transport.Get("http://no-such-host.invalid/"); });
    // Without a name server the lookup may not end in time; that is a time-out, not a hang.
    if (failure != kTimedOutText) {
        EXPECT_EQ(failure.rfind("Socket Error # ", 0), 0u) << failure;
        EXPECT_NE(failure.find("\r\nHost not found"), std::string::npos) << failure;
    }
}

TEST_F(TransportWire, SilentServerTimesOut) {
    struct Case {
        const char* name;
        ServerReply reply;
    };
    ServerReply never;
    never.neverAnswer = true;
    ServerReply stalls = ScriptedServer::Ok("0123456789");
    stalls.pieceSize = 44; // the header and a part of the body, then silence
    stalls.pieceDelay = 800ms;
    for (const Case& c : {Case{"never answers", never}, Case{"stalls mid-reply", stalls}}) {
        SCOPED_TRACE(c.name);
        HttpTransport t;
        t.SetTimeouts(2s, 200ms);
        server.Answer(c.reply);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(FailureOf([&] { t.Get(server.Url("/")); }), kTimedOutText);
        auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_GE(elapsed, 200ms);
        EXPECT_LT(elapsed, 700ms);
    }
}

TEST_F(TransportWire, ConnectTimesOutWhenNobodyAccepts) {
    // A listener that never accepts, with its queue filled: further connects hang.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(fd);
    }
    transport.SetTimeouts(300ms, 3s);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureOf([&] {
                  transport.Get("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/");
              }),
              kTimedOutText);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    for (int fd : fillers)
        ::close(fd);
    ::close(listener);
}

TEST_F(TransportWire, WaitHookRunsWhileARequestBlocksAndCannotStartAnother) {
    ServerReply slow = ScriptedServer::Ok("late");
    slow.delay = 400ms;
    server.Answer(slow);
    int calls = 0;
    std::string nested;
    transport.SetWaitHook([&] {
        if (++calls == 1)
            nested = FailureOf([&] { transport.Get(server.Url("/nested")); });
    });
    EXPECT_EQ(transport.Get(server.Url("/slow")), "late");
    EXPECT_GE(calls, 5);
    EXPECT_EQ(nested, kBusyText);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_FALSE(transport.Busy());
}

TEST_F(TransportWire, AnExceptionFromTheHookAbortsTheRequestCleanly) {
    ServerReply slow = ScriptedServer::Ok("late");
    slow.delay = 200ms;
    server.Answer(slow);
    server.Answer(ScriptedServer::Ok("next"));
    transport.SetWaitHook([] { throw std::runtime_error("window closed"); });
    EXPECT_THROW(transport.Get(server.Url("/1")), std::runtime_error);
    transport.SetWaitHook(nullptr);
    EXPECT_FALSE(transport.Busy());
    EXPECT_EQ(transport.Get(server.Url("/2")), "next");
}

TEST_F(TransportWire, AddressesThatCannotBeSentFailBeforeConnecting) {
    for (const char* address :
         {"ftp://127.0.0.1/x", "http:///x", "https:///x", "http://h:0/", "http://h:65536/",
          "http://h:8a/", "http://h/a\r\nX-Injected: 1", "http://user@h/"}) {
        EXPECT_NE(FailureOf([&] { transport.Get(address); }), "") << address;
    }
    EXPECT_EQ(server.ConnectionCount(), 0);
}

// https against the scripted server behind a TLS front, with certificates made for the test.
class TransportTls : public test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        certs = std::make_unique<test::TestCertificates>(Dir());
        std::ofstream("34+1021.Txt", std::ios::binary) << "1|123|Parafuso|0,10|5|0,50\r\n";
    }

    // A session a store would have: a store check that sets a cookie, a list, an upload.
    static void Session(HttpTransport& transport, const std::string& base) {
        transport.Get(base + "/api/torvel/pedidos.php?ID=12.345.678/0001-90&CTRO=34");
        transport.Get(base + "/api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=34");
        transport.PostFile(base + "/api/torvel/upload.php", "Arquivo", "34+1021.Txt", "text/text");
        transport.Get(base + "/api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=34");
    }

    static void Script(ScriptedServer& server) {
        server.Answer(Bytes(ScriptedServer::Reply("HTTP/1.1 200 OK", "1021",
                                                  "Set-Cookie: sid=abc; Path=/api\r\n")));
        for (int i = 0; i < 3; ++i)
            server.Answer(ScriptedServer::Ok("ok"));
    }

    std::unique_ptr<test::TestCertificates> certs;
};

TEST_F(TransportTls, HttpsCarriesTheBytesOfHttp) {
    test::ClockGuard clock{Clock::time_point{} + std::chrono::hours(24 * 20000)};
    ScriptedServer plain;
    ScriptedServer inside;
    test::TlsFront front(certs->trusted, inside.Port());
    Script(plain);
    Script(inside);
    HttpTransport overHttp;
    HttpTransport overHttps;
    overHttps.SetCertificatesFile(certs->caFile);
    Session(overHttp, plain.Url(""));
    Session(overHttps, front.Url(""));

    auto expected = plain.Requests();
    auto got = inside.Requests();
    ASSERT_EQ(got.size(), 4u);
    ASSERT_EQ(expected.size(), 4u);
    for (std::size_t i = 0; i < got.size(); ++i) {
        std::string bytes = expected[i].bytes;
        bytes.replace(bytes.find(plain.HostPort()), plain.HostPort().size(), front.HostPort());
        EXPECT_EQ(got[i].bytes, bytes) << i;
        EXPECT_EQ(got[i].connection, expected[i].connection) << i;
    }
}

TEST_F(TransportTls, SecureCookiesStayOffPlainHttp) {
    ScriptedServer server;
    test::TlsFront front(certs->trusted, server.Port());
    server.Answer(Bytes(ScriptedServer::Reply("HTTP/1.1 200 OK", "",
                                              "Set-Cookie: s=1; Secure\r\nSet-Cookie: p=2\r\n")));
    server.Answer(ScriptedServer::Ok(""));
    server.Answer(ScriptedServer::Ok(""));
    HttpTransport transport;
    transport.SetCertificatesFile(certs->caFile);
    transport.Get(front.Url("/a"));
    transport.Get(front.Url("/a"));
    transport.Get(server.Url("/a")); // the same host, 127.0.0.1, over http
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].Header("Cookie"), "s=1; p=2");
    EXPECT_EQ(requests[2].Header("Cookie"), "p=2");
}

TEST_F(TransportTls, TheSystemStoreAndTheCertificatesFileAreBothTrusted) {
    ScriptedServer server;
    test::TlsFront front(certs->trusted, server.Port());
    for (int i = 0; i < 3; ++i)
        server.Answer(ScriptedServer::Ok("ok"));
    {
        HttpTransport transport; // the CA nowhere: refused
        EXPECT_THROW(transport.Get(front.Url("/")), TransportError);
    }
    {
        // OpenSSL's default paths follow SSL_CERT_FILE, as they do for every OpenSSL program.
        test::EnvGuard trustStore("SSL_CERT_FILE", certs->caFile);
        HttpTransport transport;
        EXPECT_EQ(transport.Get(front.Url("/")), "ok");
    }
    HttpTransport transport;
    transport.SetCertificatesFile("missing.pem");
    std::string failure;
    try {
        transport.Get(front.Url("/"));
    } catch (const TransportError& e) {
        failure = e.what();
    }
    EXPECT_EQ(failure, "Cannot read the certificates file \"missing.pem\".");
    transport.SetCertificatesFile(certs->caFile);
    EXPECT_EQ(transport.Get(front.Url("/")), "ok");
}

} // namespace
} // namespace torvel
