// What assistive technology is told about widgets whose class alone says too little: the main
// window is a window, the wait window an alert that is announced when it appears.
#pragma once

#include <QAccessible>

class QWidget;

namespace torvel {

// Screen readers see `widget` with this role. Set it first, before any other accessible
// property: the interface Qt makes on the first change is kept for the widget's life.
void SetAccessibleRole(QWidget* widget, QAccessible::Role role);

// Tells assistive technology that `widget` (an alert) has just appeared, so that it is read out.
void AnnounceAlert(QWidget* widget);

} // namespace torvel
