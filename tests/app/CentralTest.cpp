// The main window's own unit: start-up and the store check (what is read, what is sent and what
// the window shows before and after it is shown, with the server accepting, refusing or failing),
// the first-run panel, the date line and issue date of the day shown, and the keyboard map on
// both pages.
#include "tests/support/CaseName.h"
#include "tests/support/ShellFixture.h"

#include <QDialog>
#include <QFrame>
#include <QPlainTextEdit>
#include <filesystem>
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
    EXPECT_EQ(Rows(Ui().gPedido),
              "557|Primeiro|Aberto|01/12/2026 10:00;558||Normal|02/12/2026 10:00;");
    EXPECT_EQ(Text(Ui().Label3), "Seu ID : 1021");
    EXPECT_EQ(window->Session().UserId, 1021);
    EXPECT_EQ(window->Session().Ctro, "34");
    EXPECT_TRUE(Ui().B_Novo->isEnabled());
    EXPECT_FALSE(Ui().Panel1->isVisibleTo(Ui().PageDefault));
    EXPECT_EQ(WaitWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();

    ASSERT_NO_FATAL_FAILURE(Show());
    EXPECT_EQ(s.Requests().size(), 3u) << "showing the window reloaded something";
    EXPECT_EQ(Ui().ComboBox->currentText(), "Dezembro");
    EXPECT_EQ(Rows(Ui().gPedido).substr(0, 4), "557|");
}

TEST_F(Shell, ARefusalAtStartUpIsToldBeforeTheWindowShowsWithTheWaitWindowUp) {
    ScriptedServer s;
    s.Route("pedidos.php?ID=", ScriptedServer::Ok("NAO"));
    recordBoxes.Set(false); // a real box, closed by the probe
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
    EXPECT_FALSE(Ui().B_Novo->isEnabled());
    EXPECT_EQ(Text(Ui().Label3), "Seu ID : NAO");
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
        for (int i = 0; i < Ui().Loja->count(); ++i)
            entries.push_back(FromQString(Ui().Loja->itemText(i)));
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(Ui().Loja->currentIndex(), c.entries.empty() ? -1 : 0);
        EXPECT_TRUE(s.Requests().empty());
        EXPECT_TRUE(Ui().Panel1->isVisible());
        EXPECT_FALSE(Ui().B_Novo->isEnabled());
        EXPECT_EQ(Text(Ui().Label3), "Seu ID :");
        EXPECT_EQ(Ui().Panel2->isVisible(), c.file == nullptr);
        if (!c.file) {
            // The first-run panel takes the keyboard; what it covers is out of reach.
            EXPECT_EQ(Focused(), Ui().ECNPJ);
            EXPECT_FALSE(Ui().Loja->isEnabled());
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
    EXPECT_EQ(Ui().Loja->count(), 0);
    EXPECT_FALSE(Ui().Panel2->isVisibleTo(window.get()));
}

TEST_F(Shell, AConfigurationFileThatIsAPipeIsReportedWithoutWaitingForAWriter) {
    const std::string path = (Dir() / "Config.Ini").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    window = std::make_unique<TFCentral>();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text.toStdString(),
              "Cannot open file \"" + path + "\". Not a regular file.");
    EXPECT_EQ(Ui().Loja->count(), 0);
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
        EXPECT_EQ(Text(Ui().Label3), c.label);
        EXPECT_EQ(window->Session().UserId, c.userId);
        EXPECT_EQ(window->Session().Ctro, "35");
        EXPECT_EQ(Ui().B_Novo->isEnabled(), accepted);
        EXPECT_FALSE(Ui().Panel1->isVisible());
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
        const std::string rows = Rows(Ui().gPedido);
        const std::string catalogue = ReadFile("Itens.Txt");
        ASSERT_EQ(rows, "557|A|Aberto|01/12/2026;558|B|Normal|02/12/2026;");

        Choose(1);
        EXPECT_EQ(window->Session().Ctro, "35");
        EXPECT_EQ(window->Session().UserId, 1021);
        EXPECT_EQ(Text(Ui().Label3), c.label);
        EXPECT_FALSE(Ui().B_Novo->isEnabled());
        EXPECT_FALSE(Ui().Panel1->isVisible());
        EXPECT_EQ(Rows(Ui().gPedido), rows);
        EXPECT_EQ(ReadFile("Itens.Txt"), catalogue);
        EXPECT_EQ(BoxTexts(), kRefusal + "\n");
        EXPECT_EQ(Targets(s).back(), CheckTarget(kCrf, "35"));

        // Choosing the first store again repeats the whole check.
        const size_t before = s.Requests().size();
        Choose(0);
        EXPECT_EQ(s.Requests().size(), before + 3);
        EXPECT_TRUE(Ui().B_Novo->isEnabled());
        EXPECT_EQ(Text(Ui().Label3), "Seu ID : 1021");
        window.reset();
    }
}

