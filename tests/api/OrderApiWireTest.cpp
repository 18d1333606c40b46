// The six operations on the wire, the upload and its lasting effect on the header set, and the
// reading of the reply bodies.
#include "api/OrderApi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

#include "tests/support/ClockGuard.h"
#include "tests/support/EndpointGuard.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "util/Clock.h"
#include "util/uFuncoes.h"

namespace torvel {
namespace {

using test::ScriptedServer;
using namespace std::chrono_literals;

const std::string kUserAgent = "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
const std::string kInitialTail =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
    "Accept-Encoding: identity\r\n" +
    kUserAgent + "\r\n";

// 2025-03-07 09:05:04.123 and 2025-12-31 23:59:58.007, UTC.
const Clock::time_point kFirstUpload = Clock::time_point(1741338304123ms);
const Clock::time_point kSecondUpload = Clock::time_point(1767225598007ms);

class OrderApiWire : public test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        transport.SetTimeouts(3s, 3s);
    }

    static void WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }

    test::EnvGuard timeZone{"TZ", "UTC0"};
    test::ClockGuard clock{std::nullopt};
    ScriptedServer server;
    // The default host names, served by the local server.
    test::EndpointGuard endpoint{"127.0.0.1", server.Port()};
    HttpTransport transport;
    OrderApi api{transport};
};

TEST_F(OrderApiWire, EachOperationSendsItsRequestByteForByte) {
    struct Case {
        const char* name;
        std::function<void(OrderApi&)> run;
        std::string requestHead; // request line and Host line
    };
    const Case cases[] = {
        {"CheckStore", [](OrderApi& a) { a.CheckStore("12.345.678/0001-90", "34"); },
         "GET /api/torvel/pedidos.php?ID=12.345.678/0001-90&CTRO=34 HTTP/1.1\r\n"
         "Host: www.torvel.example\r\n"},
        {"FetchCatalogueBody", [](OrderApi& a) { a.FetchCatalogueBody(1021, "34"); },
         "GET /api/torvel/pedidos.php?filtro=itens&valor=1021&CTRO=34 HTTP/1.1\r\n"
         "Host: www.torvel.example\r\n"},
        {"ListOrders unfiltered", [](OrderApi& a) { a.ListOrders(1021, "34"); },
         "GET /api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=34 HTTP/1.1\r\n"
         "Host: www.torvel.example\r\n"},
        {"ListOrders filtered",
         [](OrderApi& a) { a.ListOrders(-5, "A 1", "&Emissao=3&Situacao=2"); },
         "GET /api/torvel/pedidos.php?filtro=ctro&valor=-5&CTRO=A 1&Emissao=3&Situacao=2 "
         "HTTP/1.1\r\nHost: www.torvel.example\r\n"},
        {"CancelOrder", [](OrderApi& a) { a.CancelOrder(1021, "557", "34"); },
         "GET /api/torvel/pedidos.php?filtro=update&valor=1021-557-2-34 HTTP/1.1\r\n"
         "Host: torvel.example\r\n"},
        {"FetchOrderItems",
         [](OrderApi& a) { a.FetchOrderItems("557", "34", [](const OrderItemRecord&) {}); },
         "GET /api/torvel/pedidos_1.php?Pedido=557&CTRO=34 HTTP/1.1\r\nHost: torvel.example\r\n"},
        {"FetchOrderItems without an order",
         [](OrderApi& a) { a.FetchOrderItems("", "34", [](const OrderItemRecord&) {}); },
         "GET /api/torvel/pedidos_1.php?Pedido=&CTRO=34 HTTP/1.1\r\nHost: torvel.example\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Answer(ScriptedServer::Ok(""));
        std::size_t before = server.Requests().size();
        c.run(api);
        auto requests = server.Requests();
        ASSERT_EQ(requests.size(), before + 1);
        EXPECT_EQ(requests.back().bytes, c.requestHead + kInitialTail);
    }
}

TEST_F(OrderApiWire, ServerSettingGivesBothBases) {
    struct Case {
        std::string servidor, baseA, baseB;
    };
    const Case cases[] = {
        {"", "http://www.torvel.example/api/torvel/", "http://torvel.example/api/torvel/"},
        {"www.loja.com.br:8080", "http://www.loja.com.br:8080/api/torvel/",
         "http://loja.com.br:8080/api/torvel/"},
        {"127.0.0.1:9000", "http://127.0.0.1:9000/api/torvel/",
         "http://127.0.0.1:9000/api/torvel/"},
        {"wwwx.example", "http://wwwx.example/api/torvel/", "http://wwwx.example/api/torvel/"},
        {" www.a.b ", "http://www.a.b/api/torvel/", "http://a.b/api/torvel/"},
        {"https://www.loja.com.br", "https://www.loja.com.br/api/torvel/",
         "https://loja.com.br/api/torvel/"},
        {"HTTPS://www.loja.com.br:8443", "https://www.loja.com.br:8443/api/torvel/",
         "https://loja.com.br:8443/api/torvel/"},
        {"http://www.a.b", "http://www.a.b/api/torvel/", "http://a.b/api/torvel/"},
    };
    for (const Case& c : cases) {
        OrderApi a(transport, c.servidor);
        EXPECT_EQ(a.BaseA(), c.baseA) << c.servidor;
        EXPECT_EQ(a.BaseB(), c.baseB) << c.servidor;
    }

    // With a port the Host header carries it, on both bases.
    OrderApi withPort(transport, "www.loja.com.br:8080");
    server.Answer(ScriptedServer::Ok("7"));
    server.Answer(ScriptedServer::Ok(""));
    withPort.CheckStore("1", "2");
    withPort.CancelOrder(7, "9", "2");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("Host"), "www.loja.com.br:8080");
    EXPECT_EQ(requests[1].Header("Host"), "loja.com.br:8080");
}

