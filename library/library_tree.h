#pragma once

// The library: every Program, Mix and Global Data loaded, as a tree.
//
//   "Everything"
//     "Programs" / "Mixes"           sections, in the order they were made
//       "User", "Preset 1", "Card 3" banks, in the order they were made
//         "005 <16 name characters>" entries, by number, each with a record
//     "Global Data"                  with the one Global Data record
//
// The tree owns every record attached to it. A replace prompt may run a
// nested event loop, during which other insertions, unloads and moves can
// change the tree; every operation copes with that (it looks things up again
// once the prompt has been answered), and callers that keep node pointers
// across a prompt check them with contains() or, safer, find_serial().
//
// Every operation that takes a node accepts null and treats a pointer that
// is not (any more) a node of this tree like null.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "data/a6_message.h"
#include "data/message_box.h"
#include "data/request_text.h"
#include "library/library_node.h"
#include "library/library_observer.h"

namespace patchwarden {

// The labels of the fixed nodes.
inline constexpr std::u16string_view everything_label = u"Everything";
inline constexpr std::u16string_view programs_label = u"Programs";
inline constexpr std::u16string_view mixes_label = u"Mixes";
inline constexpr std::u16string_view global_data_label = u"Global Data";

// The name of a Program or Mix as the user sees it: its 16 characters
// (up to an embedded zero unit, where the text would end).
std::u16string shown_name(const a6_message& record);

// "%03d %s" with the record's number and shown name.
std::u16string entry_label(const a6_message& record);

// The replace prompt for putting incoming where existing stands.
std::u16string replace_prompt_text(const a6_message& existing, const a6_message& incoming);

class library_tree {
public:
    library_tree();
    // Frees every node and record; observers are not told.
    ~library_tree();
    library_tree(const library_tree&) = delete;
    library_tree& operator=(const library_tree&) = delete;

    // --- Observers -------------------------------------------------------
    // Observers are not owned; remove one before it goes.
    void add_observer(library_observer* observer);
    void remove_observer(library_observer* observer);

    // --- Reading ----------------------------------------------------------
    // The top-level nodes (only "Everything" is ever made).
    const std::vector<std::unique_ptr<library_node>>& top_level() const { return top_; }
    // "Everything", or null when the library is empty.
    library_node* root() const;

    // Whether node is a node of this tree now. The address of a node that has
    // gone may be taken by a later one: to recognise a node remembered across
    // a prompt, keep its serial instead.
    bool contains(const library_node* node) const;
    // The node with this serial, or null when it has gone.
    library_node* find_serial(std::uint64_t serial) const;
    // Number of nodes in the tree.
    std::size_t node_count() const { return by_serial_.size(); }

    // Navigation; each gives null for no node.
    library_node* first_child(const library_node* node) const;
    library_node* next_sibling(const library_node* node) const;
    library_node* parent(const library_node* node) const;

    // The record attached to node, or null (also for no node).
    a6_message* record_of(const library_node* node) const;

    // The entry node of a Program or Mix at bank and number, or the
    // "Global Data" node for kind global_dump; null when there is none.
    library_node* find_entry(message_kind kind, int bank, int number) const;

    // --- Building blocks ---------------------------------------------------
    // Looks among the children of parent (the top level for null) for the
    // first whose label equals label, or, with prefix, whose label starts
    // with label. When none matches and add is set, appends a new collapsed
    // node with that label as the last child and returns it; otherwise null.
    // With a parent that is not in the tree: null.
    library_node* find_child(library_node* parent, std::u16string_view label, bool add, bool prefix);

    // Gives node the record; a record it had before is freed. Without a node
    // the record is freed.
    void attach_record(library_node* node, std::unique_ptr<a6_message> record);
    // Takes the record off node and hands it back (null when it had none).
    std::unique_ptr<a6_message> detach_record(library_node* node);

    // Sets a node's label (reported as label_changed).
    void set_label(library_node* node, std::u16string label);

    // Shows or hides a node's children (reported when it changes).
    void set_expanded(library_node* node, bool expanded);

    // Orders the children of node by label, in ascending code unit order.
    // Stable; reported only when the order changes.
    void sort_children(library_node* node);

    // Removes node with its whole subtree and frees every record in it.
    void remove_subtree(library_node* node);

    // Removes node if it has no children, then its parent if that has none
    // left, and so on up to the top level.
    void prune_empty(library_node* node);

    // Appends to queue the encoded record of every entry at or below node,
    // in display order.
    void walk_subtree(library_node* node, outgoing_queue& queue);

    // --- Insertion -----------------------------------------------------------
    // Puts a record in its place: a Program or Mix under its section, bank
    // and entry label, Global Data as the last child of "Everything". Any
    // other kind is freed without being stored. An entry already at that
    // place is replaced; when ask is set the user is asked first through box
    // with the given buttons (yes_no or yes_no_cancel), and anything but Yes
    // keeps the old entry and frees the new record. A Yes replaces only the
    // entry the prompt named: when another has taken its place while the
    // prompt was open, the user is asked about that one. Returns Yes when
    // nothing was asked, otherwise the last answer. The tree owns the record from the
    // call on, also when it is not stored. "Everything" is expanded.
    box_answer insert_record(std::unique_ptr<a6_message> record, bool ask, box_buttons prompt_buttons,
                             message_box& box);

private:
    std::vector<std::unique_ptr<library_node>>& siblings_of(library_node* parent);
    const std::vector<std::unique_ptr<library_node>>& siblings_of(const library_node* parent) const;
    library_node* match_child(const library_node* parent, std::u16string_view label, bool prefix) const;
    library_node* append_child(library_node* parent, std::u16string label);
    void forget(library_node* node);
    void renumber(std::vector<std::unique_ptr<library_node>>& list, std::size_t from);
    library_node* entry_in_bank(library_node* bank, int number) const;
    library_node* bank_node(message_kind kind, int bank, bool add);
    library_node* existing_bank_node(message_kind kind, int bank) const;
    void walk(library_node* node, outgoing_queue& queue);
    void expand_root();

    template <typename F>
    void notify(F&& f);

    std::vector<std::unique_ptr<library_node>> top_;
    std::unordered_map<std::uint64_t, library_node*> by_serial_;
    std::unordered_set<const library_node*> live_;
    std::uint64_t next_serial_ = 1;
    std::vector<library_observer*> observers_;
};

}  // namespace patchwarden
