// The whole road of an order against the reference order server: compose by keyboard, send,
// find it in the list, view, duplicate and cancel it, and compare what the server stored.
#include "tests/support/CentralFixture.h"

#include "server/ServerDb.h"
#include "util/Numbers.h"

#include <QProcess>
#include <cmath>

namespace torvel::test {
namespace {

class OrdersEndToEnd : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        clock.Set(std::nullopt); // the server files the order by the real month
        dbPath = (Dir() / "server.db").string();
        serverProcess.setProgram(TORVEL_SERVER_PATH);
        serverProcess.setArguments(
            {"--port", "0", "--db", QString::fromStdString(dbPath), "--quiet"});
        serverProcess.setProcessChannelMode(QProcess::SeparateChannels);
        serverProcess.start();
        ASSERT_TRUE(serverProcess.waitForStarted(10000));
        const QString prefix = "torvel-server listening on ";
        QString line;
        while (!line.endsWith('\n') && serverProcess.waitForReadyRead(10000))
            line += QString::fromLatin1(serverProcess.readLine());
        ASSERT_TRUE(line.startsWith(prefix)) << line.toStdString();
        address = line.mid(prefix.size()).trimmed().toStdString();
    }
    void TearDown() override {
        window.reset();
        if (serverProcess.state() != QProcess::NotRunning) {
            serverProcess.terminate();
            if (!serverProcess.waitForFinished(5000))
                serverProcess.kill();
            serverProcess.waitForFinished(5000);
        }
        CentralTest::TearDown();
    }
    int ListRowOf(const std::string& observations) const {
        for (int r = 1; r <= Ui().gPedido->RowCount(); ++r)
            if (Ui().gPedido->GetCell(2, r) == observations)
                return r;
        return 0;
    }
    static std::int64_t Scaled(const std::string& text, int factor) {
        return std::llround(ParseNumber(text) * factor);
    }

    QProcess serverProcess;
    std::string dbPath;
    std::string address;
};

TEST_F(OrdersEndToEnd, ComposeSendListViewDuplicateCancel) {
    Start({"34 - TORVEL CDC BELVO"}, 0, address);
    ASSERT_EQ(window->Session().UserId, 1021);
    ASSERT_TRUE(Ui().B_Novo->isEnabled());
    ASSERT_TRUE(torvel::FileExists("Itens.Txt")) << "the catalogue was not downloaded";

    NewOrder();
    ASSERT_NO_FATAL_FAILURE(EnterItem("1001", "2"));
    ASSERT_NO_FATAL_FAILURE(EnterItem("1002", "1,5"));
    ASSERT_NO_FATAL_FAILURE(EnterItem("1003", "3"));
    Key(Qt::Key_F4);
    const std::string observations = "PEDIDO DE TESTE PONTA A PONTA";
    Type(QString::fromStdString(observations));
    Key(Qt::Key_Escape);
    const std::string typed = Rows(Ui().gProd);
    ASSERT_EQ(Ui().gProd->RowCount(), 3);
    std::vector<std::vector<std::string>> typedCells;
    for (int r = 1; r <= 3; ++r) {
        ASSERT_NE(Ui().gProd->GetCell(3, r), "Produto Nao Encontrado");
        typedCells.push_back(Ui().gProd->Rows().Row(r).cells);
    }
    const std::string total = Text(Ui().VLNota);

    Click(Ui().B_Salva);
    ASSERT_TRUE(Boxes().empty()) << Boxes()[0].text.toStdString();
    ASSERT_FALSE(window->IsCadastroShown());
    const int row = ListRowOf(observations);
    ASSERT_GT(row, 0) << "the sent order is not in the list";
    EXPECT_EQ(Ui().gPedido->GetCell(3, row), "Aberto");
    const std::string doc = Ui().gPedido->GetCell(1, row);

    // What the server stored is what was typed.
    {
        server::Database db(dbPath);
        const auto order = db.FindOrder(std::stoll(doc));
        ASSERT_TRUE(order);
        EXPECT_EQ(order->ctro, "34");
        EXPECT_EQ(order->userId, 1021);
        EXPECT_EQ(order->obs, observations);
        const auto items = db.OrderItems(order->doc);
        ASSERT_EQ(items.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const auto& item = items[i];
            const auto& cells = typedCells[i];
            EXPECT_EQ(std::to_string(item.itemNo), cells[0]);
            EXPECT_EQ(item.code, cells[1]);
            EXPECT_EQ(item.description, cells[2]);
            EXPECT_EQ(item.priceCents, Scaled(cells[3], 100));
            EXPECT_EQ(item.qtyMilli, Scaled(cells[4], 1000));
            EXPECT_EQ(item.totalCents, Scaled(cells[5], 100));
        }
        EXPECT_EQ(typedCells[1][4], "1,5");
    }

    ClickRow(Ui().gPedido, row);
    Ui().VisualizarPedido1->trigger();
    ASSERT_TRUE(Boxes().empty()) << Boxes()[0].text.toStdString();
    EXPECT_TRUE(window->IsCadastroShown());
    EXPECT_EQ(Rows(Ui().gProd), typed);
    EXPECT_EQ(Text(Ui().VLNota), total);
    EXPECT_FALSE(Ui().B_Salva->isEnabled());

    Click(Ui().B_Volta);
    ClickRow(Ui().gPedido, row);
    Ui().DuplicarPedido1->trigger();
    EXPECT_EQ(Rows(Ui().gProd), typed);
    EXPECT_TRUE(Ui().B_Salva->isEnabled());
    EXPECT_EQ(Text(Ui().Itens), "3");

    Click(Ui().B_Volta);
    ClickRow(Ui().gPedido, row);
    Ui().CancelarPedido1->trigger();
    EXPECT_TRUE(Boxes().empty());
    const int after = ListRowOf(observations);
    ASSERT_GT(after, 0);
    EXPECT_EQ(Ui().gPedido->GetCell(3, after), "Cancelado");
}

} // namespace
} // namespace torvel::test
