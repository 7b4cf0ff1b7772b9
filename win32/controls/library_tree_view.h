#pragma once

// The library shown in a tree-view control (SysTreeView32), kept in step
// with the library through its observer: an item is inserted for every node
// appended, deleted with its subtree when the node goes, re-ordered when
// the library sorts a node's children, relabelled, and opened or closed
// when the library says so. Each item carries its node, so the tree's
// selection and the branches the user opens reach the library and the
// window's logic as nodes.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <unordered_map>

#include "library/library_observer.h"

namespace patchwarden {

class library_node;
class library_tree;

class library_tree_view : private library_observer {
public:
    // Shows library in tree (a tree-view control), nodes already there
    // included; on_selection hears of every change of the selected item.
    library_tree_view(HWND tree, library_tree& library, std::function<void(library_node*)> on_selection);
    ~library_tree_view() override;
    library_tree_view(const library_tree_view&) = delete;
    library_tree_view& operator=(const library_tree_view&) = delete;

    // The selected node, or null.
    library_node* selected() const;
    // Selects node's item (null clears the selection); on_selection hears
    // of it.
    void select(const library_node* node);
    // Scrolls node's item into sight, opening the branches above it.
    void ensure_visible(const library_node* node);
    // Where a context menu asked for at `where` opens, in screen
    // coordinates: a right click (at `where`) on an item selects that item
    // first; the keyboard (-1, -1) takes the selected item. False when
    // there is no item there.
    bool menu_point(POINT& where);

    // A WM_NOTIFY from the tree: a new selection, a branch the user opened
    // or closed.
    void notified(const NMHDR& header);

private:
    void node_appended(const library_node* node) override;
    void node_about_to_be_removed(const library_node* parent, int row, const library_node* node) override;
    void node_removed(const library_node* parent, int row) override;
    void children_sorted(const library_node* parent, const std::vector<int>& new_row_of_old) override;
    void label_changed(const library_node* node) override;
    void expanded_changed(const library_node* node) override;

    void insert(const library_node* node);
    void forget_subtree(const library_node* node);
    HTREEITEM item_of(const library_node* node) const;
    LRESULT send(UINT message, WPARAM wparam, LPARAM lparam) const { return SendMessageW(tree_, message, wparam, lparam); }

    HWND tree_;
    library_tree& library_;
    std::function<void(library_node*)> on_selection_;
    std::unordered_map<const library_node*, HTREEITEM> items_;
    // The item of a node being removed, deleted once the library has let
    // the node go, so that the selection moves on to a node that stays.
    HTREEITEM removing_ = nullptr;
};

}  // namespace patchwarden
