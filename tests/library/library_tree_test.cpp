#include "library/library_tree.h"

#include <gtest/gtest.h>

#include "data/bank_naming.h"
#include "data/text.h"
#include "tests/library/library_fixtures.h"
#include "tests/support/scripted_message_box.h"

namespace patchwarden {
namespace {

using testing::make_global;
using testing::make_mix;
using testing::make_program;
using testing::picture;
using testing::scripted_message_box;

constexpr auto yes_no = box_buttons::yes_no;
constexpr auto yes_no_cancel = box_buttons::yes_no_cancel;

// ---- Shape, labels and order ----------------------------------------------

TEST(library_tree_shape, first_program_builds_the_path_and_expands_everything) {
    library_tree tree;
    scripted_message_box box;
    EXPECT_EQ(tree.insert_record(make_program(0, 5, "Warm Pad"), true, yes_no, box), box_answer::yes);
    EXPECT_EQ(picture(tree),
              "Everything+\n"
              "  Programs\n"
              "    User\n"
              "      005 Warm Pad*\n");
    EXPECT_TRUE(box.shown.empty());
    // The label carries all 16 name characters, padding included, and not the zero unit.
    const library_node* entry = tree.find_entry(program_dump, 0, 5);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->label(), u"005 Warm Pad        ");
}

TEST(library_tree_shape, banks_stay_in_creation_order_and_entries_go_by_number) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(3, 100, "c"), false, yes_no, box);
    tree.insert_record(make_program(0, 7, "a"), false, yes_no, box);
    tree.insert_record(make_program(3, 7, "b"), false, yes_no, box);
    tree.insert_record(make_program(3, 2, "d"), false, yes_no, box);
    tree.insert_record(make_mix(0, 1, "m"), false, yes_no, box);
    EXPECT_EQ(picture(tree),
              "Everything+\n"
              "  Programs\n"
              "    Card 1\n"
              "      002 d*\n"
              "      007 b*\n"
              "      100 c*\n"
              "    User\n"
              "      007 a*\n"
              "  Mixes\n"
              "    User\n"
              "      001 m*\n");
}

TEST(library_tree_shape, same_index_means_different_banks_for_programs_and_mixes) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(2, 9, "prog"), true, yes_no, box);
    tree.insert_record(make_mix(2, 9, "mix"), true, yes_no, box);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(picture(tree),
              "Everything+\n"
              "  Programs\n"
              "    Preset 2\n"
              "      009 prog*\n"
              "  Mixes\n"
              "    Card 1\n"
              "      009 mix*\n");
}

TEST(library_tree_shape, entries_stay_ordered_whatever_the_insertion_order) {
    // Many entries in one bank (the lookups then search the ordered children).
    library_tree tree;
    scripted_message_box box;
    for (int i = 0; i < 128; ++i) {
        const int number = (i * 37) % 128;  // every number once, scrambled
        tree.insert_record(make_program(0, number, "x"), false, yes_no, box);
    }
    // Replace a few again, which appends then re-sorts.
    for (int number : {0, 127, 64, 5}) tree.insert_record(make_program(0, number, "y"), false, yes_no, box);
    const library_node* bank = tree.find_entry(program_dump, 0, 0)->parent();
    ASSERT_EQ(bank->child_count(), 128);
    for (int row = 0; row < 128; ++row) {
        const library_node* child = bank->child(row);
        EXPECT_EQ(child->row(), row);
        EXPECT_EQ(child->record()->number, row);
        EXPECT_EQ(tree.find_entry(program_dump, 0, row), child);
    }
    EXPECT_EQ(narrow(tree.find_entry(program_dump, 0, 64)->label()).substr(0, 5), "064 y");
}

TEST(library_tree_shape, card_1_never_matches_card_10_and_entries_match_by_number) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(12, 5, "ten"), false, yes_no, box);  // Card 10
    library_node* programs = tree.first_child(tree.root());
    ASSERT_NE(programs, nullptr);
    EXPECT_EQ(tree.find_child(programs, u"Card 1", false, false), nullptr);
    ASSERT_NE(tree.find_child(programs, u"Card 10", false, false), nullptr);

    // Card 1 gets a bank node of its own; the Card 10 entry stays where it is.
    tree.insert_record(make_program(3, 5, "one"), false, yes_no, box);
    EXPECT_EQ(programs->child_count(), 2);
    EXPECT_EQ(tree.find_entry(program_dump, 12, 5)->record()->name.substr(0, 3), u"ten");
    EXPECT_EQ(tree.find_entry(program_dump, 3, 5)->record()->name.substr(0, 3), u"one");

    library_node* card10 = tree.find_child(programs, u"Card 10", false, false);
    EXPECT_EQ(tree.find_child(card10, u"005", false, true), tree.find_entry(program_dump, 12, 5));
    EXPECT_EQ(tree.find_child(card10, u"006", false, true), nullptr);
    EXPECT_EQ(tree.find_child(card10, u"005", false, false), nullptr);  // exact: the name follows
}

