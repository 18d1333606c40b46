// Fault injection: the transport against a scripted server that breaks its replies in every way
// we could think of. Each scenario is a named case that runs on Get and on PostFile with a short
// silence bound and must end in time with the expected failure text, or with the body when the
// reply is valid; over http, and again over https through a TLS front, where it must end the same
// way. The TLS rows break the TLS itself: certificates that must be refused, a server that is not
// TLS, a handshake that stalls. The proxy rows make the scripted server a proxy that answers
// badly, to a plain request or to CONNECT.
// Replies that a server sends and then closes on are also read from memory by the reply reader
// alone, as the fuzzer reads them, which must come to the same end as the socket path.
// The last case prints the table's counts for the CI summary.
#include "api/HttpTransport.h"
#include "api/TlsClient.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>

#include "tests/support/EndpointGuard.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/ReplyBytes.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TlsFront.h"

namespace torvel {
namespace {

using test::ScriptedServer;
using test::ServerReply;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

constexpr auto kSilence = 300ms;
constexpr auto kWhole = 1500ms; // the bound on a whole request
constexpr auto kBound = 3s;     // per run, with room for a sanitizer build on a busy machine

const std::string kClosed(kConnectionClosedText);
const std::string kTimedOut(kTimedOutText);
const std::string kTooManyLines = "The reply has more than 255 header lines.";
const std::string kHeaderTooLarge = "The reply's header is larger than 64 KiB.";
const std::string kBodyTooLarge = "The reply's body is larger than 256 MiB.";
// The parser's own words follow this.
const std::string kNotHttp = "The server's reply is not valid HTTP (";

const std::string kVerifyFailed = "SSL negotiation failed: certificate verify failed (";
const std::string kProxyFailed = "Proxy connection failed: ";
const std::string k407 = "HTTP/1.1 407 Proxy Authentication Required";

// Which TLS a row is about; None rows run over http and over a trusted https alike.
enum class Tls {
    None,
    Untrusted,  // a good certificate from a CA that the client does not trust
    SelfSigned, // signed by its own key
    Expired,    // from the trusted CA, expired yesterday
    OtherHost,  // from the trusted CA, for another name than the address's
    NotTls,     // a plain http server behind an https address
    Stalls,     // accepts, then never answers the client's hello
    NoCaFile,   // the client's certificates file is missing
};

// Whether the scripted server is the origin or a proxy in front of it.
enum class Via {
    Direct,
    Proxy,  // a proxy for a plain http address
    Tunnel, // a proxy asked to CONNECT for an https address
};

enum class Kind {
    Reply,   // the server answers with `reply`
    Refused, // nobody listens on the port
    Split,   // `reply` once for every byte position, cut into pieces there
};

struct Scenario {
    std::string name;
    ServerReply reply;
    std::string failure; // "" when the request succeeds; "{proxy}" stands for its host:port
    std::string body;    // the body Get returns on success
    Kind kind = Kind::Reply;
    Tls tls = Tls::None;
    Via via = Via::Direct;
    std::string proxyUser = {}; // "user:password@" in the proxy's address
};

// What a row's case shows for its parameter: its name, not its bytes.
void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.name;
}

ServerReply Bytes(std::string bytes, bool close = false) {
    ServerReply r;
    r.bytes = std::move(bytes);
    r.closeAfter = close;
    return r;
}

// The reply up to `at` bytes, then the close.
ServerReply Cut(std::string bytes, std::size_t at) {
    ServerReply r = Bytes(std::move(bytes));
    r.cutAt = at;
    return r;
}

ServerReply Cut(std::string bytes, std::string_view before) {
    std::size_t at = bytes.find(before);
    return Cut(std::move(bytes), at);
}

ServerReply Silent() {
    ServerReply r;
    r.neverAnswer = true;
    return r;
}

std::string Headers(int count, std::string_view prefix = "HTTP/1.1 200 OK\r\n") {
    std::string text(prefix);
    for (int i = 0; i < count; ++i)
        text += "X-Line-" + std::to_string(i) + ": v\r\n";
    return text;
}

std::string Repeat(std::string_view piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

const std::string kOk = ScriptedServer::Reply("HTTP/1.1 200 OK", "body");

// What a plain server says to a TLS hello: it cannot read it as a request.
ServerReply NotTlsReply() {
    ServerReply r = Bytes("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n", true);
    r.onAccept = true;
    return r;
}
const std::string kChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                             "5\r\nHello\r\n7;x=1\r\n, World\r\n0\r\n\r\n";
const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

std::vector<Scenario> Scenarios() {
    ServerReply oneByte = Bytes(ScriptedServer::Reply("HTTP/1.1 200 OK", "one byte at a time"));
    oneByte.pieceSize = 1;
    ServerReply stalls = Bytes("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
    stalls.pieceSize = 40;
    stalls.pieceDelay = 700ms; // header and half the body, then more than the silence bound
    ServerReply headersStall = Bytes(Headers(3, "HTTP/1.1 200 OK\r\n") + "X-Wait: v\r\n");
    headersStall.pieceSize = 40;
    headersStall.pieceDelay = 700ms;
    // Never silent for long, never done: only the bound on the whole request ends it.
    ServerReply trickle =
        Bytes("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(100, 'x'));
    trickle.pieceSize = 1;
    trickle.pieceDelay = 100ms;

    return {
        {"connection refused", {}, "Socket Error # 111\r\nConnection refused.", "", Kind::Refused},
        {"accepts and never answers", Silent(), kTimedOut, ""},
        {"closes before the status line", Cut(kOk, 0), kClosed, ""},
        {"closes inside the status line", Cut(kOk, 10), kClosed, ""},
        {"closes mid-headers", Cut(kOk, "Length"), kClosed, ""},
        {"closes after the header, before the body", Cut(kOk, "body"), kClosed, ""},
        {"closes mid-body with a Content-Length", Cut(kOk, "dy"), kClosed, ""},
        {"closes inside a chunk size", Cut(kChunked, "7;x"), kClosed, ""},
        {"closes mid-chunk", Cut(kChunked, "llo"), kClosed, ""},
        {"closes before the last chunk", Cut(kChunked, "0\r\n"), kClosed, ""},
        {"stalls mid-body", stalls, kTimedOut, ""},
        {"stalls mid-headers", headersStall, kTimedOut, ""},
        {"trickles a byte every 100 ms without end", trickle, kTimedOut, ""},
        {"bad chunk size",
         Bytes("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n", true),
         kNotHttp, ""},
        {"overflowing chunk size",
         Bytes("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
               "1FFFFFFFFFFFFFFFF\r\nab\r\n0\r\n\r\n",
               true),
         kNotHttp, ""},
        {"chunk past the body limit",
         Bytes("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000001\r\nab", true),
         kBodyTooLarge, ""},
        {"headers that never end", Bytes(Headers(20000), true), kTooManyLines, ""},
        {"255 header lines", Bytes(Headers(254) + "Content-Length: 2\r\n\r\nok"), "", "ok"},
        {"256 header lines", Bytes(Headers(255) + "Content-Length: 2\r\n\r\nok"), kTooManyLines,
         ""},
        {"5,000 header lines", Bytes(Headers(4999) + "Content-Length: 2\r\n\r\nok"), kTooManyLines,
         ""},
        {"one 100 KiB header line",
         Bytes("HTTP/1.1 200 OK\r\nX-Big: " + std::string(100 * 1024, 'a') +
               "\r\nContent-Length: 2\r\n\r\nok"),
         kHeaderTooLarge, ""},
        {"negative Content-Length", Bytes("HTTP/1.1 200 OK\r\nContent-Length: -2\r\n\r\nok", true),
         kNotHttp, ""},
        {"non-numeric Content-Length",
         Bytes("HTTP/1.1 200 OK\r\nContent-Length: two\r\n\r\nok", true), kNotHttp, ""},
        {"overflowing Content-Length",
         Bytes("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nok", true),
         kNotHttp, ""},
        {"Content-Length past the body limit",
         Bytes("HTTP/1.1 200 OK\r\nContent-Length: 268435457\r\n\r\nok", true), kBodyTooLarge, ""},
        {"two different Content-Lengths",
         Bytes("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nok", true),
         kNotHttp, ""},
        // Identical values may be taken as one.
        {"the same Content-Length twice",
         Bytes("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nok", true), "",
         "ok"},
        {"Content-Length beside chunked",
         Bytes("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n"
               "2\r\nok\r\n0\r\n\r\n",
               true),
         kNotHttp, ""},
        {"NUL byte in a header value",
         Bytes(std::string("HTTP/1.1 200 OK\r\nX-Nul: a\0b\r\nContent-Length: 2\r\n\r\nok", 50),
               true),
         kNotHttp, ""},
        {"NUL byte in a header name",
         Bytes(std::string("HTTP/1.1 200 OK\r\nX\0Nul: ab\r\nContent-Length: 2\r\n\r\nok", 50),
               true),
         kNotHttp, ""},
        {"bare LF line ends", Bytes("HTTP/1.1 200 OK\nContent-Length: 2\n\nok", true), kNotHttp,
         ""},
        {"not HTTP at all", Bytes("SSH-2.0-OpenSSH_9.2\r\n", true), kNotHttp, ""},
        {"bare 100 Continue, then the close", Bytes(kContinue, true), kClosed, ""},
        {"100 then 200", Bytes(kContinue + kOk), "", "body"},
        {"three 100s then 200", Bytes(kContinue + kContinue + kContinue + kOk), "", "body"},
        {"endless 100 Continue", Bytes(Repeat(kContinue, 300) + kOk), kTooManyLines, ""},
        {"101 before 200", Bytes("HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n" + kOk),
         "HTTP/1.1 101 Switching Protocols", ""},
        {"103 before 200", Bytes("HTTP/1.1 103 Early Hints\r\nLink: </s.css>\r\n\r\n" + kOk), "",
         "body"},
        {"302 with Location",
         Bytes(ScriptedServer::Reply("HTTP/1.1 302 Found", "", "Location: /else\r\n")),
         "HTTP/1.1 302 Found", ""},
        {"302 without Location", Bytes(ScriptedServer::Reply("HTTP/1.1 302 Found", "")),
         "HTTP/1.1 302 Found", ""},
        {"200 with Location",
         Bytes(ScriptedServer::Reply("HTTP/1.1 200 OK", "x", "Location: /else\r\n")),
         "HTTP/1.1 200 OK", ""},
        {"304", Bytes("HTTP/1.1 304 Not Modified\r\n\r\n"), "HTTP/1.1 304 Not Modified", ""},
        {"404", Bytes(ScriptedServer::Reply("HTTP/1.1 404 Not Found", "no")),
         "HTTP/1.1 404 Not Found", ""},
        // A status line may come without its reason; the code is what counts.
        {"404 without its reason", Bytes(ScriptedServer::Reply("HTTP/1.1 404", "no")),
         "HTTP/1.1 404", ""},
        {"200 without its reason, split at every byte position",
         Bytes(ScriptedServer::Reply("HTTP/1.1 200", "ok")), "", "ok", Kind::Split},
        {"500", Bytes(ScriptedServer::Reply("HTTP/1.1 500 Internal Server Error", "")),
         "HTTP/1.1 500 Internal Server Error", ""},
        {"404 that closes before its body",
         Cut(ScriptedServer::Reply("HTTP/1.1 404 Not Found", "gone"), "gone"),
         "HTTP/1.1 404 Not Found", ""},
        {"more bytes than the Content-Length",
         Bytes("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\noktrailing", true), "", "ok"},
        {"HTTP/1.0 body up to the close", Bytes("HTTP/1.0 200 OK\r\n\r\nto the end", true), "",
         "to the end"},
        {"body one byte at a time", oneByte, "", "one byte at a time"},
        {"split at every byte position", Bytes(kContinue + kChunked), "", "Hello, World",
         Kind::Split},
        {"https: a CA the client does not trust", Bytes(kOk),
         kVerifyFailed + "unable to get local issuer certificate).", "", Kind::Reply,
         Tls::Untrusted},
        {"https: self-signed certificate", Bytes(kOk), kVerifyFailed + "self-signed certificate).",
         "", Kind::Reply, Tls::SelfSigned},
        {"https: expired certificate", Bytes(kOk), kVerifyFailed + "certificate has expired).", "",
         Kind::Reply, Tls::Expired},
        {"https: certificate for another host", Bytes(kOk),
         kVerifyFailed + "certificate is for another host name).", "", Kind::Reply, Tls::OtherHost},
        {"https: a plain http server", NotTlsReply(), std::string(kNotTlsText), "", Kind::Reply,
         Tls::NotTls},
        {"https: accepts, then stalls in the handshake",
         {},
         std::string(kTlsStalledText),
         "",
         Kind::Reply,
         Tls::Stalls},
        {"https: the certificates file is missing", Bytes(kOk),
         "Cannot read the certificates file \"missing.pem\".", "", Kind::Reply, Tls::NoCaFile},
        {"proxy: nobody listens",
         {},
         kProxyFailed + "cannot reach the proxy {proxy} (Connection refused).",
         "",
         Kind::Refused,
         Tls::None,
         Via::Proxy},
        {"proxy: 407 to a plain request", Bytes(ScriptedServer::Reply(k407, "")),
         kProxyFailed + "the proxy {proxy} wants a user name and password (" + k407 + ").", "",
         Kind::Reply, Tls::None, Via::Proxy},
        {"proxy: 407 to CONNECT", Bytes(ScriptedServer::Reply(k407, "denied")),
         kProxyFailed + "the proxy {proxy} wants a user name and password (" + k407 + ").", "",
         Kind::Reply, Tls::None, Via::Tunnel},
        {"proxy: 407 to CONNECT with a password", Bytes(ScriptedServer::Reply(k407, "")),
         kProxyFailed + "the proxy {proxy} refused the user name and password (" + k407 + ").", "",
         Kind::Reply, Tls::None, Via::Tunnel, "clerk:wrong@"},
        {"proxy: 403 to CONNECT", Bytes(ScriptedServer::Reply("HTTP/1.1 403 Filtered", "no")),
         kProxyFailed + "the proxy {proxy} refused the tunnel (HTTP/1.1 403 Filtered).", "",
         Kind::Reply, Tls::None, Via::Tunnel},
        {"proxy: closes after CONNECT", Cut(kOk, 0),
         kProxyFailed + "the proxy {proxy} closed the connection.", "", Kind::Reply, Tls::None,
         Via::Tunnel},
        {"proxy: closes inside its answer to CONNECT",
         Cut("HTTP/1.1 200 Connection established\r\n\r\n", 20),
         kProxyFailed + "the proxy {proxy} closed the connection.", "", Kind::Reply, Tls::None,
         Via::Tunnel},
        {"proxy: stalls in CONNECT", Silent(),
         kProxyFailed + "the proxy {proxy} did not answer in time.", "", Kind::Reply, Tls::None,
         Via::Tunnel},
        {"proxy: answers CONNECT, then stalls in the handshake",
         Bytes("HTTP/1.1 200 Connection established\r\n\r\n"), std::string(kTlsStalledText), "",
         Kind::Reply, Tls::None, Via::Tunnel},
    };
}

// One run of a scenario: the reply it gets, over http or https, by Get or PostFile; or, with
// `fromMemory`, the reply's bytes read without a socket.
struct RunPlan {
    ServerReply reply;
    bool https = false;
    bool post = false;
    bool fromMemory = false;
};

// Every run a scenario makes; the case runs them and the summary counts them.
std::vector<RunPlan> Plan(const Scenario& s) {
    std::vector<ServerReply> replies{s.reply};
    if (s.kind == Kind::Split) {
        replies.clear();
        for (std::size_t at = 1; at < s.reply.bytes.size(); ++at) {
            ServerReply r = s.reply;
            r.pieceSize = at;
            r.pieceDelay = 1ms;
            replies.push_back(r);
        }
    }
    std::vector<RunPlan> plan;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        // Every direct row once more over https; of the splits every eighth position, which
        // still cuts the reply across TLS records in many places. A proxy row is about one.
        for (bool https : {false, true}) {
            const bool runs = s.via != Via::Direct
                                  ? https == (s.via == Via::Tunnel)
                                  : (https ? s.tls != Tls::None || i % 8 == 0 : s.tls == Tls::None);
            if (runs)
                for (bool post : {false, true})
                    plan.push_back({replies[i], https, post, false});
        }
    }
    // Replies that end in a close must read the same without a socket.
    const bool closes = s.reply.closeAfter || s.reply.cutAt != std::string::npos;
    if (s.tls == Tls::None && s.via == Via::Direct && s.kind != Kind::Refused &&
        !s.reply.neverAnswer && s.reply.pieceDelay == 0ms &&
        (closes || s.failure.empty() || s.failure.rfind("HTTP/", 0) == 0))
        plan.push_back({s.reply, false, false, true});
    return plan;
}

// "https: a CA the client does not trust" becomes "https_a_CA_the_client_does_not_trust".
std::string CaseName(const ::testing::TestParamInfo<Scenario>& info) {
    std::string name;
    for (char c : info.param.name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name;
}

class TransportFaults : public test::TempDirTest, public ::testing::WithParamInterface<Scenario> {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        std::ofstream("34+1021.Txt", std::ios::binary) << "1|123|Parafuso|0,10|5|0,50\r\n";
        // The system's trust store stays out of the table: no row needs it, and every transport
        // would read all of it. Nor may the machine's proxy settings reach a row.
        std::ofstream("no-cas.pem");
        env.Set("SSL_CERT_FILE", "no-cas.pem");
        env.Set("SSL_CERT_DIR", Dir().string());
        for (const char* name : {"https_proxy", "HTTPS_PROXY", "http_proxy", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            env.Set(name, std::nullopt);
    }

    struct Run {
        std::string failure;
        std::string body;
        Steady::duration elapsed;
    };

    static Run Request(bool post, const std::string& url, const std::string& caFile,
                       const std::string& proxy) {
        HttpTransport transport;
        transport.SetCertificatesFile(caFile);
        transport.SetProxy(proxy);
        transport.SetTimeouts(1s, kSilence);
        transport.SetRequestTimeout(kWhole);
        Run run;
        auto start = Steady::now();
        try {
            if (post)
                transport.PostFile(url, "Arquivo", "34+1021.Txt", "text/plain");
            else
                run.body = transport.Get(url);
        } catch (const TransportError& e) {
            run.failure = e.what();
        }
        run.elapsed = Steady::now() - start;
        return run;
    }

    static void Check(const Scenario& s, const std::string& failure, const Run& run, bool post) {
        if (failure == kNotHttp) {
            EXPECT_EQ(run.failure.rfind(kNotHttp, 0), 0u) << run.failure;
        } else {
            EXPECT_EQ(run.failure, failure);
        }
        if (failure.empty() && !post) {
            EXPECT_EQ(run.body, s.body);
        }
        EXPECT_LT(run.elapsed, kBound);
        if (failure == kTimedOut) {
            EXPECT_GE(run.elapsed, kSilence);
        }
    }

    // One run against its own server, and TLS front or proxy where the row asks for one.
    void RunOnce(const Scenario& s, const RunPlan& run, const test::TestCertificates& certs,
                 const std::string& refusedHostPort) {
        const std::string target = "/api/torvel/upload.php";
        ScriptedServer server;
        if (s.kind != Kind::Refused && s.tls != Tls::Stalls)
            server.Answer(run.reply);
        std::string url = server.Url(target);
        std::string caFile = certs.caFile;
        std::string proxy;
        std::optional<test::TlsFront> front;
        std::optional<test::EndpointGuard> endpoint;
        switch (s.tls) {
        case Tls::None:
            if (run.https && s.via == Via::Direct)
                front.emplace(certs.trusted, server.Port());
            break;
        case Tls::Untrusted:
            front.emplace(certs.trusted, server.Port());
            caFile.clear();
            break;
        case Tls::NoCaFile:
            front.emplace(certs.trusted, server.Port());
            caFile = "missing.pem";
            break;
        case Tls::SelfSigned:
            front.emplace(certs.selfSigned, server.Port());
            break;
        case Tls::Expired:
            front.emplace(certs.expired, server.Port());
            break;
        case Tls::OtherHost:
            front.emplace(certs.otherHost, server.Port());
            break;
        case Tls::NotTls:
        case Tls::Stalls:
            url = "https://" + server.HostPort() + target;
            break;
        }
        if (front)
            url = front->Url(target);
        // A name, so that the name is what is checked; the endpoint guard takes it to the front
        // without asking the machine's resolver.
        if (s.tls == Tls::OtherHost) {
            url = "https://store.torvel.test:" + std::to_string(front->Port()) + target;
            endpoint.emplace("127.0.0.1", front->Port());
        }
        std::string proxyHostPort = server.HostPort();
        if (s.kind == Kind::Refused) {
            if (s.via == Via::Direct)
                url = (run.https ? "https://" : "http://") + refusedHostPort + target;
            else
                proxyHostPort = refusedHostPort;
        }
        if (s.via != Via::Direct) {
            // The proxy is asked for a server it never reaches: only its answers count.
            url = (run.https ? "https://" : "http://") + std::string("store.torvel.test") + target;
            proxy = "http://" + s.proxyUser + proxyHostPort;
        }
        std::string failure = s.failure;
        if (auto at = failure.find("{proxy}"); at != std::string::npos)
            failure.replace(at, 7, proxyHostPort);
        Check(s, failure, Request(run.post, url, caFile, proxy), run.post);
    }

    test::EnvGuard env;
};

TEST_P(TransportFaults, EndsInTimeWithItsOutcome) {
    const Scenario& s = GetParam();
    std::string refusedHostPort;
    {
        ScriptedServer gone;
        refusedHostPort = gone.HostPort();
    }
    test::TestCertificates certs(Dir());
    for (const RunPlan& run : Plan(s)) {
        SCOPED_TRACE("pieces of " + std::to_string(run.reply.pieceSize));
        if (run.fromMemory) {
            SCOPED_TRACE("from memory");
            Run result;
            auto start = Steady::now();
            try {
                result.body = test::ReadReplyBytes(
                    std::string_view(run.reply.bytes).substr(0, run.reply.cutAt));
            } catch (const TransportError& e) {
                result.failure = e.what();
            }
            result.elapsed = Steady::now() - start;
            Check(s, s.failure, result, false);
            continue;
        }
        SCOPED_TRACE(run.https ? "https" : "http");
        SCOPED_TRACE(run.post ? "PostFile" : "Get");
        RunOnce(s, run, certs, refusedHostPort);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TransportFaults, ::testing::ValuesIn(Scenarios()), CaseName);

// The CI summary's line: the table's rows and the runs they make, as the cases above run them.
TEST(TransportFaultTable, CountsItsRows) {
    int scenarios = 0;
    int runs = 0;
    int httpsRuns = 0;
    std::set<std::string> names;
    for (const Scenario& s : Scenarios()) {
        ++scenarios;
        names.insert(CaseName({s, 0}));
        for (const RunPlan& run : Plan(s)) {
            ++runs;
            httpsRuns += run.https;
        }
    }
    EXPECT_GE(scenarios, 30);
    EXPECT_EQ(names.size(), std::size_t(scenarios)) << "two rows share a case name";
    std::printf("transport faults: %d scenarios, %d runs, %d of them over https\n", scenarios, runs,
                httpsRuns);
}

} // namespace
} // namespace torvel
