// A replace prompt runs a nested event loop; while it is open, other
// insertions, unloads and moves run. These tests do that work from inside
// the scripted prompt and check that the tree stays sound, with no record
// lost twice or kept twice (the sanitizer build catches the frees).

#include <deque>

#include <gtest/gtest.h>

#include "data/text.h"
#include "library/library_commands.h"
#include "library/library_tree.h"
#include "tests/library/library_fixtures.h"
#include "tests/library/library_invariants.h"
#include "tests/support/scripted_message_box.h"

namespace patchwarden {
namespace {

using testing::check_invariants;
using testing::make_global;
using testing::make_program;
using testing::picture;
using testing::scripted_message_box;

constexpr auto yes_no = box_buttons::yes_no;

class library_reentrance : public ::testing::Test {
protected:
    library_tree tree;
    scripted_message_box box;

    void add(std::unique_ptr<a6_message> record) { tree.insert_record(std::move(record), false, yes_no, box); }
    library_node* program(int bank, int number) { return tree.find_entry(program_dump, bank, number); }
    std::string name_at(int bank, int number) {
        const library_node* node = program(bank, number);
        if (!node) return "(none)";
        std::string name = narrow(shown_name(*node->record()));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return name;
    }
    // Runs work once, inside the next prompt.
    void inside_prompt(std::function<void()> work) {
        box.while_open = [this, work](const testing::shown_box&) {
            box.while_open = nullptr;
            work();
        };
    }
};

// ---- An insertion waiting for its answer -------------------------------------------

TEST_F(library_reentrance, another_record_arrives_in_the_same_slot) {
    // The prompt named "First"; "Arrived" took its place meanwhile. A Yes
    // about "First" is no Yes about "Arrived": the user is asked again.
    struct row {
        std::deque<box_answer> answers;
        std::size_t prompts;
        const char* stays;
    };
    const row rows[] = {
        {{box_answer::yes, box_answer::yes}, 2, "Waiting"},
        {{box_answer::yes, box_answer::no}, 2, "Arrived"},
        {{box_answer::no}, 1, "Arrived"},
    };
    for (const row& r : rows) {
        unload_selection(tree, tree.root());
        box.shown.clear();
        add(make_program(0, 5, "First"));
        inside_prompt([this] { add(make_program(0, 5, "Arrived")); });
        box.answers = r.answers;
        const box_answer last = r.answers.back();
        EXPECT_EQ(tree.insert_record(make_program(0, 5, "Waiting"), true, yes_no, box), last);
        ASSERT_EQ(box.shown.size(), r.prompts);
        if (r.prompts == 2) {
            EXPECT_NE(narrow(box.shown[1].text).find("'Arrived"), std::string::npos);
        }
        EXPECT_EQ(name_at(0, 5), r.stays);
        EXPECT_EQ(check_invariants(tree), 1u);
    }
}

TEST_F(library_reentrance, a_nested_prompt_for_the_same_slot) {
    add(make_program(0, 5, "First"));
    inside_prompt([this] { tree.insert_record(make_program(0, 5, "Nested"), true, yes_no, box); });
    box.answers = {box_answer::yes, box_answer::no};  // the nested prompt is answered first
    EXPECT_EQ(tree.insert_record(make_program(0, 5, "Outer"), true, yes_no, box), box_answer::no);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(name_at(0, 5), "Nested");
    EXPECT_EQ(check_invariants(tree), 1u);
}

TEST_F(library_reentrance, the_bank_is_unloaded) {
    for (const box_answer answer : {box_answer::yes, box_answer::no}) {
        unload_selection(tree, tree.root());
        add(make_program(0, 5, "First"));
        add(make_program(0, 6, "Neighbour"));
        inside_prompt([this] { unload_selection(tree, program(0, 5)->parent()); });
        box.answers = {answer};
        tree.insert_record(make_program(0, 5, "Waiting"), true, yes_no, box);
        if (answer == box_answer::yes) {
            EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    User\n      005 Waiting*\n");
        } else {
            EXPECT_TRUE(tree.top_level().empty());
        }
        check_invariants(tree);
    }
}

TEST_F(library_reentrance, everything_is_unloaded) {
    add(make_program(0, 5, "First"));
    add(make_program(7, 1, "Other"));
    add(make_global());
    inside_prompt([this] { unload_selection(tree, tree.root()); });
    tree.insert_record(make_program(0, 5, "Waiting"), true, yes_no, box);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    User\n      005 Waiting*\n");
    check_invariants(tree);
}

TEST_F(library_reentrance, the_entry_being_replaced_is_moved_away) {
    for (const box_answer answer : {box_answer::yes, box_answer::no}) {
        unload_selection(tree, tree.root());
        add(make_program(0, 5, "First"));
        inside_prompt([this] { move_entry(tree, program(0, 5), 0, 9, u"Moved", false, box); });
        box.answers = {answer};
        tree.insert_record(make_program(0, 5, "Waiting"), true, yes_no, box);
        EXPECT_EQ(name_at(0, 9), "Moved");
        EXPECT_EQ(name_at(0, 5), answer == box_answer::yes ? "Waiting" : "(none)");
        check_invariants(tree);
    }
}

TEST_F(library_reentrance, global_data_reload_while_the_library_changes) {
    add(make_global(1));
    inside_prompt([this] { unload_selection(tree, tree.root()); });
    tree.insert_record(make_global(2), true, yes_no, box);
    EXPECT_EQ(picture(tree), "Everything+\n  Global Data*\n");
    EXPECT_EQ(tree.find_entry(global_dump, -1, -1)->record()->data[0], 2);

    // Another Global Data arrives under the prompt: a Yes about the one
    // loaded before asks again before the newcomer goes.
    for (const box_answer second : {box_answer::no, box_answer::yes}) {
        inside_prompt([this] { add(make_global(3)); });
        box.shown.clear();
        box.answers = {box_answer::yes, second};
        tree.insert_record(make_global(4), true, yes_no, box);
        EXPECT_EQ(box.shown.size(), 2u);
        EXPECT_EQ(tree.find_entry(global_dump, -1, -1)->record()->data[0], second == box_answer::yes ? 4 : 3);
        EXPECT_EQ(check_invariants(tree), 1u);
    }
}

// ---- A Move waiting for its answer ---------------------------------------------------

TEST_F(library_reentrance, the_moving_entry_is_unloaded) {
    add(make_program(0, 5, "Mover"));
    add(make_program(0, 9, "Occupant"));
    add(make_program(0, 1, "Keeps the bank"));
    inside_prompt([this] { unload_selection(tree, program(0, 5)); });
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 5), u"u", u"9", u"Mover", true, box);
    EXPECT_EQ(name_at(0, 9), "Occupant");
    EXPECT_EQ(name_at(0, 5), "(none)");
    EXPECT_EQ(check_invariants(tree), 2u);
}

