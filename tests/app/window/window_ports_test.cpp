// The window with its MIDI ports: the whole road over the emulator, Quit
// with ports that will not close, boxes raised on a transport thread, and
// the ends of a run in every order while a bank transfer goes on.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/support/ports_fixture.h"

namespace patchwarden {
namespace {

using namespace testing;

TEST_F(ports_window_test, the_road_over_the_emulator_get_move_and_send_back) {
    emulator = std::make_unique<a6_emulator>();  // instant
    open_window(false);
    configure([](dialog_logic& l, fake_dialog& d) {
        d.click(l, config_ids::find_a6);
        answer(l, d, config_choice{0, 0, u"4096", u"1"});
    });
    ASSERT_EQ(box.texts(), std::vector<std::u16string>{u"Andromeda v2.05 found\r\nin: A6 emulator\r\nout: A6 emulator"});
    EXPECT_EQ(text(main_ids::midi_in), u"A6 emulator");
    EXPECT_EQ(text(main_ids::midi_out), u"A6 emulator");

    get(u"pu:0-127");
    ASSERT_TRUE(wait_until([&] { return logic->counters().replies_received == 0 && logic->send_queue().empty() &&
                                        library.find_entry(program_dump, 0, 127); }));
    for (int n = 0; n < 128; ++n) {
        ASSERT_NE(library.find_entry(program_dump, 0, n), nullptr) << n;
        EXPECT_EQ(library.find_entry(program_dump, 0, n)->record()->data, a6_emulator::initial_program(0, n).data);
    }

    select(library.find_entry(program_dump, 0, 5));
    set_text(main_ids::number, u"9");
    set_text(main_ids::name, u"Moved from 5");
    box.answers = {box_answer::yes};  // replace what stands at 9
    click(main_ids::move);
    ASSERT_EQ(library.find_entry(program_dump, 0, 5), nullptr);
    select(library.find_entry(program_dump, 0, 0)->parent());
    click(main_ids::send);
    ASSERT_TRUE(wait_until([&] { return emulator->received_count() == 127 && logic->counters().bytes_queued == 0; }));

    outgoing_queue walk;
    library.walk_subtree(library.root(), walk);
    const auto received = emulator->received();
    ASSERT_EQ(received.size(), walk.size());
    for (std::size_t i = 0; i < walk.size(); ++i) {
        a6_message stored = received[i].record;
        EXPECT_EQ(encode_message(stored), walk[i].bytes) << i;
    }
    EXPECT_EQ(narrow(shown_name(emulator->program(0, 9))), "Moved from 5    ");
    EXPECT_EQ(emulator->program(0, 9).data.size(), program_body_size);
}

TEST_F(ports_window_test, a_port_that_will_not_close_on_quit_shows_error_and_the_window_stays) {
    struct row {
        std::atomic<bool> fake_midi_system::*failure;
        std::u16string text;
    };
    const row rows[] = {
        {&fake_midi_system::fail_out_close, u"sysex_out::shutdown - unable to close device"},
        {&fake_midi_system::fail_in_reset, u"sysex_in::shutdown - unable to reset device"},
    };
    for (const row& r : rows) {
        open_window();
        face.window.result.reset();
        configure(config_choice{});
        box.shown.clear();
        devices.*r.failure = true;
        click(main_ids::quit);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, r.text);
        EXPECT_EQ(box.shown[0].caption, u"Error");
        EXPECT_EQ(box.shown[0].icon, box_icon::error);
        EXPECT_FALSE(face.window.result);  // the window stays

        devices.*r.failure = false;
        log.clear();
        logic->close();  // the close box quits as well
        EXPECT_EQ(face.window.result, main_ids::cancel);
        EXPECT_FALSE(ports->in().is_open);
        EXPECT_FALSE(ports->out().is_open);
    }
    // Quit closes the output first, then the input.
    open_window();
    configure(config_choice{});
    log.clear();
    click(main_ids::quit);
    EXPECT_EQ(log.only({"close out", "reset in"}), (std::vector<std::string>{"close out 0", "reset in 0"}));
}

TEST_F(ports_window_test, boxes_raised_on_the_send_thread_show_on_the_window_as_errors) {
    configure(config_choice{});
    put(program_dump, 0, 1, u"Sent");
    devices.fail_out_send = true;
    select(library.find_entry(program_dump, 0, 1));
    click(main_ids::send);
    // The first chunk fails: one box, and the rest of the dump is dropped
    // but counted, so the send bar still comes back to empty.
    ASSERT_TRUE(wait_until([&] { return !box.shown.empty() && logic->counters().bytes_queued == 0; }));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"sysex_out::send - unable to send message");
    EXPECT_EQ(box.shown[0].caption, u"Error");
    EXPECT_EQ(box.shown[0].icon, box_icon::error);
}

// Errors that arrive while an error box is open wait for it to close instead
// of opening boxes inside it; one that comes after the boxes have closed
// opens its own.
TEST_F(ports_window_test, error_boxes_come_one_after_another) {
    int depth = 0, deepest = 0;
    box.while_open = [&](const shown_box&) {
        deepest = std::max(deepest, ++depth);
        if (box.shown.size() == 1) {
            ports->relay().report(u"second");
            ports->relay().report(u"third");
            handle_posted();  // as the box's own event loop would
        }
        --depth;
    };
    ports->relay().report(u"first");
    handle_posted();
    EXPECT_EQ(box.texts(), (std::vector<std::u16string>{u"first", u"second", u"third"}));
    EXPECT_EQ(deepest, 1);
    ports->relay().report(u"fourth");
    handle_posted();
    EXPECT_EQ(box.texts().size(), 4u);
}

// A bank arrives from the emulator, paced, while the run ends in one of
// three ways; the transport goes on posting until its ports close, and
// nothing of it may reach the window once it has gone.
TEST_F(ports_window_test, the_run_ends_in_any_order_during_a_bank_transfer) {
    enum class ending { quit_button, close_box, window_goes_with_ports_open };
    for (const ending how : {ending::quit_button, ending::close_box, ending::window_goes_with_ports_open}) {
        SCOPED_TRACE(static_cast<int>(how));
        emulator = std::make_unique<a6_emulator>();
        emulator->set_speed(20);  // the bank takes about five seconds
        open_window(false);
        face.window.result.reset();
        configure(config_choice{});
        get(u"pu");
        ASSERT_TRUE(wait_until([&] { return logic->counters().replies_received >= 3; }));

        if (how == ending::window_goes_with_ports_open) {
            logic.reset();
            const std::size_t posted = face.notifications.waiting();
            const std::size_t waiting = ports->in().queued();
            ASSERT_TRUE(eventually([&] { return ports->in().queued() > waiting + 2; }));
            EXPECT_EQ(face.notifications.waiting(), posted);
        } else {
            if (how == ending::quit_button) click(main_ids::quit);
            else logic->close();
            EXPECT_EQ(face.window.result, how == ending::quit_button ? main_ids::quit : main_ids::cancel);
            EXPECT_FALSE(ports->in().is_open);
            EXPECT_FALSE(ports->out().is_open);
            const std::size_t entries = library.node_count();
            handle_posted();
            EXPECT_EQ(library.node_count(), entries);  // nothing is taken in after Quit
            logic.reset();
        }
        ports.reset();
        emulator.reset();
        library.remove_subtree(library.root());
    }
}

}  // namespace
}  // namespace patchwarden
