// The main window as shown: the date line and issue date, the keyboard map on both pages and
// the filters of the order list.
#include "tests/support/ShellFixture.h"

#include <QDialog>
#include <QFrame>
#include <QPlainTextEdit>
#include <filesystem>

namespace torvel::test {
namespace {

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
        SetNowForTesting(c.now);
        ScriptedServer s;
        Build("34 - A|35 - B", s);
        window->Notebook1->setCurrentIndex(1);
        window->EditMode = true;
        ASSERT_NO_FATAL_FAILURE(Show());
        // Later moments change nothing: the line and the issue date are those of the showing.
        SetNowForTesting(c.now + std::chrono::hours(50));
        window->hide();
        ASSERT_NO_FATAL_FAILURE(Show());

        EXPECT_EQ(window->LData->text(), QString::fromUtf8(c.line));
        EXPECT_EQ(window->ComboBox->currentText(), QString::fromUtf8(c.month));
        EXPECT_EQ(Text(window->Emissao), c.emissao);
        EXPECT_FALSE(window->IsCadastroShown());
        EXPECT_FALSE(window->EditMode);
        EXPECT_TRUE(s.Requests().empty()) << "the month filter reloaded the list";
        window.reset();
    }
}

class Keys : public Shell {
protected:
    void SetUp() override {
        Shell::SetUp();
        torvel::testing::SetModalHook([this](QDialog& dialog) {
            ++searches;
            dialog.reject();
        });
    }
    void TearDown() override {
        torvel::testing::SetModalHook(nullptr);
        Shell::TearDown();
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
            window->gPedido->setFocus();
        }
    }

    // What the keys may change, in one line.
    std::string State() const {
        int posts = 0;
        for (const auto& r : shop->Requests())
            posts += r.RequestLine().rfind("POST", 0) == 0;
        QWidget* focus = QApplication::focusWidget();
        return std::string(window->IsCadastroShown() ? "Cadastro" : "Default") +
               " obs:" + (window->OBS->isVisibleTo(window->PageCadastro) ? "1" : "0") +
               " focus:" + (focus ? focus->objectName().toStdString() : "none") +
               " items:" + std::to_string(window->gProd->RowCount()) +
               " search:" + std::to_string(searches) + " posts:" + std::to_string(posts);
    }

    std::unique_ptr<ScriptedServer> shop;
    int searches = 0;
};

