// The "Selected:" group following the selection in the tree.

#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/app/support/panel_state.h"
#include "tests/app/support/window_fixture.h"

namespace patchwarden {
namespace {

using testing::window_logic_test;

struct panel_test : window_logic_test {
    testing::panel_state state() { return testing::read_panel(face.window); }
    void fill() { testing::fill_panel_library(library, box); }
};

TEST_F(panel_test, an_entry_fills_and_enables_everything) {
    fill();
    select(entry(program_dump, 2, 5));
    EXPECT_PANEL(state(), true, true, true, true);
    EXPECT_EQ(text(main_ids::bank), u"p2");
    EXPECT_EQ(text(main_ids::number), u"5");
    EXPECT_EQ(text(main_ids::name), u"Preset Two Five ");  // all 16 characters
    select(entry(mix_dump, 2, 9));
    EXPECT_EQ(text(main_ids::bank), u"c1");  // the same bank index names another bank for Mixes
    EXPECT_EQ(text(main_ids::number), u"9");
    EXPECT_EQ(text(main_ids::name), u"Mix Card One    ");
}

TEST_F(panel_test, nodes_without_their_own_entry_disable_everything_and_keep_the_texts) {
    fill();
    select(entry(program_dump, 2, 5));
    const library_node* programs = library.root()->child(0);
    const library_node* global = entry(global_dump, -1, -1);
    for (const library_node* node : std::initializer_list<const library_node*>{library.root(), programs, global, nullptr}) {
        SCOPED_TRACE(label(node));
        select(entry(program_dump, 2, 5));
        select(node);
        EXPECT_PANEL(state(), false, false, false, false);
        EXPECT_EQ(text(main_ids::bank), u"p2");
        EXPECT_EQ(text(main_ids::number), u"5");
        EXPECT_EQ(text(main_ids::name), u"Preset Two Five ");
    }
}

TEST_F(panel_test, a_bank_node_offers_its_bank_for_move_and_copy) {
    fill();
    select(entry(mix_dump, 2, 9));
    select(entry(program_dump, 2, 5)->parent());
    EXPECT_PANEL(state(), true, false, false, true);
    EXPECT_EQ(text(main_ids::bank), u"p2");
    EXPECT_EQ(text(main_ids::number), u"9");  // kept from the Mix
    EXPECT_EQ(text(main_ids::name), u"Mix Card One    ");
}

TEST_F(panel_test, unchecked_update_boxes_keep_what_the_user_typed) {
    fill();
    put(program_dump, 0, 1, u"User One");
    click(main_ids::update_bank);  // unchecks; changes nothing yet
    select(entry(program_dump, 2, 5));
    EXPECT_EQ(text(main_ids::bank), u"");
    set_text(main_ids::bank, u"c7");
    select(entry(program_dump, 0, 1));
    EXPECT_EQ(text(main_ids::bank), u"c7");
    EXPECT_EQ(text(main_ids::number), u"1");
    EXPECT_EQ(text(main_ids::name), u"User One        ");
    select(entry(program_dump, 0, 1)->parent());
    EXPECT_EQ(text(main_ids::bank), u"c7");

    click(main_ids::update_bank);
    click(main_ids::update_number);
    set_text(main_ids::number, u"77");
    select(entry(program_dump, 2, 5));
    EXPECT_EQ(text(main_ids::bank), u"p2");
    EXPECT_EQ(text(main_ids::number), u"77");
    EXPECT_EQ(text(main_ids::name), u"Preset Two Five ");
}

}  // namespace
}  // namespace patchwarden
