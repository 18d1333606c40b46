// Fault injection: the transport against a scripted server that breaks its replies in every way
// we could think of. Each scenario runs on Get and on PostFile with a short silence bound and
// must end in time with the expected failure text, or with the body when the reply is valid.
// Replies that a server sends and then closes on are also read from memory by the reply reader
// alone, as the fuzzer reads them, which must come to the same end as the socket path.
#include "api/HttpTransport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tests/support/ReplyBytes.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"

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

enum class Kind {
    Reply,   // the server answers with `reply`
    Refused, // nobody listens on the port
    Split,   // `reply` once for every byte position, cut into pieces there
};

struct Scenario {
    std::string name;
    ServerReply reply;
    std::string failure; // "" when the request succeeds
    std::string body;    // the body Get returns on success
    Kind kind = Kind::Reply;
};

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
    };
}

class TransportFaults : public test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        std::ofstream("34+1021.Txt", std::ios::binary) << "1|123|Parafuso|0,10|5|0,50\r\n";
    }

    struct Run {
        std::string failure;
        std::string body;
        Steady::duration elapsed;
    };

    static Run Request(bool post, const std::string& url) {
        HttpTransport transport;
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

    static void Check(const Scenario& s, const Run& run, bool post) {
        if (s.failure == kNotHttp) {
            EXPECT_EQ(run.failure.rfind(kNotHttp, 0), 0u) << run.failure;
        } else {
            EXPECT_EQ(run.failure, s.failure);
        }
        if (s.failure.empty() && !post) {
            EXPECT_EQ(run.body, s.body);
        }
        EXPECT_LT(run.elapsed, kBound);
        if (s.failure == kTimedOut) {
            EXPECT_GE(run.elapsed, kSilence);
        }
    }
};

TEST_F(TransportFaults, EveryScenarioEndsInTimeWithItsOutcome) {
    std::string refusedUrl;
    {
        ScriptedServer gone;
        refusedUrl = gone.Url("/api/torvel/upload.php");
    }
    int scenarios = 0;
    int runs = 0;
    for (const Scenario& s : Scenarios()) {
        SCOPED_TRACE(s.name);
        ++scenarios;
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
        for (const ServerReply& reply : replies) {
            SCOPED_TRACE("pieces of " + std::to_string(reply.pieceSize));
            for (bool post : {false, true}) {
                SCOPED_TRACE(post ? "PostFile" : "Get");
                std::string url = refusedUrl;
                ScriptedServer server;
                if (s.kind != Kind::Refused) {
                    server.Answer(reply);
                    url = server.Url("/api/torvel/upload.php");
                }
                Check(s, Request(post, url), post);
                ++runs;
            }
        }
        // Replies that end in a close must read the same without a socket.
        const bool closes = s.reply.closeAfter || s.reply.cutAt != std::string::npos;
        if (s.kind != Kind::Refused && !s.reply.neverAnswer && s.reply.pieceDelay == 0ms &&
            (closes || s.failure.empty() || s.failure.rfind("HTTP/", 0) == 0)) {
            SCOPED_TRACE("from memory");
            Run run;
            auto start = Steady::now();
            try {
                run.body =
                    test::ReadReplyBytes(std::string_view(s.reply.bytes).substr(0, s.reply.cutAt));
            } catch (const TransportError& e) {
                run.failure = e.what();
            }
            run.elapsed = Steady::now() - start;
            Check(s, run, false);
            ++runs;
        }
    }
    EXPECT_GE(scenarios, 30);
    std::printf("transport faults: %d scenarios, %d runs\n", scenarios, runs);
}

} // namespace
} // namespace torvel
