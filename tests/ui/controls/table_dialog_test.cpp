// The Qt face of every small dialog: what the user does reaches the logic by
// control id (a click, a list change, an edit left; Escape and the close box
// as 2), what the logic does to the controls itself is not reported back,
// Enter presses the default button and the number edits take digits alone.
// The dialogs' own behaviour is tested on the core's logic.

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/dialogs/dialog_templates.h"
#include "library/library_tree.h"
#include "tests/support/scripted_message_box.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/control_table.h"
#include "ui/controls/table_dialog.h"
#include "ui/main_window.h"

namespace patchwarden {
namespace {

using namespace testing;

// "Range:" with a logic that notes what reaches it and ends the dialog only
// on the ids it is given.
class recording_logic : public dialog_logic {
public:
    explicit recording_logic(std::set<int> ending = {}) : ending_(std::move(ending)) {}
    const dialog_spec& spec() const override { return range_dialog_template; }
    void start(dialog_controls& controls) override {
        for (const char16_t* name : {u"User", u"Preset 1", u"Preset 2"}) controls.add_item(range_ids::first_bank, name);
        controls.select(range_ids::first_bank, 2);
    }
    void command(dialog_controls& controls, int id) override {
        seen.push_back("command " + std::to_string(id));
        if (ending_.count(id)) controls.end(id);
    }
    void selection_changed(dialog_controls& controls, int id) override {
        seen.push_back("list " + std::to_string(id) + " at " + std::to_string(controls.selection(id)));
        controls.select(id, 0);  // as a logic that corrects the user's choice
    }
    void focus_lost(dialog_controls&, int id) override { seen.push_back("left " + std::to_string(id)); }

    std::vector<std::string> seen;

private:
    std::set<int> ending_;
};

TEST(table_dialog, hands_what_the_user_does_to_the_logic_by_id) {
    recording_logic logic;
    table_dialog dialog(nullptr, logic.spec(), &logic);
    logic.start(dialog);
    dialog.show();
    EXPECT_EQ(dialog.selection(range_ids::first_bank), 2);
    EXPECT_TRUE(logic.seen.empty());  // the logic's own filling and selecting

    control<QPushButton>(&dialog, range_ids::ok)->click();
    control<QRadioButton>(&dialog, range_ids::bank)->click();
    QTest::keyClick(control<QComboBox>(&dialog, range_ids::first_bank), Qt::Key_Up);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(control<QLineEdit>(&dialog, range_ids::last_number), &out);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();  // the close box
    EXPECT_EQ(logic.seen, (std::vector<std::string>{"command 1", "command 1067", "list 1069 at 1", "left 1054",
                                                    "command 2", "command 2"}));
    EXPECT_EQ(dialog.selection(range_ids::first_bank), 0);
    EXPECT_TRUE(control<QRadioButton>(&dialog, range_ids::bank)->isChecked());
    EXPECT_TRUE(dialog.isVisible());  // only the logic ends the dialog

    dialog.show_busy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialog.show_busy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(table_dialog, enter_presses_the_default_button_and_number_edits_take_digits_only) {
    recording_logic logic;
    table_dialog dialog(nullptr, logic.spec(), &logic);
    dialog.show();
    auto* number = control<QLineEdit>(&dialog, range_ids::first_number);
    QTest::keyClicks(number, "1a-2 3");
    EXPECT_EQ(number->text(), "123");
    QTest::keyClick(number, Qt::Key_Return);
    EXPECT_EQ(logic.seen, std::vector<std::string>{"command 1"});
}

TEST(table_dialog, a_run_returns_what_the_logic_ended_it_with) {
    recording_logic logic({2});
    when_modal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }, "Range:");
    EXPECT_EQ(run_table_dialog(nullptr, logic), 2);
    EXPECT_EQ(logic.seen, std::vector<std::string>{"command 2"});
}

TEST(table_dialog, range_is_owned_by_the_get_dialog_that_runs_it) {
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    main_window window(library, box, files);
    QString range_owner;
    when_modal([](QWidget* get) { control<QPushButton>(get, get_ids::mixes)->click(); }, "Get:");
    when_modal(
        [&](QWidget* range) {
            range_owner = range->parentWidget() ? range->parentWidget()->windowTitle() : "(none)";
            control<QPushButton>(range, range_ids::cancel)->click();
        },
        "Get mixes:");
    window.command(main_ids::choose_request);
    EXPECT_EQ(range_owner, "Get:");
}

}  // namespace
}  // namespace patchwarden
