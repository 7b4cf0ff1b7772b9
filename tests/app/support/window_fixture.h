#pragma once

// The main window's logic over a scripted face, message box and file
// chooser, with quick ways to act as the user and to read what the window
// shows.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/dialogs/dialog_templates.h"
#include "app/transfers/midi_ports.h"
#include "app/window/main_window_logic.h"
#include "data/text.h"
#include "library/library_tree.h"
#include "tests/app/support/fake_face.h"
#include "tests/support/dumps.h"
#include "tests/support/scripted_file_chooser.h"
#include "tests/support/scripted_message_box.h"

namespace patchwarden::testing {

struct window_logic_test : ::testing::Test {
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    fake_window face;
    std::unique_ptr<main_window_logic> logic;

    // The window over these ports (its own, over no devices, without).
    void open_window(midi_ports* ports = nullptr) {
        logic = std::make_unique<main_window_logic>(face, library, box, files, ports, face.notifications);
        logic->start(face.window);
    }
    void SetUp() override { open_window(); }

    void click(int id) { face.window.click(*logic, id); }
    std::u16string text(int id) const { return face.window.text(id); }
    void set_text(int id, std::u16string_view t) { face.window.type(id, t); }
    bool enabled(int id) const { return face.window.enabled(id); }
    void set_checked(int id, bool on) { face.window.set_checked(id, on); }
    void select(const library_node* node) {
        face.select_node(node);
        logic->selection_changed(node);
    }
    // Hands on every notification posted so far, and those posted while
    // they are handled, as the interface thread's loop would.
    void handle_posted(int limit = 100000) {
        while (limit-- > 0 && face.notifications.deliver_one(*logic)) {
        }
    }
    // Loads a record without asking, and finds an entry.
    void put(message_kind kind, int bank, int number, std::u16string_view name) {
        testing::put(library, box, kind, bank, number, name);
    }
    library_node* entry(message_kind kind, int bank, int number) const { return library.find_entry(kind, bank, number); }
    std::string label(const library_node* node) const {
        return node ? narrow(node->label()) : std::string("(none)");
    }
};

}  // namespace patchwarden::testing
