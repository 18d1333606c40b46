// Start-up and the store check: what is read, what is sent and what the window shows before
// and after it is shown, with the server accepting, refusing or failing.
#include "tests/support/ShellFixture.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace torvel::test {
namespace {

TEST_F(Shell, ASingleStoreIsCheckedListedAndDownloadedBeforeTheWindowIsShown) {
    ScriptedServer s;
    Accepting(s, "557|Primeiro|Aberto|01/12/2026 10:00;558||Normal|02/12/2026 10:00",
              "34|10|M|N|R|UN|1.50|2.00;34|11|M|P|S|CX|3.00|4.00");
    Build("34 - TORVEL CDC BELVO", s);

    ASSERT_FALSE(window->isVisible());
    const auto requests = s.Requests();
    ASSERT_EQ(requests.size(), 3u);
    // The list is asked for before the window shows: its month filter still reads "Todos".
    const std::string expected[] = {GetBytes(s, CheckTarget(kCrf, "34")),
                                    GetBytes(s, ListTarget("1021", "34")),
                                    GetBytes(s, CatalogueTarget("1021", "34"))};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(requests[i].complete);
        EXPECT_EQ(requests[i].bytes, expected[i]) << i;
    }
    EXPECT_EQ(ReadFile("Itens.Txt"), "34|10|M|N|R|UN|1.50|2.00\r\n34|11|M|P|S|CX|3.00|4.00\r\n");
    EXPECT_EQ(Rows(window->gPedido),
              "557|Primeiro|Aberto|01/12/2026 10:00;558||Normal|02/12/2026 10:00;");
    EXPECT_EQ(Text(window->Label3), "Seu ID : 1021");
    EXPECT_EQ(window->UserId, 1021);
    EXPECT_EQ(window->Ctro, "34");
    EXPECT_TRUE(window->B_Novo->isEnabled());
    EXPECT_FALSE(window->Panel1->isVisibleTo(window->PageDefault));
    EXPECT_EQ(window->Status, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();

    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_EQ(s.Requests().size(), 3u) << "showing the window reloaded something";
    EXPECT_EQ(window->ComboBox->currentText(), "Dezembro");
    EXPECT_EQ(Rows(window->gPedido).substr(0, 4), "557|");
}

TEST_F(Shell, ARefusalAtStartUpIsToldBeforeTheWindowShowsWithTheWaitWindowUp) {
    ScriptedServer s;
    s.Route("pedidos.php?ID=", ScriptedServer::Ok("NAO"));
    torvel::testing::RecordBoxes(false); // a real box, closed by the probe
    Probe probe([] {
        QWidget* main = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "FCentral")
                main = w;
        TFStatus* wait = WaitWindow();
        if (!wait)
            return std::string();
        // At start-up the wait window stands in the middle of the screen.
        const QPoint off =
            wait->frameGeometry().center() - QApplication::primaryScreen()->geometry().center();
        return "wait:" + FromQString(wait->Text()) +
               (main && main->isVisible() ? " main shown" : " main hidden") +
               (off.manhattanLength() <= 2 ? " centred" : " off centre");
    });
    Build("34 - TORVEL CDC BELVO", s);
    EXPECT_EQ(probe.seen,
              (std::vector<std::string>{"wait:Aguarde sincronizando... main hidden centred",
                                        "wait:Aguarde sincronizando... main hidden centred box:" +
                                            FromQString(kRefusal)}));
    EXPECT_EQ(Targets(s), std::vector<std::string>{CheckTarget(kCrf, "34")});
    EXPECT_EQ(WaitWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(window->B_Novo->isEnabled());
    EXPECT_EQ(Text(window->Label3), "Seu ID : NAO");
}

TEST_F(Shell, ConfigurationsThatCheckNothing) {
    struct Case {
        const char* name;
        const char* file; // nullptr: no Config.Ini
        std::vector<std::string> entries;
    } cases[] = {
        {"two stores", "IDS=34 - LOJA CENTRO|35 - LOJA SUL", {"34 - LOJA CENTRO", "35 - LOJA SUL"}},
        {"an empty entry between two", "IDS=34 - A||35 - B", {"34 - A", "", "35 - B"}},
        {"an empty store list", "IDS=", {}},
        {"no store list", "CRF=1", {}},
        {"no configuration file", nullptr, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer s;
        if (c.file)
            WriteFile("Config.Ini", std::string("[CONFIGURACAO]\r\n") + c.file +
                                        "\r\nSERVIDOR=" + s.HostPort() + "\r\n");
        else
            std::remove("Config.Ini");
        window = std::make_unique<TFCentral>();
        ASSERT_NO_FATAL_FAILURE(Show());

        std::vector<std::string> entries;
        for (int i = 0; i < window->Loja->count(); ++i)
            entries.push_back(FromQString(window->Loja->itemText(i)));
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(window->Loja->currentIndex(), c.entries.empty() ? -1 : 0);
        EXPECT_TRUE(s.Requests().empty());
        EXPECT_TRUE(window->Panel1->isVisible());
        EXPECT_FALSE(window->B_Novo->isEnabled());
        EXPECT_EQ(Text(window->Label3), "Seu ID :");
        EXPECT_EQ(window->Panel2->isVisible(), c.file == nullptr);
        if (!c.file) {
            // The first-run panel takes the keyboard; what it covers is out of reach.
            EXPECT_EQ(Focused(), window->ECNPJ);
            EXPECT_FALSE(window->Loja->isEnabled());
        }
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        window.reset();
    }
}

TEST_F(Shell, AConfigurationFileThatCannotBeReadIsReported) {
    // A socket cannot be opened as a file, whoever runs the test.
    const std::string path = (Dir() / "Config.Ini").string();
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::copy(path.begin(), path.end(), addr.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    window = std::make_unique<TFCentral>();
    ::close(fd);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(
        Boxes()[0].text.startsWith(QString::fromStdString("Cannot open file \"" + path + "\". ")))
        << Boxes()[0].text.toStdString();
    EXPECT_EQ(window->Loja->count(), 0);
    EXPECT_FALSE(window->Panel2->isVisibleTo(window.get()));
}

TEST_F(Shell, AConfigurationFileThatIsAPipeIsReportedWithoutWaitingForAWriter) {
    const std::string path = (Dir() / "Config.Ini").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    window = std::make_unique<TFCentral>();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text.toStdString(),
              "Cannot open file \"" + path + "\". Not a regular file.");
    EXPECT_EQ(window->Loja->count(), 0);
}

TEST_F(Shell, TheStoreCheckAsTheServerAnswers) {
    struct Case {
        const char* name;
        std::function<void(ScriptedServer&)> script;
        std::string label;
        int32_t userId;
    } cases[] = {
        {"an id", [](ScriptedServer& s) { Accepting(s); }, "Seu ID : 1021", 1021},
        {"a negative id",
         [](ScriptedServer& s) {
             s.Route("pedidos.php?ID=", ScriptedServer::Ok("-3"));
             Accepting(s);
         },
         "Seu ID : -3", -3},
        {"NAO", [](ScriptedServer& s) { s.Route("?ID=", ScriptedServer::Ok("NAO")); },
         "Seu ID : NAO", 0},
        {"an id and a line break",
         [](ScriptedServer& s) { s.Route("?ID=", ScriptedServer::Ok("1021\r\n")); },
         "Seu ID : 1021\r\n", 0},
        {"an empty body", [](ScriptedServer& s) { s.Route("?ID=", ScriptedServer::Ok("")); },
         "Seu ID : ", 0},
        {"an error status",
         [](ScriptedServer& s) { s.Route("?ID=", ErrorReply("HTTP/1.1 500 Erro", "1021")); },
         "Seu ID :", 0},
        {"a reply cut short",
         [](ScriptedServer& s) {
             ServerReply cut = ScriptedServer::Ok("1021");
             cut.cutAt = cut.bytes.size() - 2;
             s.Route("?ID=", cut);
         },
         "Seu ID :", 0},
        {"no connection", [](ScriptedServer& s) { s.Stop(); }, "Seu ID :", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes().clear();
        ScriptedServer s;
        c.script(s);
        Build("34 - LOJA CENTRO|35 - LOJA SUL", s);
        ASSERT_NO_FATAL_FAILURE(Show());
        Choose(1);

        const bool accepted = c.userId != 0;
        EXPECT_EQ(Text(window->Label3), c.label);
        EXPECT_EQ(window->UserId, c.userId);
        EXPECT_EQ(window->Ctro, "35");
        EXPECT_EQ(window->B_Novo->isEnabled(), accepted);
        EXPECT_FALSE(window->Panel1->isVisible());
        EXPECT_EQ(WaitWindow(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(BoxTexts(), accepted ? QString() : kRefusal + "\n");
        const std::string id = std::to_string(c.userId);
        const std::vector<std::string> sent = Targets(s);
        if (accepted)
            EXPECT_EQ(sent, (std::vector<std::string>{CheckTarget(kCrf, "35"),
                                                      ListTarget(id, "35", "&Emissao=12"),
                                                      CatalogueTarget(id, "35")}));
        else // the check at most, once
            EXPECT_EQ(sent,
                      std::vector<std::string>(sent.empty() ? 0 : 1, CheckTarget(kCrf, "35")));
        EXPECT_EQ(torvel::FileExists("Itens.Txt"), accepted);
        window.reset();
        std::remove("Itens.Txt");
    }
}

TEST_F(Shell, AStoreRefusedAfterAnotherWasAcceptedKeepsWhatTheFirstBrought) {
    struct Case {
        const char* name;
        ServerReply refusal;
        std::string label;
    } cases[] = {
        {"a refusing reply", ScriptedServer::Ok("NAO"), "Seu ID : NAO"},
        {"an error status", ErrorReply("HTTP/1.1 404 Not Found"), "Seu ID : 1021"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes().clear();
        ScriptedServer s;
        s.Route(CheckTarget(kCrf, "35") + " ", c.refusal);
        Accepting(s, "557|A|Aberto|01/12/2026;558|B|Normal|02/12/2026", "34|10|M|DEZ|R|UN|10|1");
        ASSERT_NO_FATAL_FAILURE(StartAccepted(s));
        const std::string rows = Rows(window->gPedido);
        const std::string catalogue = ReadFile("Itens.Txt");
        ASSERT_EQ(rows, "557|A|Aberto|01/12/2026;558|B|Normal|02/12/2026;");

        Choose(1);
        EXPECT_EQ(window->Ctro, "35");
        EXPECT_EQ(window->UserId, 1021);
        EXPECT_EQ(Text(window->Label3), c.label);
        EXPECT_FALSE(window->B_Novo->isEnabled());
        EXPECT_FALSE(window->Panel1->isVisible());
        EXPECT_EQ(Rows(window->gPedido), rows);
        EXPECT_EQ(ReadFile("Itens.Txt"), catalogue);
        EXPECT_EQ(BoxTexts(), kRefusal + "\n");
        EXPECT_EQ(Targets(s).back(), CheckTarget(kCrf, "35"));

        // Choosing the first store again repeats the whole check.
        const size_t before = s.Requests().size();
        Choose(0);
        EXPECT_EQ(s.Requests().size(), before + 3);
        EXPECT_TRUE(window->B_Novo->isEnabled());
        EXPECT_EQ(Text(window->Label3), "Seu ID : 1021");
        window.reset();
    }
}

TEST_F(Shell, OnlyAStoreChosenByTheUserIsChecked) {
    ScriptedServer s;
    Accepting(s);
    Build("34 - A|35 - B|36 - C", s);
    ASSERT_NO_FATAL_FAILURE(Show());

    window->Loja->setCurrentIndex(2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(s.Requests().empty());
    EXPECT_TRUE(window->Panel1->isVisible());

    window->Loja->setFocus();
    Key(Qt::Key_Up);
    EXPECT_EQ(window->Loja->currentIndex(), 1);
    EXPECT_EQ(Targets(s).front(), CheckTarget(kCrf, "35"));
    EXPECT_EQ(window->Ctro, "35");
    EXPECT_FALSE(window->Panel1->isVisible());
    EXPECT_TRUE(window->B_Novo->isEnabled());
}

} // namespace
} // namespace torvel::test
