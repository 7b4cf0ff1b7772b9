// The tree view and its model around Move, Copy and Unload: the placed
// entry kept in sight with the focus on the command, the selection the
// commands act on always shown, and the model following every change of
// the library, also those made under a replace prompt.

#include <QAbstractItemModelTester>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "tests/ui/window_fixture.h"
#include "ui/library_model.h"

namespace patchwarden {
namespace {

using namespace testing;

// After Move or Copy the entry stays in sight in its new place, its bank
// opened and scrolled to, and the focus stays with the command (or goes to
// the tree when the command's button has been disabled), never to a field.
TEST_F(window_test, move_and_copy_show_the_entry_in_its_new_place) {
    const struct {
        const char* what;
        int command;
        bool bank_node;
    } cases[] = {
        {"Move of an entry", main_ids::move, false},
        {"Copy of an entry", main_ids::copy, false},
        {"Move of a bank", main_ids::move, true},
        {"Copy of a bank", main_ids::copy, true},
    };
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window.select_node(library.root());
        click(main_ids::unload);
        // A long bank below, closed: the new place is far out of sight.
        for (int n = 0; n < 100; ++n) put(program_dump, 4, n, u"Card Two");
        put(program_dump, 0, 5, u"Mover");
        library.set_expanded(entry(program_dump, 0, 5)->parent()->parent(), true);
        window.select_node(c.bank_node ? entry(program_dump, 0, 5)->parent() : entry(program_dump, 0, 5));
        set_text(main_ids::bank, "c2");
        set_text(main_ids::number, "120");
        QWidget* button = find_control(&window, c.command);
        button->setFocus();
        click(c.command);

        const library_node* placed = entry(program_dump, 4, c.bank_node ? 5 : 120);
        ASSERT_NE(placed, nullptr);
        EXPECT_TRUE(placed->parent()->expanded());
        QTreeView& tree = window.tree_view();
        const QModelIndex index = window.model().index_of(placed);
        EXPECT_TRUE(tree.isExpanded(index.parent()));
        EXPECT_TRUE(tree.viewport()->rect().contains(tree.visualRect(index)));
        // The selection that follows each command leaves its button enabled.
        EXPECT_EQ(QApplication::focusWidget(), button);
    }
}

TEST_F(window_test, unloading_everything_leaves_the_view_empty_and_nothing_selected) {
    put(program_dump, 0, 1, u"Only");
    put(mix_dump, 0, 1, u"Mix");
    window.select_node(library.root());
    click(main_ids::unload);
    EXPECT_EQ(window.model().rowCount(), 0);
    EXPECT_EQ(window.selected_node(), nullptr);
}

TEST_F(window_test, the_node_the_commands_act_on_is_always_shown_selected) {
    put(program_dump, 0, 1, u"One");
    put(program_dump, 0, 2, u"Two");
    window.show();
    QTreeView& tree = window.tree_view();
    tree.expandAll();
    window.select_node(entry(program_dump, 0, 1));
    const QModelIndex one = tree.currentIndex();
    ASSERT_TRUE(tree.selectionModel()->isSelected(one));

    // Ctrl+Space (like Ctrl+click) would take the selection off the entry
    // while it stays the one that Unload, Move, Copy and Save act on.
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Space, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.selected_node(), entry(program_dump, 0, 1));
    EXPECT_TRUE(tree.selectionModel()->isSelected(tree.currentIndex()));
    EXPECT_EQ(tree.selectionModel()->selectedIndexes(), QModelIndexList{tree.currentIndex()});
}

