// " Enviar Pedido" against a scripted order server: the order file, the request, and what the
// editor holds after a success and after a failure.
#include "tests/support/CentralFixture.h"

#include <QFrame>
#include <QMetaObject>

namespace torvel::test {
namespace {

const std::string kUserAgent = "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

class SendOrder : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        catalogue = {"34|1050|TIO JOAO|ARROZ TIPO 1 5KG|R1|PCT|21.90|25.00",
                     "34|2210|CAMIL|FEIJAO PRETO 1KG|R2|PCT|7.50|9.00",
                     "34|77|UNIAO|A\xC7\xDA"
                     "CAR CRISTAL|R3|KG|4.00|5.00"};
    }
    void StartOneStore() {
        Start({"34 - LOJA CENTRO"});
        ASSERT_EQ(window->Session().Ctro, "34");
        ASSERT_EQ(window->Session().UserId, 1021);
        ASSERT_EQ(Text(Ui().Emissao), "08/12/2026 14:05");
    }
    // The example order: two items and an observation.
    void ComposeExample() {
        NewOrder();
        ASSERT_NO_FATAL_FAILURE(EnterItem("1050", "2"));
        ASSERT_NO_FATAL_FAILURE(EnterItem("2210", "3"));
        Key(Qt::Key_F4);
        Type("ENTREGAR PELA MANHA");
        Key(Qt::Key_Escape);
    }
    std::vector<RecordedRequest> Uploads() const { return RequestsWith("upload.php"); }
};