TEST_F(OrderApiWire, UploadSendsTheMultipartFormByteForByte) {
    const std::string content("1|10|Caf\xE9|2|3,50|7,00\r\nObs \"x\"\0y|07/03/2025 09:05\r\n", 46);
    WriteFile("34+1021.Txt", content);
    clock.Set(kFirstUpload);
    server.Answer(ScriptedServer::Ok("ignored"));
    api.UploadOrder("34+1021.Txt");

    const std::string boundary = "--------030725090504123";
    const std::string body = "--" + boundary +
                             "\r\nContent-Disposition: form-data; name=\"Arquivo\"; "
                             "filename=\"34+1021.Txt\"\r\nContent-Type: text/text\r\n\r\n" +
                             content + "\r\n--" + boundary + "--\r\n";
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].bytes, "POST /api/torvel/upload.php HTTP/1.0\r\n"
                                          "Connection: keep-alive\r\n"
                                          "Content-Encoding: multipart/form-data\r\n"
                                          "Content-Type: multipart/form-data; boundary=" +
                                              boundary +
                                              "\r\nContent-Length: " + std::to_string(body.size()) +
                                              "\r\nHost: www.torvel.example\r\n"
                                              "Accept: text/html, */*\r\n"
                                              "Accept-Encoding: identity\r\n" +
                                              kUserAgent + "\r\n" + body);
}

TEST_F(OrderApiWire, UploadChangesTheHeadersForTheRestOfTheRun) {
    WriteFile("34+1021.Txt", "1|10\r\n");
    for (int i = 0; i < 5; ++i)
        server.Answer(ScriptedServer::Ok("ok"));

    api.ListOrders(1021, "34");
    clock.Set(kFirstUpload);
    api.UploadOrder("34+1021.Txt");
    api.ListOrders(1021, "34");
    clock.Set(kSecondUpload);
    api.UploadOrder("34+1021.Txt");
    api.ListOrders(1021, "34");

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    auto afterUpload = [&](const std::string& stamp) {
        return "GET /api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=34 HTTP/1.1\r\n"
               "Connection: keep-alive\r\n"
               "Content-Encoding: multipart/form-data\r\n"
               "Content-Type: multipart/form-data; boundary=--------" +
               stamp +
               "\r\nHost: www.torvel.example\r\n"
               "Accept: text/html, */*\r\n"
               "Accept-Encoding: identity\r\n" +
               kUserAgent + "\r\n";
    };
    EXPECT_EQ(requests[2].bytes, afterUpload("030725090504123"));
    EXPECT_EQ(requests[3].Header("Content-Type"),
              "multipart/form-data; boundary=--------123125235958007");
    EXPECT_EQ(requests[3].Header("Accept"), "text/html, */*");
    EXPECT_EQ(requests[4].bytes, afterUpload("123125235958007"));

    // Every upload starts on a fresh connection; the GET after it reuses the upload's one.
    std::vector<int> connections;
    for (const auto& r : requests)
        connections.push_back(r.connection);
    EXPECT_EQ(connections, (std::vector<int>{0, 1, 1, 2, 2}));
}

TEST_F(OrderApiWire, UploadFailuresAreTransportErrorsAndReleaseTheFile) {
    EXPECT_THROW(
        try { api.UploadOrder("missing.Txt"); } catch (const TransportError& e) {
            EXPECT_STREQ(e.what(), "Cannot open file \"missing.Txt\". No such file or directory");
            throw;
        },
        TransportError);

    WriteFile("34+1021.Txt", "1|10\r\n");
    {
        // A writer holding the file shuts the upload out.
        int writer = ::open("34+1021.Txt", O_WRONLY);
        ASSERT_EQ(::flock(writer, LOCK_EX), 0);
        EXPECT_THROW(api.UploadOrder("34+1021.Txt"), TransportError);
        ::close(writer);
    }

    server.Answer(ScriptedServer::Reply("HTTP/1.1 500 Internal Server Error", "boom"));
    try {
        api.UploadOrder("34+1021.Txt");
        ADD_FAILURE() << "the upload should fail";
    } catch (const TransportError& e) {
        EXPECT_STREQ(e.what(), "HTTP/1.1 500 Internal Server Error");
    }
    int writer = ::open("34+1021.Txt", O_WRONLY);
    EXPECT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0) << "the upload kept the file locked";
    ::close(writer);
}

