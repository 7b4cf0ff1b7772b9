// The library tree's context menu in the Qt window: a right click on an
// item, the Menu key and Shift+F10 each open the core's menu for that item,
// drawn with the core's items enabled as it says, and the item chosen
// reaches its command; other keys go to the tree as before.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "tests/ui/window_fixture.h"
#include "ui/library_model.h"

namespace patchwarden {
namespace {

struct tree_menu_test : testing::window_test {};

TEST_F(tree_menu_test, each_way_to_the_menu_reaches_the_chosen_command) {
    QTreeView& view = window.tree_view();
    const std::u16string closed = u"Nothing was sent: the MIDI output is closed.\r\n";
    const QStringList items{"Compare with A6", "-", "&Send", "Sa&ve...", "-", "U&nload"};
    const struct {
        const char* way;
        bool entries;  // 004 and 005, 004 selected; else an empty "Everything"
        std::function<void()> open;
        QString item;
        QStringList shown;  // "-" for a separator, "(off)" after a disabled item
        std::vector<std::u16string> said;  // the output is closed: Compare and Send say so
    } rows[] = {
        {"right click on 005", true,
         [&] {
             const QPoint at = view.visualRect(window.model().index_of(entry(program_dump, 0, 5))).center();
             QContextMenuEvent click(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
             QApplication::sendEvent(view.viewport(), &click);
         },
         "U&nload", items, {}},
        {"Menu key", true, [&] { QTest::keyClick(&view, Qt::Key_Menu); }, "Compare with A6", items,
         {closed + u"The requests wait until Config opens a port."}},
        {"Shift+F10", true, [&] { QTest::keyClick(&view, Qt::Key_F10, Qt::ShiftModifier); }, "&Send", items,
         {closed + u"Config opens a port."}},
        {"Shift+Down moves the selection", true, [&] { QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier); }, "",
         {}, {}},
        {"Menu key on an empty Everything", false, [&] { QTest::keyClick(&view, Qt::Key_Menu); }, "U&nload",
         {"Compare with A6 (off)", "-", "&Send (off)", "Sa&ve... (off)", "-", "U&nload"}, {}},
    };
    window.show();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.way);
        if (row.entries) {
            put(program_dump, 0, 4, u"Four");
            put(program_dump, 0, 5, u"Five");
            window.select_node(entry(program_dump, 0, 4));
        } else {
            library.insert_record(std::make_unique<a6_message>(program_request, 0, 1), false, box_buttons::yes_no, box);
            window.select_node(library.root());
        }
        box.shown.clear();
        QStringList shown;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) {
                shown << (action->isSeparator() ? QStringLiteral("-")
                                                : action->text() + (action->isEnabled() ? "" : " (off)"));
                if (action->text() == row.item) menu->setActiveAction(action);
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        row.open();
        QTest::qWait(100);
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(box.texts(), row.said);
        if (row.entries) {
            EXPECT_EQ(entry(program_dump, 0, 5) == nullptr, row.item == "U&nload");  // the one under the pointer
            EXPECT_EQ(window.selected_node() == entry(program_dump, 0, 5), row.item.isEmpty());
        } else {
            EXPECT_EQ(library.root(), nullptr);
        }
        library.remove_subtree(library.root());
    }
}

}  // namespace
}  // namespace patchwarden
