#include "library/library_commands.h"

#include <gtest/gtest.h>

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

std::string name_of(const library_node* node) { return narrow(shown_name(*node->record())); }

// ---- The Number field ----------------------------------------------------------

TEST(library_number_field, reads_like_a_c_integer_and_takes_0_to_127) {
    struct row {
        const char16_t* text;
        bool ok;
        int number;
    };
    const row rows[] = {
        {u"0", true, 0},        {u"127", true, 127},   {u"7", true, 7},        {u" 12abc", true, 12},
        {u"\t\r\n 3", true, 3}, {u"+9", true, 9},      {u"-0", true, 0},       {u"007", true, 7},
        {u"128", false, 0},     {u"-1", false, 0},     {u"", false, 0},        {u"abc", false, 0},
        {u"   ", false, 0},     {u"+", false, 0},      {u"- 5", false, 0},     {u"99999999999999999999", false, 0},
        {u"-99999999999999999999", false, 0},
    };
    for (const row& r : rows) {
        int number = -42;
        EXPECT_EQ(read_entry_number(r.text, number), r.ok) << narrow(r.text);
        if (r.ok) {
            EXPECT_EQ(number, r.number) << narrow(r.text);
        }
    }
}

// ---- Move and Copy of one entry ------------------------------------------------

class library_commands : public ::testing::Test {
protected:
    library_tree tree;
    scripted_message_box box;

    void add(std::unique_ptr<a6_message> record) { tree.insert_record(std::move(record), false, yes_no, box); }
    library_node* program(int bank, int number) { return tree.find_entry(program_dump, bank, number); }
};

TEST_F(library_commands, move_takes_the_entry_to_its_new_place_and_prunes_the_old_one) {
    add(make_program(0, 5, "Lead"));
    const library_node* placed = move_selection(tree, program(0, 5), u"c2", u"7", u"New", true, box);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    Card 2\n      007 New*\n");
    EXPECT_EQ(placed, program(4, 7));
    ASSERT_NE(program(4, 7), nullptr);
    EXPECT_EQ(program(4, 7)->label(), u"007 New             ");
    EXPECT_EQ(program(4, 7)->record()->name.size(), 17u);
    EXPECT_TRUE(box.shown.empty());

    // The next encoding carries the new place.
    outgoing_queue queue;
    tree.walk_subtree(program(4, 7), queue);
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue.front().bytes[6], 4);
    EXPECT_EQ(queue.front().bytes[7], 7);
}

TEST_F(library_commands, copy_leaves_the_source) {
    add(make_program(0, 5, "Lead"));
    const library_node* placed = copy_selection(tree, program(0, 5), u"c2", u"7", u"New", true, box);
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    User\n      005 Lead*\n    Card 2\n      007 New*\n");
    EXPECT_EQ(placed, program(4, 7));
    EXPECT_NE(program(0, 5)->record(), program(4, 7)->record());
    EXPECT_EQ(program(0, 5)->record()->data, program(4, 7)->record()->data);
}

TEST_F(library_commands, fields_that_do_not_hold_a_place_do_nothing) {
    add(make_program(0, 5, "Lead"));
    const std::string before = picture(tree);
    struct row {
        const char16_t* bank;
        const char16_t* number;
        std::size_t boxes;
    };
    const row rows[] = {
        {u"u", u"128", 0}, {u"u", u"-1", 0}, {u"u", u"", 0}, {u"u", u"abc", 0},
        {u"x1", u"5", 0},  {u"", u"5", 0},   {u"p", u"5", 0}, {u"p3", u"5", 1}, {u"c17", u"5", 1},
        {u"p3", u"128", 0},  // the number is read first and ends the command before the bank
    };
    for (const row& r : rows) {
        box.shown.clear();
        EXPECT_EQ(move_selection(tree, program(0, 5), r.bank, r.number, u"Other", false, box), nullptr);
        EXPECT_EQ(copy_selection(tree, program(0, 5), r.bank, r.number, u"Other", false, box), nullptr);
        EXPECT_EQ(picture(tree), before) << narrow(r.bank) << " " << narrow(r.number);
        EXPECT_EQ(box.shown.size(), 2 * r.boxes) << narrow(r.bank) << " " << narrow(r.number);
    }
    box.shown.clear();
    move_selection(tree, program(0, 5), u"p3", u"5", u"x", false, box);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Program bank Preset 3 doesn't exist");
}

