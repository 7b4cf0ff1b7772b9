// The "Selected:" group following the selection as the tree view makes
// it: by the view's current index, and when the selected node goes.

#include <gtest/gtest.h>

#include <QTreeView>

#include "tests/ui/window_fixture.h"
#include "ui/library_model.h"

namespace patchwarden {
namespace {

using testing::window_test;

struct panel_state {
    bool bank, number, name, move;  // 1036+1059, 1035, 1042, 1037+1038
};

struct panel_test : window_test {
    panel_state state() {
        EXPECT_EQ(enabled(main_ids::bank), enabled(main_ids::choose_bank));
        EXPECT_EQ(enabled(main_ids::move), enabled(main_ids::copy));
        return {enabled(main_ids::bank), enabled(main_ids::number), enabled(main_ids::name), enabled(main_ids::move)};
    }
    void fill() {
        put(program_dump, 2, 5, u"Preset Two Five");
        put(mix_dump, 2, 9, u"Mix Card One");
        put(global_dump, -1, -1, u"");
    }
};

#define EXPECT_PANEL(s, b, n, m, mv)  \
    do {                              \
        const panel_state got = (s);  \
        EXPECT_EQ(got.bank, b);       \
        EXPECT_EQ(got.number, n);     \
        EXPECT_EQ(got.name, m);       \
        EXPECT_EQ(got.move, mv);      \
    } while (0)

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
