// The order editor driven like a user would: codes and quantities typed, Enter to move on, rows
// chosen with the mouse and actions taken from the list's menu.
#include "tests/support/CentralFixture.h"

#include <QFrame>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <functional>

namespace torvel::test {
namespace {

const std::vector<std::string> kCatalogue = {
    "34|1050|TIO JOAO|ARROZ TIPO 1 5KG|R1|PCT|21.90|25.00",
    "34|2210|CAMIL|FEIJAO PRETO 1KG|R2|PCT|7.50|9.00",
    "34|300|M|PRODUTO DOZE|R|UN|12.5|15",
    "34|301|M|PRODUTO FRACAO|R|UN|0.125|1",
    "34|400|M|PRIMEIRO NOME|R|UN|1.00|1",
    "35|500|M|OUTRA LOJA|R|UN|3.00|3",
    "34|400|M|SEGUNDO NOME|R|CX|2.00|1",
    "34|10|M|DEZ|R|UN|10.00|1",
    "34|11|M|CINCO E MEIO|R|UN|5.50|1",
    "34|12|M|VINTE E CINCO|R|UN|0.25|1",
};

class OrderEditor : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        catalogue = kCatalogue;
        Start();
        NewOrder();
    }
};

TEST_F(OrderEditor, ItemsEnteredByKeyboard) {
    struct Case {
        const char* name;
        std::vector<std::pair<QString, QString>> items; // code, quantity typed
        std::string rows;
        std::string total;
        std::string count;
    } cases[] = {
        {"a price with a point times two",
         {{"300", "2"}},
         "1|300|PRODUTO DOZE|12,50|2|25,00;",
         "25,00",
         "1"},
        {"quantities below the minimum, with decimals and with zeros",
         {{"300", "0"}, {"300", "0,005"}, {"300", "1,5"}, {"300", "2,000"}},
         "1|300|PRODUTO DOZE|12,50|1|12,50;2|300|PRODUTO DOZE|12,50|1|12,50;"
         "3|300|PRODUTO DOZE|12,50|1,5|18,75;4|300|PRODUTO DOZE|12,50|2|25,00;",
         "68,75",
         "4"},
        {"a line total rounded half away from zero",
         {{"301", "1"}},
         "1|301|PRODUTO FRACAO|0,13|1|0,13;",
         "0,13",
         "1"},
        {"the same code twice makes two rows",
         {{"1050", "2"}, {"1050", ""}},
         "1|1050|ARROZ TIPO 1 5KG|21,90|2|43,80;2|1050|ARROZ TIPO 1 5KG|21,90|1|21,90;",
         "65,70",
         "2"},
        {"three items",
         {{"10", "1"}, {"11", "1"}, {"12", "1"}},
         "1|10|DEZ|10,00|1|10,00;2|11|CINCO E MEIO|5,50|1|5,50;3|12|VINTE E CINCO|0,25|1|0,25;",
         "15,75",
         "3"},
        {"two catalogue records with the code: the later one",
         {{"400", "1"}},
         "1|400|SEGUNDO NOME|2,00|1|2,00;",
         "2,00",
         "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Click(Ui().B_Cancela);
        ASSERT_TRUE(Ui().Loja->isEnabled());
        for (const auto& [code, quantity] : c.items)
            ASSERT_NO_FATAL_FAILURE(EnterItem(code, quantity));
        EXPECT_EQ(Rows(Ui().gProd), c.rows);
        EXPECT_EQ(Text(Ui().VLNota), c.total);
        EXPECT_EQ(Text(Ui().Itens), c.count);
        EXPECT_FALSE(Ui().Loja->isEnabled());
        // The entry is cleared for the next item.
        EXPECT_EQ(Ui().cProd->Text(), "");
        EXPECT_EQ(Ui().Qtd->Text(), "1");
        EXPECT_EQ(Text(Ui().vUnit), "0,00");
        EXPECT_EQ(Text(Ui().vTotal), "0,00");
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(OrderEditor, LookupOnLeavingTheCode) {
    struct Case {
        QString code;
        std::string description, unit, price;
        bool toQuantity;
    } cases[] = {
        {"300", "PRODUTO DOZE", "UN", "12,5", true},
        {"400", "SEGUNDO NOME", "CX", "2,00", true},
        {"500", "Produto Nao Encontrado", "", "0,00", false}, // another store's product
        {"999", "Produto Nao Encontrado", "", "0,00", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code.toStdString());
        Ui().Descricao->setText("before");
        Ui().UND->setText("XX");
        QTest::mouseClick(Ui().cProd, Qt::LeftButton);
        Ui().cProd->selectAll();
        Type(c.code);
        Key(Qt::Key_Return);
        EXPECT_EQ(Text(Ui().Descricao), c.description);
        EXPECT_EQ(Text(Ui().UND), c.unit);
        EXPECT_EQ(Text(Ui().vUnit), c.price);
        EXPECT_EQ(Focused(), c.toQuantity ? static_cast<QWidget*>(Ui().Qtd)
                                          : static_cast<QWidget*>(Ui().cProd));
    }
    // The quantity left with "2" gives the line total.
    Type("300");
    Key(Qt::Key_Return);
    Type("2");
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(Ui().vTotal), "25,00");
    EXPECT_EQ(Ui().Qtd->Text(), "2,000");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(OrderEditor, CodeZeroIsNeverLookedUpNorEntered) {
    std::remove("Itens.Txt"); // a lookup would fail loudly
    QTest::mouseClick(Ui().cProd, Qt::LeftButton);
    Type("0");
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(Ui().Descricao), "");
    Click(Ui().B_Lancar);
    EXPECT_EQ(Ui().gProd->RowCount(), 0);
    EXPECT_TRUE(Ui().Loja->isEnabled());
    EXPECT_FALSE(torvel::FileExists("GProd_0.Txt"));
    EXPECT_TRUE(Boxes().empty());

    // Any other code reads the catalogue, and its absence is told.
    QTest::mouseClick(Ui().cProd, Qt::LeftButton);
    Ui().cProd->selectAll();
    Type("300");
    Key(Qt::Key_Return);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(Boxes()[0].text.startsWith("Cannot open file \"Itens.Txt\"."))
        << Boxes()[0].text.toStdString();
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Critical);
}

TEST_F(OrderEditor, CatalogueRecordsTooShortStopTheLookup) {
    struct Case {
        std::vector<std::string> catalogue;
        std::string message, description;
    } cases[] = {
        {{"34|300|M|PRODUTO DOZE|R|UN|12.5|15", "", "34|300|M|DEPOIS|R|UN|1|1"},
         "List index out of bounds (1)",
         "PRODUTO DOZE"},
        {{"34|300|M|CURTO|R"}, "List index out of bounds (5)", "before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Catalogue(c.catalogue);
        Boxes().clear();
        Ui().Descricao->setText("before");
        QTest::mouseClick(Ui().cProd, Qt::LeftButton);
        Ui().cProd->selectAll();
        Type("300");
        Key(Qt::Key_Return);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_TRUE(Boxes()[0].text.startsWith(QString::fromStdString(c.message)));
        EXPECT_EQ(Text(Ui().Descricao), c.description);
    }
}

TEST_F(OrderEditor, DeletingRowTwoOfThreeRenumbers) {
    for (const char* code : {"10", "11", "12"})
        ASSERT_NO_FATAL_FAILURE(EnterItem(code, "1"));
    const std::string backup = ReadFile("GProd_0.Txt");

    Ui().gProd->SelectRow(0);
    Ui().ExcluirItem1->trigger(); // nothing selected: nothing happens
    EXPECT_EQ(Ui().gProd->RowCount(), 3);

    ClickRow(Ui().gProd, 2);
    Ui().ExcluirItem1->trigger();
    EXPECT_EQ(Rows(Ui().gProd), "1|10|DEZ|10,00|1|10,00;2|12|VINTE E CINCO|0,25|1|0,25;");
    EXPECT_EQ(Text(Ui().VLNota), "10,25");
    EXPECT_EQ(Text(Ui().Itens), "2");
    EXPECT_EQ(ReadFile("GProd_0.Txt"), backup); // rewritten by the next "OK" only

    ASSERT_NO_FATAL_FAILURE(EnterItem("1050", "1"));
    EXPECT_EQ(Ui().gProd->GetCell(1, 3), "3");
    EXPECT_EQ(Text(Ui().VLNota), "32,15");
}

TEST_F(OrderEditor, CancelEmptiesTheOrderButKeepsTheObservations) {
    ASSERT_NO_FATAL_FAILURE(EnterItem("10", "1"));
    Key(Qt::Key_F4);
    ASSERT_EQ(Focused(), Ui().Memo1);
    Type("ENTREGAR CEDO");
    Key(Qt::Key_Escape);
    ASSERT_EQ(Focused(), Ui().cProd);
    Ui().B_Salva->setEnabled(false);
    Ui().B_Lancar->setEnabled(false);

    Click(Ui().B_Cancela);
    EXPECT_EQ(Ui().gProd->RowCount(), 0);
    EXPECT_EQ(Text(Ui().VLNota), "0,00");
    EXPECT_EQ(Text(Ui().Itens), "0");
    EXPECT_TRUE(Ui().Loja->isEnabled());
    EXPECT_TRUE(Ui().B_Salva->isEnabled());
    EXPECT_TRUE(Ui().B_Lancar->isEnabled());
    EXPECT_TRUE(window->IsCadastroShown());
    EXPECT_EQ(Ui().Memo1->toPlainText(), "ENTREGAR CEDO");
    EXPECT_TRUE(torvel::FileExists("GProd_0.Txt"));
}

TEST_F(OrderEditor, AlteringReplacesTheRowInPlace) {
    for (const char* code : {"10", "11", "12"})
        ASSERT_NO_FATAL_FAILURE(EnterItem(code, "1"));
    ClickRow(Ui().gProd, 2);
    Ui().A1->trigger();
    EXPECT_EQ(Focused(), Ui().cProd);
    EXPECT_EQ(Ui().cProd->Text(), "11");
    EXPECT_EQ(Text(Ui().vTotal), "5,50");
    // The code is confirmed again, then the quantity changed.
    Key(Qt::Key_Return);
    ASSERT_EQ(Focused(), Ui().Qtd);
    Type("3");
    Key(Qt::Key_Return);
    Key(Qt::Key_Return);
    EXPECT_EQ(Rows(Ui().gProd), "1|10|DEZ|10,00|1|10,00;2|11|CINCO E MEIO|5,50|3|16,50;"
                                "3|12|VINTE E CINCO|0,25|1|0,25;");
    EXPECT_EQ(Text(Ui().VLNota), "26,75");
    EXPECT_EQ(Text(Ui().Itens), "3");
    EXPECT_EQ(Ui().Qtd->Text(), "1,00");
    EXPECT_EQ(ReadFile("GProd_0.Txt"),
              "1|10|DEZ|10,00|1|10,00\r\n2|11|CINCO E MEIO|5,50|3|16,50\r\n"
              "3|12|VINTE E CINCO|0,25|1|0,25\r\n");
    // The alteration is over: the next item is a row of its own.
    ASSERT_NO_FATAL_FAILURE(EnterItem("10", "1"));
    EXPECT_EQ(Ui().gProd->RowCount(), 4);
}

TEST_F(OrderEditor, AlteringEndsWhenItsRowMayBeGone) {
    struct Case {
        const char* name;
        std::function<void()> act;
        std::string rows; // after "OK" enters code 1050
    } cases[] = {
        {"a row deleted",
         [&] {
             ClickRow(Ui().gProd, 1);
             Ui().ExcluirItem1->trigger();
         },
         "1|11|CINCO E MEIO|5,50|1|5,50;2|1050|ARROZ TIPO 1 5KG|21,90|1|21,90;"},
        {"the order cancelled", [&] { Click(Ui().B_Cancela); },
         "1|1050|ARROZ TIPO 1 5KG|21,90|1|21,90;"},
        {"a new order with the backup restored", [&] { NewOrder(); },
         "1|10|DEZ|10,00|1|10,00|;2|11|CINCO E MEIO|5,50|1|5,50|;"
         "3|1050|ARROZ TIPO 1 5KG|21,90|1|21,90;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Click(Ui().B_Cancela);
        for (const char* code : {"10", "11"})
            ASSERT_NO_FATAL_FAILURE(EnterItem(code, "1"));
        ClickRow(Ui().gProd, 2);
        Ui().A1->trigger();
        ASSERT_EQ(Ui().cProd->Text(), "11"); // row 2 is being altered
        c.act();
        ASSERT_NO_FATAL_FAILURE(EnterItem("1050", "1"));
        EXPECT_EQ(Rows(Ui().gProd), c.rows);
    }
}

TEST_F(OrderEditor, ObservationsPanel) {
    Key(Qt::Key_F4);
    EXPECT_TRUE(Ui().OBS->isVisible());
    EXPECT_EQ(Focused(), Ui().Memo1);
    Type(QString(120, 'A'));
    EXPECT_EQ(Ui().Memo1->toPlainText(), QString(100, 'A'));
    Click(Ui().Button1);
    EXPECT_FALSE(Ui().OBS->isVisible());
    EXPECT_EQ(Focused(), Ui().cProd);

    // Ctrl+F4 acts as F4; Esc closes the panel.
    QTest::keyClick(Focused(), Qt::Key_F4, Qt::ControlModifier);
    EXPECT_TRUE(Ui().OBS->isVisible());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Ui().OBS->isVisible());
    EXPECT_EQ(Focused(), Ui().cProd);
    EXPECT_EQ(Ui().Memo1->toPlainText(), QString(100, 'A'));

    // Pasted or set text is held to the limit as well, what comes after it kept.
    Ui().Memo1->setPlainText(QString(150, 'B'));
    EXPECT_EQ(Ui().Memo1->toPlainText(), QString(100, 'B'));
    Ui().Memo1->setPlainText("FIM");
    QTextCursor start(Ui().Memo1->document());
    start.insertText(QString(120, 'C'));
    EXPECT_EQ(Ui().Memo1->toPlainText(), QString(97, 'C') + "FIM");
}

TEST_F(OrderEditor, BackToTheListKeepsTheOrder) {
    ASSERT_NO_FATAL_FAILURE(EnterItem("10", "2"));
    Click(Ui().B_Volta);
    EXPECT_FALSE(window->IsCadastroShown());
    EXPECT_EQ(Rows(Ui().gProd), "1|10|DEZ|10,00|2|20,00;");
    EXPECT_FALSE(Ui().Loja->isEnabled());
    // " Novo Pedido." brings the order back from its backup file.
    NewOrder();
    EXPECT_EQ(Rows(Ui().gProd), "1|10|DEZ|10,00|2|20,00|;");
    EXPECT_EQ(Text(Ui().VLNota), "20,00");
    EXPECT_EQ(Text(Ui().Itens), "1");
    EXPECT_EQ(Ui().Qtd->Text(), "1,00");
    EXPECT_EQ(Text(Ui().vUnit), "0,00");
}

TEST_F(OrderEditor, ClickingOkWithTheMouseAfterTheQuantity) {
    QTest::mouseClick(Ui().cProd, Qt::LeftButton);
    Type("300");
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focused(), Ui().Qtd);
    Type("3");
    // The click takes the focus from Qtd: its line total is computed before the item goes in.
    Click(Ui().B_Lancar);
    EXPECT_EQ(Rows(Ui().gProd), "1|300|PRODUTO DOZE|12,50|3|37,50;");
    EXPECT_EQ(Focused(), Ui().cProd);
}

} // namespace
} // namespace torvel::test
