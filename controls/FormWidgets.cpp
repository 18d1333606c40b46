#include "controls/FormWidgets.h"

#include "controls/FlEdit.h"
#include "util/Dialogs.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

namespace torvel {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    // No fixed accessible name: Qt then reads the label's text as it is now.
    label->setGeometry(geometry);
    label->setFixedSize(geometry.size());
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint, QRect geometry, QStyle::StandardPixmap glyph) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption.trimmed());
    button->setToolTip(hint);
    button->setGeometry(geometry);
    button->setFixedSize(geometry.size());
    button->setAutoDefault(true); // a focused button takes Enter as a click
    if (glyph != QStyle::SP_CustomBase)
        button->setIcon(parent->style()->standardIcon(glyph));
    return button;
}

QLabel* MakeValue(QWidget* parent, const char* name, const QString& accessible, const QString& text,
                  QRect geometry, Qt::Alignment alignment) {
    auto* label = MakeLabel(parent, name, text, geometry);
    label->setAccessibleDescription(accessible);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setStyleSheet("background: white; padding: 0 3px;");
    return label;
}

QLabel* MakeCaption(QWidget* parent, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFixedSize(geometry.size());
    label->setStyleSheet("background: rgb(0, 64, 128); color: white; font-weight: bold;");
    return label;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, const QString& accessible, QRect geometry) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setAccessibleName(accessible);
    combo->setEditable(false);
    combo->setGeometry(geometry);
    combo->setFixedSize(geometry.size());
    return combo;
}

TFloatEdit* MakeEntry(QWidget* parent, const char* name, const QString& accessible,
                      QRect geometry) {
    auto* edit = new TFloatEdit(parent);
    edit->setObjectName(name);
    edit->setAccessibleName(accessible);
    edit->setGeometry(geometry);
    edit->setFixedSize(geometry.size());
    return edit;
}

QAction* MakeMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
}

void LetGrow(QWidget* widget, Qt::Orientations directions) {
    if (directions & Qt::Horizontal)
        widget->setMaximumWidth(QWIDGETSIZE_MAX);
    if (directions & Qt::Vertical)
        widget->setMaximumHeight(QWIDGETSIZE_MAX);
}

void OnClick(QPushButton* button, std::function<void()> handler) {
    QObject::connect(button, &QPushButton::clicked, button,
                     [handler = std::move(handler)] { RunHandler(handler); });
}

void OnTrigger(QAction* action, std::function<void()> handler) {
    QObject::connect(action, &QAction::triggered, action,
                     [handler = std::move(handler)] { RunHandler(handler); });
}

} // namespace torvel
