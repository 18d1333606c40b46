// What assistive technology is told about widgets whose class alone says too little: the main
// window is a window, the wait window a notification, a field tells what the entry it holds has
// just done, and a focus taken back inside a focus change is reported where it ends.
#pragma once

#include <QAccessible>

class QString;
class QWidget;

namespace torvel {

// Screen readers see `widget` with this role. Set it first, before any other accessible
// property: the interface Qt makes on the first change is kept for the widget's life.
void SetAccessibleRole(QWidget* widget, QAccessible::Role role);

// What a field says with its name when the focus comes to it (its accessible description): set
// it before the focus moves there, and the reader speaks it with the field. Empty says nothing.
void SayOnFocus(QWidget* field, const QString& sentence);

// A sentence about `widget`, which has the focus and keeps it. With Qt 6.8 and later it is an
// announcement, spoken at once; before, it is the widget's description, which readers speak on
// request ("where am I") and when the focus comes back.
void SayWhileFocused(QWidget* widget, const QString& sentence);

// Tells assistive technology once more, when the focus change under way has ended, that
// `widget` holds the focus. A field that takes the focus back from inside an exit handler is
// otherwise reported where the focus was going.
void ReportFocusWhenSettled(QWidget* widget);

} // namespace torvel
