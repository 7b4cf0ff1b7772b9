#pragma once

// The main window, "Patchwarden v1.00": the library tree in the middle and
// the command groups around it. Every command is keyed by the id of the
// control that gives it, as the buttons' clicks arrive. The MIDI transport
// reports by events posted to the window, which runs the transfers on them,
// also inside the nested loops of dialogs and message boxes. Every handler
// runs inside the guard that shows a transport error in an "Error" box.

#include <QDialog>
#include <QIcon>
#include <deque>
#include <memory>
#include <string>

#include "data/message_box.h"
#include "data/request_text.h"
#include "ui/midi/transport_events.h"
#include "app/files/syx_file.h"
#include "app/transfers/transfers.h"

class QCheckBox;
class QLineEdit;
class QTreeView;

namespace patchwarden {

class file_chooser;
class library_model;
class library_node;
class library_tree;
class midi_ports;

class main_window : public QDialog {
    Q_OBJECT
public:
    // The window reports the transport's notifications through the ports'
    // relay from now on, until it goes. Without ports it has its own, over
    // no devices, so both stay "closed".
    main_window(library_tree& library, message_box& box, file_chooser& files, midi_ports* ports = nullptr,
                QWidget* parent = nullptr);
    ~main_window() override;

    // Carries out the command of a control id, as if the control had been
    // clicked; unknown ids do nothing.
    void command(int id);

    // The node selected in the tree, or null.
    library_node* selected_node() const;
    // Selects a node of the tree (null clears the selection).
    void select_node(const library_node* node);

    // Fills and enables the "Selected:" group for the node (or none).
    void update_selection_panel(const library_node* node);

    library_model& model() const { return *model_; }
    QTreeView& tree_view() const { return *tree_; }
    // Messages given with "Get It" and "Send" that wait to go out, and the
    // counters of the transfers.
    const outgoing_queue& send_queue() const { return transfers_->send_queue(); }
    const transfer_counters& counters() const { return transfers_->counters(); }
    midi_ports& ports() const { return *ports_; }
    // Replaces the writer of Save, to test write failures.
    void set_save_writer(block_writer writer) { save_writer_ = std::move(writer); }

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

protected:
    // The transport's notifications, also inside nested loops.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void refresh_device_fields();
    bool asks_before_replacing() const;
    QString field_text(int id, int limit) const;
    // Runs the transfers' pump once the events already posted are handled.
    void post_pump();
    void show_transport_error(std::u16string text);

    library_tree& library_;
    message_box& box_;
    file_chooser& files_;
    std::unique_ptr<midi_ports> own_ports_;
    midi_ports* ports_;
    posting_target notifications_{this};
    std::unique_ptr<transfer_bars> bars_;
    std::unique_ptr<transfers> transfers_;
    // Errors of the transport threads wait here while one is shown.
    std::deque<std::u16string> waiting_errors_;
    bool showing_error_ = false;
    library_model* model_;
    QTreeView* tree_;
    QLineEdit* request_;
    QCheckBox* ask_;
    QIcon icon_;
    block_writer save_writer_;
};

}  // namespace patchwarden