TEST_F(Shell, OnlyAStoreChosenByTheUserIsChecked) {
    ScriptedServer s;
    Accepting(s);
    Build("34 - A|35 - B|36 - C", s);
    ASSERT_NO_FATAL_FAILURE(Show());

    Ui().Loja->setCurrentIndex(2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(s.Requests().empty());
    EXPECT_TRUE(Ui().Panel1->isVisible());

    Ui().Loja->setFocus();
    Key(Qt::Key_Up);
    EXPECT_EQ(Ui().Loja->currentIndex(), 1);
    EXPECT_EQ(Targets(s).front(), CheckTarget(kCrf, "35"));
    EXPECT_EQ(window->Session().Ctro, "35");
    EXPECT_FALSE(Ui().Panel1->isVisible());
    EXPECT_TRUE(Ui().B_Novo->isEnabled());
}

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// What the probe notes while a wait window is up: its text, and whether the panel covers the
// window.
std::string PanelWhileWaiting(const QWidget* panel) {
    TFStatus* wait = WaitWindow();
    if (!wait)
        return {};
    return FromQString(wait->Text()) + (panel->isVisible() ? " panel" : " no panel");
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
        defaultServer.Set(s.HostPort());
        window = std::make_unique<TFCentral>();
        ASSERT_NO_FATAL_FAILURE(Show());
        ASSERT_TRUE(Ui().Panel2->isVisible());
        ASSERT_EQ(Focused(), Ui().ECNPJ);
        Type(QString::fromLatin1(c.typed));

        // Tab stays on the panel.
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focused(), Ui().Button2);
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focused(), Ui().ECNPJ);

        Probe probe([this] { return PanelWhileWaiting(Ui().Panel2); });
        Click(Ui().Button2);

        EXPECT_EQ(ReadFile("Config.Ini"),
                  "[CONFIGURACAO]\r\nCRF=" + c.crf + "\r\nIDS=34 - TORVEL CDC BELVO\r\n");
        EXPECT_EQ(Targets(s), (std::vector<std::string>{CheckTarget(c.crf, "34"),
                                                        ListTarget("1021", "34", "&Emissao=12"),
                                                        CatalogueTarget("1021", "34")}));
        EXPECT_EQ(probe.seen, std::vector<std::string>{"Aguarde sincronizando... panel"});
        EXPECT_FALSE(Ui().Panel2->isVisible());
        EXPECT_EQ(window->Session().Crf, c.crf);
        ASSERT_EQ(Ui().Loja->count(), 1);
        EXPECT_EQ(Ui().Loja->currentText(), "34 - TORVEL CDC BELVO");
        EXPECT_TRUE(Ui().Loja->isEnabled());
        EXPECT_TRUE(Ui().B_Novo->isEnabled());
        EXPECT_EQ(window->Session().UserId, 1021);
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        EXPECT_TRUE(window->isActiveWindow());
        window.reset();
    }
}

