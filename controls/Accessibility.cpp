#include "controls/Accessibility.h"

#include <QAccessibleWidget>
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

void AnnounceAlert(QWidget* widget) {
    QAccessibleEvent event(widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

} // namespace torvel
