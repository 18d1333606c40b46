// A list of codes and quantities pasted into cProd with the keys or dropped on gProd as a file:
// one question, the rows of the same items typed by hand, one answer listing what did not go in.
#include "tests/support/CentralFixture.h"

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <filesystem>

namespace torvel::test {
namespace {

const std::vector<std::string> kCatalogue = {
    "34|1050|TIO JOAO|ARROZ TIPO 1 5KG|R1|PCT|21.90|25.00",
    "34|2210|CAMIL|FEIJAO PRETO 1KG|R2|PCT|7.50|9.00",
    "34|300|M|PRODUTO DOZE|R|UN|12.5|15",
    "34|AB7|M|A\xC7UCAR|R|UN|4.00|5",
    "35|500|M|OUTRA LOJA|R|UN|3.00|3",
};

class OrderListEntry : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        catalogue = kCatalogue;
        Start();
        NewOrder();
    }
    // Ctrl+V in cProd with `text` on the clipboard.
    void Paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        QTest::mouseClick(Ui().cProd, Qt::LeftButton);
        QTest::keyClick(Ui().cProd, Qt::Key_V, Qt::ControlModifier);
    }
    // The file dropped on the item list as a file manager drops it.
    void Drop(const std::string& name) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString((Dir() / name).string()))});
        QWidget* target = Ui().gProd->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    std::string Order() const {
        return Rows(Ui().gProd) + " " + Text(Ui().VLNota) + " " + Text(Ui().Itens);
    }
    QuestionAnswerGuard answer{true};
};

// What a spreadsheet copies (a header row, tabs, CR LF, an empty row, a trailing break) gives the
// rows, totals and backup bytes of the same items typed.
TEST_F(OrderListEntry, SpreadsheetPasteGivesWhatTypingGives) {
    Paste(QString::fromUtf8(
        "Código\tQuantidade\r\n300\t2\r\nab7\t1,5\r\n\r\n1050\t0.25\r\n2210\r\n"));
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].icon, QMessageBox::Question);
    EXPECT_EQ(Boxes()[0].text,
              QString::fromUtf8("4 linhas lidas da lista.\nLançar os itens no pedido?"));
    EXPECT_EQ(Boxes()[1].text, QString::fromUtf8("4 itens foram lançados."));
    const std::string imported = Order();
    const std::string backup = ReadFile("GProd_0.Txt");
    EXPECT_FALSE(Ui().Loja->isEnabled());
    EXPECT_EQ(Ui().cProd->Text(), "");
    EXPECT_EQ(Focused(), Ui().cProd);

    Click(Ui().B_Cancela);
    EnterItem("300", "2");
    EnterItem("AB7", "1,5");
    EnterItem("1050", "0,25");
    EnterItem("2210");
    EXPECT_EQ(imported, Order());
    EXPECT_EQ(imported,
              "1|300|PRODUTO DOZE|12,50|2|25,00;2|AB7|A\xC7UCAR|4,00|1,5|6,00;"
              "3|1050|ARROZ TIPO 1 5KG|21,90|0,25|5,47;4|2210|FEIJAO PRETO 1KG|7,50|1|7,50; "
              "43,97 4");
    EXPECT_EQ(backup, ReadFile("GProd_0.Txt"));
}

// Failed lines in the middle are listed with their numbers and left out; the others go in. "Não"
// enters nothing, and a single code is pasted as text.
TEST_F(OrderListEntry, FailedLinesAreListedAndTheRestEntered) {
    answer.Set(false);
    Paste("300\t2\n2210\t3\n");
    EXPECT_EQ(Ui().gProd->RowCount(), 0);
    EXPECT_FALSE(torvel::FileExists("GProd_0.Txt"));
    EXPECT_EQ(Boxes().size(), 1u);

    answer.Set(true);
    Boxes().clear();
    Paste("300;2\n999;1\n500;1\n2210;dois\n;4\n1050;1.000\n2210;3\n");
    EXPECT_EQ(Rows(Ui().gProd),
              "1|300|PRODUTO DOZE|12,50|2|25,00;2|2210|FEIJAO PRETO 1KG|7,50|3|22,50;");
    EXPECT_EQ(Text(Ui().VLNota), "47,50");
    EXPECT_EQ(ReadFile("GProd_0.Txt"), "1|300|PRODUTO DOZE|12,50|2|25,00\r\n"
                                       "2|2210|FEIJAO PRETO 1KG|7,50|3|22,50\r\n");
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].text, QString::fromUtf8("2 itens foram lançados.\n\n"
                                                 "Linhas não lançadas (5):\n"
                                                 "Linha 2: 999;1 (produto não encontrado)\n"
                                                 "Linha 3: 500;1 (produto não encontrado)\n"
                                                 "Linha 4: 2210;dois (quantidade inválida)\n"
                                                 "Linha 5: ;4 (sem código)\n"
                                                 "Linha 6: 1050;1.000 (quantidade inválida)"));

    Boxes().clear();
    Paste("1050");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Ui().cProd->Text(), "1050");
    EXPECT_EQ(Ui().gProd->RowCount(), 2);
}

// While a row is being altered, a list goes in after the rows there; the altered row keeps
// its cells and the numbering goes on.
TEST_F(OrderListEntry, ListDuringAnAlteration) {
    EnterItem("300", "1");
    EnterItem("2210", "1");
    ClickRow(Ui().gProd, 1);
    Ui().A1->trigger();
    ASSERT_EQ(Ui().cProd->Text(), "300");
    Paste("1050\t2\nAB7\t1\n");
    EXPECT_EQ(Rows(Ui().gProd),
              "1|300|PRODUTO DOZE|12,50|1|12,50;2|2210|FEIJAO PRETO 1KG|7,50|1|7,50;"
              "3|1050|ARROZ TIPO 1 5KG|21,90|2|43,80;4|AB7|A\xC7UCAR|4,00|1|4,00;");
    EXPECT_EQ(Text(Ui().VLNota), "67,80");
    EXPECT_EQ(Text(Ui().Itens), "4");
    const std::string backup = ReadFile("GProd_0.Txt");
    EXPECT_EQ(std::count(backup.begin(), backup.end(), '\n'), 4);
}

// A .csv saved on Windows: Windows-1252, "," between the fields, a quoted decimal comma. A file
// the lookup cannot read reports through the error box and enters nothing.
TEST_F(OrderListEntry, CsvFileDroppedOnTheList) {
    WriteFile("lista.csv", "C\xF3"
                           "digo,Qtd\r\nab7,\"2,5\"\r\n300,1\r\nXYZ\xC7,1\r\n");
    ASSERT_NO_FATAL_FAILURE(Drop("lista.csv"));
    EXPECT_EQ(Rows(Ui().gProd), "1|AB7|A\xC7UCAR|4,00|2,5|10,00;2|300|PRODUTO DOZE|12,50|1|12,50;");
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].text,
              QString::fromUtf8("2 itens foram lançados.\n\nLinhas não lançadas (1):\n"
                                "Linha 4: XYZÇ,1 (produto não encontrado)"));

    Boxes().clear();
    std::filesystem::remove("Itens.Txt");
    WriteFile("lista.txt", "300 1\n1050 2\n");
    ASSERT_NO_FATAL_FAILURE(Drop("lista.txt"));
    EXPECT_EQ(Ui().gProd->RowCount(), 2);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].icon, QMessageBox::Critical);
    EXPECT_TRUE(Boxes()[1].text.startsWith("Cannot open file \"Itens.Txt\""));
}

} // namespace
} // namespace torvel::test
