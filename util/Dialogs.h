// Every message box and modal window goes through here, so tests can record and answer them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

namespace torvel {

inline const QString kAppTitle = QStringLiteral("UniTorvel");

struct RecordedBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
};

// The application's default error box: title "UniTorvel", error icon, the "." rule on the text.
void ShowError(const QString& message);
// Plain message box: title "UniTorvel", no icon, OK.
void ShowMessage(const QString& text);
// Exclamation box with the given caption and text, OK.
void WarningBox(const QString& text, const QString& caption);
// Question box: title "UniTorvel", "Sim" and "Não"; true for "Sim".
bool AskYesNo(const QString& text);

// Runs a handler of a window; a failure that it lets through goes to the error box.
void RunHandler(const std::function<void()>& handler);

// Runs a dialog modally and returns its result.
int ExecModal(QDialog& dialog);

namespace testing {
// Each setter returns the setting it replaces.
// While recording, boxes are not shown: they are appended to Boxes() and answered with OK.
// Switching empties Boxes().
bool RecordBoxes(bool on);
std::vector<RecordedBox>& Boxes();
// The answer a recorded question gets: true ("Sim", the default) or false ("Não").
bool AnswerQuestions(bool yes);
// When set, ExecModal shows the dialog, calls the hook (which drives and closes it) and returns
// the dialog's result instead of running a nested event loop.
std::function<void(QDialog&)> SetModalHook(std::function<void(QDialog&)> hook);
} // namespace testing

} // namespace torvel
