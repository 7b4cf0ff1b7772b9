// The main window after start, About, the Escape rule, Enter and Get It with
// the MIDI ports closed.

#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "library/library_tree.h"
#include "tests/support/scripted_message_box.h"
#include "tests/ui/ui_test_support.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"

namespace patchwarden {
namespace {

using testing::scripted_file_chooser;
using testing::scripted_message_box;

struct window_fixture : ::testing::Test {
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    std::unique_ptr<main_window> window = std::make_unique<main_window>(library, box, files);

    QLineEdit* edit(int id) { return control<QLineEdit>(window.get(), id); }
    QCheckBox* check(int id) { return control<QCheckBox>(window.get(), id); }
};

TEST_F(window_fixture, initial_state_after_start) {
    EXPECT_EQ(window->windowTitle(), "Patchwarden v1.00");
    EXPECT_EQ(edit(main_ids::midi_in)->text(), "closed");
    EXPECT_EQ(edit(main_ids::midi_out)->text(), "closed");
    EXPECT_TRUE(edit(main_ids::midi_in)->isReadOnly());
    EXPECT_TRUE(edit(main_ids::midi_out)->isReadOnly());
    for (int id : {main_ids::update_bank, main_ids::update_number, main_ids::ask}) EXPECT_TRUE(check(id)->isChecked()) << id;
    EXPECT_TRUE(edit(main_ids::request)->text().isEmpty());
    for (int id : {main_ids::bank, main_ids::number, main_ids::name}) {
        EXPECT_FALSE(edit(id)->isEnabled()) << id;
        EXPECT_TRUE(edit(id)->text().isEmpty()) << id;
    }
    for (int id : {main_ids::move, main_ids::copy, main_ids::choose_bank})
        EXPECT_FALSE(find_control(window.get(), id)->isEnabled()) << id;
    for (int id : {main_ids::send_bar, main_ids::receive_bar}) {
        auto* bar = control<QProgressBar>(window.get(), id);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->value(), 0);
    }
    auto* tree = control<QTreeView>(window.get(), main_ids::tree);
    EXPECT_EQ(tree->model()->rowCount(), 0);
    const QFontMetrics metrics(tree->font());
    EXPECT_EQ(metrics.horizontalAdvance("iiii"), metrics.horizontalAdvance("WWWW"));
    EXPECT_EQ(metrics.horizontalAdvance("0000"), metrics.horizontalAdvance("MMMM"));
    const auto sizes = window->windowIcon().availableSizes();
    for (int size : {16, 32, 48}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(window->send_queue().empty());
}

TEST_F(window_fixture, about_shows_the_program_box) {
    control<QPushButton>(window.get(), main_ids::about)->click();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].caption, u"About");
    EXPECT_EQ(box.shown[0].buttons, box_buttons::ok);
    EXPECT_EQ(box.shown[0].icon, box_icon::program);
    EXPECT_EQ(box.shown[0].text.substr(0, 22), u"A6 Patchwarden v1.00\r\n");
    EXPECT_GT(box.shown[0].text.size(), 40u);
}

TEST_F(window_fixture, escape_never_closes_but_the_close_box_quits) {
    QSignalSpy finished(window.get(), &QDialog::finished);
    window->show();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(edit(main_ids::request), Qt::Key_Escape);
    QTest::keyClick(control<QTreeView>(window.get(), main_ids::tree), Qt::Key_Escape);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(window->isVisible());

    window->close();  // the close box, Alt+F4, the window menu's Close
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), main_ids::cancel);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(window_fixture, enter_in_the_request_field_does_nothing) {
    window->show();
    window->activateWindow();
    QLineEdit* request = edit(main_ids::request);
    request->setFocus();
    request->setText("pu:5");
    int clicks = 0;
    for (auto* button : window->findChildren<QPushButton*>())
        QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    QTest::keyClick(request, Qt::Key_Return);
    QTest::keyClick(request, Qt::Key_Enter);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(request->text(), "pu:5");  // Get It was not run
    EXPECT_TRUE(window->send_queue().empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(window_fixture, no_button_becomes_the_default_when_shown) {
    window->show();
    for (auto* button : window->findChildren<QPushButton*>()) EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
}

TEST_F(window_fixture, enter_on_a_focused_button_clicks_it) {
    window->show();
    window->activateWindow();
    auto* about = control<QPushButton>(window.get(), main_ids::about);
    about->setFocus();
    QTest::keyClick(about, Qt::Key_Return);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].caption, u"About");
}

TEST_F(window_fixture, get_it_queues_requests_without_spaces_and_clears_the_field) {
    edit(main_ids::request)->setText(" pu : 5 ; mc3 ; g ");
    control<QPushButton>(window.get(), main_ids::get_it)->click();
    EXPECT_TRUE(edit(main_ids::request)->text().isEmpty());
    ASSERT_EQ(window->send_queue().size(), 3u);
    EXPECT_EQ(window->send_queue()[0].expected_replies, 1);
    EXPECT_EQ(window->send_queue()[1].expected_replies, 128);
    EXPECT_EQ(window->send_queue()[2].expected_replies, 1);
    EXPECT_EQ(window->counters().replies_expected, 130);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(window_fixture, get_it_with_a_bad_bank_shows_the_message_and_queues_nothing) {
    edit(main_ids::request)->setText("pu:5;pc17");
    control<QPushButton>(window.get(), main_ids::get_it)->click();
    EXPECT_TRUE(edit(main_ids::request)->text().isEmpty());
    EXPECT_TRUE(window->send_queue().empty());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Program bank Card 17 doesn't exist");
    EXPECT_EQ(box.shown[0].caption, u"");

    // A syntax error clears the field silently.
    edit(main_ids::request)->setText("xyz");
    control<QPushButton>(window.get(), main_ids::get_it)->click();
    EXPECT_TRUE(edit(main_ids::request)->text().isEmpty());
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(window->send_queue().empty());
}

TEST_F(window_fixture, get_it_reads_at_most_1023_units_of_the_request_field) {
    // The field is cut before its spaces go: "pp3" ending at unit 1023 names
    // a bank that does not exist; one unit later only "pp" is read, which
    // fails without a message.
    const struct {
        int spaces;
        std::size_t boxes;
    } cases[] = {{1020, 1}, {1021, 0}};
    for (const auto& c : cases) {
        box.shown.clear();
        edit(main_ids::request)->setText(QString(c.spaces, QLatin1Char(' ')) + QStringLiteral("pp3"));
        control<QPushButton>(window.get(), main_ids::get_it)->click();
        EXPECT_EQ(box.shown.size(), c.boxes) << c.spaces;
        EXPECT_TRUE(window->send_queue().empty());
    }
}

}  // namespace
}  // namespace patchwarden
