#include "midi/find_a6.h"

#include <gtest/gtest.h>

#include "fake_midi.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/device_list.h"

namespace patchwarden {
namespace {

using testing::event_log;
using testing::fake_midi_system;
using testing::recording_sink;

using testing::identity_reply;
using testing::identity_request_bytes;

// Pairs in the order the search opened them.
std::vector<std::pair<int, int>> tried(const event_log& log) {
    std::vector<std::pair<int, int>> pairs;
    int input = -1;
    for (const auto& e : log.only({"open in ", "open out "})) {
        if (e.rfind("open in ", 0) == 0) input = std::stoi(e.substr(8));
        else pairs.emplace_back(input, std::stoi(e.substr(9)));
    }
    return pairs;
}

// Sleeps of the search and of the send thread pass in a blink.
class quick_clock : public transport_clock {
public:
    void sleep_ms(int) override { std::this_thread::sleep_for(std::chrono::microseconds(100)); }
};

class find_a6_test : public ::testing::Test {
protected:
    event_log log;
    fake_midi_system devices{log};
    recording_sink sink;
    quick_clock clock;
    std::unique_ptr<sysex_in> in = std::make_unique<sysex_in>(devices, sink, clock);
    sysex_out out{devices, sink, clock};
};

TEST_F(find_a6_test, tries_every_pair_from_the_selection_and_stops_at_the_first_answer) {
    struct row {
        int s_in, s_out;
        std::vector<std::pair<int, int>> order;
    };
    const std::vector<row> rows{
        {0, 0, {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}}},
        {1, 2, {{1, 2}, {1, 0}, {1, 1}, {2, 2}, {2, 0}, {2, 1}}}};
    for (const row& r : rows) {
        log.clear();
        in->on_data = [](void*) {};
        devices.answer_identity_on(2, 1, identity_reply('0', '2', '0', '5'));
        const auto found = find_a6(*in, out, devices, r.s_in, r.s_out, clock);
        EXPECT_EQ(tried(log), r.order);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->input, 2);
        EXPECT_EQ(found->output, 1);
        EXPECT_EQ(found_text(*found), u"Andromeda v2.05 found\r\nin: In 2\r\nout: Out 1");
        EXPECT_FALSE(in->is_open);
        EXPECT_FALSE(out.is_open);
        EXPECT_EQ(in->on_data, nullptr);
    }
    // Every request went out as one 256-byte-or-less slice.
    for (const auto& s : devices.slices()) EXPECT_EQ(s.bytes, identity_request_bytes);
}

TEST_F(find_a6_test, a_foreign_reply_or_dead_devices_find_nothing) {
    devices.answer_identity_on(2, 1, identity_reply('0', '2', '0', '5'));
    devices.dead_inputs = {2};
    EXPECT_FALSE(find_a6(*in, out, devices, 0, 0, clock).has_value());
    devices.dead_inputs.clear();
    byte_vector foreign = identity_reply('0', '2', '0', '5');
    foreign[2] = 0x10;
    devices.answer_identity_on(2, 1, foreign);
    EXPECT_FALSE(find_a6(*in, out, devices, 0, 0, clock).has_value());
    EXPECT_FALSE(in->is_open);
    EXPECT_FALSE(out.is_open);

    devices.input_names.clear();
    log.clear();
    EXPECT_FALSE(find_a6(*in, out, devices, -1, -1, clock).has_value());
    EXPECT_TRUE(tried(log).empty());
}

// Replies that wait in the input's queue before a pair's request goes out do
// not decide the search: neither blocks received before the search (kept for
// the window) nor a late answer to an earlier pair's request.
TEST_F(find_a6_test, only_a_reply_after_the_request_counts) {
    class late_answers : public fake_midi_system {
    public:
        using fake_midi_system::fake_midi_system;
        // An identity reply turns up on input 0 just as output 1 opens, long
        // after the request to output 0 went unanswered.
        midi_result open_output(int d, std::unique_ptr<midi_output>& opened) override {
            if (d == 1 && open_in && open_in->device() == 0) open_in->deliver(identity_reply('0', '1', '0', '0'));
            return fake_midi_system::open_output(d, opened);
        }
    };
    late_answers system{log};
    auto input = std::make_unique<sysex_in>(system, sink, clock);
    sysex_out output{system, sink, clock};
    system.answer_identity_on(2, 1, identity_reply('0', '2', '0', '5'));
    // An identity reply itself, which would decide the search if it counted.
    const byte_vector earlier = identity_reply('0', '9', '0', '0');
    input->put_back({earlier});

    const auto found = find_a6(*input, output, system, 0, 0, clock);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(std::make_pair(found->input, found->output), std::make_pair(2, 1));
    EXPECT_EQ(found->major, 2);
    EXPECT_EQ(input->set_aside(), std::deque<byte_vector>{earlier});
}

TEST(find_a6_emulator, finds_the_emulator_after_the_platform_devices) {
    event_log log;
    fake_midi_system platform{log};
    a6_emulator emulator;
    emulator.set_version(3, 10);
    device_list list(&platform, &emulator);
    ASSERT_EQ(list.input_count(), 4);
    recording_sink sink;
    auto in = std::make_unique<sysex_in>(list, sink);
    sysex_out out(list, sink);
    const auto found = find_a6(*in, out, list, 3, 3);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->input, 3);
    EXPECT_EQ(found->output, 3);
    EXPECT_EQ(found_text(*found), u"Andromeda v3.10 found\r\nin: A6 emulator\r\nout: A6 emulator");
    EXPECT_TRUE(sink.texts().empty());
}

}  // namespace
}  // namespace patchwarden
