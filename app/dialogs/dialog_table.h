#pragma once

// A dialog as a table of its controls, the way a resource template describes
// one: every control has its numeric id, kind, caption (with & mnemonics),
// position and size in dialog units, and style flags. Every face builds its
// dialogs from these tables, so the ids, captions and geometry are the same
// everywhere.

#include <span>

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

}  // namespace patchwarden
