// The wait window shown around the requests: one at a time, the hourglass with it, a box over
// it, and the activation given back when it goes.
#include "tests/support/ShellFixture.h"

namespace torvel::test {
namespace {

TEST_F(Shell, OneWaitWindowAtATimeAndTheHourglassWithIt) {
    ScriptedServer s;
    Build("34 - A|35 - B", s);
    ASSERT_NO_FATAL_FAILURE(Show());

    window->SetWaitMessage("Primeiro texto");
    window->SetWaitMessage("Segundo texto");
    TFStatus* wait = WaitWindow();
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait->Text(), "Segundo texto");
    EXPECT_EQ(wait->size(), QSize(540, 34));
    EXPECT_LE((wait->frameGeometry().center() - window->frameGeometry().center()).manhattanLength(),
              2);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    window->SetWaitMessage("");
    EXPECT_EQ(WaitWindow(), nullptr);
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
    recordBoxes.Set(false); // a real box, closed by the probe
    Probe probe([] {
        TFStatus* wait = WaitWindow();
        const QCursor* cursor = QApplication::overrideCursor();
        return wait ? FromQString(wait->Text()) +
                          (cursor && cursor->shape() == Qt::WaitCursor ? " hourglass" : " arrow")
                    : std::string();
    });
    Ui().Loja->setFocus();
    Key(Qt::Key_Down);

    EXPECT_EQ(probe.seen, (std::vector<std::string>{"Aguarde sincronizando... hourglass",
                                                    "Aguarde sincronizando... hourglass box:" +
                                                        FromQString(kRefusal)}));
    EXPECT_EQ(WaitWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Without a window manager nobody else would give the activation back.
    EXPECT_TRUE(window->isActiveWindow());
    EXPECT_EQ(Focused(), Ui().Loja);
}

TEST_F(Shell, TheListButtonShowsTheWaitWindowAndGivesTheActivationBack) {
    ScriptedServer s;
    Accepting(s);
    ASSERT_NO_FATAL_FAILURE(StartAccepted(s));
    Probe probe([] {
        TFStatus* wait = WaitWindow();
        return wait ? FromQString(wait->Text()) : std::string();
    });
    Click(Ui().B_Listar);
    EXPECT_EQ(probe.seen, std::vector<std::string>{"Aguarde sincronizando..."});
    EXPECT_EQ(WaitWindow(), nullptr);
    EXPECT_TRUE(window->isActiveWindow());
    EXPECT_EQ(Focused(), Ui().B_Listar);
}

} // namespace
} // namespace torvel::test
