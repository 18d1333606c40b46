#include "controls/Accessibility.h"

#include <QAccessibleWidget>
#include <QMetaObject>
#include <QString>
#include <QVariant>
#include <QWidget>

namespace torvel {

namespace {

constexpr const char* kRoleProperty = "torvelAccessibleRole";

// Asked first for every object: answers only for widgets given a role, and leaves every other
// object to Qt's own interfaces.
QAccessibleInterface* RoleFactory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}

} // namespace

void SetAccessibleRole(QWidget* widget, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(RoleFactory);
        return true;
    }();
    (void)installed;
    widget->setProperty(kRoleProperty, int(role));
}

void SayOnFocus(QWidget* field, const QString& sentence) {
    field->setAccessibleDescription(sentence);
}

void SayWhileFocused(QWidget* widget, const QString& sentence) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Qt 6.8 (Debian 13) puts announcements on the accessibility bus; Orca 47 speaks them. An
    // older sentence must not come back with the focus.
    widget->setAccessibleDescription(QString());
    QAccessibleAnnouncementEvent event(widget, sentence);
    QAccessible::updateAccessibility(&event);
#else
    // Qt 6.4 (Debian 12) has no announcement, and sends a description change without its text,
    // which Orca 43 cannot speak: the sentence waits in the description.
    widget->setAccessibleDescription(sentence);
#endif
}

void ReportFocusWhenSettled(QWidget* widget) {
    QMetaObject::invokeMethod(
        widget,
        [widget] {
            if (!widget->hasFocus())
                return;
            QAccessibleEvent event(widget, QAccessible::Focus);
            QAccessible::updateAccessibility(&event);
        },
        Qt::QueuedConnection);
}

} // namespace torvel
