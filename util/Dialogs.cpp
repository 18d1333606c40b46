#include "util/Dialogs.h"

#include "util/Cp1252QString.h"
#include "util/uFuncoes.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <exception>
#include <utility>

namespace torvel {
namespace {

bool recording = false;
bool questionAnswer = true;
std::function<void(QDialog&)> modalHook;

std::vector<RecordedBox>& Recorded() {
    static std::vector<RecordedBox> boxes;
    return boxes;
}

// Gives the activation back to the window that had it before a modal window, as a window
// manager would; without one (a bare X server) the keys would reach a window that Qt thinks
// inactive, and its fields would miss their enter and exit processing.
class ActivationKeeper {
public:
    ActivationKeeper() : previous_(QApplication::activeWindow()) {}
    ~ActivationKeeper() {
        if (previous_ && previous_->isVisible() && !QApplication::activeModalWidget()) {
            previous_->raise();
            previous_->activateWindow();
        }
    }

private:
    QPointer<QWidget> previous_;
};

void ShowBox(const QString& title, const QString& text, QMessageBox::Icon icon) {
    if (recording) {
        Recorded().push_back({title, text, icon});
        return;
    }
    ActivationKeeper keeper;
    QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace

void ShowError(const QString& message) {
    ShowBox(kAppTitle, ToQString(ErrorBoxText(FromQString(message))), QMessageBox::Critical);
}

void ShowMessage(const QString& text) {
    ShowBox(kAppTitle, text, QMessageBox::NoIcon);
}

void WarningBox(const QString& text, const QString& caption) {
    ShowBox(caption, text, QMessageBox::Warning);
}

bool AskYesNo(const QString& text) {
    if (recording) {
        Recorded().push_back({kAppTitle, text, QMessageBox::Question});
        return questionAnswer;
    }
    ActivationKeeper keeper;
    QMessageBox box(QMessageBox::Question, kAppTitle, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Sim"));
    box.button(QMessageBox::No)->setText(QString::fromUtf8("Não"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowError(ToQString(e.what()));
    }
}

int ExecModal(QDialog& dialog) {
    if (modalHook) {
        dialog.show();
        modalHook(dialog);
        return dialog.result();
    }
    ActivationKeeper keeper;
    return dialog.exec();
}

namespace testing {
bool RecordBoxes(bool on) {
    Recorded().clear();
    return std::exchange(recording, on);
}
std::vector<RecordedBox>& Boxes() {
    return Recorded();
}
bool AnswerQuestions(bool yes) {
    return std::exchange(questionAnswer, yes);
}
std::function<void(QDialog&)> SetModalHook(std::function<void(QDialog&)> hook) {
    return std::exchange(modalHook, std::move(hook));
}
} // namespace testing

} // namespace torvel