TEST_F(library_commands, bank_field_is_read_by_the_entry_kind_and_trailing_text_is_ignored) {
    add(make_program(0, 1, "p"));
    add(make_mix(0, 1, "m"));
    move_selection(tree, program(0, 1), u"c2x", u" 12abc", u"p", false, box);
    EXPECT_NE(program(4, 12), nullptr);  // Program Card 2 is index 4
    move_selection(tree, tree.find_entry(mix_dump, 0, 1), u"C2", u"1", u"m", false, box);
    EXPECT_NE(tree.find_entry(mix_dump, 3, 1), nullptr);  // Mix Card 2 is index 3
    box.shown.clear();
    move_selection(tree, tree.find_entry(mix_dump, 3, 1), u"p2", u"1", u"m", false, box);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Mix bank Preset 2 doesn't exist");
}

TEST_F(library_commands, move_onto_its_own_place_renames) {
    add(make_program(0, 5, "Lead"));
    add(make_program(0, 6, "Other"));
    const a6_message* record = program(0, 5)->record();
    move_selection(tree, program(0, 5), u"u", u"5", u"Renamed", true, box);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(program(0, 5)->record(), record);  // the same record, renamed
    EXPECT_EQ(name_of(program(0, 5)), "Renamed         ");
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    User\n      005 Renamed*\n      006 Other*\n");
}

TEST_F(library_commands, copy_onto_its_own_place_replaces_the_source) {
    add(make_program(0, 5, "Lead"));
    const a6_message* source = program(0, 5)->record();
    copy_selection(tree, program(0, 5), u"u", u"5", u"Twin", false, box);
    EXPECT_TRUE(box.shown.empty());
    ASSERT_NE(program(0, 5), nullptr);
    EXPECT_NE(program(0, 5)->record(), source);
    EXPECT_EQ(name_of(program(0, 5)), "Twin            ");
    EXPECT_EQ(program(0, 5)->parent()->child_count(), 1);

    // Asked, the copy names the source as the entry it would replace.
    box.answers = {box_answer::no};
    EXPECT_EQ(copy_selection(tree, program(0, 5), u"u", u"5", u"Third", true, box), nullptr);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Replace program at User bank 5\r\n'Twin            ' with\r\n'Third           '?");
    EXPECT_EQ(name_of(program(0, 5)), "Twin            ");
}

TEST_F(library_commands, move_onto_an_occupied_place_answered_yes_replaces_the_occupant) {
    add(make_program(0, 5, "Mover"));
    add(make_program(0, 9, "Occupant"));
    const a6_message* mover = program(0, 5)->record();
    box.answers = {box_answer::yes};
    move_selection(tree, program(0, 5), u"u", u"9", u"Mover", true, box);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Replace program at User bank 9\r\n'Occupant        ' with\r\n'Mover           '?");
    EXPECT_EQ(box.shown[0].buttons, yes_no);
    EXPECT_EQ(program(0, 5), nullptr);
    ASSERT_NE(program(0, 9), nullptr);
    EXPECT_EQ(program(0, 9)->record(), mover);
    EXPECT_EQ(program(0, 9)->parent()->child_count(), 1);
}

TEST_F(library_commands, move_refused_at_the_prompt_keeps_the_entry_where_it_was) {
    add(make_program(0, 5, "Mover"));
    add(make_program(3, 9, "Occupant"));
    const a6_message* mover = program(0, 5)->record();
    const a6_message* occupant = program(3, 9)->record();
    const std::string before = picture(tree);
    tree.set_expanded(tree.root(), false);  // opened again, as after any refused insertion
    box.answers = {box_answer::no};
    EXPECT_EQ(move_selection(tree, program(0, 5), u"c1", u"9", u"Renamed", true, box), nullptr);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(picture(tree), before);
    ASSERT_NE(program(0, 5), nullptr);
    EXPECT_EQ(program(0, 5)->record(), mover);
    EXPECT_EQ(program(0, 5)->record()->bank, 0);
    EXPECT_EQ(program(0, 5)->record()->number, 5);
    EXPECT_EQ(name_of(program(0, 5)), "Mover           ");
    EXPECT_EQ(program(3, 9)->record(), occupant);
}

TEST_F(library_commands, global_data_sections_and_no_selection_are_not_moved) {
    add(make_global());
    add(make_program(0, 1, "p"));
    const std::string before = picture(tree);
    library_node* programs = tree.find_child(tree.root(), u"Programs", false, true);
    for (library_node* selected : {tree.find_entry(global_dump, -1, -1), tree.root(), programs,
                                   static_cast<library_node*>(nullptr)}) {
        move_selection(tree, selected, u"c1", u"1", u"x", false, box);
        copy_selection(tree, selected, u"c1", u"1", u"x", false, box);
    }
    move_entry(tree, tree.find_entry(global_dump, -1, -1), 0, 0, u"x", false, box);
    copy_entry(tree, tree.find_entry(global_dump, -1, -1), 0, 0, u"x", false, box);
    EXPECT_EQ(picture(tree), before);
    EXPECT_TRUE(box.shown.empty());
}

