#pragma once

// Dialogs built from tables of their controls, the way a resource template
// describes a dialog: every control has its numeric id, kind, caption (with
// & mnemonics), position and size in dialog units, and style flags. Dialog
// units become pixels through the dialog font: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth
// of its height.

#include <QPoint>
#include <QRect>
#include <QString>
#include <span>

class QDialog;
class QFont;
class QWidget;

namespace patchwarden {

enum class control_kind {
    push_button,
    default_push_button,
    check_box,
    radio_button,
    edit,
    static_text,
    group_box,
    progress_bar,
    tree_view,
    drop_down_list,
};

// Style flags of a control.
enum control_style : unsigned {
    style_none = 0,
    style_disabled = 1u << 0,       // created disabled
    style_read_only = 1u << 1,      // edit that cannot be typed into
    style_digits_only = 1u << 2,    // edit that takes only digits from the keyboard
    style_wraps = 1u << 3,          // caption wraps over several lines
    style_scrolls = 1u << 4,        // edit scrolls horizontally / list has a scroll bar
    style_smooth = 1u << 5,         // progress bar drawn without segments
    style_centre_vertically = 1u << 6,
    style_fixed_font = 1u << 7,     // tree labels in the fixed-pitch font
};

// Controls that need no id (group boxes, labels) carry this one.
inline constexpr int no_id = -1;

struct control_spec {
    int id;
    control_kind kind;
    const char* caption;
    int x, y, w, h;  // dialog units
    unsigned style;
};

struct dialog_spec {
    int resource;  // the dialog's own number
    const char* caption;
    int w, h;  // dialog units
    std::span<const control_spec> controls;
};

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