TEST_F(Shell, AFirstRunFileThatCannotBeWrittenLeavesThePanelForAnotherTry) {
    ScriptedServer s;
    Accepting(s);
    defaultServer.Set(s.HostPort());
    std::filesystem::create_directory("Config.Ini");
    window = std::make_unique<TFCentral>();
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(Ui().Panel2->isVisible());
    Type("12345678000195");
    Click(Ui().Button2);

    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].title, "UniTorvel");
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(Boxes()[0].text,
              QString::fromStdString("Cannot create file \"" + (Dir() / "Config.Ini").string() +
                                     "\". Is a directory."));
    EXPECT_TRUE(Ui().Panel2->isVisible());
    EXPECT_EQ(Ui().Loja->count(), 0);
    EXPECT_TRUE(s.Requests().empty());
    EXPECT_EQ(FilesIn(Dir()), std::vector<std::string>{"Config.Ini"});

    std::filesystem::remove("Config.Ini");
    Boxes().clear();
    Click(Ui().Button2);
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
    EXPECT_EQ(ReadFile("Config.Ini"),
              "[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\n");
    EXPECT_FALSE(Ui().Panel2->isVisible());
    EXPECT_EQ(window->Session().UserId, 1021);
}

TEST_F(Shell, TheDateLineMonthAndIssueDateOfTheDayShown) {
    struct Case {
        Clock::time_point now;
        const char* line; // UTF-8
        const char* month;
        const char* emissao;
    } cases[] = {
        {At(2026, 3, 1, 9, 7), "* Domingo, 1 de Março de 2026.", "Março", "01/03/2026 09:07"},
        {At(2026, 12, 8, 14, 5), "* Terça-feira, 8 de Dezembro de 2026.", "Dezembro",
         "08/12/2026 14:05"},
        {At(2027, 1, 30, 23, 59), "* Sábado, 30 de Janeiro de 2027.", "Janeiro",
         "30/01/2027 23:59"},
        {At(2025, 10, 15, 0, 0), "* Quarta-feira, 15 de Outubro de 2025.", "Outubro",
         "15/10/2025 00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        clock.Set(c.now);
        ScriptedServer s;
        Build("34 - A|35 - B", s);
        Ui().Notebook1->setCurrentIndex(1);
        ASSERT_NO_FATAL_FAILURE(Show());
        // Later moments change nothing: the line and the issue date are those of the showing.
        clock.Set(c.now + std::chrono::hours(50));
        window->hide();
        ASSERT_NO_FATAL_FAILURE(Show());

        EXPECT_EQ(Ui().LData->text(), QString::fromUtf8(c.line));
        EXPECT_EQ(Ui().ComboBox->currentText(), QString::fromUtf8(c.month));
        EXPECT_EQ(Text(Ui().Emissao), c.emissao);
        EXPECT_FALSE(window->IsCadastroShown());
        EXPECT_TRUE(s.Requests().empty()) << "the month filter reloaded the list";
        window.reset();
    }
}

class Keys : public Shell {
protected:
    void SetUp() override {
        Shell::SetUp();
        modalHook.Set([this](QDialog& dialog) {
            ++searches;
            dialog.reject();
        });
    }

    // The window on the list page with a store accepted, or in the editor with one item.
    void Open(bool editor) {
        for (const auto& entry : std::filesystem::directory_iterator(Dir()))
            std::filesystem::remove_all(entry.path());
        searches = 0;
        shop = std::make_unique<ScriptedServer>();
        Accepting(*shop, "557|A|Aberto|01/12/2026", "34|10|M|DEZ|R|UN|10.00|1");
        ASSERT_NO_FATAL_FAILURE(StartAccepted(*shop));
        if (editor) {
            ASSERT_NO_FATAL_FAILURE(NewOrder());
            ASSERT_NO_FATAL_FAILURE(EnterItem("10", "2"));
        } else {
            // Not a combo: F4 opens a combo's list on its own.
            Ui().gPedido->setFocus();
        }
    }

    // What the keys may change, in one line.
    std::string State() const {
        int posts = 0;
        for (const auto& r : shop->Requests())
            posts += r.RequestLine().rfind("POST", 0) == 0;
        QWidget* focus = QApplication::focusWidget();
        return std::string(window->IsCadastroShown() ? "Cadastro" : "Default") +
               " obs:" + (Ui().OBS->isVisibleTo(Ui().PageCadastro) ? "1" : "0") +
               " focus:" + (focus ? focus->objectName().toStdString() : "none") +
               " items:" + std::to_string(Ui().gProd->RowCount()) +
               " search:" + std::to_string(searches) + " posts:" + std::to_string(posts);
    }

    ModalHookGuard modalHook{nullptr};
    std::unique_ptr<ScriptedServer> shop;
    int searches = 0;
};

// One row of the key map: a key pressed on a page, and what it leaves.
struct KeyRow {
    const char* name;
    bool editor;
    // What is done after the page is up: nothing, the focus on the items, the observations
    // opened, or opened and left behind on the list.
    enum Before { kNothing, kFocusItems, kObservations, kObservationsThenList } before;
    Qt::Key key;
    Qt::KeyboardModifiers shift;
    std::string state; // "%" stands for the focus the key found
};

class KeyMap : public Keys, public ::testing::WithParamInterface<KeyRow> {};

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const KeyRow kKeyRows[] = {
    {"F3 on the list", false, KeyRow::kNothing, Qt::Key_F3, kNone,
     "Default obs:0 focus:% items:0 search:0 posts:0"},
    {"F4 on the list", false, KeyRow::kNothing, Qt::Key_F4, kNone,
     "Default obs:0 focus:% items:0 search:0 posts:0"},
    {"Ctrl+F4 on the list", false, KeyRow::kNothing, Qt::Key_F4, Qt::ControlModifier,
     "Default obs:0 focus:% items:0 search:0 posts:0"},
    {"Ctrl+N of the hint", false, KeyRow::kNothing, Qt::Key_N, Qt::ControlModifier,
     "Default obs:0 focus:% items:0 search:0 posts:0"},
    {"Esc on the list", false, KeyRow::kNothing, Qt::Key_Escape, kNone,
     "Default obs:0 focus:% items:0 search:0 posts:0"},
    {"F3 in the editor", true, KeyRow::kNothing, Qt::Key_F3, kNone,
     "Cadastro obs:0 focus:cProd items:1 search:1 posts:0"},
    {"Shift+F3 in the editor", true, KeyRow::kNothing, Qt::Key_F3, Qt::ShiftModifier,
     "Cadastro obs:0 focus:cProd items:1 search:1 posts:0"},
    {"F4 in the editor", true, KeyRow::kNothing, Qt::Key_F4, kNone,
     "Cadastro obs:1 focus:Memo1 items:1 search:0 posts:0"},
    {"Ctrl+F4 in the editor", true, KeyRow::kNothing, Qt::Key_F4, Qt::ControlModifier,
     "Cadastro obs:1 focus:Memo1 items:1 search:0 posts:0"},
    {"Ctrl+S of the hint", true, KeyRow::kNothing, Qt::Key_S, Qt::ControlModifier,
     "Cadastro obs:0 focus:% items:1 search:0 posts:0"},
    {"Ctrl+A of the hint", true, KeyRow::kFocusItems, Qt::Key_A, Qt::ControlModifier,
     "Cadastro obs:0 focus:gProd items:1 search:0 posts:0"},
    {"Esc with nothing to close does not abandon the order", true, KeyRow::kNothing, Qt::Key_Escape,
     kNone, "Cadastro obs:0 focus:cProd items:1 search:0 posts:0"},
    {"Esc closes the observations", true, KeyRow::kObservations, Qt::Key_Escape, kNone,
     "Cadastro obs:0 focus:cProd items:1 search:0 posts:0"},
    {"Ctrl+Esc closes them too", true, KeyRow::kObservations, Qt::Key_Escape, Qt::ControlModifier,
     "Cadastro obs:0 focus:cProd items:1 search:0 posts:0"},
    {"Esc on the list closes observations left open in the editor", true,
     KeyRow::kObservationsThenList, Qt::Key_Escape, kNone,
     "Default obs:0 focus:ComboBox items:1 search:0 posts:0"},
};

TEST_P(KeyMap, OnBothPages) {
    const KeyRow& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open(c.editor));
    switch (c.before) {
    case KeyRow::kNothing:
        break;
    case KeyRow::kFocusItems:
        Ui().gProd->setFocus();
        break;
    case KeyRow::kObservations:
        Key(Qt::Key_F4);
        break;
    case KeyRow::kObservationsThenList:
        Key(Qt::Key_F4);
        Click(Ui().B_Volta);
        Ui().ComboBox->setFocus();
        break;
    }
    ASSERT_NE(Focused(), nullptr);
    const std::string focus = Focused()->objectName().toStdString();
    QTest::keyClick(Focused(), c.key, c.shift);
    QCoreApplication::processEvents();
    if (searches)
        Activate(); // the test's stand-in for the search window gives no activation back
    std::string expected = c.state;
    if (auto at = expected.find('%'); at != std::string::npos)
        expected.replace(at, 1, focus);
    EXPECT_EQ(State(), expected);
    EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyMap, ::testing::ValuesIn(kKeyRows),
                         [](const ::testing::TestParamInfo<KeyRow>& row) {
                             return CaseName(row.param.name);
                         });

