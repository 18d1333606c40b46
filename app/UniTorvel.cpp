// Program entry: the application, the main window, the event loop.
#include "app/Central.h"
#include "util/Cp1252QString.h"
#include "util/Dialogs.h"

#include <QApplication>
#include <csignal>

namespace {

// Failures that no handler caught end in the error box instead of ending the program.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            torvel::ShowError(torvel::ToQString(e.what()));
        } catch (...) {
            torvel::ShowError(QStringLiteral("Unknown error"));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    // A write past a file-size limit must fail with an error, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    TApplication app(argc, argv);
    // The application's name only: a display name would be appended to every window title,
    // and the main window's caption is "Pedidos Torvel" alone.
    QApplication::setApplicationName("UniTorvel");
    TFCentral central;
    central.show();
    return QApplication::exec();
}
