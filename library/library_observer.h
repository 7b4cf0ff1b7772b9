#pragma once

// Change notifications of the library tree, so that a view can mirror the
// tree step by step (Qt's begin/end notifications) instead of rebuilding it.
//
// Every change is reported while it happens, in pairs around the change
// where a view needs to know before (append, remove, re-sort) and once
// afterwards otherwise. A null parent means the top level. Observers must
// not change the tree from inside a notification.

#include <vector>

namespace patchwarden {

class library_node;

class library_observer {
public:
    virtual ~library_observer() = default;

    // A node is about to be appended under parent at row (always the last
    // row: the parent's child count before the append).
    virtual void node_about_to_be_appended(const library_node* parent, int row) {
        (void)parent;
        (void)row;
    }
    // The node has been appended; node->parent() and node->row() tell where.
    // A new node never has children and starts collapsed.
    virtual void node_appended(const library_node* node) { (void)node; }

    // node, standing at row under parent, is about to be removed together
    // with its whole subtree. Until node_removed every node is still there.
    virtual void node_about_to_be_removed(const library_node* parent, int row,
                                          const library_node* node) {
        (void)parent;
        (void)row;
        (void)node;
    }
    // The node and its subtree are gone (their addresses are no longer
    // valid); the rows after it have moved up by one.
    virtual void node_removed(const library_node* parent, int row) {
        (void)parent;
        (void)row;
    }

    // The children of parent are about to be put in another order. Reported
    // only when the order really changes; no child is added or removed.
    virtual void children_about_to_be_sorted(const library_node* parent) { (void)parent; }
    // The children of parent have been re-ordered: the child that stood at
    // row r now stands at row new_row_of_old[r].
    virtual void children_sorted(const library_node* parent, const std::vector<int>& new_row_of_old) {
        (void)parent;
        (void)new_row_of_old;
    }

    // The node's label has changed. Labels are fixed when a node is made by
    // the current operations (a replaced entry gets a new node), so this is
    // reported only by library_tree::set_label.
    virtual void label_changed(const library_node* node) { (void)node; }

    // The node's expanded state has changed (node->expanded()).
    virtual void expanded_changed(const library_node* node) { (void)node; }

    // A record has been attached to or detached from the node.
    virtual void record_changed(const library_node* node) { (void)node; }
};

}  // namespace patchwarden