TEST(library_tree_shape, names_show_up_to_an_embedded_zero_unit) {
    a6_message record(program_dump, 0, 1);
    set_name(record, std::u16string(u"ab\0cd", 5));
    EXPECT_EQ(shown_name(record), u"ab");
    EXPECT_EQ(entry_label(record), u"001 ab");
    set_name(record, u"ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(shown_name(record), u"ABCDEFGHIJKLMNOP");
}

// ---- Replacement and prompts -------------------------------------------------

struct replace_case {
    const char* what;
    bool ask;
    box_buttons buttons;
    box_answer answer;       // scripted answer, if asked
    box_answer expected;     // insert_record's result
    bool replaced;
};

class library_tree_replace : public ::testing::TestWithParam<replace_case> {};

TEST_P(library_tree_replace, keeps_or_replaces_the_entry) {
    const replace_case& c = GetParam();
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(1, 42, "Old Name"), false, yes_no, box);
    box.answers = {c.answer};
    EXPECT_EQ(tree.insert_record(make_program(1, 42, "New Name"), c.ask, c.buttons, box), c.expected);

    const library_node* entry = tree.find_entry(program_dump, 1, 42);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->parent()->child_count(), 1);
    EXPECT_EQ(narrow(shown_name(*entry->record())).substr(0, 8), c.replaced ? "New Name" : "Old Name");
    EXPECT_EQ(narrow(entry->label()).substr(0, 12), c.replaced ? "042 New Name" : "042 Old Name");

    if (!c.ask) {
        EXPECT_TRUE(box.shown.empty());
        return;
    }
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text,
              u"Replace program at Preset 1 bank 42\r\n'Old Name        ' with\r\n'New Name        '?");
    EXPECT_EQ(box.shown[0].caption, u"");
    EXPECT_EQ(box.shown[0].buttons, c.buttons);
    EXPECT_EQ(box.shown[0].icon, box_icon::none);
}

INSTANTIATE_TEST_SUITE_P(
    cases, library_tree_replace,
    ::testing::Values(replace_case{"ask_off", false, yes_no, box_answer::no, box_answer::yes, true},
                      replace_case{"yes", true, yes_no, box_answer::yes, box_answer::yes, true},
                      replace_case{"no", true, yes_no, box_answer::no, box_answer::no, false},
                      replace_case{"cancel", true, yes_no_cancel, box_answer::cancel, box_answer::cancel, false},
                      replace_case{"no_of_three", true, yes_no_cancel, box_answer::no, box_answer::no, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(library_tree_prompt, mix_prompt_names_the_mix_bank) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_mix(2, 3, "First"), false, yes_no, box);
    box.answers = {box_answer::no};
    tree.insert_record(make_mix(2, 3, "Second"), true, yes_no, box);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Replace mix at Card 1 bank 3\r\n'First           ' with\r\n'Second          '?");
}

TEST(library_tree_prompt, global_data_reload) {
    for (const box_answer answer : {box_answer::yes, box_answer::no}) {
        library_tree tree;
        scripted_message_box box;
        tree.insert_record(make_global(1), true, yes_no, box);
        tree.insert_record(make_program(0, 0, "p"), true, yes_no, box);
        EXPECT_TRUE(box.shown.empty());
        box.answers = {answer};
        EXPECT_EQ(tree.insert_record(make_global(2), true, yes_no_cancel, box), answer);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, u"Reload global data?");
        EXPECT_EQ(box.shown[0].caption, u"");
        EXPECT_EQ(box.shown[0].buttons, yes_no_cancel);
        EXPECT_EQ(box.shown[0].icon, box_icon::none);
        const library_node* global = tree.find_entry(global_dump, -1, -1);
        ASSERT_NE(global, nullptr);
        EXPECT_EQ(global->record()->data[0], answer == box_answer::yes ? 2 : 1);
        // Reloaded Global Data stands last; kept Global Data stays where it was.
        EXPECT_EQ(picture(tree), answer == box_answer::yes ? "Everything+\n  Programs\n    User\n      000 p*\n  Global Data*\n"
                                                           : "Everything+\n  Global Data*\n  Programs\n    User\n      000 p*\n");
    }
}

