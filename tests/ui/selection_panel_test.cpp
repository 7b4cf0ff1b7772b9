// The "Selected:" group following the selection as the tree view makes
// it: by the view's current index, and when the selected node goes.

#include <gtest/gtest.h>

#include <QTreeView>

#include "tests/app/support/panel_state.h"
#include "tests/ui/window_fixture.h"
#include "ui/library_model.h"

namespace patchwarden {
namespace {

using testing::window_test;

struct panel_test : window_test {
    testing::panel_state state() { return testing::read_panel(window); }
    void fill() { testing::fill_panel_library(library, box); }
};

TEST_F(panel_test, selecting_by_the_tree_view_drives_the_panel) {
    fill();
    auto& view = window.tree_view();
    view.setCurrentIndex(window.model().index_of(entry(program_dump, 2, 5)));
    EXPECT_EQ(window.selected_node(), entry(program_dump, 2, 5));
    EXPECT_EQ(text(main_ids::bank), "p2");
    EXPECT_PANEL(state(), true, true, true, true);
}

TEST_F(panel_test, removing_the_selected_node_selects_another_and_reports_it) {
    fill();
    put(program_dump, 2, 6, u"Next One");
    window.select_node(entry(program_dump, 2, 5));
    click(main_ids::unload);
    EXPECT_EQ(entry(program_dump, 2, 5), nullptr);
    const library_node* now = window.selected_node();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(label(now), "006 Next One        ");
    EXPECT_EQ(text(main_ids::number), "6");
    EXPECT_EQ(text(main_ids::name), "Next One        ");
}

}  // namespace
}  // namespace patchwarden
