// TFStatus, the wait window: a borderless yellow strip with one red line of text.
#pragma once

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

    QLabel* LStatus = nullptr;

private:
    QWidget* owner_;
};