TEST(library_tree_prompt, global_data_loaded_twice_without_asking_stays_single_and_last) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_global(1), false, yes_no, box);
    tree.insert_record(make_mix(0, 0, "m"), false, yes_no, box);
    tree.insert_record(make_global(2), false, yes_no, box);
    EXPECT_EQ(picture(tree), "Everything+\n  Mixes\n    User\n      000 m*\n  Global Data*\n");
    EXPECT_EQ(tree.find_entry(global_dump, -1, -1)->record()->data[0], 2);
}

TEST(library_tree_prompt, records_that_are_not_dumps_are_dropped) {
    for (const message_kind kind : {program_request, mix_bank_request, global_request, identity_request,
                                    unrecognised_message}) {
        library_tree tree;
        scripted_message_box box;
        EXPECT_EQ(tree.insert_record(std::make_unique<a6_message>(kind, 0, 0), true, yes_no, box), box_answer::yes);
        EXPECT_EQ(picture(tree), "Everything+\n");
        EXPECT_EQ(tree.node_count(), 1u);
    }
}

TEST(library_tree_prompt, any_insertion_expands_everything_again_even_a_refused_one) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(0, 1, "a"), false, yes_no, box);
    library_node* user = tree.find_entry(program_dump, 0, 1)->parent();
    tree.set_expanded(user, true);
    tree.set_expanded(tree.root(), false);
    box.answers = {box_answer::no};
    tree.insert_record(make_program(0, 1, "b"), true, yes_no, box);
    EXPECT_TRUE(tree.root()->expanded());
    EXPECT_TRUE(user->expanded());  // deeper nodes keep their state
    EXPECT_FALSE(tree.first_child(tree.root())->expanded());
}

// ---- Removal, pruning, navigation ----------------------------------------------

TEST(library_tree_remove, prune_stops_at_a_node_with_children_and_climbs_to_everything) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(0, 1, "a"), false, yes_no, box);
    tree.insert_record(make_program(0, 2, "b"), false, yes_no, box);
    library_node* user = tree.find_entry(program_dump, 0, 1)->parent();

    tree.prune_empty(user);  // still has entries
    EXPECT_EQ(tree.node_count(), 5u);

    tree.remove_subtree(tree.find_entry(program_dump, 0, 1));
    tree.remove_subtree(tree.find_entry(program_dump, 0, 2));
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    User\n");
    tree.prune_empty(user);
    EXPECT_TRUE(tree.top_level().empty());
    EXPECT_EQ(tree.node_count(), 0u);
    EXPECT_FALSE(tree.contains(user));
    tree.prune_empty(nullptr);  // harmless
}

TEST(library_tree_remove, prune_keeps_a_section_with_other_banks) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(0, 1, "a"), false, yes_no, box);
    tree.insert_record(make_program(4, 1, "b"), false, yes_no, box);
    library_node* entry = tree.find_entry(program_dump, 0, 1);
    library_node* user = entry->parent();
    tree.remove_subtree(entry);
    tree.prune_empty(user);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    Card 2\n      001 b*\n");
}

TEST(library_tree_remove, removed_nodes_are_forgotten_and_rows_follow) {
    library_tree tree;
    scripted_message_box box;
    for (int n = 0; n < 4; ++n) tree.insert_record(make_program(0, n, "e"), false, yes_no, box);
    library_node* second = tree.find_entry(program_dump, 0, 1);
    const std::uint64_t serial = second->serial();
    library_node* bank = second->parent();
    tree.remove_subtree(second);
    EXPECT_FALSE(tree.contains(second));
    EXPECT_EQ(tree.find_serial(serial), nullptr);
    EXPECT_EQ(tree.record_of(second), nullptr);  // a stale pointer counts as no node
    ASSERT_EQ(bank->child_count(), 3);
    for (int row = 0; row < 3; ++row) EXPECT_EQ(bank->child(row)->row(), row);
    EXPECT_EQ(bank->child(3), nullptr);
    EXPECT_EQ(bank->child(-1), nullptr);
}

