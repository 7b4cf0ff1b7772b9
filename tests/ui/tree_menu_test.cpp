// The library tree's context menu in the Qt window: a right click on an
// item, the Menu key and Shift+F10 each open the core's menu for that item,
// and the item chosen reaches its command.

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
    const std::u16string closed = u"Nothing was sent: the MIDI output is closed.\r\n";
    QTreeView& view = window.tree_view();
    const struct {
        const char* way;
        std::function<void()> open;
        QString item;
        std::vector<std::u16string> said;  // the output is closed: Compare and Send say so
    } rows[] = {
        {"right click on 004 while 005 is selected",
         [&] {
             const QPoint at = view.visualRect(window.model().index_of(entry(program_dump, 0, 4))).center();
             QContextMenuEvent click(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
             QApplication::sendEvent(view.viewport(), &click);
         },
         QStringLiteral("U&nload"), {}},
        {"Menu key", [&] { QTest::keyClick(&view, Qt::Key_Menu); }, QStringLiteral("Compare with A6"),
         {closed + u"The requests wait until Config opens a port."}},
        {"Shift+F10", [&] { QTest::keyClick(&view, Qt::Key_F10, Qt::ShiftModifier); }, QStringLiteral("&Send"),
         {closed + u"Config opens a port."}},
    };
    window.show();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.way);
        put(program_dump, 0, 4, u"Four");
        put(program_dump, 0, 5, u"Five");
        window.select_node(entry(program_dump, 0, 5));
        box.shown.clear();
        QStringList shown;  // "-" for a separator
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) {
                shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
                if (action->text() == row.item) menu->setActiveAction(action);
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        row.open();
        EXPECT_EQ(shown, (QStringList{"Compare with A6", "-", "&Send", "Sa&ve...", "-", "U&nload"}));
        EXPECT_EQ(box.texts(), row.said);
        EXPECT_EQ(entry(program_dump, 0, 4) == nullptr, row.said.empty());  // Unload took the one under the pointer
        library.remove_subtree(library.root());
    }
}

}  // namespace
}  // namespace patchwarden
