#pragma once

// The main window, "Patchwarden v1.00", apart from drawing: every command
// keyed by the id of the control that gives it, the selection panel, the
// transfers run on the transport's notifications, the one-box-at-a-time
// queue of the transport threads' errors, and Quit's shutdown of the
// ports. Every handler runs inside the guard that shows a transport error
// in an "Error" box, and the window goes on.
//
// The transport reports to the face's notification target, attached to
// the ports' relay for the logic's life; the face posts each notification
// to its own thread and hands it back here, also inside the nested loops of
// dialogs and message boxes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/dialog_logic.h"
#include "app/files/syx_file.h"
#include "app/transfers/transfers.h"
#include "app/window/closing_box.h"
#include "app/window/error_queue.h"
#include "app/window/shown_bars.h"
#include "app/window/tree_menu.h"
#include "data/message_box.h"

namespace patchwarden {

class file_chooser;
class library_compare;
class library_node;
class library_tree;
class midi_ports;
class notification_target;
class window_face;

class main_window_logic : public dialog_logic {
public:
    // Without ports the window has its own, over no devices, so both stay
    // "closed".
    main_window_logic(window_face& face, library_tree& library, message_box& box, file_chooser& files,
                      midi_ports* ports, notification_target& notifications);
    // From here on no notification of the transport reaches the face.
    ~main_window_logic() override;
    main_window_logic(const main_window_logic&) = delete;
    main_window_logic& operator=(const main_window_logic&) = delete;

    const dialog_spec& spec() const override;
    // Both device fields read "closed"; the three check boxes are checked.
    void start(dialog_controls& controls) override;
    // Carries out the command of a control id, as if the control had been
    // clicked; other ids (check boxes, Enter, Escape) do nothing.
    void command(dialog_controls& controls, int id) override;
    void command(int id);

    // The transport's notifications, on the interface thread.
    void data_ready();
    void bytes_sent(std::int32_t bytes);
    void transport_error(std::u16string text);
    // The tree's selection moved to node (or none).
    void selection_changed(const library_node* node);
    // The close box, Alt+F4 or the window menu: quits.
    void close();
    // The face's timer, about twice a second: tells once of a request the
    // instrument has stopped answering.
    void tick();
    // The library tree's context menu for the selected node; the face
    // hands the chosen item's command to command().
    std::vector<menu_item> context_menu() const { return tree_menu(selected_node()); }

    // The selected node, when it is still in the library.
    library_node* selected_node() const;
    midi_ports& ports() const { return *ports_; }
    const outgoing_queue& send_queue() const { return transfers_->send_queue(); }
    const transfer_counters& counters() const { return transfers_->counters(); }
    // Replaces the writer of Save, to test write failures.
    void set_save_writer(block_writer writer) { save_writer_ = std::move(writer); }
    // Replaces the clock that tick() reads, to test the waits.
    void set_clock(std::function<transfers::clock::time_point()> now) { transfers_->set_clock(std::move(now)); }

    // Loads files named on the command line or dropped on the window, in
    // order, as Load does.
    void load_files(const std::vector<std::filesystem::path>& paths);

    // The commands.
    void load_syx();
    void save_syx();
    void get_it();
    void send_selection();
    void about();
    void quit(int command_id);
    void choose_bank();
    void choose_request();
    void configure();
    void unload();
    void move_selected();
    void copy_selected();
    void compare_with_a6();

private:
    bool asks_before_replacing() const;
    // Tells at once that what was just asked for is not sent: the output
    // is closed.
    void tell_output_closed(const char16_t* what_happens);
    // What the transfers have to tell after a run: dumps dropped at a
    // closed output, and the results of finished compares.
    void report_transfers();
    // The window has quit: a Load still running under a prompt ends.
    bool closed() const { return box_.closed(); }
    void refresh_device_fields();
    void place(bool copy);

    window_face& face_;
    library_tree& library_;
    closing_box box_;
    file_chooser& files_;
    std::unique_ptr<midi_ports> own_ports_;
    midi_ports* ports_;
    notification_target& notifications_;
    // Compares whose result has not been shown yet; each also stays with
    // the transfers while replies may reach it.
    std::vector<std::shared_ptr<library_compare>> compares_;
    shown_bars bars_;
    std::unique_ptr<transfers> transfers_;
    error_queue errors_;
    block_writer save_writer_;
};

}  // namespace patchwarden