TEST_F(window_test, the_view_follows_every_change_of_the_library) {
    put(program_dump, 3, 7, u"Seven");
    put(program_dump, 3, 2, u"Two");
    put(program_dump, 0, 9, u"User");
    auto& model = window.model();
    const QModelIndex root = model.index(0, 0);
    EXPECT_EQ(model.data(root).toString(), "Everything");
    EXPECT_TRUE(window.tree_view().isExpanded(root));
    const QModelIndex card = model.index(0, 0, model.index(0, 0, root));
    EXPECT_EQ(model.data(card).toString(), "Card 1");
    ASSERT_EQ(model.rowCount(card), 2);
    EXPECT_EQ(model.data(model.index(0, 0, card)).toString(), "002 Two             ");
    EXPECT_EQ(model.data(model.index(1, 0, card)).toString(), "007 Seven           ");

    // A selected entry stays selected when a new one sorts in above it.
    window.select_node(entry(program_dump, 3, 7));
    put(program_dump, 3, 1, u"One");
    EXPECT_EQ(window.selected_node(), entry(program_dump, 3, 7));
    EXPECT_EQ(window.tree_view().currentIndex().row(), 2);

    // A collapsed "Everything" opens again with the next insertion.
    window.tree_view().collapse(root);
    EXPECT_FALSE(library.root()->expanded());
    put(mix_dump, 0, 0, u"Mix");
    EXPECT_TRUE(window.tree_view().isExpanded(model.index(0, 0)));
}

QStringList model_warnings;

void keep_model_warnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) model_warnings << message;
}

TEST_F(window_test, the_model_keeps_qt_item_model_rules_through_every_change) {
    model_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keep_model_warnings);
    {
        QAbstractItemModelTester tester(&window.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        for (int n : {9, 3, 120, 0, 64}) put(program_dump, 5, n, u"Card");
        put(mix_dump, 0, 4, u"Mix");
        put(global_dump, -1, -1, u"");
        put(program_dump, 5, 3, u"Replaced");  // a new node in place of the old
        window.select_node(entry(program_dump, 5, 9));
        set_text(main_ids::bank, "u");
        set_text(main_ids::number, "1");
        set_text(main_ids::name, "Moved");
        click(main_ids::move);
        window.select_node(entry(program_dump, 5, 3)->parent());
        set_text(main_ids::bank, "c1");
        click(main_ids::copy);
        window.select_node(entry(program_dump, 5, 0)->parent());
        click(main_ids::unload);
        window.select_node(library.root());
        click(main_ids::unload);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(model_warnings.isEmpty()) << model_warnings.join('\n').toStdString();
    EXPECT_EQ(window.model().rowCount(), 0);
}

TEST_F(window_test, the_model_follows_what_the_user_changes_under_a_replace_prompt) {
    temp_folder folder;
    put(program_dump, 0, 1, u"Loaded");
    put(program_dump, 0, 2, u"Other");
    byte_vector bytes;
    append(bytes, dump_bytes(program_dump, 0, 1, u"Incoming"));
    append(bytes, dump_bytes(program_dump, 0, 3, u"After"));
    write_bytes(folder.path() / "in.syx", bytes);

    // While the Load's prompt is open the user unloads the entry it asks
    // about, copies another, reads About; only then is the prompt answered.
    std::vector<std::string> order;
    box.while_open = [&](const testing::shown_box& shown) {
        if (shown.caption == u"About") return;
        order.push_back("prompt open");
        box.while_open = nullptr;
        window.select_node(entry(program_dump, 0, 1));
        click(main_ids::unload);
        order.push_back("unloaded");
        window.select_node(entry(program_dump, 0, 2));
        set_text(main_ids::bank, "c1");
        set_text(main_ids::number, "2");
        set_text(main_ids::name, "Copied");
        click(main_ids::copy);
        order.push_back("copied");
        click(main_ids::about);
        order.push_back("about");
    };
    box.answers = {box_answer::yes};
    files.open_answers.push_back(folder.file("in.syx"));
    click(main_ids::load);
    order.push_back("answered");
    ASSERT_EQ(order, (std::vector<std::string>{"prompt open", "unloaded", "copied", "about", "answered"}));
    // The model agrees with the library everywhere.
    std::function<void(const library_node*, const QModelIndex&)> same = [&](const library_node* node,
                                                                              const QModelIndex& index) {
        EXPECT_EQ(window.model().node_of(index), node);
        EXPECT_EQ(window.model().rowCount(index), node->child_count());
        for (int row = 0; row < node->child_count(); ++row) same(node->child(row), window.model().index(row, 0, index));
    };
    same(library.root(), window.model().index(0, 0));
}

}  // namespace
}  // namespace patchwarden