TEST(library_tree_navigation, walks_first_child_next_sibling_and_parent) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(0, 1, "a"), false, yes_no, box);
    tree.insert_record(make_mix(0, 1, "b"), false, yes_no, box);
    library_node* root = tree.root();
    library_node* programs = tree.first_child(root);
    library_node* mixes = tree.next_sibling(programs);
    ASSERT_NE(mixes, nullptr);
    EXPECT_EQ(mixes->label(), u"Mixes");
    EXPECT_EQ(tree.next_sibling(mixes), nullptr);
    EXPECT_EQ(tree.next_sibling(root), nullptr);
    EXPECT_EQ(tree.parent(mixes), root);
    EXPECT_EQ(tree.parent(root), nullptr);
    EXPECT_EQ(tree.first_child(nullptr), nullptr);
    EXPECT_EQ(tree.next_sibling(nullptr), nullptr);
    EXPECT_EQ(tree.parent(nullptr), nullptr);
    EXPECT_EQ(tree.record_of(nullptr), nullptr);
    EXPECT_EQ(tree.record_of(programs), nullptr);
    library_node* entry = tree.first_child(tree.first_child(programs));
    EXPECT_EQ(tree.first_child(entry), nullptr);
    ASSERT_NE(tree.record_of(entry), nullptr);
    EXPECT_EQ(tree.record_of(entry)->kind, program_dump);
}

TEST(library_tree_records, attach_and_detach_hand_ownership_over) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(0, 1, "a"), false, yes_no, box);
    library_node* entry = tree.find_entry(program_dump, 0, 1);
    std::unique_ptr<a6_message> record = tree.detach_record(entry);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(tree.record_of(entry), nullptr);
    EXPECT_EQ(tree.detach_record(entry), nullptr);
    a6_message* raw = record.get();
    tree.attach_record(entry, std::move(record));
    EXPECT_EQ(tree.record_of(entry), raw);
    tree.attach_record(nullptr, make_program(0, 2, "dropped"));  // freed, nothing changes
    EXPECT_EQ(tree.node_count(), 4u);
}

// ---- Walking -----------------------------------------------------------------------

std::vector<std::pair<int, int>> walked(library_tree& tree, library_node* node) {
    outgoing_queue queue;
    tree.walk_subtree(node, queue);
    std::vector<std::pair<int, int>> out;
    for (const auto& m : queue) {
        EXPECT_EQ(m.expected_replies, 0);
        if (m.bytes.size() == global_dump_size) out.emplace_back(-1, -1);
        else out.emplace_back(m.bytes[5] == 0x00 ? m.bytes[6] : 100 + m.bytes[6], m.bytes[7]);
    }
    return out;
}

TEST(library_tree_walk, every_level_in_display_order) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(3, 9, "a"), false, yes_no, box);
    tree.insert_record(make_global(), false, yes_no, box);
    tree.insert_record(make_mix(1, 4, "m"), false, yes_no, box);
    tree.insert_record(make_program(3, 2, "b"), false, yes_no, box);
    tree.insert_record(make_program(0, 0, "c"), false, yes_no, box);
    using v = std::vector<std::pair<int, int>>;
    // Programs (Card 1 by number, then User), Global Data where it stands, then Mixes.
    EXPECT_EQ(walked(tree, tree.root()), (v{{3, 2}, {3, 9}, {0, 0}, {-1, -1}, {101, 4}}));
    library_node* programs = tree.first_child(tree.root());
    EXPECT_EQ(walked(tree, programs), (v{{3, 2}, {3, 9}, {0, 0}}));
    EXPECT_EQ(walked(tree, tree.first_child(programs)), (v{{3, 2}, {3, 9}}));
    EXPECT_EQ(walked(tree, tree.find_entry(program_dump, 3, 9)), (v{{3, 9}}));
    EXPECT_EQ(walked(tree, tree.find_entry(global_dump, -1, -1)), (v{{-1, -1}}));
    EXPECT_EQ(walked(tree, nullptr), v{});

    // A subtree without records gives nothing.
    library_tree empty_bank;
    empty_bank.find_child(empty_bank.find_child(nullptr, u"Everything", true, true), u"Programs", true, true);
    EXPECT_EQ(walked(empty_bank, empty_bank.root()), v{});
}

TEST(library_tree_walk, messages_carry_the_current_name_in_the_body) {
    library_tree tree;
    scripted_message_box box;
    tree.insert_record(make_program(0, 5, "Bright"), false, yes_no, box);
    outgoing_queue queue;
    tree.walk_subtree(tree.root(), queue);
    ASSERT_EQ(queue.size(), 1u);
    const a6_message back = parse_message(queue.front().bytes);
    EXPECT_EQ(back.kind, program_dump);
    EXPECT_EQ(back.name, tree.find_entry(program_dump, 0, 5)->record()->name);
}

}  // namespace
}  // namespace patchwarden
