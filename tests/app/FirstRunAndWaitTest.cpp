// The first-run panel, typed into and saved, and the wait window shown around the requests.
#include "tests/support/ShellFixture.h"

#include <filesystem>

namespace torvel::test {
namespace {

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// What the probe notes while a wait window is up: its text, and whether the panel covers the
// window.
std::string PanelWhileWaiting(const TFCentral* window) {
    TFStatus* wait = WaitWindow();
    if (!wait)
        return {};
    return FromQString(wait->Text()) + (window->Panel2->isVisible() ? " panel" : " no panel");
}

TEST_F(Shell, TheFirstRunPanelWritesTheFileAndChecksItsStore) {
    struct Case {
        const char* typed;
        std::string crf;
    } cases[] = {
        {"12345678000195", "12.345.678/0001-95"},
        {"11144477735", "111.444.777-35"},
        {"", "000.000.000-00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        std::remove("Config.Ini");
        ScriptedServer s;
        Accepting(s);
        SetDefaultServerForTesting(s.HostPort());
        window = std::make_unique<TFCentral>();
        ASSERT_NO_FATAL_FAILURE(Show());
        ASSERT_TRUE(window->Panel2->isVisible());
        ASSERT_EQ(Focused(), window->ECNPJ);
        Type(QString::fromLatin1(c.typed));

        // Tab stays on the panel.
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focused(), window->Button2);
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focused(), window->ECNPJ);

        Probe probe([this] { return PanelWhileWaiting(window.get()); });
        Click(window->Button2);

        EXPECT_EQ(ReadFile("Config.Ini"),
                  "[CONFIGURACAO]\r\nCRF=" + c.crf + "\r\nIDS=34 - TORVEL CDC BELVO\r\n");
        EXPECT_EQ(Targets(s), (std::vector<std::string>{CheckTarget(c.crf, "34"),
                                                        ListTarget("1021", "34", "&Emissao=12"),
                                                        CatalogueTarget("1021", "34")}));
        EXPECT_EQ(probe.seen, std::vector<std::string>{"Aguarde sincronizando... panel"});
        EXPECT_FALSE(window->Panel2->isVisible());
        EXPECT_EQ(window->Crf, c.crf);
        ASSERT_EQ(window->Loja->count(), 1);
        EXPECT_EQ(window->Loja->currentText(), "34 - TORVEL CDC BELVO");
        EXPECT_TRUE(window->Loja->isEnabled());
        EXPECT_TRUE(window->B_Novo->isEnabled());
        EXPECT_EQ(window->UserId, 1021);
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        EXPECT_TRUE(window->isActiveWindow());
        window.reset();
    }
}

TEST_F(Shell, AFirstRunFileThatCannotBeWrittenLeavesThePanelForAnotherTry) {
    ScriptedServer s;
    Accepting(s);
    SetDefaultServerForTesting(s.HostPort());
    std::filesystem::create_directory("Config.Ini");
    window = std::make_unique<TFCentral>();
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(window->Panel2->isVisible());
    Type("12345678000195");
    Click(window->Button2);

    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].title, "UniTorvel");
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(Boxes()[0].text,
              QString::fromStdString("Cannot create file \"" + (Dir() / "Config.Ini").string() +
                                     "\". Is a directory."));
    EXPECT_TRUE(window->Panel2->isVisible());
    EXPECT_EQ(window->Loja->count(), 0);
    EXPECT_TRUE(s.Requests().empty());
    EXPECT_EQ(FilesIn(Dir()), std::vector<std::string>{"Config.Ini"});

    std::filesystem::remove("Config.Ini");
    Boxes().clear();
    Click(window->Button2);
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
    EXPECT_EQ(ReadFile("Config.Ini"),
              "[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\n");
    EXPECT_FALSE(window->Panel2->isVisible());
    EXPECT_EQ(window->UserId, 1021);
}

TEST_F(Shell, OneWaitWindowAtATimeAndTheHourglassWithIt) {
    ScriptedServer s;
    Build("34 - A|35 - B", s);
    ASSERT_NO_FATAL_FAILURE(Show());

    window->SetWaitMessage("Primeiro texto");
    window->SetWaitMessage("Segundo texto");
    TFStatus* wait = WaitWindow();
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait, window->Status);
    EXPECT_EQ(wait->Text(), "Segundo texto");
    EXPECT_EQ(wait->size(), QSize(540, 34));
    EXPECT_LE((wait->frameGeometry().center() - window->frameGeometry().center()).manhattanLength(),
              2);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    window->SetWaitMessage("");
    EXPECT_EQ(WaitWindow(), nullptr);
    EXPECT_EQ(window->Status, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->isActiveWindow());

    // Without a wait window only the cursor goes back.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    window->SetWaitMessage("");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next text makes a new window.
    window->SetWaitMessage("Terceiro");
    ASSERT_NE(WaitWindow(), nullptr);
    EXPECT_EQ(WaitWindow()->Text(), "Terceiro");
    window->SetWaitMessage("");
}

TEST_F(Shell, TheRefusalIsShownOverTheWaitWindowAndTheWindowIsActiveAfterwards) {
    ScriptedServer s;
    s.Route("?ID=", ScriptedServer::Ok("NAO"));
    Build("34 - A|35 - B", s);
    ASSERT_NO_FATAL_FAILURE(Show());
    torvel::testing::RecordBoxes(false); // a real box, closed by the probe
    Probe probe([] {
        TFStatus* wait = WaitWindow();
        const QCursor* cursor = QApplication::overrideCursor();
        return wait ? FromQString(wait->Text()) +
                          (cursor && cursor->shape() == Qt::WaitCursor ? " hourglass" : " arrow")
                    : std::string();
    });
    window->Loja->setFocus();
    Key(Qt::Key_Down);

    EXPECT_EQ(probe.seen, (std::vector<std::string>{"Aguarde sincronizando... hourglass",
                                                    "Aguarde sincronizando... hourglass box:" +
                                                        FromQString(kRefusal)}));
    EXPECT_EQ(WaitWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Without a window manager nobody else would give the activation back.
    EXPECT_TRUE(window->isActiveWindow());
    EXPECT_EQ(Focused(), window->Loja);
}

TEST_F(Shell, TheListButtonShowsTheWaitWindowAndGivesTheActivationBack) {
    ScriptedServer s;
    Accepting(s);
    ASSERT_NO_FATAL_FAILURE(StartAccepted(s));
    Probe probe([] {
        TFStatus* wait = WaitWindow();
        return wait ? FromQString(wait->Text()) : std::string();
    });
    Click(window->B_Listar);
    EXPECT_EQ(probe.seen, std::vector<std::string>{"Aguarde sincronizando..."});
    EXPECT_EQ(WaitWindow(), nullptr);
    EXPECT_TRUE(window->isActiveWindow());
    EXPECT_EQ(Focused(), window->B_Listar);
}

} // namespace
} // namespace torvel::test
