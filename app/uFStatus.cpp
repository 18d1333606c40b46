#include "app/uFStatus.h"

#include "controls/Accessibility.h"
#include "controls/Fonts.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

TFStatus::TFStatus(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus),
      owner_(owner), previous_(QApplication::activeWindow()) {
    // A notification: screen readers speak one by what it says as soon as it is shown, without
    // the focus going there (an alert is only read when it takes the focus, which this never does).
    torvel::SetAccessibleRole(this, QAccessible::Notification);
    setObjectName("FStatus");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(540, 34);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 128));
    setPalette(pal);
    LStatus = new QLabel(QString::fromUtf8("Aguarde o Processamento das informações..."), this);
    LStatus->setObjectName("LStatus");
    LStatus->setGeometry(0, 0, 540, 34);
    LStatus->setAlignment(Qt::AlignCenter);
    LStatus->setFont(torvel::DesignFont("Tahoma", 19, true));
    LStatus->setStyleSheet("color: rgb(255, 0, 0);");
    setAccessibleName(LStatus->text());
}

void TFStatus::SetText(const QString& text) {
    LStatus->setText(text);
    setAccessibleName(text);
}

QString TFStatus::Text() const {
    return LStatus->text();
}

void TFStatus::Centre() {
    QRect area;
    if (owner_ && owner_->isVisible())
        area = owner_->frameGeometry();
    else if (QScreen* screen = QApplication::primaryScreen())
        area = screen->geometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}
