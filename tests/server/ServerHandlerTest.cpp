// The order server's operations through its request function, on a private demo database.
#include "server/DemoData.h"
#include "server/HttpServer.h"
#include "server/OrderHandler.h"
#include "server/ServerDb.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace torvel::server {
namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(sep, start);
        out.push_back(text.substr(start, at - start));
        if (at == std::string::npos)
            return out;
        start = at + 1;
    }
}

// Records of a list reply: every record ends with ";".
std::vector<std::vector<std::string>> Records(const std::string& body) {
    std::vector<std::vector<std::string>> out;
    if (body.empty())
        return out;
    EXPECT_EQ(body.back(), ';') << body;
    for (const std::string& r : Split(body.substr(0, body.size() - 1), ';'))
        out.push_back(Split(r, '|'));
    return out;
}

// text has the shape of pattern, where '9' stands for any digit and '*' for one or more digits.
bool Shaped(const std::string& text, const std::string& pattern) {
    std::size_t t = 0;
    for (char p : pattern) {
        auto digit = [&] { return t < text.size() && text[t] >= '0' && text[t] <= '9'; };
        if (p == '9' || p == '*') {
            if (!digit())
                return false;
            ++t;
            while (p == '*' && digit())
                ++t;
        } else if (t >= text.size() || text[t++] != p) {
            return false;
        }
    }
    return t == text.size();
}

std::time_t At(int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

const std::string kBoundary = "--------031526103000123";

std::string Multipart(const std::string& fileName, const std::string& content,
                      const std::string& field = "Arquivo") {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + field +
           "\"; filename=\"" + fileName + "\"\r\nContent-Type: text/text\r\n\r\n" + content +
           "\r\n--" + kBoundary + "--\r\n";
}

class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override { SeedDemo(db_, now_); }

    Response Get(const std::string& target) {
        return HandleRequest(db_, {"GET", target, "", ""}, now_);
    }
    Response Upload(const std::string& fileName, const std::string& content) {
        return HandleRequest(db_,
                             {"POST", "/api/torvel/upload.php",
                              "multipart/form-data; boundary=" + kBoundary,
                              Multipart(fileName, content)},
                             now_);
    }
    std::vector<std::vector<std::string>> List(const std::string& filter = "",
                                               const std::string& ctro = "34") {
        Response r = Get("/api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=" + ctro + filter);
        EXPECT_EQ(r.status, 200) << r.body;
        return Records(r.body);
    }
    std::string DocIn(const std::string& situation) {
        for (const auto& rec : List())
            if (rec.at(2) == situation)
                return rec.at(0);
        ADD_FAILURE() << "no demo order " << situation;
        return "0";
    }
    std::string SituationOf(const std::string& doc) {
        for (const auto& rec : List())
            if (rec.at(0) == doc)
                return rec.at(2);
        return "";
    }

    Database db_{":memory:"};
    std::time_t now_ = At(2026, 3, 15, 10, 30);
};

TEST_F(HandlerTest, CheckStoreAnswersTheUserIdOrARefusal) {
    struct Case {
        std::string crf, ctro;
        int status;
        std::string body;
    } cases[] = {
        {"12.345.678/0001-95", "34", 200, "1021"},
        {"12345678000195", "35", 200, "1021"}, // same digits, other punctuation
        {"111.444.777-35", "34", 200, "1022"},
        {"12.345.678/0001-95", "36", 200, "NAO"}, // store that refuses
        {"12.345.678/0001-95", "99", 200, "NAO"}, // unknown store
        {"00.000.000/0000-00", "34", 200, "NAO"}, // unknown document number
        {"", "34", 200, "NAO"},
    };
    for (const Case& c : cases) {
        Response r = Get("/api/torvel/pedidos.php?ID=" + c.crf + "&CTRO=" + c.ctro);
        EXPECT_EQ(r.status, c.status) << c.crf << " " << c.ctro;
        EXPECT_EQ(r.body, c.body) << c.crf << " " << c.ctro; // no line break after the id
    }
    EXPECT_EQ(Get("/api/torvel/pedidos.php?ID=12.345.678/0001-95").status, 400);
}

