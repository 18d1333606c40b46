// What a screen reader reads from the real windows (their accessibility interfaces) after a
// store check and an item lookup, and what a larger window does to its lists.
#include "catalogue/Procura_Prod.h"
#include "tests/support/ShellFixture.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QMenu>
#include <QStyle>

namespace torvel::test {
namespace {

QAccessibleInterface* Iface(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(iface, nullptr) << object->objectName().toStdString();
    return iface;
}
QString Name(QObject* object) {
    QAccessibleInterface* iface = Iface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}
QString Description(QObject* object) {
    QAccessibleInterface* iface = Iface(object);
    return iface ? iface->text(QAccessible::Description) : QString();
}

class Accessibility : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        catalogue = {"34|1050|TIO JOAO|ARROZ TIPO 1 5KG|R1|PCT|21.90|25.00"};
    }
};

TEST_F(Accessibility, ReadersHearWhatTheWindowsShow) {
    Start();
    QAccessibleInterface* frame = Iface(window.get());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->role(), QAccessible::Window);
    EXPECT_EQ(frame->text(QAccessible::Name), "Pedidos Torvel");
    EXPECT_EQ(Name(Ui().Label3), "Seu ID : 1021");
    EXPECT_EQ(Name(Ui().LData), QString::fromUtf8("* Terça-feira, 8 de Dezembro de 2026."));
    // Fields, buttons and lists keep their names.
    EXPECT_EQ(Name(Ui().gPedido), "Pedidos");
    EXPECT_EQ(Name(Ui().B_Novo), "Novo Pedido.");
    EXPECT_EQ(Name(Ui().cProd), "Item");

    // The wait window is a notification named by its text while it is shown.
    window->SetWaitMessage("Aguarde sincronizando...");
    TFStatus* wait = WaitWindow();
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(Iface(wait)->role(), QAccessible::Notification);
    EXPECT_EQ(Name(wait), "Aguarde sincronizando...");
    window->SetWaitMessage("");

    NewOrder();
    Ui().cProd->selectAll();
    Type("1050");
    Key(Qt::Key_Return);
    ASSERT_EQ(Focused(), Ui().Qtd);
    EXPECT_EQ(Name(Ui().Descricao), "ARROZ TIPO 1 5KG");
    EXPECT_EQ(Description(Ui().Descricao), QString::fromUtf8("Descrição"));
    EXPECT_EQ(Name(Ui().UND), "PCT");
    EXPECT_EQ(Name(Ui().vUnit), "21,90");
    EXPECT_EQ(Description(Ui().vUnit), "V. Unit");
    Type("2");
    Key(Qt::Key_Return);
    EXPECT_EQ(Name(Ui().vTotal), "43,80");
    Key(Qt::Key_Return);
    EXPECT_EQ(Name(Ui().VLNota), "43,80");
    EXPECT_EQ(Name(Ui().Itens), "1");

    // The item menu's entries are in the tree by their captions.
    QAccessibleInterface* menu = Iface(Ui().PopupMenu1);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->childCount(), 2);
    EXPECT_EQ(menu->child(0)->text(QAccessible::Name), "Alterar Produto");
    EXPECT_EQ(menu->child(1)->text(QAccessible::Name), "Excluir Item");
}

// A field says, when the focus comes to it, what the entry has just done; nothing of it is left
// for the next item or the next order. (What Orca really speaks: tests/e2e/screen_reader.sh.)
TEST_F(Accessibility, FieldsSayWhatTheEntryDidAndForgetIt) {
    Start();
    NewOrder();
    Ui().cProd->selectAll();
    Type("1050");
    Key(Qt::Key_Return);
    ASSERT_EQ(Focused(), Ui().Qtd);
    EXPECT_EQ(Description(Ui().Qtd), "ARROZ TIPO 1 5KG, PCT, 21,90");
    Type("2");
    Key(Qt::Key_Return);
    Key(Qt::Key_Return);
    ASSERT_EQ(Focused(), Ui().cProd);
    EXPECT_EQ(Description(Ui().cProd),
              QString::fromUtf8("Item 1 lançado: ARROZ TIPO 1 5KG, quantidade 2, total 43,80. "
                                "Itens 1, Valor Total 43,80."));
    EXPECT_EQ(Description(Ui().Qtd), "");
    Type("1051");
    Key(Qt::Key_Return);
    ASSERT_EQ(Focused(), Ui().cProd);
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    EXPECT_EQ(Description(Ui().cProd), "Produto Nao Encontrado");
#endif
    Click(Ui().B_Cancela);
    EXPECT_EQ(Description(Ui().cProd), "");
    // A lookup that finds the product leaves nothing on the code field.
    QTest::mouseClick(Ui().cProd, Qt::LeftButton);
    Ui().cProd->selectAll();
    Type("1050");
    Key(Qt::Key_Return);
    EXPECT_EQ(Description(Ui().cProd), "");
}

TEST_F(Accessibility, LargerWindowsGiveTheRoomToTheLists) {
    Start();
    // The time fits the issue date column.
    const QFontMetrics metrics(Ui().gPedido->font());
    const int margins = 2 * (Ui().gPedido->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    EXPECT_GE(Ui().gPedido->columnWidth(4),
              metrics.horizontalAdvance("31/12/2026 23:59") + margins);

    const QSize list = Ui().gPedido->size();
    const QPoint novo = Ui().B_Novo->pos();
    EXPECT_EQ(window->size(), QSize(783, 582));
    window->resize(1200, 800);
    EXPECT_EQ(window->size(), QSize(1200, 800));
    EXPECT_GE(Ui().gPedido->width(), list.width() + 400);
    EXPECT_GE(Ui().gPedido->height(), list.height() + 200);
    // The buttons stay under the list, at its left.
    EXPECT_EQ(Ui().B_Novo->x(), novo.x());
    EXPECT_EQ(Ui().B_Novo->y(), Ui().gPedido->geometry().bottom() + 1 + 12);
    window->resize(600, 400); // never smaller than the design size
    EXPECT_EQ(window->size(), QSize(783, 582));

    window->resize(1200, 800);
    NewOrder();
    EXPECT_GE(Ui().gProd->width(), 759 + 400);
    EXPECT_GE(Ui().gProd->height(), 300 + 200);

    TFProcura_Prod search;
    search.show();
    const QSize products = search.gLista->size();
    search.resize(search.width() + 300, search.height() + 200);
    EXPECT_EQ(search.gLista->width(), products.width() + 300);
    EXPECT_EQ(search.gLista->height(), products.height() + 200);
    // The legend stays at the bottom, the typing panel centred over the list.
    EXPECT_EQ(search.Label1->geometry().bottom(), search.height() - 7);
    search.SetSearchMode(SearchMode::Descricao);
    QCoreApplication::processEvents();
    EXPECT_LE((search.Digitando->geometry().center() - search.gLista->geometry().center())
                  .manhattanLength(),
              2);
}

} // namespace
} // namespace torvel::test
