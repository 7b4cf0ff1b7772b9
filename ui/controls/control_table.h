#pragma once

// Qt dialogs built from the tables of their controls. Dialog units become
// pixels through the dialog font: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.

#include <QPoint>
#include <QRect>
#include <QString>
#include <span>

#include "app/dialogs/dialog_table.h"

class QDialog;
class QFont;
class QWidget;

namespace patchwarden {

// The pixels of one horizontal (x) and one vertical (y) dialog unit, times 4
// and 8: the font's average character width and height.
QPoint dialog_base_units(const QFont& font);

// A rectangle in dialog units, in pixels for the given font.
QRect dialog_units_to_pixels(const QRect& units, const QFont& font);

// The font of the program's dialogs: the application's font, in a narrow
// sans-serif face where one is installed.
QFont dialog_font();

// Gives dialog the dialog font, creates every control of spec on it, in
// table order, at its geometry, and sizes the dialog.
void build_dialog(QDialog& dialog, const dialog_spec& spec);

// The control with this id on a dialog built from a table, or null.
QWidget* find_control(const QWidget* dialog, int id);

template <class T>
T* control(const QWidget* dialog, int id) {
    return qobject_cast<T*>(find_control(dialog, id));
}

// The id a control was built with, or no_id.
int control_id(const QWidget* widget);

// The caption text of a table entry as Qt text.
QString caption_text(const control_spec& spec);

}  // namespace patchwarden