TEST_F(HandlerTest, CatalogueRecordsHaveEightFieldsAndDotPrices) {
    Response r = Get("/api/torvel/pedidos.php?filtro=itens&valor=1021&CTRO=34");
    ASSERT_EQ(r.status, 200);
    auto records = Records(r.body);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kDemoProducts34));
    std::set<std::string> codes;
    for (const auto& rec : records) {
        ASSERT_EQ(rec.size(), 8u);
        EXPECT_EQ(rec[0], "34");
        for (const std::string& field : rec)
            EXPECT_FALSE(field.empty()); // an empty last field would be lost by the client
        EXPECT_TRUE(Shaped(rec[6], "*.99")) << rec[6];
        EXPECT_TRUE(Shaped(rec[7], "*.99")) << rec[7];
        codes.insert(rec[1]);
    }
    EXPECT_EQ(codes.size(), records.size());
    // Accented names travel as single Windows-1252 bytes.
    EXPECT_NE(r.body.find("FEIJ\xC3O CARIOCA"), std::string::npos);
    EXPECT_EQ(r.body.find("FEIJ\xC3\x83O"), std::string::npos);

    EXPECT_EQ(Records(Get("/api/torvel/pedidos.php?filtro=itens&valor=1021&CTRO=35").body).size(),
              static_cast<std::size_t>(kDemoProducts35));
    EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=itens&valor=1021&CTRO=36").status, 403);
    EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=itens&valor=999&CTRO=34").status, 403);
    EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=itens&valor=abc&CTRO=34").status, 400);
}

TEST_F(HandlerTest, OrderListCoversEverySituationNewestFirst) {
    auto all = List();
    ASSERT_GE(all.size(), 8u);
    std::set<std::string> situations;
    std::string previousKey = "9999";
    for (const auto& rec : all) {
        ASSERT_EQ(rec.size(), 4u);
        situations.insert(rec[2]);
        ASSERT_TRUE(Shaped(rec[3], "99/99/9999 99:99")) << rec[3];
        std::string key =
            rec[3].substr(6, 4) + rec[3].substr(3, 2) + rec[3].substr(0, 2) + rec[3].substr(11);
        EXPECT_LE(key, previousKey);
        previousKey = key;
    }
    EXPECT_EQ(situations, (std::set<std::string>{"Aberto", "Em Verificacao", "Normal", "Concluida",
                                                 "Cancelado"}));
    EXPECT_FALSE(List("", "35").empty());
}

TEST_F(HandlerTest, OrderListFilters) {
    struct Case {
        std::string filter;
        std::set<std::string> situations; // allowed situations
        std::string monthYear;            // every date's "/MM/YYYY", or empty for any
        bool empty;
    } cases[] = {
        {"&Situacao=0", {"Aberto", "Em Verificacao", "Normal"}, "", false},
        {"&Situacao=1", {"Concluida"}, "", false},
        {"&Situacao=2", {"Cancelado"}, "", false},
        {"&Emissao=3", {}, "/03/2026", false},
        {"&Emissao=2", {}, "/02/2026", false},
        {"&Emissao=2&Situacao=2", {"Cancelado"}, "/02/2026", false},
        {"&Emissao=4", {}, "", true}, // April is still to come: last year's April
        {"&Emissao=3&Situacao=1", {"Concluida"}, "/03/2026", false},
    };
    std::size_t total = List().size();
    for (const Case& c : cases) {
        auto records = List(c.filter);
        EXPECT_EQ(records.empty(), c.empty) << c.filter;
        EXPECT_LT(records.size(), total) << c.filter;
        for (const auto& rec : records) {
            if (!c.situations.empty()) {
                EXPECT_TRUE(c.situations.count(rec.at(2))) << c.filter << " " << rec.at(2);
            }
            if (!c.monthYear.empty()) {
                EXPECT_EQ(rec.at(3).substr(2, 8), c.monthYear) << c.filter;
            }
        }
    }
    for (std::string bad :
         {"&Emissao=13", "&Emissao=0", "&Emissao=x", "&Situacao=3", "&Situacao=", "&Situacao=-1"})
        EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=34" + bad).status, 400)
            << bad;
    EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=ctro&valor=1021&CTRO=36").status, 403);
}

