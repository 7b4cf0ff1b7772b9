#pragma once

// The Qt face of the main window, "Patchwarden v1.00": the dialog built
// from its table, the library tree shown through its item model, the two
// progress bars, and the small dialogs run modally. What the window does
// is the core's main_window_logic: the face passes it every click, the
// tree's selection and the transport's notifications, which arrive as
// events posted to the window and are handled also inside the nested loops
// of dialogs and message boxes.

#include <QIcon>
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/window/main_window_logic.h"
#include "app/window/window_face.h"
#include "ui/controls/table_dialog.h"
#include "ui/midi/transport_events.h"

class QProgressBar;
class QTreeView;

namespace patchwarden {

class file_chooser;
class library_model;
class library_node;
class library_tree;
class midi_ports;

class main_window : public table_dialog, private window_face {
    Q_OBJECT
public:
    // The window reports the transport's notifications through the ports'
    // relay from now on, until it goes. Without ports it has its own, over
    // no devices, so both stay "closed".
    main_window(library_tree& library, message_box& box, file_chooser& files, midi_ports* ports = nullptr,
                QWidget* parent = nullptr);
    ~main_window() override;

    main_window_logic& logic() { return *logic_; }
    // Carries out the command of a control id, as if the control had been
    // clicked.
    void command(int id) { logic_->command(id); }
    library_node* selected_node() const override;
    void select_node(const library_node* node) override;

    library_model& model() const { return *model_; }
    QTreeView& tree_view() const { return *tree_; }
    const outgoing_queue& send_queue() const { return logic_->send_queue(); }
    const transfer_counters& counters() const { return logic_->counters(); }
    midi_ports& ports() const { return logic_->ports(); }
    void set_save_writer(block_writer writer) { logic_->set_save_writer(std::move(writer)); }

    // Loads the files, in order, as Load does, once the events waiting now
    // have been handled.
    void load_files_later(std::vector<std::filesystem::path> paths);

protected:
    // The transport's notifications, also inside nested loops.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    dialog_controls& controls() override { return *this; }
    void draw_bar(transfer_bar bar, int maximum, int position) override;
    void show_placed(const library_node* node, int focus_id) override;
    int run_dialog(dialog_logic& logic, dialog_controls& owner) override;
    void post_pump() override;
    // The library tree's context menu at `at` (global); the chosen item's
    // command goes to the logic.
    void show_tree_menu(const QPoint& at);

    posting_target notifications_{this};
    library_model* model_;
    QTreeView* tree_;
    // The receive and the send bar.
    std::array<QProgressBar*, 2> bars_{};
    QIcon icon_;
    std::unique_ptr<main_window_logic> logic_;
};

}  // namespace patchwarden
