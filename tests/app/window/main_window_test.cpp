// The main window after start, About, Enter and Get It with the MIDI ports
// closed.

#include <gtest/gtest.h>

#include <string>

#include "tests/app/support/window_fixture.h"

namespace patchwarden {
namespace {

using main_window_test = testing::window_logic_test;

TEST_F(main_window_test, initial_state_after_start) {
    EXPECT_EQ(text(main_ids::midi_in), u"closed");
    EXPECT_EQ(text(main_ids::midi_out), u"closed");
    for (int id : {main_ids::update_bank, main_ids::update_number, main_ids::ask})
        EXPECT_TRUE(face.window.checked(id)) << id;
    EXPECT_TRUE(text(main_ids::request).empty());
    for (int id : {main_ids::bank, main_ids::number, main_ids::name}) {
        EXPECT_FALSE(enabled(id)) << id;
        EXPECT_TRUE(text(id).empty()) << id;
    }
    for (int id : {main_ids::move, main_ids::copy, main_ids::choose_bank}) EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(logic->send_queue().empty());
}

TEST_F(main_window_test, about_shows_the_program_box) {
    click(main_ids::about);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].caption, u"About");
    EXPECT_EQ(box.shown[0].buttons, box_buttons::ok);
    EXPECT_EQ(box.shown[0].icon, box_icon::program);
    EXPECT_EQ(box.shown[0].text.substr(0, 22), u"A6 Patchwarden v1.00\r\n");
    EXPECT_GT(box.shown[0].text.size(), 40u);
}

TEST_F(main_window_test, enter_in_the_request_field_does_nothing) {
    set_text(main_ids::request, u"pu:5");
    logic->command(main_ids::enter);
    EXPECT_EQ(text(main_ids::request), u"pu:5");  // Get It was not run
    EXPECT_TRUE(logic->send_queue().empty());
    EXPECT_FALSE(face.window.result);
}

TEST_F(main_window_test, get_it_queues_requests_without_spaces_and_clears_the_field) {
    set_text(main_ids::request, u" pu : 5 ; mc3 ; g ");
    click(main_ids::get_it);
    EXPECT_TRUE(text(main_ids::request).empty());
    ASSERT_EQ(logic->send_queue().size(), 3u);
    EXPECT_EQ(logic->send_queue()[0].expected_replies, 1);
    EXPECT_EQ(logic->send_queue()[1].expected_replies, 128);
    EXPECT_EQ(logic->send_queue()[2].expected_replies, 1);
    EXPECT_EQ(logic->counters().replies_expected, 130);
    // The window has no port open: the requests wait for Con&fig.
    EXPECT_EQ(box.texts(), std::vector<std::u16string>{u"Nothing was sent: the MIDI output is closed.\r\n"
                                                       u"The requests wait until Config opens a port."});
}

TEST_F(main_window_test, get_it_with_a_bad_bank_shows_the_message_and_queues_nothing) {
    set_text(main_ids::request, u"pu:5;pc17");
    click(main_ids::get_it);
    EXPECT_TRUE(text(main_ids::request).empty());
    EXPECT_TRUE(logic->send_queue().empty());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Program bank Card 17 doesn't exist");
    EXPECT_EQ(box.shown[0].caption, u"");

    // A syntax error clears the field silently.
    set_text(main_ids::request, u"xyz");
    click(main_ids::get_it);
    EXPECT_TRUE(text(main_ids::request).empty());
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(logic->send_queue().empty());
}

TEST_F(main_window_test, get_it_reads_at_most_1023_units_of_the_request_field) {
    // The field is cut before its spaces go: "pp3" ending at unit 1023 names
    // a bank that does not exist; one unit later only "pp" is read, which
    // fails without a message.
    const struct {
        std::size_t spaces;
        std::size_t boxes;
    } cases[] = {{1020, 1}, {1021, 0}};
    for (const auto& c : cases) {
        box.shown.clear();
        set_text(main_ids::request, std::u16string(c.spaces, u' ') + u"pp3");
        click(main_ids::get_it);
        EXPECT_EQ(box.shown.size(), c.boxes) << c.spaces;
        EXPECT_TRUE(logic->send_queue().empty());
    }
}

}  // namespace
}  // namespace patchwarden