// ---- Bank-wide Move and Copy ----------------------------------------------------

TEST_F(library_commands, bank_move_takes_every_entry_and_asks_for_each_occupied_number) {
    for (int n : {1, 2, 3}) add(make_program(0, n, ("user " + std::to_string(n)).c_str()));
    for (int n : {2, 3, 4}) add(make_program(3, n, ("card " + std::to_string(n)).c_str()));
    library_node* user = program(0, 1)->parent();
    box.answers = {box_answer::yes, box_answer::no};
    const library_node* placed = move_selection(tree, user, u"c1", u"ignored", u"ignored", true, box);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].text, u"Replace program at Card 1 bank 2\r\n'card 2          ' with\r\n'user 2          '?");
    EXPECT_EQ(box.shown[1].text, u"Replace program at Card 1 bank 3\r\n'card 3          ' with\r\n'user 3          '?");
    // Number 3 was refused: it stays in User; everything else went to Card 1.
    EXPECT_EQ(picture(tree),
              "Everything+\n  Programs\n    User\n      003 user 3*\n"
              "    Card 1\n      001 user 1*\n      002 user 2*\n      003 card 3*\n      004 card 4*\n");
    EXPECT_EQ(name_of(program(3, 1)), "user 1          ");
    EXPECT_EQ(name_of(program(3, 2)), "user 2          ");
    EXPECT_EQ(name_of(program(3, 3)), "card 3          ");
    EXPECT_EQ(name_of(program(3, 4)), "card 4          ");
    EXPECT_EQ(name_of(program(0, 3)), "user 3          ");
    EXPECT_EQ(program(0, 1), nullptr);
    EXPECT_EQ(program(0, 2), nullptr);
    EXPECT_EQ(placed, program(3, 1));  // the first entry placed
}

TEST_F(library_commands, bank_move_without_asking_removes_the_old_bank) {
    for (int n : {1, 2}) add(make_mix(0, n, "m"));
    add(make_mix(2, 2, "old"));
    move_selection(tree, tree.find_entry(mix_dump, 0, 1)->parent(), u"c1", u"", u"", false, box);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(picture(tree), "Everything+\n  Mixes\n    Card 1\n      001 m*\n      002 m*\n");
}

TEST_F(library_commands, bank_copy_into_its_own_bank_renews_every_record) {
    for (int n : {0, 7, 127}) add(make_program(2, n, "keep"));
    const std::string before = picture(tree);
    // Each entry was replaced by its copy, so each stands on a new node (the
    // records' addresses may be reused by the allocator, the serials never are).
    std::vector<std::uint64_t> old_serials;
    for (int n : {0, 7, 127}) old_serials.push_back(program(2, n)->serial());
    copy_selection(tree, program(2, 0)->parent(), u"p2", u"", u"", false, box);
    EXPECT_EQ(picture(tree), before);
    for (int n : {0, 7, 127}) {
        for (const std::uint64_t old : old_serials) EXPECT_NE(program(2, n)->serial(), old);
        EXPECT_EQ(program(2, n)->record()->number, n);
    }
}

// ---- Unload ---------------------------------------------------------------------

TEST_F(library_commands, unload) {
    add(make_program(0, 1, "a"));
    add(make_program(0, 2, "b"));
    add(make_program(3, 1, "c"));
    add(make_global());

    unload_selection(tree, nullptr);
    EXPECT_EQ(tree.node_count(), 8u);

    unload_selection(tree, program(0, 1));  // the bank keeps its other entry
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    User\n      002 b*\n    Card 1\n      001 c*\n  Global Data*\n");
    unload_selection(tree, program(0, 2));  // the only entry: its bank goes too
    EXPECT_EQ(picture(tree), "Everything+\n  Programs\n    Card 1\n      001 c*\n  Global Data*\n");
    unload_selection(tree, program(3, 1));  // then the section
    EXPECT_EQ(picture(tree), "Everything+\n  Global Data*\n");
    unload_selection(tree, tree.find_entry(global_dump, -1, -1));  // then Everything
    EXPECT_TRUE(tree.top_level().empty());

    add(make_program(0, 1, "a"));
    add(make_mix(0, 1, "b"));
    unload_selection(tree, tree.root());
    EXPECT_TRUE(tree.top_level().empty());
    EXPECT_EQ(tree.node_count(), 0u);
}

}  // namespace
}  // namespace patchwarden
