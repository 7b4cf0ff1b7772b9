#pragma once

// What the main window's logic needs of the face that draws it, beyond the
// controls every dialog has: the library tree's selection, the two progress
// bars, running the small dialogs modally, and the transport's
// notifications delivered on the interface thread. Each face (Qt on Linux,
// Win32 on Windows) implements it; tests script it.

#include "app/dialogs/dialog_logic.h"
#include "app/transfers/transfers.h"

namespace patchwarden {

class library_node;

class window_face {
public:
    virtual ~window_face() = default;

    // The main window's own controls (the dialog built from its table).
    virtual dialog_controls& controls() = 0;
    // Draws the receive or the send bar: the range 0..maximum (at least 1)
    // and a position within it.
    virtual void draw_bar(transfer_bar bar, int maximum, int position) = 0;

    // The node the tree shows selected, or null.
    virtual library_node* selected_node() const = 0;
    // Selects a node of the tree (null clears the selection).
    virtual void select_node(const library_node* node) = 0;
    // After Move or Copy: the placed entry (null when nothing was placed)
    // is scrolled into sight, which opens its bank, and the keyboard focus
    // goes to the control focus_id (the tree is main_ids::tree).
    virtual void show_placed(const library_node* node, int focus_id) = 0;

    // Runs a small dialog modally, owned by owner (the window's controls, or
    // those of a dialog open over it), and returns what it ended with.
    // Posted notifications are handled while it runs.
    virtual int run_dialog(dialog_logic& logic, dialog_controls& owner) = 0;

    // Runs the logic's data_ready() once the notifications already posted
    // have been handled.
    virtual void post_pump() = 0;
};

}  // namespace patchwarden