TEST_F(library_reentrance, the_moving_entry_is_moved_elsewhere) {
    add(make_program(0, 5, "Mover"));
    add(make_program(0, 9, "Occupant"));
    inside_prompt([this] { move_entry(tree, program(0, 5), 0, 20, u"Elsewhere", false, box); });
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 5), u"u", u"9", u"Mover", true, box);
    EXPECT_EQ(name_at(0, 20), "Elsewhere");
    EXPECT_EQ(name_at(0, 9), "Occupant");
    EXPECT_EQ(check_invariants(tree), 2u);
}

TEST_F(library_reentrance, the_target_is_emptied_or_filled_meanwhile) {
    // Emptied: the move goes on into the free place.
    add(make_program(0, 5, "Mover"));
    add(make_program(3, 9, "Occupant"));
    inside_prompt([this] { unload_selection(tree, program(3, 9)); });
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 5), u"c1", u"9", u"Mover", true, box);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    Card 1\n      009 Mover*\n");

    // Filled by another arrival: a Yes about "Occupant" is no Yes about
    // "Arrived"; the user is asked again, and No keeps both where they are.
    struct row {
        box_answer second;
        const char* at_1;
        const char* at_9;
    };
    for (const row& r : {row{box_answer::yes, "Mover", "(none)"}, row{box_answer::no, "Arrived", "Mover"}}) {
        tree.remove_subtree(tree.root());
        add(make_program(0, 9, "Mover"));
        add(make_program(0, 1, "Occupant"));
        inside_prompt([this] { add(make_program(0, 1, "Arrived")); });
        box.shown.clear();
        box.answers = {box_answer::yes, r.second};
        move_selection(tree, program(0, 9), u"u", u"1", u"Mover", true, box);
        ASSERT_EQ(box.shown.size(), 2u);
        EXPECT_NE(narrow(box.shown[1].text).find("Arrived"), std::string::npos);
        EXPECT_EQ(name_at(0, 1), r.at_1);
        EXPECT_EQ(name_at(0, 9), r.at_9);
        EXPECT_EQ(check_invariants(tree), r.second == box_answer::yes ? 1u : 2u);
    }
}

