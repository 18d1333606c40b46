// The plain widgets of the main window's pages and panels, each made the one way: its design
// name as objectName, a name for screen readers, and its place on the form.
#pragma once

#include <QRect>
#include <QString>
#include <QStyle>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace torvel {

// A label named `name`; its accessible name is its trimmed text, or `name` when that is blank.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry);

// A button that takes Enter as a click when focused; SP_CustomBase for no glyph.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint, QRect geometry, QStyle::StandardPixmap glyph);

// A field box: a sunken white label that shows a value.
QLabel* MakeValue(QWidget* parent, const char* name, const QString& accessible, const QString& text,
                  QRect geometry, Qt::Alignment alignment);

// The white-on-blue caption above a field.
QLabel* MakeCaption(QWidget* parent, const QString& text, QRect geometry);

// A pick-only combo.
QComboBox* MakeCombo(QWidget* parent, const char* name, const QString& accessible, QRect geometry);

} // namespace torvel
