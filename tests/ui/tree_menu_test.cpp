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

#include "tests/ui/window_fixture.h"
#include "ui/library_model.h"

namespace patchwarden {
namespace {

using testing::window_test;

struct tree_menu_test : window_test {
    QStringList shown;  // the menu's items as it showed them; "-" for a separator

    // Chooses the item with this text in the next menu to open.
    void choose_when_open(const QString& item) {
        auto* poll = new QTimer();
        QObject::connect(poll, &QTimer::timeout, [this, poll, item] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || !menu->isVisible()) return;
            poll->stop();
            poll->deleteLater();
            shown.clear();
            for (QAction* action : menu->actions()) {
                shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
                if (action->text() == item) menu->setActiveAction(action);
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        poll->start(5);
    }
};

TEST_F(tree_menu_test, each_way_to_the_menu_reaches_the_chosen_command) {
    QTreeView& view = window.tree_view();
    const struct {
        const char* way;
        std::function<void()> open;
        QString item;
        std::u16string box;  // what the command says; empty when it says nothing
    } rows[] = {
        {"right click",
         [&] {
             const QPoint at = view.visualRect(window.model().index_of(entry(program_dump, 0, 5))).center();
             QContextMenuEvent click(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
             QApplication::sendEvent(view.viewport(), &click);
         },
         QStringLiteral("U&nload"), u""},
        {"Menu key", [&] { QTest::keyClick(&view, Qt::Key_Menu); }, QStringLiteral("Compare with A6"),
         u"Nothing was sent: the MIDI output is closed.\r\nThe requests wait until Config opens a port."},
        {"Shift+F10", [&] { QTest::keyClick(&view, Qt::Key_F10, Qt::ShiftModifier); }, QStringLiteral("&Send"),
         u"Nothing was sent: the MIDI output is closed.\r\nConfig opens a port."},
    };
    window.show();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.way);
        put(program_dump, 0, 4, u"Four");
        put(program_dump, 0, 5, u"Five");
        window.select_node(entry(program_dump, 0, 4));
        if (row.item != QStringLiteral("U&nload")) window.select_node(entry(program_dump, 0, 5));
        box.shown.clear();
        choose_when_open(row.item);
        row.open();
        EXPECT_EQ(shown, (QStringList{"Compare with A6", "-", "&Send", "Sa&ve...", "-", "U&nload"}));
        if (row.box.empty()) {
            EXPECT_TRUE(box.shown.empty());
        } else {
            ASSERT_EQ(box.shown.size(), 1u);
            EXPECT_EQ(box.shown[0].text, row.box);
        }
        // The right click acted on the item under the pointer, not on the
        // one selected before.
        EXPECT_EQ(entry(program_dump, 0, 5) == nullptr, row.item == QStringLiteral("U&nload"));
        EXPECT_NE(entry(program_dump, 0, 4), nullptr);
        library.remove_subtree(library.root());
    }
}

}  // namespace
}  // namespace patchwarden
