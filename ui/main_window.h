#pragma once

// The main window, "Patchwarden v1.00": the library tree in the middle and
// the command groups around it. Every command is keyed by the id of the
// control that gives it, as the buttons' clicks arrive.

#include <QDialog>
#include <QIcon>
#include <functional>
#include <optional>
#include <string>

#include "data/message_box.h"
#include "data/request_text.h"
#include "ui/syx_file.h"

class QCheckBox;
class QLineEdit;
class QTreeView;

namespace patchwarden {

class file_chooser;
class library_model;
class library_node;
class library_tree;

// What the window needs of the MIDI ports. Until ports exist every part may
// stay empty: the device fields then read "closed".
struct port_commands {
    // Runs the configuration dialog owned by the window.
    std::function<void(QWidget* owner)> configure;
    // The name of the open input or output device; nothing when closed.
    std::function<std::optional<std::u16string>()> input_device;
    std::function<std::optional<std::u16string>()> output_device;
    // Closes both ports before the window ends, output first.
    std::function<void()> shutdown;
};

class main_window : public QDialog {
    Q_OBJECT
public:
    main_window(library_tree& library, message_box& box, file_chooser& files, port_commands ports = {},
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
    // Requests given with "Get It" that wait to go out.
    const outgoing_queue& send_queue() const { return send_queue_; }
    // Replaces the writer of Save, to test write failures.
    void set_save_writer(block_writer writer) { save_writer_ = std::move(writer); }

    // The commands.
    void load_syx();
    void save_syx();
    void get_it();
    void about();
    void quit(int command_id);
    void choose_bank();
    void choose_request();
    void configure();
    void unload();
    void move_selected();
    void copy_selected();

signals:
    // Requests have been added to the send queue.
    void requests_queued();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void refresh_device_fields();
    bool asks_before_replacing() const;
    QString field_text(int id, int limit) const;

    library_tree& library_;
    message_box& box_;
    file_chooser& files_;
    port_commands ports_;
    library_model* model_;
    QTreeView* tree_;
    QLineEdit* request_;
    QCheckBox* ask_;
    QIcon icon_;
    outgoing_queue send_queue_;
    block_writer save_writer_;
};

}  // namespace patchwarden
