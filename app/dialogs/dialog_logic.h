#pragma once

// How a dialog's logic meets the face that draws it. The logic works on the
// dialog's controls by their ids, as a dialog procedure does: it reads and
// writes texts, checks, enables, shows and fills lists, and ends the
// dialog. The face builds the dialog from the logic's table, makes the
// controls behave as the table says (an edit that takes only digits, the
// default button) and hands the logic what the user did: a click, a list's
// new selection, an edit left. Every face runs the same logic, so a dialog
// does the same on every platform.

#include <string>
#include <string_view>

#include "app/dialogs/dialog_table.h"

namespace patchwarden {

// The controls of one open dialog.
class dialog_controls {
public:
    virtual ~dialog_controls() = default;

    // An edit's or a label's text, whole.
    virtual std::u16string text(int id) const = 0;
    virtual void set_text(int id, std::u16string_view text) = 0;
    // A check box or radio button. Checking a radio button unchecks the
    // others of its dialog; it runs no handler.
    virtual bool checked(int id) const = 0;
    virtual void set_checked(int id, bool on) = 0;
    virtual bool enabled(int id) const = 0;
    virtual void enable(int id, bool on) = 0;
    virtual void set_visible(int id, bool on) = 0;
    // A list: add an item at its end, the selected position (-1 for none),
    // select a position (-1 for none). Selecting here is not reported back
    // as the user's change.
    virtual void add_item(int id, std::u16string_view text) = 0;
    virtual int selection(int id) const = 0;
    virtual void select(int id, int position) = 0;
    virtual void set_caption(std::u16string_view caption) = 0;
    // Ends the dialog; running it returns result.
    virtual void end(int result) = 0;
    // A busy cursor, while the logic holds the interface thread.
    virtual void show_busy(bool on) = 0;
};

// The text of a field, cut to limit characters, as a dialog reads it into a
// buffer of limit + 1 units.
inline std::u16string field_text(const dialog_controls& controls, int id, std::size_t limit) {
    std::u16string text = controls.text(id);
    if (text.size() > limit) text.resize(limit);
    return text;
}

// What a dialog does; the face calls it on the interface thread.
class dialog_logic {
public:
    virtual ~dialog_logic() = default;
    // The table the face builds the dialog from.
    virtual const dialog_spec& spec() const = 0;
    // The dialog's controls exist and it is about to show.
    virtual void start(dialog_controls& controls) = 0;
    // A button was clicked (a push button, check box or radio button), or
    // the dialog was told to end: Enter gives the default button's id,
    // Escape and the close box give 2 (cancel).
    virtual void command(dialog_controls& controls, int id) = 0;
    // The user chose another position in a list.
    virtual void selection_changed(dialog_controls&, int) {}
    // An edit lost the focus.
    virtual void focus_lost(dialog_controls&, int) {}
};

}  // namespace patchwarden