TEST_F(OrderApiWire, CheckStoreHandsBackTheBodyAndTheId) {
    struct Case {
        std::string body;
        std::optional<std::int32_t> id;
    };
    const Case cases[] = {{"1021", 1021}, {"NAO", std::nullopt}, {"1021\r\n", std::nullopt}};
    for (const Case& c : cases) {
        server.Answer(ScriptedServer::Ok(c.body));
        StoreCheck check = api.CheckStore("12.345.678/0001-90", "34");
        EXPECT_EQ(check.body, c.body);
        EXPECT_EQ(check.userId, c.id) << c.body;
        EXPECT_EQ(check.Accepted(), c.id.has_value());
    }
    server.Answer(ScriptedServer::Reply("HTTP/1.1 403 Forbidden", "1021"));
    EXPECT_THROW(api.CheckStore("1", "34"), TransportError);
}

TEST_F(OrderApiWire, ListBodiesAreCutIntoRecords) {
    struct Case {
        const char* name;
        std::string body;
        std::vector<std::string> orders;    // ListOrders: trimmed
        std::vector<std::string> catalogue; // the catalogue body's records: as sent
    };
    const Case cases[] = {
        {"empty", "", {}, {}},
        {"two and a final separator",
         " 557|Obs|Normal|01/02/2025 10:00 ;558|x|Cancelado|\t;",
         {"557|Obs|Normal|01/02/2025 10:00", "558|x|Cancelado|"},
         {" 557|Obs|Normal|01/02/2025 10:00 ", "558|x|Cancelado|\t"}},
        {"empty record in the middle",
         "A||B;;C\r\nD",
         {"A||B", "", "C", "D"},
         {"A||B", "", "C", "D"}},
        {"UTF-8 stays bytes", "Ma\xC3\xA7\xC3\xA3", {"Ma\xC3\xA7\xC3\xA3"}, {"Ma\xC3\xA7\xC3\xA3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Answer(ScriptedServer::Ok(c.body));
        EXPECT_EQ(api.ListOrders(1, "34"), c.orders);
        server.Answer(ScriptedServer::Ok(c.body));
        const std::string catalogue = api.FetchCatalogueBody(1, "34");
        EXPECT_EQ(catalogue, c.body);
        EXPECT_EQ(SplitAt(catalogue, ';'), c.catalogue);
    }
}

TEST_F(OrderApiWire, OrderItemsNeedNineFieldsAndStopAtTheFirstShortRecord) {
    struct Case {
        const char* name;
        std::string body;
        std::size_t handedOver; // records received before the failure, or all of them
        std::string failure;
    };
    const Case cases[] = {
        {"nine fields", "1|10|a|b|c|2|d|3,50|7,00;2|11|a|b|c|1|d|1|1", 2, ""},
        {"tenth field empty", "1|10|a|b|c|2|d|3,50|7,00|", 1, ""},
        {"ninth field empty and last", "1|10|a|b|c|2|d|3,50|7,00;1|10|a|b|c|2|d|3,50|", 1,
         "List index out of bounds (8)"},
        {"six fields", "1|10|a|b|c|2", 0, "List index out of bounds (7)"},
        {"one field", "1|10|a|b|c|2|d|3,50|7,00;1;1|10|a|b|c|2|d|3,50|7,00", 1,
         "List index out of bounds (1)"},
        {"empty record", "1|10|a|b|c|2|d|3,50|7,00;;", 1, "List index out of bounds (0)"},
        {"empty body", "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Answer(ScriptedServer::Ok(c.body));
        std::vector<OrderItemRecord> received;
        std::string failure;
        try {
            api.FetchOrderItems("557", "34",
                                [&](const OrderItemRecord& r) { received.push_back(r); });
        } catch (const ListIndexError& e) {
            failure = e.what();
        }
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(received.size(), c.handedOver);
        for (const auto& record : received)
            EXPECT_GE(record.size(), 9u);
    }
    server.Answer(ScriptedServer::Ok("1|10|a|b|c|2|d|3,50|7,00"));
    std::vector<OrderItemRecord> records;
    api.FetchOrderItems("557", "34", [&](const OrderItemRecord& r) { records.push_back(r); });
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][8], "7,00");
}

} // namespace
} // namespace torvel