TEST_F(HandlerTest, CancelFollowsTheSituation) {
    struct Case {
        std::string situation;
        int status;
        std::string after;
    } cases[] = {
        {"Aberto", 200, "Cancelado"},    {"Em Verificacao", 409, "Em Verificacao"},
        {"Normal", 409, "Normal"},       {"Concluida", 409, "Concluida"},
        {"Cancelado", 200, "Cancelado"},
    };
    for (const Case& c : cases) {
        std::string doc = DocIn(c.situation);
        Response r = Get("/api/torvel/pedidos.php?filtro=update&valor=1021-" + doc + "-2-34");
        EXPECT_EQ(r.status, c.status) << c.situation;
        EXPECT_EQ(SituationOf(doc), c.after) << c.situation;
    }
    std::string open = DocIn("Aberto");
    for (std::string valor :
         std::vector<std::string>{"1021-" + open + "-2-35", "1022-" + open + "-2-34",
                                  "-3-" + open + "-2-34", "1021-99999-2-34"})
        EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=update&valor=" + valor).status, 404) << valor;
    for (std::string valor :
         std::vector<std::string>{"1021-" + open + "-1-34", "1021-" + open + "-2-", "1021-" + open,
                                  "abc", "", "1021-x-2-34"})
        EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=update&valor=" + valor).status, 400) << valor;
    EXPECT_EQ(SituationOf(open), "Aberto");
}

TEST_F(HandlerTest, OrderItemsHaveNineFieldsWithCommaNumbers) {
    for (const auto& order : List()) {
        Response r = Get("/api/torvel/pedidos_1.php?Pedido=" + order[0] + "&CTRO=34");
        ASSERT_EQ(r.status, 200) << order[0];
        auto items = Records(r.body);
        ASSERT_FALSE(items.empty()) << order[0];
        for (const auto& f : items) {
            ASSERT_EQ(f.size(), 9u);
            EXPECT_FALSE(f[8].empty());
            auto price = ParseDecimal(f[7], 2), qty = ParseDecimal(f[5], 3),
                 total = ParseDecimal(f[8], 2);
            ASSERT_TRUE(price && qty && total) << r.body;
            EXPECT_NE(f[7].find(','), std::string::npos);
            EXPECT_EQ(*price * *qty / 1000, *total);
        }
    }
    std::string doc = List().front()[0];
    EXPECT_EQ(Get("/api/torvel/pedidos_1.php?Pedido=" + doc + "&CTRO=35").status, 404);
    EXPECT_EQ(Get("/api/torvel/pedidos_1.php?Pedido=99999&CTRO=34").status, 404);
    EXPECT_EQ(Get("/api/torvel/pedidos_1.php?Pedido=&CTRO=34").status, 400);
}

