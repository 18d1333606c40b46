// TFStatus, the wait window: a borderless yellow strip with one red line of text.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;

class TFStatus : public QWidget {
    Q_OBJECT
public:
    explicit TFStatus(QWidget* owner);
    void SetText(const QString& text);
    QString Text() const;
    // Centres over the owner when it is shown, over the screen otherwise.
    void Centre();
    // The window that was active when this one was created, to be given the activation back.
    QWidget* PreviouslyActive() const { return previous_; }

    QLabel* LStatus = nullptr;

private:
    QWidget* owner_;
    QPointer<QWidget> previous_;
};
