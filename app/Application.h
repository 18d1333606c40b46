// The application object: a QApplication whose last-resort net turns a failure that no handler
// caught into the error box, so that it does not end the program.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};