TEST_F(HandlerTest, UploadCreatesAnOrderThatListItemsAndCancelSee) {
    std::size_t before = List().size();
    Response up = Upload("34+1021.Txt", "1|1001|ARROZ TIPO 1 1KG|5,12|2|10,24\r\n"
                                        "2|1004|FEIJ\xC3O CARIOCA 1KG|8,15|1,5|12,23\r\n"
                                        "OBS|ENTREGAR PELA MANHA|15/03/2026 10:05\r\n");
    ASSERT_EQ(up.status, 200) << up.body;
    const std::string doc = up.body;

    auto list = List();
    ASSERT_EQ(list.size(), before + 1);
    EXPECT_EQ(list.front(),
              (std::vector<std::string>{doc, "ENTREGAR PELA MANHA", "Aberto", "15/03/2026 10:05"}));
    auto march = List("&Emissao=3&Situacao=0");
    EXPECT_EQ(march.front()[0], doc);

    auto items = Records(Get("/api/torvel/pedidos_1.php?Pedido=" + doc + "&CTRO=34").body);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], (std::vector<std::string>{"1", "1001", "ARROZ TIPO 1 1KG", doc, "34", "2",
                                                  "PCT", "5,12", "10,24"}));
    EXPECT_EQ(items[1][2], "FEIJ\xC3O CARIOCA 1KG");
    EXPECT_EQ(items[1][5], "1,5");
    EXPECT_EQ(items[1][8], "12,23");

    EXPECT_EQ(Get("/api/torvel/pedidos.php?filtro=update&valor=1021-" + doc + "-2-34").status, 200);
    EXPECT_EQ(SituationOf(doc), "Cancelado");
}

TEST_F(HandlerTest, UploadAcceptsWhatTheClientCanWrite) {
    struct Case {
        std::string content, obs;
        std::size_t items;
    } cases[] = {
        {"OBS||15/03/2026 09:00\r\n", "", 0}, // an order without items
        // A restored row ends with an empty cell; quotes doubled inside a cell become single.
        {"1|1001|ARROZ \"\"ESPECIAL\"\"|5,12|2|10,24|\r\nOBS|X|15/03/2026 09:00\r\n", "X", 1},
        {"7|1001||0,00|1|0,00\nOBS|A B|15/03/2026 09:00", "A B", 1}, // LF line ends, no last one
    };
    for (const Case& c : cases) {
        Response up = Upload("34+1021.Txt", c.content);
        ASSERT_EQ(up.status, 200) << c.content << up.body;
        EXPECT_EQ(List().front()[1], c.obs);
        auto items = Records(Get("/api/torvel/pedidos_1.php?Pedido=" + up.body + "&CTRO=34").body);
        EXPECT_EQ(items.size(), c.items);
        if (c.content.find("ESPECIAL") != std::string::npos) {
            EXPECT_EQ(items.at(0)[2], "ARROZ \"ESPECIAL\"");
        }
    }
    // A ";" in the observations must not cut the list record apart.
    ASSERT_EQ(Upload("35+1021.Txt", "OBS|A;B|C|15/03/2026 09:00\r\n").status, 200);
    auto list = List("", "35");
    EXPECT_EQ(list.front()[1], "A B C");
    EXPECT_EQ(list.front().size(), 4u);
}

