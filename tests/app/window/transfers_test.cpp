// The transfers through the window over the scripted devices: requests one
// after another, the counters, the two bars as the logic sets them, sends
// behind gets, unasked dumps, a closed output, and the receive bar after
// Con&fig.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/window/shown_bars.h"
#include "app/window/tree_menu.h"
#include "data/request_text.h"
#include "tests/app/support/ports_fixture.h"

namespace patchwarden {
namespace {

using namespace testing;

byte_vector request(std::u16string_view text) {
    scripted_message_box quiet;
    outgoing_queue list;
    EXPECT_TRUE(parse_request_text(text, list, quiet));
    return list.empty() ? byte_vector() : list.front().bytes;
}

byte_vector program(int bank, int number, std::u16string_view name = u"Reply") {
    return dump_bytes(program_dump, bank, number, name);
}

struct transfer_test : ports_window_test {
    void SetUp() override {
        ports_window_test::SetUp();
        configure(config_choice{});
        ASSERT_EQ(text(main_ids::midi_in), u"In 0");
        ASSERT_EQ(text(main_ids::midi_out), u"Out 0");
    }
    // A block arrives on the open input (posting its notification).
    void arrive(const byte_vector& message) { ASSERT_TRUE(devices.open_in && devices.open_in->deliver(message)); }
    std::size_t slices() const { return devices.slices().size(); }
    bool slices_reach(std::size_t n) {
        return wait_until([&] { return slices() >= n; });
    }
    // A bar as it shows: (range end, position).
    std::pair<int, int> shown(transfer_bar bar) const {
        const int i = static_cast<int>(bar);
        return {face.bar_state.maximum[i], face.bar_state.position[i]};
    }
    std::pair<int, int> receive_bar() const { return shown(transfer_bar::receive); }
};

// An empty bar: the range 0..1 at 0 (a range of 0..0 would show busy).
const std::pair<int, int> empty_bar{1, 0};

// What the transfers count, as a bar control can show it.
TEST(shown_bars, a_range_of_0_is_the_empty_bar_and_a_position_stays_within_the_range) {
    const struct {
        int range, position;
        std::pair<int, int> drawn;
    } rows[] = {
        {0, 0, {1, 0}}, {0, 3, {1, 0}}, {4, 2, {4, 2}}, {4, 9, {4, 4}}, {4, -1, {4, 0}},
    };
    for (const auto& r : rows) {
        std::pair<int, int> drawn;
        shown_bars bars([&](transfer_bar bar, int maximum, int position) {
            EXPECT_EQ(bar, transfer_bar::send);
            drawn = {maximum, position};
        });
        bars.set_position(transfer_bar::send, r.position);
        bars.set_range(transfer_bar::send, r.range);  // drawn at once, with the position held
        EXPECT_EQ(drawn, r.drawn) << r.range << " " << r.position;
        drawn = {};
        bars.set_position(transfer_bar::send, r.position);
        EXPECT_EQ(drawn, r.drawn) << r.range << " " << r.position;
    }
}

TEST_F(transfer_test, requests_go_out_one_after_another_as_their_replies_arrive) {
    get(u"pu:0;pu:1;pu:2");
    EXPECT_TRUE(text(main_ids::request).empty());
    handle_posted();
    struct step {
        std::size_t queued, sent;
        int pending;
        std::pair<int, int> bar;
    };
    // After Get It, then after each reply.
    const step steps[] = {{2, 1, 1, {3, 0}}, {1, 2, 1, {3, 1}}, {0, 3, 1, {3, 2}}, {0, 3, 0, empty_bar}};
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        if (n > 0) {
            arrive(program(0, n - 1));
            handle_posted();
        }
        const step& s = steps[n];
        EXPECT_EQ(logic->send_queue().size(), s.queued);
        EXPECT_EQ(logic->counters().pending_replies, s.pending);
        EXPECT_EQ(receive_bar(), s.bar);
        ASSERT_TRUE(slices_reach(s.sent));
        EXPECT_EQ(slices(), s.sent);
    }
    const auto sent = devices.slices();
    for (int n = 0; n < 3; ++n) EXPECT_EQ(sent[n].bytes, request(u"pu:" + decimal(n)));
    for (int n = 0; n < 3; ++n) EXPECT_NE(library.find_entry(program_dump, 0, n), nullptr);
    EXPECT_EQ(logic->counters().replies_expected, 0);
    EXPECT_EQ(logic->counters().replies_received, 0);
}

TEST_F(transfer_test, a_second_get_waits_behind_the_first) {
    get(u"pu:0");
    get(u"pu:1;mu:2");
    handle_posted();
    EXPECT_EQ(logic->counters().replies_expected, 3);
    EXPECT_EQ(logic->send_queue().size(), 2u);
    ASSERT_TRUE(slices_reach(1));
    arrive(program(0, 0));
    handle_posted();
    ASSERT_TRUE(slices_reach(2));
    EXPECT_EQ(devices.slices()[1].bytes, request(u"pu:1"));
    EXPECT_EQ(logic->send_queue().size(), 1u);
    EXPECT_EQ(receive_bar(), std::make_pair(3, 1));
}

TEST_F(transfer_test, a_bank_send_goes_out_in_one_run_and_the_send_bar_follows_the_bytes) {
    for (int n = 0; n < 128; ++n) put(program_dump, 0, n, u"Bank entry");
    select(library.find_entry(program_dump, 0, 0)->parent());
    devices.hold = true;  // the device keeps the first chunk until told
    click(main_ids::send);
    handle_posted();
    EXPECT_TRUE(logic->send_queue().empty());
    EXPECT_EQ(logic->counters().bytes_queued, 128u * 2350u);
    EXPECT_EQ(logic->counters().pending_replies, 0);
    EXPECT_EQ(shown(transfer_bar::send), std::make_pair(1175, 0));
    ASSERT_TRUE(wait_until([&] { return ports->out().queued() == 127; }));

    devices.hold = false;
    ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
    EXPECT_EQ(face.bar_state.highest[static_cast<int>(transfer_bar::send)], 1175);
    EXPECT_EQ(shown(transfer_bar::send), std::make_pair(1, 0));
    EXPECT_EQ(logic->counters().bytes_sent, 0u);
    byte_vector expected, sent;
    outgoing_queue walk;
    library.walk_subtree(library.root(), walk);
    for (const auto& m : walk) append(expected, m.bytes);
    for (const auto& s : devices.slices()) append(sent, s.bytes);
    EXPECT_EQ(sent, expected);
}

TEST_F(transfer_test, a_send_waits_behind_a_get_for_all_its_replies) {
    set_checked(main_ids::ask, false);
    put(program_dump, 3, 7, u"To send");
    get(u"pu");
    select(library.find_entry(program_dump, 3, 7));
    click(main_ids::send);
    handle_posted();
    ASSERT_TRUE(slices_reach(1));
    EXPECT_EQ(logic->counters().pending_replies, 128);
    for (int n = 0; n < 128; ++n) {
        EXPECT_EQ(logic->send_queue().size(), 1u) << n;
        arrive(program(0, n));
        handle_posted();
    }
    EXPECT_TRUE(logic->send_queue().empty());
    const byte_vector dump = make_outgoing(*library.record_of(library.find_entry(program_dump, 3, 7))).bytes;
    ASSERT_TRUE(slices_reach(4));  // 1024 + 1024 + 302 bytes
    byte_vector sent;
    for (std::size_t i = 1; i < slices(); ++i) append(sent, devices.slices()[i].bytes);
    EXPECT_EQ(sent, dump);
    EXPECT_EQ(receive_bar(), empty_bar);
}

TEST_F(transfer_test, an_unasked_dump_is_taken_in_and_counted) {
    arrive(program(2, 9, u"From the panel"));
    handle_posted();
    ASSERT_NE(library.find_entry(program_dump, 2, 9), nullptr);
    EXPECT_EQ(logic->counters().replies_received, 1);
    EXPECT_EQ(logic->counters().replies_expected, 0);
    EXPECT_EQ(logic->counters().pending_replies, -1);
    EXPECT_EQ(receive_bar(), empty_bar);
    EXPECT_TRUE(box.shown.empty());
}

// With the output closed nothing is handed to it, nothing is counted as
// sent, and the user hears of it at once, in one box. Get It's and
// Compare's requests wait for a port; Con&fig that opens one sends them,
// the first one first. A Send is not kept.
TEST_F(transfer_test, a_closed_output_says_so_at_once_and_requests_wait_for_config) {
    const std::u16string nothing_sent = u"Nothing was sent: the MIDI output is closed.\r\n";
    const struct {
        const char* command;
        std::function<void()> give;
        std::u16string said;
        std::size_t waiting;
    } rows[] = {
        {"Get It", [&] { get(u"pu:5;pu:6"); }, u"The requests wait until Config opens a port.", 2},
        {"Compare", [&] { logic->command(compare_command); }, u"The requests wait until Config opens a port.", 2},
        {"Send", [&] { click(main_ids::send); }, u"Config opens a port.", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        open_window();
        put(program_dump, 0, 5, u"Five");
        put(program_dump, 0, 6, u"Six");
        select(entry(program_dump, 0, 5)->parent());
        devices.dead_outputs = {0};
        configure(config_choice{});
        ASSERT_EQ(text(main_ids::midi_out), u"closed");
        const std::size_t before = slices();
        box.shown.clear();
        row.give();
        handle_posted();
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, nothing_sent + row.said);
        EXPECT_EQ(box.shown[0].icon, box_icon::error);
        EXPECT_EQ(logic->send_queue().size(), row.waiting);
        EXPECT_EQ(logic->counters().bytes_queued, 0u);
        EXPECT_EQ(logic->counters().pending_replies, 0);
        EXPECT_EQ(receive_bar(), row.waiting > 0 ? std::make_pair(static_cast<int>(row.waiting), 0) : empty_bar);

        devices.dead_outputs.clear();
        configure(config_choice{});
        handle_posted();
        if (row.waiting > 0) {
            ASSERT_TRUE(slices_reach(before + 1));
            EXPECT_EQ(devices.slices()[before].bytes, request(u"pu:5"));
            EXPECT_EQ(logic->counters().pending_replies, 1);
        }
        EXPECT_EQ(logic->send_queue().size(), row.waiting > 0 ? row.waiting - 1 : 0);
        EXPECT_EQ(box.shown.size(), 1u);
        library.remove_subtree(library.root());
    }
}

// Dumps queued behind a request are dropped, not counted, and told, when
// the output is closed by the time they would go out.
TEST_F(transfer_test, dumps_that_meet_a_closed_output_are_told_and_not_counted) {
    put(program_dump, 0, 1, u"To send");
    get(u"pu:0");
    select(entry(program_dump, 0, 1));
    click(main_ids::send);
    handle_posted();
    ASSERT_TRUE(slices_reach(1));
    ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
    EXPECT_EQ(logic->send_queue().size(), 1u);

    devices.dead_outputs = {0};
    configure(config_choice{});
    handle_posted();
    EXPECT_TRUE(logic->send_queue().empty());
    EXPECT_EQ(logic->counters().bytes_queued, 0u);
    EXPECT_EQ(box.texts(), std::vector<std::u16string>{
                               u"2350 bytes were not sent: the MIDI output is closed.\r\nConfig opens a port."});
    EXPECT_EQ(slices(), 1u);
}

// Con&fig releases a request whose reply never came: the receive bar
// starts again from zero, so it empties when the next Get is complete.
TEST_F(transfer_test, the_receive_bar_starts_again_after_config) {
    get(u"pu:0;pu:1");
    handle_posted();
    arrive(program(0, 0));
    handle_posted();
    ASSERT_TRUE(slices_reach(2));
    EXPECT_EQ(receive_bar(), std::make_pair(2, 1));  // pu:1 has no answer

    configure(config_choice{});
    handle_posted();
    EXPECT_EQ(receive_bar(), empty_bar);
    EXPECT_EQ(logic->counters().replies_expected, 0);
    EXPECT_EQ(logic->counters().replies_received, 0);
    get(u"pu:2");
    handle_posted();
    EXPECT_EQ(receive_bar(), std::make_pair(1, 0));
    ASSERT_TRUE(slices_reach(3));
    arrive(program(0, 2));
    handle_posted();
    EXPECT_EQ(receive_bar(), empty_bar);
}

// The send bar counts whole units of 256 bytes: a Mix of 1180 bytes is a
// range of 4, not 5.
TEST_F(transfer_test, the_send_bar_range_counts_whole_units_of_256_bytes) {
    put(mix_dump, 0, 7, u"Odd size");
    select(library.find_entry(mix_dump, 0, 7));
    devices.hold = true;
    click(main_ids::send);
    handle_posted();
    EXPECT_EQ(logic->counters().bytes_queued, 1180u);
    EXPECT_EQ(face.bar_state.maximum[static_cast<int>(transfer_bar::send)], 4);
    devices.hold = false;
    ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
}

// Con&fig in the middle of a Send closes the output with bytes unsent: the
// user is told once how many, and the send bar resets as soon as the chunks
// that did go out are counted.
TEST_F(transfer_test, config_during_a_send_tells_the_bytes_not_sent_once_and_resets_the_send_bar) {
    for (int n = 0; n < 128; ++n) put(program_dump, 0, n, u"Bank entry");
    const std::uint32_t bank_bytes = 128u * 2350u;
    for (const std::size_t chunks_first : {std::size_t{0}, std::size_t{5}}) {
        SCOPED_TRACE(chunks_first);
        box.shown.clear();
        select(library.find_entry(program_dump, 0, 0)->parent());
        devices.hold = chunks_first == 0;
        const std::size_t before = slices();
        click(main_ids::send);
        handle_posted();
        if (chunks_first > 0) {
            ASSERT_TRUE(slices_reach(before + chunks_first));
            devices.hold = true;
        }
        configure(config_choice{});
        devices.hold = false;
        ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
        EXPECT_EQ(shown(transfer_bar::send).second, 0);
        EXPECT_EQ(logic->counters().bytes_sent, 0u);

        ASSERT_EQ(box.shown.size(), 1u);
        const std::u16string& said = box.shown[0].text;
        EXPECT_NE(said.find(u" bytes were not sent: the MIDI output was closed before they went out."),
                  std::u16string::npos);
        const int unsent = decimal_value(said);
        if (chunks_first == 0) {
            EXPECT_EQ(unsent, static_cast<int>(bank_bytes));
        } else {
            EXPECT_GT(unsent, 0);
            EXPECT_LT(unsent, static_cast<int>(bank_bytes));
        }
        configure(config_choice{});
        handle_posted();
        EXPECT_EQ(box.shown.size(), 1u);
    }
}

}  // namespace
}  // namespace patchwarden
