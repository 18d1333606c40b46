#include "util/Cp1252QString.h"
#include "tests/support/DialogGuards.h"
#include "util/Dialogs.h"
#include "util/PressKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace torvel;

TEST(Cp1252QString, EveryByteRoundTripsThroughQString) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QString q = ToQString(all);
    ASSERT_EQ(q.size(), 256);
    EXPECT_EQ(q[0x80], QChar(0x20AC));
    EXPECT_EQ(q[0x9F], QChar(0x0178));
    EXPECT_EQ(q[0x81], QChar(0x0081));
    EXPECT_EQ(q[0xE7], QChar(0x00E7));
    EXPECT_EQ(FromQString(q), all);
    EXPECT_EQ(FromQString(QString::fromUtf8("a\xE2\x82\xAC\xCE\xA9\xF0\x9F\x98\x80z")), "a\x80??z");
}

namespace {
class KeyCounter : public QLineEdit {
public:
    int presses = 0, releases = 0;
    Qt::Key last = Qt::Key_unknown;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        ++presses;
        last = Qt::Key(e->key());
    }
    void keyReleaseEvent(QKeyEvent*) override { ++releases; }
};
} // namespace

TEST(PressKey, QueuesPressAndReleaseToTheFocusedWidget) {
    QWidget window;
    auto* first = new KeyCounter;
    auto* second = new KeyCounter;
    first->setParent(&window);
    second->setParent(&window);
    second->move(0, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    PressKey(VK_DOWN, 1);
    EXPECT_EQ(first->presses, 0); // nothing happens during the call
    second->setFocus();           // the key reaches whoever has the focus when it is handled
    QApplication::processEvents();
    EXPECT_EQ(first->presses, 0);
    EXPECT_EQ(second->presses, 1);
    EXPECT_EQ(second->releases, 1);
    EXPECT_EQ(second->last, Qt::Key_Down);
    PressKey(VK_DOWN, 3);
    QApplication::processEvents();
    EXPECT_EQ(second->presses, 4);
    EXPECT_EQ(second->releases, 4);
}

TEST(Dialogs, BoxesAreRecordedWithTitleIconAndText) {
    torvel::test::RecordBoxesGuard recordBoxes(true);
    ShowError("Falhou");
    ShowMessage("Ol\u00e1");
    WarningBox("Recuperar  Pedido", "A T E N \u00c7 \u00c3 O");
    auto boxes = torvel::testing::Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].title, "UniTorvel");
    EXPECT_EQ(boxes[0].text, "Falhou.");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[1].title, "UniTorvel");
    EXPECT_EQ(boxes[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes[2].title, QString("A T E N \u00c7 \u00c3 O"));
    EXPECT_EQ(boxes[2].text, "Recuperar  Pedido");
    EXPECT_EQ(boxes[2].icon, QMessageBox::Warning);
}