TEST_F(HandlerTest, BadUploadsAreRefusedAndCreateNothing) {
    const std::string good = "1|1001|ARROZ|5,12|2|10,24\r\nOBS||15/03/2026 09:00\r\n";
    struct Case {
        std::string contentType, body;
        int status;
    } cases[] = {
        {"text/plain", Multipart("34+1021.Txt", good), 415},
        {"multipart/form-data", Multipart("34+1021.Txt", good), 400},
        {"multipart/form-data; boundary=other", Multipart("34+1021.Txt", good), 400},
        {"multipart/form-data; boundary=" + kBoundary, Multipart("34+1021.Txt", good, "X"), 400},
        {"multipart/form-data; boundary=" + kBoundary, "--" + kBoundary + "\r\nbroken", 400},
        {"multipart/form-data; boundary=" + kBoundary, Multipart("pedido.txt", good), 400},
        {"multipart/form-data; boundary=" + kBoundary, Multipart("34+abc.Txt", good), 400},
        {"multipart/form-data; boundary=" + kBoundary, Multipart("36+1021.Txt", good), 403},
        {"multipart/form-data; boundary=" + kBoundary, Multipart("34+999.Txt", good), 403},
        {"multipart/form-data; boundary=" + kBoundary,
         Multipart("34+1021.Txt", "1|1001|ARROZ|5,12|2|10,24\r\n"), 400},
        {"multipart/form-data; boundary=" + kBoundary,
         Multipart("34+1021.Txt", "1|1001|ARROZ|1.234,56|2|10,24\r\nOBS||15/03/2026 09:00"), 400},
        {"multipart/form-data; boundary=" + kBoundary,
         Multipart("34+1021.Txt", "1|1001|ARROZ|5,12|2\r\nOBS||15/03/2026 09:00"), 400},
        {"multipart/form-data; boundary=" + kBoundary,
         Multipart("34+1021.Txt", "x|1001|ARROZ|5,12|2|10,24\r\nOBS||15/03/2026 09:00"), 400},
        {"multipart/form-data; boundary=" + kBoundary,
         Multipart("34+1021.Txt", "1||ARROZ|5,12|2|10,24\r\nOBS||15/03/2026 09:00"), 400},
        {"multipart/form-data; boundary=" + kBoundary,
         Multipart("34+1021.Txt", "OBS||31/02/2026 09:00"), 400},
        {"multipart/form-data; boundary=" + kBoundary, Multipart("34+1021.Txt", "OBS|sem data"),
         400},
        {"multipart/form-data; boundary=" + kBoundary,
         Multipart("34+1021.Txt", "OBS||15/03/2026 09:00\r\n1|1001|A|1|1|1"), 400},
    };
    std::size_t before = List().size();
    for (const Case& c : cases) {
        Response r =
            HandleRequest(db_, {"POST", "/api/torvel/upload.php", c.contentType, c.body}, now_);
        EXPECT_EQ(r.status, c.status) << c.contentType << "\n" << c.body << "\n" << r.body;
    }
    EXPECT_EQ(List().size(), before);
}

TEST_F(HandlerTest, UnknownPathsAndMethods) {
    struct Case {
        std::string method, target;
        int status;
    } cases[] = {
        {"GET", "/api/torvel/nada.php", 404},
        {"GET", "/pedidos.php?ID=1&CTRO=34", 404},
        {"POST", "/api/torvel/pedidos.php?ID=1&CTRO=34", 405},
        {"GET", "/api/torvel/upload.php", 405},
        {"DELETE", "/api/torvel/pedidos_1.php?Pedido=551&CTRO=34", 405},
        {"GET", "/api/torvel/pedidos.php?filtro=tudo&valor=1021&CTRO=34", 400},
        {"GET", "/api/torvel/pedidos.php", 400},
        {"GET", "/", 200},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HandleRequest(db_, {c.method, c.target, "", ""}, now_).status, c.status)
            << c.method << " " << c.target;
}

TEST(ServerParsing, QueryValuesAreTakenVerbatim) {
    Query q = ParseQuery("ID=12.345.678/0001-95&CTRO=34&x=%2F&flag&a=b=c&&CTRO=35");
    Query expected = {{"ID", "12.345.678/0001-95"},
                      {"CTRO", "34"},
                      {"x", "%2F"},
                      {"flag", ""},
                      {"a", "b=c"},
                      {"CTRO", "35"}};
    EXPECT_EQ(q, expected);
}

