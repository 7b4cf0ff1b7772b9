#pragma once

// One node of the library tree: "Everything", a section ("Programs",
// "Mixes"), a bank, an entry, or "Global Data".
//
// Nodes are made, changed and deleted only by library_tree; everybody else
// reads them through the const accessors below. A node's address stays the
// same for as long as the node exists, so a view may keep raw pointers to
// nodes (for example in QModelIndex::internalPointer) as long as it follows
// the tree's removal notifications.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/a6_message.h"

namespace patchwarden {

class library_tree;

class library_node {
public:
    library_node(const library_node&) = delete;
    library_node& operator=(const library_node&) = delete;
    ~library_node();

    // The text shown for the node.
    const std::u16string& label() const { return label_; }

    // The record of an entry node; null for every other node.
    const a6_message* record() const { return record_.get(); }

    // Children in display order.
    const std::vector<std::unique_ptr<library_node>>& children() const { return children_; }
    int child_count() const { return static_cast<int>(children_.size()); }
    // The child at a row, or null when the row is out of range.
    library_node* child(int row) const;

    // The parent node; null for a top-level node ("Everything").
    library_node* parent() const { return parent_; }

    // The node's row under its parent (or among the top-level nodes).
    // Kept up to date by the tree, so reading it costs nothing.
    int row() const { return row_; }

    // Whether the node shows its children. A new node starts collapsed.
    bool expanded() const { return expanded_; }

    // A number that no other node of the same tree ever had or will have.
    // Unlike the address, which the allocator may hand to a later node, it
    // tells whether a node remembered earlier is still the same node
    // (library_tree::find_serial).
    std::uint64_t serial() const { return serial_; }

private:
    friend class library_tree;

    library_node(std::u16string label, library_node* parent, int row, std::uint64_t serial)
        : label_(std::move(label)), parent_(parent), row_(row), serial_(serial) {}

    std::u16string label_;
    std::unique_ptr<a6_message> record_;
    std::vector<std::unique_ptr<library_node>> children_;
    library_node* parent_ = nullptr;
    int row_ = 0;
    bool expanded_ = false;
    // What is known of the order of the children: ascending by label (lookups
    // among many entries then use a binary search), ascending but for the
    // last one (a new entry appended, to be sorted in), or nothing.
    enum class child_order : unsigned char { ascending, last_out_of_place, unknown };
    child_order order_ = child_order::ascending;
    std::uint64_t serial_ = 0;
};

}  // namespace patchwarden
