#include "util/PressKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace torvel {
namespace {

Qt::Key QtKey(int vk) {
    if (vk >= 0x30 && vk <= 0x39)
        return Qt::Key(Qt::Key_0 + (vk - 0x30));
    if (vk >= 0x41 && vk <= 0x5A)
        return Qt::Key(Qt::Key_A + (vk - 0x41));
    if (vk >= 0x70 && vk <= 0x7B)
        return Qt::Key(Qt::Key_F1 + (vk - 0x70));
    switch (vk) {
    case 0x08:
        return Qt::Key_Backspace;
    case 0x09:
        return Qt::Key_Tab;
    case 0x0D:
        return Qt::Key_Return;
    case 0x1B:
        return Qt::Key_Escape;
    case 0x20:
        return Qt::Key_Space;
    case 0x21:
        return Qt::Key_PageUp;
    case 0x22:
        return Qt::Key_PageDown;
    case 0x23:
        return Qt::Key_End;
    case 0x24:
        return Qt::Key_Home;
    case 0x25:
        return Qt::Key_Left;
    case 0x26:
        return Qt::Key_Up;
    case 0x27:
        return Qt::Key_Right;
    case 0x28:
        return Qt::Key_Down;
    case 0x2D:
        return Qt::Key_Insert;
    case 0x2E:
        return Qt::Key_Delete;
    default:
        return Qt::Key_unknown;
    }
}

// Delivered through the event queue, so the keys reach whichever widget has the focus when
// the event loop runs again, as a real key stroke would.
class KeyStroke : public QObject {
public:
    KeyStroke(Qt::Key key, int count) : key_(key), count_(count) {}

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        for (int i = 0; i < count_; ++i) {
            QWidget* target = QApplication::focusWidget();
            if (!target)
                target = QApplication::activeWindow();
            if (!target)
                break;
            QPointer<QWidget> guard(target);
            QKeyEvent press(QEvent::KeyPress, key_, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            if (!guard)
                break;
            QKeyEvent release(QEvent::KeyRelease, key_, Qt::NoModifier);
            QApplication::sendEvent(target, &release);
        }
        deleteLater();
        return true;
    }

private:
    Qt::Key key_;
    int count_;
};

} // namespace

void PressKey(int virtualKey, int count) {
    count &= 0xFF;
    Qt::Key key = QtKey(virtualKey & 0xFF);
    if (count <= 0 || key == Qt::Key_unknown)
        return;
    auto* stroke = new KeyStroke(key, count);
    QCoreApplication::postEvent(stroke, new QEvent(QEvent::User));
}

} // namespace torvel