TEST_F(Keys, TheKeyboardMapOnBothPages) {
    const auto none = Qt::NoModifier;
    struct Case {
        const char* name;
        bool editor;
        std::function<void()> before; // after the page is up
        Qt::Key key;
        Qt::KeyboardModifiers shift;
        std::string state; // "%" stands for the focus the key found
    } cases[] = {
        {"F3 on the list",
         false,
         {},
         Qt::Key_F3,
         none,
         "Default obs:0 focus:% items:0 search:0 posts:0"},
        {"F4 on the list",
         false,
         {},
         Qt::Key_F4,
         none,
         "Default obs:0 focus:% items:0 search:0 posts:0"},
        {"Ctrl+F4 on the list",
         false,
         {},
         Qt::Key_F4,
         Qt::ControlModifier,
         "Default obs:0 focus:% items:0 search:0 posts:0"},
        {"Ctrl+N of the hint",
         false,
         {},
         Qt::Key_N,
         Qt::ControlModifier,
         "Default obs:0 focus:% items:0 search:0 posts:0"},
        {"Esc on the list",
         false,
         {},
         Qt::Key_Escape,
         none,
         "Default obs:0 focus:% items:0 search:0 posts:0"},
        {"F3 in the editor",
         true,
         {},
         Qt::Key_F3,
         none,
         "Cadastro obs:0 focus:cProd items:1 search:1 posts:0"},
        {"Shift+F3 in the editor",
         true,
         {},
         Qt::Key_F3,
         Qt::ShiftModifier,
         "Cadastro obs:0 focus:cProd items:1 search:1 posts:0"},
        {"F4 in the editor",
         true,
         {},
         Qt::Key_F4,
         none,
         "Cadastro obs:1 focus:Memo1 items:1 search:0 posts:0"},
        {"Ctrl+F4 in the editor",
         true,
         {},
         Qt::Key_F4,
         Qt::ControlModifier,
         "Cadastro obs:1 focus:Memo1 items:1 search:0 posts:0"},
        {"Ctrl+S of the hint",
         true,
         {},
         Qt::Key_S,
         Qt::ControlModifier,
         "Cadastro obs:0 focus:% items:1 search:0 posts:0"},
        {"Ctrl+A of the hint", true, [this] { window->gProd->setFocus(); }, Qt::Key_A,
         Qt::ControlModifier, "Cadastro obs:0 focus:gProd items:1 search:0 posts:0"},
        {"Esc with nothing to close does not abandon the order",
         true,
         {},
         Qt::Key_Escape,
         none,
         "Cadastro obs:0 focus:cProd items:1 search:0 posts:0"},
        {"Esc closes the observations", true, [this] { Key(Qt::Key_F4); }, Qt::Key_Escape, none,
         "Cadastro obs:0 focus:cProd items:1 search:0 posts:0"},
        {"Ctrl+Esc closes them too", true, [this] { Key(Qt::Key_F4); }, Qt::Key_Escape,
         Qt::ControlModifier, "Cadastro obs:0 focus:cProd items:1 search:0 posts:0"},
        {"Esc on the list closes observations left open in the editor", true,
         [this] {
             Key(Qt::Key_F4);
             Click(window->B_Volta);
             window->ComboBox->setFocus();
         },
         Qt::Key_Escape, none, "Default obs:0 focus:ComboBox items:1 search:0 posts:0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Open(c.editor));
        if (c.before)
            c.before();
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
        window.reset();
    }
}

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
        EXPECT_EQ(window->Memo1->toPlainText(), "") << "Enter went into the observations";
        EXPECT_EQ(shop->Requests().size(), requests);
        EXPECT_TRUE(Boxes().empty()) << BoxTexts().toStdString();
        window.reset();
    }
}

TEST_F(Keys, EnterOnAButtonMovesOnAndClicksIt) {
    // " Listar" reloads the list.
    ASSERT_NO_FATAL_FAILURE(Open(false));
    window->B_Listar->setFocus(Qt::OtherFocusReason);
    Key(Qt::Key_Tab);
    QWidget* next = Focused();
    window->B_Listar->setFocus(Qt::OtherFocusReason);
    const size_t before = shop->Requests().size();
    Key(Qt::Key_Return);
    EXPECT_EQ(Focused(), next);
    EXPECT_EQ(Targets(*shop).back(), ListTarget("1021", "34", "&Emissao=12"));
    EXPECT_EQ(shop->Requests().size(), before + 1);
    EXPECT_TRUE(window->isActiveWindow());

    // "ESC - Fechar" closes the observations and hands the focus to the code.
    ASSERT_NO_FATAL_FAILURE(Open(true));
    Key(Qt::Key_F4);
    window->Button1->setFocus(Qt::OtherFocusReason);
    Key(Qt::Key_Return);
    EXPECT_EQ(State(), "Cadastro obs:0 focus:cProd items:1 search:0 posts:0");
}

TEST_F(Shell, TheListFiltersGoIntoTheQueryOnlyWhenListed) {
    struct Case {
        int month, situation;
        std::string filter;
    } cases[] = {
        {2, 2, "&Emissao=3&Situacao=2"}, {11, 3, "&Emissao=12"},          {12, 3, ""},
        {12, 0, "&Situacao=0"},          {0, 1, "&Emissao=1&Situacao=1"},
    };
    ScriptedServer s;
    Accepting(s);
    ASSERT_NO_FATAL_FAILURE(StartAccepted(s));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        const size_t before = s.Requests().size();
        window->ComboBox->setCurrentIndex(c.month);
        window->qSituacao->setCurrentIndex(c.situation);
        QCoreApplication::processEvents();
        EXPECT_EQ(s.Requests().size(), before) << "a filter change reloaded the list";
        EXPECT_EQ(window->OrderListFilter(), c.filter);
        Click(window->B_Listar);
        ASSERT_EQ(s.Requests().size(), before + 1);
        EXPECT_EQ(Targets(s).back(), ListTarget("1021", "34", c.filter));
    }
}

} // namespace
} // namespace torvel::test
