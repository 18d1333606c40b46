// Program entry: the application, the main window, the event loop.
#include "app/Application.h"
#include "app/Central.h"

#include <csignal>

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
