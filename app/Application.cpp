#include "app/Application.h"

#include "util/Cp1252QString.h"
#include "util/Dialogs.h"

#include <exception>

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        torvel::ShowError(torvel::ToQString(e.what()));
    } catch (...) {
        torvel::ShowError(QStringLiteral("Unknown error"));
    }
    return false;
}
