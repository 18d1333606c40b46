#include "bench/FirstPaint.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

namespace torvel::bench {
namespace {

// Notes the first paint of a widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

} // namespace

void ProcessUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void ShowAndWaitForPaint(QWidget& widget) {
    PaintWatch watch(&widget);
    widget.show();
    ProcessUntil([&] { return watch.painted; });
    widget.removeEventFilter(&watch);
}

} // namespace torvel::bench
