#pragma once

// Drives the Windows face through the messages of its real windows, as a
// user's clicks reach them: BM_CLICK on buttons, WM_SETTEXT into edits, a
// list's new selection with the CBN_SELCHANGE its dialog gets, the tree
// read with TVM_GETITEMW. Dialogs and message boxes run modal loops of
// their own; a dialog_script acts in them from a timer, which every such
// loop fires.

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/a6_message.h"
#include "win32/wide_text.h"

namespace patchwarden {
class library_tree;
}

namespace patchwarden::testing {

// The visible dialog or message box (class #32770) of this thread with
// this caption, or null.
HWND find_dialog(std::wstring_view caption);

// The text of a message box.
std::wstring box_text(HWND box);

// Clicks a button; post_click leaves the click in the queue, for a click
// that opens a modal loop from inside a script step.
void click(HWND dialog, int id);
void post_click(HWND dialog, int id);
// Chooses a position in a drop-down list, which tells its dialog.
void choose(HWND dialog, int id, int position);
bool visible(HWND dialog, int id);

// A .syx file in the temporary folder holding these records in order; its
// path.
std::filesystem::path write_syx(const std::wstring& name, std::vector<a6_message> records);

// Drops files on a window as Explorer does: on the first window from onto
// upwards that accepts files, with a WM_DROPFILES posted to it. False when
// none accepts them.
bool drop_files(HWND onto, const std::vector<std::wstring>& paths);

// Handles the thread's messages until done() holds; false when limit
// passes first.
bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(30));

// A tree's items depth first, or a library's nodes: depth, label, and
// whether the branch is open (false for a leaf).
struct tree_row {
    int depth;
    std::wstring label;
    bool expanded;
    bool operator==(const tree_row&) const = default;
};
inline void PrintTo(const tree_row& row, std::ostream* out) {
    *out << row.depth << ' ' << wide_to_utf8(row.label) << (row.expanded ? " (open)" : "");
}
std::vector<tree_row> tree_rows(HWND tree);
std::vector<tree_row> library_rows(const library_tree& library);
// The tree's first item with this label, or null.
HTREEITEM find_item(HWND tree, std::wstring_view label);

// Steps, each run once and in order as soon as its dialog shows.
class dialog_script {
public:
    dialog_script();
    ~dialog_script();
    dialog_script(const dialog_script&) = delete;
    dialog_script& operator=(const dialog_script&) = delete;

    dialog_script& then(std::wstring caption, std::function<void(HWND)> act);
    bool done() const { return steps_.empty(); }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);

    struct step {
        std::wstring caption;
        std::function<void(HWND)> act;
    };
    std::deque<step> steps_;
    UINT_PTR timer_;
};

}  // namespace patchwarden::testing
