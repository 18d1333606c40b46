// Program entry: the application, the main window, the event loop.
#include "app/Application.h"
#include "app/Central.h"
#ifdef TORVEL_INSTALLED
#include "app/Config.h"
#include "app/Places.h"
#include "util/Dialogs.h"

#include <cstdlib>
#include <exception>
#endif

#include <csignal>

int main(int argc, char** argv) {
    // A write past a file-size limit must fail with an error, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    TApplication app(argc, argv);
    // The application's name only: a display name would be appended to every window title,
    // and the main window's caption is "Pedidos Torvel" alone.
    QApplication::setApplicationName("UniTorvel");
#ifdef TORVEL_INSTALLED
    // Installed, the program cannot keep its files beside itself (/usr/bin) nor in whatever
    // folder the desktop started it in: they go to the user's XDG folders.
    try {
        const torvel::InstalledPlaces places = torvel::FindInstalledPlaces(std::getenv);
        torvel::EnterInstalledPlaces(places);
        torvel::UseInstalledConfig(places.configDir, places.machineConfigFile);
    } catch (const std::exception& e) {
        torvel::ShowError(QString::fromLocal8Bit(e.what())); // a folder that cannot be made
        return 1;
    }
#endif
    TFCentral central;
    central.show();
    return QApplication::exec();
}
