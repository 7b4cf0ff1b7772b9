#pragma once

// The Windows face of the main window, "Patchwarden v1.00": the dialog
// built from its table, the library tree in a tree-view control, the two
// progress bars, the small dialogs run modally and the transport's
// notifications as posted messages. What the window does is the core's
// main_window_logic: the face passes it every click, the tree's selection
// and the notifications, which are handled also inside the modal loops of
// dialogs and message boxes. Escape does nothing; the close box, Alt+F4 and
// the window menu quit.

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/window/main_window_logic.h"
#include "app/window/window_face.h"
#include "win32/controls/dialog_window.h"
#include "win32/window_messages.h"

namespace patchwarden {

class file_chooser;
class library_tree;
class library_tree_view;
class midi_ports;

class main_window : public dialog_window, private window_face {
public:
    // The window reports the transport's notifications through the ports'
    // relay from now on, until it goes. Without ports it has its own, over
    // no devices.
    main_window(library_tree& library, message_box& box, file_chooser& files, midi_ports* ports = nullptr);
    ~main_window() override;

    // Runs the window modally, without an owner, until it quits.
    int run();
    // Makes the window without a loop of its own (tests drive it).
    HWND create();

    main_window_logic& logic() { return *logic_; }
    // Files to load, in order, as Load loads them, once the window shows.
    void load_at_start(std::vector<std::filesystem::path> paths) { files_to_load_ = std::move(paths); }

private:
    // window_face
    dialog_controls& controls() override { return *this; }
    void draw_bar(transfer_bar bar, int maximum, int position) override;
    library_node* selected_node() const override;
    void select_node(const library_node* node) override;
    void show_placed(const library_node* node, int focus_id) override;
    int run_dialog(dialog_logic& logic, dialog_controls& owner) override;
    void post_pump() override;

    // The library tree's context menu, asked for at `where` (WM_CONTEXTMENU's
    // lParam); the chosen item's command goes to the logic.
    void show_tree_menu(LPARAM where);

    // dialog_window
    void on_created() override;
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& handled_result) override;
    void on_destroy() override;
    // Files dropped on the window (the tree included): those the core takes
    // load, in order, as Load loads them.
    void dropped(HDROP drop);

    // Gives the tree its fixed-pitch font at this scale (dots per inch).
    void set_tree_font(UINT dpi);

    library_tree& library_;
    posting_target notifications_;
    std::unique_ptr<library_tree_view> tree_view_;
    HICON large_icon_ = nullptr;
    HICON small_icon_ = nullptr;
    // The tree's font when it is not the system's own, which is not deleted.
    HFONT tree_font_ = nullptr;
    std::unique_ptr<main_window_logic> logic_;
    // Files waiting to load once the message that brought them is over.
    std::vector<std::filesystem::path> files_to_load_;
};

}  // namespace patchwarden
