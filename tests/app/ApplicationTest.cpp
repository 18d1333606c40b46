// The application object's last-resort net: a failure that escapes an event handler ends in the
// error box, and the program goes on.
#include "app/Application.h"
#include "tests/support/DialogGuards.h"

#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace torvel::test {
namespace {

class ThrowingWidget : public QWidget {
public:
    std::function<void()> onKey;

protected:
    void keyPressEvent(QKeyEvent*) override { onKey(); }
};

TEST(TApplication, AFailureOutOfAnEventHandlerEndsInTheErrorBox) {
    ASSERT_NE(dynamic_cast<TApplication*>(QCoreApplication::instance()), nullptr)
        << "the widget tests must run under the program's application object";
    RecordBoxesGuard recordBoxes(true);
    ThrowingWidget widget;
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

    widget.onKey = [] { throw std::runtime_error("Arquivo em uso"); };
    QTest::keyClick(&widget, Qt::Key_A);
    widget.onKey = [] { throw 42; };
    QTest::keyClick(&widget, Qt::Key_B);
    widget.onKey = [] {};
    QTest::keyClick(&widget, Qt::Key_C); // still alive, and a key that fails nothing says nothing

    const auto& boxes = torvel::testing::Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, "UniTorvel");
    EXPECT_EQ(boxes[0].text, "Arquivo em uso.");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[1].text, "Unknown error.");
    EXPECT_EQ(boxes[1].icon, QMessageBox::Critical);
}

} // namespace
} // namespace torvel::test
