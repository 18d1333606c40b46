// Program entry: the command line, the application, the main window, the event loop.
#include "api/RequestLog.h"
#include "app/Application.h"
#include "app/Central.h"
#include "app/CommandLine.h"
#include "app/StoreCheckReport.h"
#ifdef TORVEL_INSTALLED
#include "app/Config.h"
#include "app/Places.h"
#include "util/Dialogs.h"
#endif

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    // A write past a file-size limit must fail with an error, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // --help, --version, --check and a bad command line need no display.
    const torvel::CommandLine options = torvel::ParseCommandLine(argc, argv, TORVEL_VERSION);
    if (options.exitStatus) {
        std::fputs(options.message.c_str(), *options.exitStatus == 0 ? stdout : stderr);
        return *options.exitStatus;
    }
    try {
        const char* logVariable = std::getenv("TORVEL_LOG");
        torvel::SetRequestLog(!options.logFile.empty() ? options.logFile
                              : logVariable            ? logVariable
                                                       : "");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "UniTorvel: %s\n", e.what());
        return 2;
    }
#ifdef TORVEL_INSTALLED
    // Installed, the program cannot keep its files beside itself (/usr/bin) nor in whatever
    // folder the desktop started it in: they go to the user's XDG folders.
    torvel::InstalledPlaces places;
    std::string placesFailure; // no home folder is known
    try {
        places = torvel::FindInstalledPlaces(std::getenv);
        torvel::UseInstalledConfig(places.configDir, places.machineConfigFile);
    } catch (const std::exception& e) {
        placesFailure = e.what();
    }
#endif
    if (options.check) {
#ifdef TORVEL_INSTALLED
        if (!placesFailure.empty()) {
            std::cout << "Verdict: failed: " << placesFailure << std::endl;
            return torvel::kCheckFailed;
        }
#endif
        return torvel::RunStoreCheck(std::cout, options.store);
    }
    TApplication app(argc, argv);
    // The application's name only: a display name would be appended to every window title,
    // and the main window's caption is "Pedidos Torvel" alone.
    QApplication::setApplicationName("UniTorvel");
#ifdef TORVEL_INSTALLED
    try {
        if (!placesFailure.empty())
            throw std::runtime_error(placesFailure);
        torvel::EnterInstalledPlaces(places);
    } catch (const std::exception& e) {
        torvel::ShowError(QString::fromLocal8Bit(e.what())); // a folder that cannot be made
        return 1;
    }
#endif
    TFCentral central;
    central.show();
    return QApplication::exec();
}