TEST_F(Keys, EnterMovesOnAsTabDoes) {
    struct Case {
        bool editor;
        const char* from;
    } cases[] = {
        {false, "Loja"}, {false, "ComboBox"}, {false, "qSituacao"}, {false, "gPedido"},
        {true, "Qtd"},   {true, "gProd"},     {true, "Memo1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        ASSERT_NO_FATAL_FAILURE(Open(c.editor));
        if (std::string(c.from) == "Memo1")
            Key(Qt::Key_F4);
        auto* from = window->findChild<QWidget*>(c.from);
        ASSERT_NE(from, nullptr);
        from->setFocus(Qt::OtherFocusReason);
        Key(Qt::Key_Tab);
        QWidget* next = Focused();
        ASSERT_NE(next, from);
        const size_t requests = shop->Requests().size();
        for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
            from->setFocus(Qt::OtherFocusReason);
            Key(enter);
            EXPECT_EQ(Focused(), next) << Focused()->objectName().toStdString();
        }
        EXPECT_EQ(Ui().Memo1->toPlainText(), "") << "Enter went into the observations";
        EXPECT_EQ(shop->Requests().size(), requests);
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        window.reset();
    }
}

TEST_F(Keys, EnterOnAButtonMovesOnAndClicksIt) {
    // " Listar" reloads the list.
    ASSERT_NO_FATAL_FAILURE(Open(false));
    Ui().B_Listar->setFocus(Qt::OtherFocusReason);
    Key(Qt::Key_Tab);
    QWidget* next = Focused();
    Ui().B_Listar->setFocus(Qt::OtherFocusReason);
    const size_t before = shop->Requests().size();
    Key(Qt::Key_Return);
    EXPECT_EQ(Focused(), next);
    EXPECT_EQ(Targets(*shop).back(), ListTarget("1021", "34", "&Emissao=12"));
    EXPECT_EQ(shop->Requests().size(), before + 1);
    EXPECT_TRUE(window->isActiveWindow());

    // "ESC - Fechar" closes the observations and hands the focus to the code.
    ASSERT_NO_FATAL_FAILURE(Open(true));
    Key(Qt::Key_F4);
    Ui().Button1->setFocus(Qt::OtherFocusReason);
    Key(Qt::Key_Return);
    EXPECT_EQ(State(), "Cadastro obs:0 focus:cProd items:1 search:0 posts:0");
}

} // namespace
} // namespace torvel::test
