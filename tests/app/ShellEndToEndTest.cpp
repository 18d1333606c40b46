// Start-up and store choice against the reference order server, as a user meets them.
#include "tests/support/ShellFixture.h"

#include "catalogue/CatalogueFile.h"

#include <QProcess>

namespace torvel::test {
namespace {

class ShellEndToEnd : public Shell {
protected:
    void SetUp() override {
        Shell::SetUp();
        clock.Set(std::nullopt); // the server dates its orders by the real clock
        process.setProgram(TORVEL_SERVER_PATH);
        process.setArguments({"--port", "0", "--db",
                              QString::fromStdString((Dir() / "server.db").string()), "--quiet"});
        process.start();
        ASSERT_TRUE(process.waitForStarted(10000));
        const QString prefix = "torvel-server listening on ";
        QString line;
        while (!line.endsWith('\n') && process.waitForReadyRead(10000))
            line += QString::fromLatin1(process.readLine());
        ASSERT_TRUE(line.startsWith(prefix)) << line.toStdString();
        address = line.mid(prefix.size()).trimmed().toStdString();
    }
    void TearDown() override {
        window.reset();
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        Shell::TearDown();
    }
    void Configure(const std::string& ids) {
        WriteFile("Config.Ini", "[CONFIGURACAO]\r\nCRF=" + kCrf + "\r\nIDS=" + ids +
                                    "\r\nSERVIDOR=" + address + "\r\n");
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> out;
        for (int r = 1; r <= Ui().gPedido->RowCount(); ++r)
            out.push_back(Ui().gPedido->GetCell(column, r));
        return out;
    }

    QProcess process;
    std::string address;
};

TEST_F(ShellEndToEnd, ASingleStoreIsReadyWhenTheWindowShows) {
    Configure("34 - TORVEL CDC BELVO");
    window = std::make_unique<TFCentral>();
    EXPECT_EQ(window->Session().UserId, 1021);
    EXPECT_TRUE(Ui().B_Novo->isEnabled());
    EXPECT_GT(Ui().gPedido->RowCount(), 0);
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();

    // Every record of the catalogue is a line of eight fields for this store, ended by CR LF.
    const std::string file = ReadFile("Itens.Txt");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    const CatalogueRecords records = CatalogueLoad();
    EXPECT_EQ(size_t(std::count(file.begin(), file.end(), '\n')), records.size());
    EXPECT_EQ(size_t(std::count(file.begin(), file.end(), '\r')), records.size());
    EXPECT_GT(records.size(), 100u);
    for (const auto record : records) {
        ASSERT_EQ(record.size(), 8u);
        EXPECT_EQ(record[0], "34");
    }
    ASSERT_NO_FATAL_FAILURE(Show());

    // The cancelled orders of the store, by the situation filter.
    Ui().ComboBox->setCurrentIndex(12);
    Ui().qSituacao->setCurrentIndex(2);
    Click(Ui().B_Listar);
    const auto situations = Column(3);
    ASSERT_FALSE(situations.empty());
    for (const auto& s : situations)
        EXPECT_EQ(s, "Cancelado");
    EXPECT_TRUE(window->isActiveWindow());
}

TEST_F(ShellEndToEnd, AStoreThatMayNotOrderAfterOneThatMay) {
    Configure("34 - TORVEL CDC BELVO|36 - TORVEL NORTE");
    window = std::make_unique<TFCentral>();
    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_EQ(Ui().gPedido->RowCount(), 0);
    Choose(0);
    ASSERT_TRUE(Ui().B_Novo->isEnabled());
    const auto orders = Column(1);
    const std::string catalogue = ReadFile("Itens.Txt");

    Choose(1);
    EXPECT_EQ(BoxTexts(), kRefusal + "\n");
    EXPECT_EQ(Text(Ui().Label3), "Seu ID : NAO");
    EXPECT_EQ(window->Session().Ctro, "36");
    EXPECT_EQ(window->Session().UserId, 1021);
    EXPECT_FALSE(Ui().B_Novo->isEnabled());
    EXPECT_EQ(Column(1), orders);
    EXPECT_EQ(ReadFile("Itens.Txt"), catalogue);
}

} // namespace
} // namespace torvel::test