TEST(ServerParsing, Decimals) {
    struct Case {
        std::string text;
        int decimals;
        std::optional<std::int64_t> value;
    } cases[] = {
        {"21,90", 2, 2190}, {"21.9", 2, 2190}, {"2", 3, 2000},           {"1,5", 3, 1500},
        {"-3,00", 2, -300}, {"0,125", 2, 13},  {" 7,50 ", 2, 750},       {",5", 2, 50},
        {"", 2, {}},        {",", 2, {}},      {"1.234,56", 2, {}},      {"12a", 2, {}},
        {"1e3", 2, {}},     {"--1", 2, {}},    {"9999999999999", 2, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDecimal(c.text, c.decimals), c.value) << c.text;
}

TEST(ServerParsing, FixedPointAndDateTexts) {
    EXPECT_EQ(FormatCents(2190, '.'), "21.90");
    EXPECT_EQ(FormatCents(5, ','), "0,05");
    EXPECT_EQ(FormatCents(-150, ','), "-1,50");
    EXPECT_EQ(FormatMilli(2000), "2");
    EXPECT_EQ(FormatMilli(1500), "1,5");
    EXPECT_EQ(FormatMilli(125), "0,125");
    EXPECT_EQ(WireToIssued("08/12/2026 14:05"), "2026-12-08 14:05");
    EXPECT_EQ(IssuedToWire("2026-12-08 14:05"), "08/12/2026 14:05");
    for (std::string bad : {"29/02/2026 10:00", "08/13/2026 10:00", "08/12/2026 24:00",
                            "8/12/2026 10:00", "08/12/2026", ""})
        EXPECT_FALSE(WireToIssued(bad)) << bad;
    EXPECT_TRUE(WireToIssued("29/02/2028 10:00"));
}

TEST(ServerCatalogue, GeneratedProductsAreStableAndSized) {
    Database db(":memory:");
    auto whole = GenerateProducts("34", 0, 120);
    auto tail = GenerateProducts("34", 100, 20);
    for (std::size_t i = 0; i < tail.size(); ++i) {
        EXPECT_EQ(tail[i].code, whole[100 + i].code);
        EXPECT_EQ(tail[i].name, whole[100 + i].name);
        EXPECT_EQ(tail[i].priceCents, whole[100 + i].priceCents);
    }
    EnsureCatalogueSize(db, "77", 25000);
    std::string body = HandleRequest(db, {"GET", "/", "", ""}, 0).body; // help lists the store
    EXPECT_NE(body.find("77 (accepts, 25000 products)"), std::string::npos) << body;
    EnsureCatalogueSize(db, "77", 10);
    EXPECT_EQ(db.CountProducts("77"), 10);
}

TEST(ServerRaw, BytesInBytesOut) {
    Database db(":memory:");
    SeedDemo(db, At(2026, 3, 15, 10, 30));
    struct Case {
        std::string request, statusLine, body;
    } cases[] = {
        {"GET /api/torvel/pedidos.php?ID=12.345.678/0001-95&CTRO=34 HTTP/1.1\r\nHost: x\r\n\r\n",
         "HTTP/1.1 200 OK", "1021"},
        {"GET /api/torvel/pedidos.php?ID=12.345.678/0001-95&CTRO=34 HTTP/1.0\r\n\r\n",
         "HTTP/1.0 200 OK", "1021"},
        {"garbage\r\n\r\n", "HTTP/1.1 400 Bad Request", ""},
        {"GET /api/torvel/pedidos.php?ID=1&CTRO=34 HTTP/1.1\r\nHost: x", "HTTP/1.1 400 Bad Request",
         ""},
        {"POST /api/torvel/upload.php HTTP/1.0\r\nContent-Length: 100\r\n\r\nshort",
         "HTTP/1.1 400 Bad Request", ""},
        {"POST /api/torvel/upload.php HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n",
         "HTTP/1.1 413 Payload Too Large", ""},
        {"GET /" + std::string(20000, 'a') + " HTTP/1.1\r\n\r\n",
         "HTTP/1.1 431 Request Header Fields Too Large", ""},
        {"", "HTTP/1.1 400 Bad Request", ""},
    };
    for (const Case& c : cases) {
        std::string reply = HandleRawRequest(db, c.request, At(2026, 3, 15, 10, 30));
        EXPECT_EQ(reply.substr(0, reply.find("\r\n")), c.statusLine) << c.request.substr(0, 80);
        if (!c.body.empty()) {
            EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), c.body);
        }
    }
}

} // namespace
} // namespace torvel::server