TEST_F(SendOrder, OrderFileByteForByte) {
    server.Route("upload.php", ScriptedServer::Ok("OK"));
    StartOneStore();
    struct Case {
        const char* name;
        std::vector<std::pair<QString, QString>> items;
        QString memo; // put into the memo as pasted text
        std::string file;
    } cases[] = {
        {"no items and no observations", {}, "", "OBS||08/12/2026 14:05\r\n"},
        {"observations on two lines",
         {{"1050", "1"}},
         "ENTREGAR\nPELA MANHA",
         "1|1050|ARROZ TIPO 1 5KG|21,90|1|21,90\r\nOBS|ENTREGAR PELA MANHA|08/12/2026 14:05\r\n"},
        {"bars and accents",
         {{"77", "1,5"}},
         QString::fromUtf8("Não | após às 18h"),
         "1|77|A\xC7\xDA"
         "CAR CRISTAL|4,00|1,5|6,00\r\nOBS|Nao   apos as 18h|08/12/2026 14:05\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewOrder();
        for (const auto& [code, quantity] : c.items)
            ASSERT_NO_FATAL_FAILURE(EnterItem(code, quantity));
        Ui().Memo1->setPlainText(c.memo);
        const size_t before = Uploads().size();
        Click(Ui().B_Salva);
        ASSERT_EQ(Uploads().size(), before + 1);
        EXPECT_EQ(ReadFile("34+1021.Txt"), c.file);
        EXPECT_NE(Uploads().back().Body().find("\r\n\r\n" + c.file + "\r\n--"), std::string::npos);
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(SendOrder, TheExampleOrderOnTheWireAndTheEditorAfterwards) {
    server.Route("upload.php", ScriptedServer::Ok("OK"));
    StartOneStore();
    WriteFile("34+1021.Txt", std::string(300, '#') + "\r\n"); // from an earlier send
    ComposeExample();
    ASSERT_TRUE(torvel::FileExists("GProd_0.Txt"));
    // An hour later the issue date is still the moment the window was shown.
    clock.Set(kShownAt + 1h);
    const size_t listsBefore = RequestsWith("filtro=ctro").size();
    Click(Ui().B_Salva);

    const std::string file = "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80\r\n"
                             "2|2210|FEIJAO PRETO 1KG|7,50|3|22,50\r\n"
                             "OBS|ENTREGAR PELA MANHA|08/12/2026 14:05\r\n";
    EXPECT_EQ(ReadFile("34+1021.Txt"), file);
    const std::string boundary = "--------120826150500000";
    const std::string body = "--" + boundary +
                             "\r\nContent-Disposition: form-data; name=\"Arquivo\"; "
                             "filename=\"34+1021.Txt\"\r\nContent-Type: text/text\r\n\r\n" +
                             file + "\r\n--" + boundary + "--\r\n";
    ASSERT_EQ(Uploads().size(), 1u);
    EXPECT_EQ(Uploads()[0].bytes, "POST /api/torvel/upload.php HTTP/1.0\r\n"
                                  "Connection: keep-alive\r\n"
                                  "Content-Encoding: multipart/form-data\r\n"
                                  "Content-Type: multipart/form-data; boundary=" +
                                      boundary +
                                      "\r\nContent-Length: " + std::to_string(body.size()) +
                                      "\r\nHost: " + server.HostPort() +
                                      "\r\nAccept: text/html, */*\r\n"
                                      "Accept-Encoding: identity\r\n" +
                                      kUserAgent + "\r\n" + body);

    // The editor is emptied and the list shown and reloaded.
    EXPECT_EQ(Ui().gProd->RowCount(), 0);
    EXPECT_EQ(Text(Ui().VLNota), "0,00");
    EXPECT_EQ(Text(Ui().Itens), "0");
    EXPECT_EQ(Ui().Memo1->toPlainText(), "");
    EXPECT_FALSE(Ui().B_Salva->isEnabled());
    EXPECT_TRUE(Ui().Loja->isEnabled());
    EXPECT_FALSE(window->IsCadastroShown());
    EXPECT_FALSE(Ui().OBS->isVisibleTo(Ui().PageCadastro));
    EXPECT_EQ(RequestsWith("filtro=ctro").size(), listsBefore + 1);
    EXPECT_EQ(Ui().gPedido->RowCount(), 4);
    EXPECT_FALSE(torvel::FileExists("GProd_0.Txt"));
    EXPECT_TRUE(Boxes().empty());
    // Nothing is offered by the next order.
    NewOrder();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Ui().gProd->RowCount(), 0);
    // Its first item holds the store again, as the first item of any order does.
    EnterItem("1050");
    EXPECT_FALSE(Ui().Loja->isEnabled());
}

TEST_F(SendOrder, AFailedSendKeepsTheOrder) {
    server.Answer(ScriptedServer::Reply("HTTP/1.1 500 Internal Server Error", "falhou"));
    server.Answer(ScriptedServer::Ok("OK"));
    StartOneStore();
    ComposeExample();
    Ui().Memo1->setPlainText("ENTREGAR\nPELA MANHA");
    const std::string backup = ReadFile("GProd_0.Txt");
    const size_t listsBefore = RequestsWith("filtro=ctro").size();
    Click(Ui().B_Salva);

    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(Boxes()[0].text.contains("500")) << Boxes()[0].text.toStdString();
    EXPECT_EQ(Rows(Ui().gProd), "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80;"
                                "2|2210|FEIJAO PRETO 1KG|7,50|3|22,50;");
    EXPECT_EQ(Text(Ui().VLNota), "66,30");
    EXPECT_EQ(Text(Ui().Itens), "2");
    EXPECT_EQ(Ui().Memo1->toPlainText(), "ENTREGAR PELA MANHA");
    EXPECT_FALSE(Ui().B_Salva->isEnabled());
    EXPECT_FALSE(Ui().Loja->isEnabled());
    EXPECT_TRUE(window->IsCadastroShown());
    EXPECT_EQ(RequestsWith("filtro=ctro").size(), listsBefore);
    EXPECT_EQ(ReadFile("GProd_0.Txt"), backup);
    EXPECT_TRUE(torvel::FileExists("34+1021.Txt"));

    // The disabled button sends nothing; a new order brings the rows back and sends them.
    Click(Ui().B_Salva);
    EXPECT_EQ(Uploads().size(), 1u);
    NewOrder();
    EXPECT_EQ(Ui().gProd->RowCount(), 2);
    EXPECT_TRUE(Ui().B_Salva->isEnabled());
    Click(Ui().B_Salva);
    ASSERT_EQ(Uploads().size(), 2u);
    EXPECT_EQ(ReadFile("34+1021.Txt"), "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80|\r\n"
                                       "2|2210|FEIJAO PRETO 1KG|7,50|3|22,50|\r\n"
                                       "OBS|ENTREGAR PELA MANHA|08/12/2026 14:05\r\n");
    EXPECT_FALSE(window->IsCadastroShown());
    EXPECT_FALSE(torvel::FileExists("GProd_0.Txt"));
}

TEST_F(SendOrder, ASendCannotStartWhileOneRuns) {
    ServerReply slow = ScriptedServer::Ok("OK");
    slow.delay = 400ms;
    server.Route("upload.php", slow);
    StartOneStore();
    ComposeExample();
    bool ranWhileSending = false;
    // A second click handed on while the first upload waits for its reply.
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            ranWhileSending = !Ui().B_Salva->isEnabled();
            emit Ui().B_Salva->clicked();
        },
        Qt::QueuedConnection);
    Click(Ui().B_Salva);
    EXPECT_TRUE(ranWhileSending);
    EXPECT_EQ(Uploads().size(), 1u);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(window->IsCadastroShown());
    // Once it is over, the next order is sent.
    NewOrder();
    EnterItem("1050");
    Click(Ui().B_Salva);
    EXPECT_EQ(Uploads().size(), 2u);
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
} // namespace torvel::test
