#pragma once

// Checks that a library tree is sound: every node knows its parent and row,
// every record hangs on exactly one node, and every entry stands where its
// record says.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "data/bank_naming.h"
#include "library/library_tree.h"

namespace patchwarden::testing {

inline void check_node(const library_tree& tree, const library_node& node, const library_node* parent, int row,
                       std::set<const a6_message*>& records, std::set<std::string>& places) {
    EXPECT_TRUE(tree.contains(&node));
    EXPECT_EQ(tree.find_serial(node.serial()), &node);
    EXPECT_EQ(node.parent(), parent);
    EXPECT_EQ(node.row(), row);
    if (const a6_message* record = node.record()) {
        EXPECT_TRUE(records.insert(record).second) << "a record on two nodes";
        EXPECT_TRUE(node.children().empty());
        if (record->kind == global_dump) {
            EXPECT_EQ(node.label(), u"Global Data");
            EXPECT_TRUE(places.insert("global").second) << "two Global Data";
        } else {
            ASSERT_NE(parent, nullptr);
            ASSERT_NE(parent->parent(), nullptr);
            EXPECT_EQ(node.label(), entry_label(*record));
            EXPECT_EQ(parent->label(), bank_display_name(*record));
            EXPECT_EQ(parent->parent()->label(), record->kind == program_dump ? u"Programs" : u"Mixes");
            const std::string place = std::to_string(record->kind) + "/" + std::to_string(record->bank) + "/" +
                                      std::to_string(record->number);
            EXPECT_TRUE(places.insert(place).second) << "two entries at " << place;
        }
    }
    int child_row = 0;
    const library_node* previous = nullptr;
    for (const auto& child : node.children()) {
        if (previous && previous->record() && child->record() && child->record()->kind != global_dump) {
            EXPECT_LT(previous->label(), child->label()) << "entries out of order";
        }
        check_node(tree, *child, &node, child_row++, records, places);
        previous = child.get();
    }
}

// Returns the number of records in the tree.
inline std::size_t check_invariants(const library_tree& tree) {
    std::set<const a6_message*> records;
    std::set<std::string> places;
    EXPECT_LE(tree.top_level().size(), 1u);
    int row = 0;
    for (const auto& node : tree.top_level()) {
        EXPECT_EQ(node->label(), u"Everything");
        check_node(tree, *node, nullptr, row++, records, places);
    }
    return records.size();
}

}  // namespace patchwarden::testing
