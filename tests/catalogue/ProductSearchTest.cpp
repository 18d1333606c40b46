// F3 of the main window: the product search opened over the order editor, its choice looked up.
#include "catalogue/Procura_Prod.h"
#include "tests/support/CentralFixture.h"

#include <QDialog>
#include <QTimer>

namespace torvel::test {
namespace {

class ProductSearchF3Test : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        catalogue = {
            "34|101|Nestle|CAFE PILAO 500G|AB-12|UN|12.50|15.00",
            "34|102|Pilao|Cafe Melitta 250G|ab-12|PC|8.90|10.00",
            "34|103|Marca|COCO RALADO|CR|PC|3.00|4.00",
            "34|12345678901234|Marca|ITEM DE CODIGO LONGO|IL|UN|2.00|3.00",
            "35|201|Nestle|CAFE DA OUTRA LOJA|AB-99|CX|1.25|1.00",
        };
        modalHook.Set([this](QDialog& dialog) {
            ++opened;
            auto* search = qobject_cast<TFProcura_Prod*>(&dialog);
            ASSERT_NE(search, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(search));
            // The activation hands the focus to the window's list a moment later.
            ASSERT_TRUE(QTest::qWaitFor([search] {
                return QApplication::focusWidget() &&
                       QApplication::focusWidget()->window() == search;
            }));
            storeIds.push_back(search->StoreId);
            for (const auto& step : script) {
                if (step.key)
                    Press(step.key);
                else
                    TypeEach(step.text);
                if (!search->isVisible())
                    break;
            }
            listed.clear();
            for (int r = 1; r <= search->gLista->RowCount(); ++r)
                listed.push_back(search->gLista->GetCell(1, r));
        });
    }
    // Each key goes to whatever has the focus at that moment, as a user's keys do.
    static void Press(Qt::Key key) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), key);
        QCoreApplication::processEvents();
    }
    static void TypeEach(const QString& text) {
        for (QChar c : text) {
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
            QCoreApplication::processEvents();
        }
    }

    void PressF3() {
        Activate();
        Key(Qt::Key_F3);
        QCoreApplication::processEvents();
        // Offscreen, no window manager gives the activation back when the search closes.
        Activate();
    }

    struct Step {
        QString text;
        Qt::Key key = Qt::Key(0);
    };
    static Step K(Qt::Key key) { return {QString(), key}; }

    // What the user does in the search window.
    std::vector<Step> script;
    int opened = 0;
    std::vector<std::string> storeIds;
    std::vector<std::string> listed;
    ModalHookGuard modalHook{nullptr};
};

TEST_F(ProductSearchF3Test, OnTheOrderListPageF3DoesNothing) {
    Start();
    ASSERT_FALSE(window->IsCadastroShown());
    PressF3();
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(Ui().cProd->Text(), "");
}

TEST_F(ProductSearchF3Test, TheChosenProductIsLookedUpInTheEditor) {
    Start();
    NewOrder();
    script = {{"CAFE"}, K(Qt::Key_Return), K(Qt::Key_Down), K(Qt::Key_Return)};
    PressF3();
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(storeIds, std::vector<std::string>{"34"});
    EXPECT_EQ(listed, (std::vector<std::string>{"102", "101"}));
    EXPECT_EQ(Ui().cProd->Text(), "101");
    EXPECT_EQ(Text(Ui().Descricao), "CAFE PILAO 500G");
    EXPECT_EQ(Text(Ui().UND), "UN");
    EXPECT_EQ(Text(Ui().vUnit), "12,50");
    EXPECT_EQ(Focused(), Ui().Qtd);
    EXPECT_TRUE(Boxes().empty());

    // Every F3 opens a fresh window, which starts empty and reads the file again.
    Catalogue({"34|105|Marca|CAFE NOVO|R|KG|3.00|4.00"});
    script = {{"CAFE"}, K(Qt::Key_Return), K(Qt::Key_Return)};
    PressF3();
    ASSERT_EQ(opened, 2);
    EXPECT_EQ(listed, std::vector<std::string>{"105"});
    EXPECT_EQ(Ui().cProd->Text(), "105");
    EXPECT_EQ(Text(Ui().Descricao), "CAFE NOVO");
    EXPECT_EQ(Text(Ui().UND), "KG");
}

TEST_F(ProductSearchF3Test, AlsoThroughARealModalLoop) {
    modalHook.Set(nullptr);
    Start();
    NewOrder();
    bool driven = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] {
            auto* modal = QApplication::activeModalWidget();
            return modal && QApplication::focusWidget() &&
                   QApplication::focusWidget()->window() == modal;
        }));
        auto* search = qobject_cast<TFProcura_Prod*>(QApplication::activeModalWidget());
        ASSERT_NE(search, nullptr);
        TypeEach("CAFE P");
        Press(Qt::Key_Return);
        Press(Qt::Key_Return);
        driven = true;
    });
    PressF3();
    EXPECT_TRUE(driven);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Ui().cProd->Text(), "101");
    EXPECT_EQ(Text(Ui().Descricao), "CAFE PILAO 500G");
}

TEST_F(ProductSearchF3Test, TheSearchListsTheStoreThatLojaShows) {
    Start({"34 - LOJA CENTRO", "35 - LOJA SUL"}, 1);
    NewOrder();
    script = {{"CAFE"}, K(Qt::Key_Return), K(Qt::Key_Return)};
    PressF3();
    EXPECT_EQ(storeIds, std::vector<std::string>{"35"});
    EXPECT_EQ(listed, std::vector<std::string>{"201"});
    EXPECT_EQ(Ui().cProd->Text(), "201");
    EXPECT_EQ(Text(Ui().Descricao), "CAFE DA OUTRA LOJA");
    EXPECT_EQ(Text(Ui().vUnit), "1,25");

    // Loja changed without a store check: the search follows Loja, the lookup the checked store.
    Ui().Loja->setCurrentIndex(0);
    PressF3();
    EXPECT_EQ(storeIds, (std::vector<std::string>{"35", "34"}));
    EXPECT_EQ(listed, (std::vector<std::string>{"102", "101"}));
    EXPECT_EQ(Ui().cProd->Text(), "102");
    EXPECT_EQ(Text(Ui().Descricao), "Produto Nao Encontrado");
}

TEST_F(ProductSearchF3Test, EscapeInTheSearchChangesNothingInTheEditor) {
    Start();
    NewOrder();
    script = {{"CAFE"}, K(Qt::Key_Return), K(Qt::Key_Return)};
    PressF3();
    ASSERT_EQ(Ui().cProd->Text(), "102");
    const std::string description = Text(Ui().Descricao);

    script = {{"CAFE"}, K(Qt::Key_Return), K(Qt::Key_Escape)};
    PressF3();
    ASSERT_EQ(opened, 2);
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_EQ(Ui().cProd->Text(), "102");
    EXPECT_EQ(Text(Ui().Descricao), description);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProductSearchF3Test, AnIdCutToTenCharactersIsNotFound) {
    Start();
    NewOrder();
    script = {{"ITEM"}, K(Qt::Key_Return), K(Qt::Key_Return)};
    PressF3();
    EXPECT_EQ(Ui().cProd->Text(), "1234567890");
    EXPECT_EQ(Text(Ui().Descricao), "Produto Nao Encontrado");
    EXPECT_EQ(Focused(), Ui().cProd);
}

} // namespace
} // namespace torvel::test