TEST_F(library_reentrance, everything_is_unloaded_under_a_move) {
    add(make_program(0, 5, "Mover"));
    add(make_program(0, 9, "Occupant"));
    inside_prompt([this] { unload_selection(tree, tree.root()); });
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 5), u"u", u"9", u"Mover", true, box);
    EXPECT_TRUE(tree.top_level().empty());
}

// ---- Bank-wide Move and Copy --------------------------------------------------------

TEST_F(library_reentrance, bank_move_skips_entries_that_vanished) {
    for (int n : {1, 2, 3, 4}) add(make_program(0, n, ("u" + std::to_string(n)).c_str()));
    add(make_program(3, 1, "Occupant"));
    // The first entry prompts; meanwhile the user unloads entries 2 and 4.
    inside_prompt([this] {
        unload_selection(tree, program(0, 2));
        unload_selection(tree, program(0, 4));
    });
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 1)->parent(), u"c1", u"", u"", true, box);
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    Card 1\n      001 u1*\n      003 u3*\n");
    check_invariants(tree);
}

TEST_F(library_reentrance, bank_copy_stops_when_its_bank_is_unloaded) {
    for (int n : {1, 2, 3}) add(make_program(0, n, "src"));
    add(make_program(3, 1, "Occupant"));
    inside_prompt([this] { unload_selection(tree, program(0, 1)->parent()); });
    box.answers = {box_answer::yes};
    copy_selection(tree, program(0, 1)->parent(), u"c1", u"", u"", true, box);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    Card 1\n      001 src*\n");
    check_invariants(tree);
}

TEST_F(library_reentrance, bank_move_reads_the_ask_flag_for_every_entry) {
    for (int n : {1, 2, 3}) add(make_program(0, n, "new"));
    for (int n : {1, 2, 3}) add(make_program(3, n, "old"));
    bool ask = true;
    inside_prompt([&ask] { ask = false; });  // the user unticks the box while asked
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 1)->parent(), u"c1", u"", u"", [&ask] { return ask; }, box);
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    Card 1\n      001 new*\n      002 new*\n      003 new*\n");
}

TEST_F(library_reentrance, a_bank_move_inside_a_bank_move_of_the_same_bank) {
    for (int n : {1, 2, 3}) add(make_program(0, n, "user"));
    add(make_program(3, 1, "Occupant"));
    // While the first entry's prompt is open, the whole bank is moved to Card 2.
    inside_prompt([this] { move_selection(tree, program(0, 2)->parent(), u"c2", u"", u"", false, box); });
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 1)->parent(), u"c1", u"", u"", true, box);
    // The outer move's first entry went to Card 2 inside the prompt: nothing is left for it.
    EXPECT_EQ(picture(tree),
              "Everything+\n  Programs\n    Card 1\n      001 Occupant*\n"
              "    Card 2\n      001 user*\n      002 user*\n      003 user*\n");
    EXPECT_EQ(check_invariants(tree), 4u);
}

}  // namespace
}  // namespace patchwarden
