// The plain widgets of the main window's pages and panels, each made the one way: its design
// name as objectName, what a screen reader says of it, and its design size (pages lay them out;
// a widget that no layout holds stays at its design place).
#pragma once

#include <QRect>
#include <QString>
#include <QStyle>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QWidget;
class TFloatEdit;

namespace torvel {

// A label named `name`. A screen reader reads its current text, so a label whose text the
// program changes is heard as it is shown.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry);

// A button that takes Enter as a click when focused; SP_CustomBase for no glyph.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint, QRect geometry, QStyle::StandardPixmap glyph);

// A field box: a sunken white label that shows a value. A screen reader hears the value, with
// `accessible` (the field's caption) as its description.
QLabel* MakeValue(QWidget* parent, const char* name, const QString& accessible, const QString& text,
                  QRect geometry, Qt::Alignment alignment);

// The white-on-blue caption above a field.
QLabel* MakeCaption(QWidget* parent, const QString& text, QRect geometry);

// A pick-only combo.
QComboBox* MakeCombo(QWidget* parent, const char* name, const QString& accessible, QRect geometry);

// An entry field of a page; its kind (numeric, capitals, ...) is set by the caller.
TFloatEdit* MakeEntry(QWidget* parent, const char* name, const QString& accessible, QRect geometry);

// An item of a popup menu, named `name`; screen readers read its caption.
QAction* MakeMenuItem(QMenu* menu, const char* name, const QString& caption);

// Lets a made widget take the room its layout gives it in these directions; its design size
// stays its smallest.
void LetGrow(QWidget* widget, Qt::Orientations directions);

// A click on the button, or the choice of the menu item, runs `handler`; a failure that it lets
// through goes to the error box.
void OnClick(QPushButton* button, std::function<void()> handler);
void OnTrigger(QAction* action, std::function<void()> handler);

} // namespace torvel
