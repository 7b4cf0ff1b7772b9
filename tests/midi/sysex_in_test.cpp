#include "midi/transport/sysex_in.h"

#include <gtest/gtest.h>

#include "fake_midi.h"
#include "midi/sysex_error.h"

namespace patchwarden {
namespace {

using testing::event_log;
using testing::fake_midi_system;
using testing::recording_clock;
using testing::recording_sink;

struct counter {
    std::atomic<int> calls{0};
    static void bump(void* arg) { ++static_cast<counter*>(arg)->calls; }
};

class sysex_in_test : public ::testing::Test {
protected:
    event_log log;
    fake_midi_system devices{log};
    recording_sink sink;
    recording_clock clock{log};
    counter notified;
    // 16 MiB inside the object: never on the stack.
    std::unique_ptr<sysex_in> in = std::make_unique<sysex_in>(devices, sink, clock);

    void open(int device = 0) {
        in->on_data = &counter::bump;
        in->on_data_arg = &notified;
        in->init(device);
        ASSERT_TRUE(in->is_open);
    }
    bool arrive(const byte_vector& m) { return devices.open_in->deliver(m); }
};

const byte_vector message_a{0xF0, 0x00, 0x00, 0x0E, 0x1D, 0x09, 0x00, 0xF7};
const byte_vector message_b{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};

// A closed port keeps no notification: a later opening without one (the
// search for the A6) would report to the window.
TEST_F(sysex_in_test, a_device_that_will_not_open_is_silent_and_keeps_no_notification) {
    devices.dead_inputs = {1};
    for (int device : {1, 7, -1}) {
        in->on_data = &counter::bump;
        in->init(device);
        EXPECT_FALSE(in->is_open);
        EXPECT_EQ(in->on_data, nullptr);
    }
    in->on_data = &counter::bump;
    in->shutdown();
    EXPECT_EQ(in->on_data, nullptr);
    EXPECT_TRUE(sink.texts().empty());
    EXPECT_FALSE(in->wait_for_data());
}

TEST_F(sysex_in_test, each_message_becomes_one_block_and_one_notification) {
    open();
    ASSERT_TRUE(arrive(message_a));
    ASSERT_TRUE(arrive(message_b));  // the buffer was handed back after the first
    EXPECT_EQ(notified.calls, 2);
    byte_vector out;
    in->get_data(out);
    EXPECT_EQ(out, message_a);
    in->get_data(out);
    EXPECT_EQ(out, message_b);
}

TEST_F(sysex_in_test, two_blocks_before_a_wait_wake_it_once) {
    open();
    arrive(message_a);
    arrive(message_b);
    EXPECT_TRUE(in->wait_for_data());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(in->wait_for_data());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
    EXPECT_EQ(in->queued(), 2u);
}

TEST_F(sysex_in_test, taking_the_last_block_resets_the_event_and_an_empty_take_changes_nothing) {
    open();
    arrive(message_a);
    byte_vector out{1, 2, 3};
    in->get_data(out);
    EXPECT_EQ(out, message_a);
    EXPECT_FALSE(in->data_event.is_set());
    in->get_data(out);
    EXPECT_EQ(out, message_a);
    arrive(message_b);
    arrive(message_a);
    in->get_data(out);
    EXPECT_TRUE(in->data_event.is_set());  // one block is still waiting
}

TEST_F(sysex_in_test, blocks_set_aside_go_back_in_front_and_dropping_withdraws_the_signal) {
    open();
    arrive(message_a);
    arrive(message_b);
    const std::deque<byte_vector> earlier = in->set_aside();
    EXPECT_EQ(earlier, (std::deque<byte_vector>{message_a, message_b}));
    EXPECT_FALSE(in->data_event.is_set());
    arrive(message_a);
    in->drop_waiting();
    EXPECT_FALSE(in->data_event.is_set());
    arrive(message_a);
    in->data_event.reset();
    in->put_back(earlier);
    EXPECT_TRUE(in->data_event.is_set());
    EXPECT_EQ(in->set_aside(), (std::deque<byte_vector>{message_a, message_b, message_a}));
}

TEST_F(sysex_in_test, callback_messages_raise_the_right_boxes) {
    open();
    devices.open_in->post(mim_open);
    devices.open_in->post(mim_data);
    devices.open_in->post(mim_longerror);
    devices.open_in->post(mim_close);
    EXPECT_TRUE(sink.texts().empty());
    devices.open_in->post(mim_error);
    devices.open_in->post(0x3C7);
    devices.fail_in_add_in_callback = true;
    arrive(message_a);
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{
                                "sysex_in::MidiInProc - recieved MIM_ERROR",
                                "sysex_in::MidiInProc - recieved unknown message 3C7",
                                "sysex_in::MidiInProc - unable to add buffer"}));
    EXPECT_EQ(in->queued(), 1u);  // the block itself was kept
}

TEST_F(sysex_in_test, a_bad_message_queues_nothing_and_the_buffer_goes_back_to_the_device) {
    const byte_vector cut_off{0xF0, 0x00, 0x00, 0x0E};
    for (const bool add_fails : {false, true}) {
        open();
        devices.fail_in_add_in_callback = add_fails;
        ASSERT_TRUE(devices.open_in->deliver(cut_off, mim_longerror));
        devices.fail_in_add_in_callback = false;
        EXPECT_EQ(in->queued(), 0u);
        EXPECT_EQ(notified.calls, 0);
        // The next message finds a buffer to go into, unless handing it back
        // failed, which the user is told.
        EXPECT_EQ(arrive(message_a), !add_fails);
        EXPECT_EQ(sink.texts(), add_fails ? std::vector<std::string>{"sysex_in::MidiInProc - unable to add buffer"}
                                          : std::vector<std::string>{});
        byte_vector out;
        in->get_data(out);
        notified.calls = 0;
        in->shutdown();
    }
}

TEST_F(sysex_in_test, init_on_an_open_object_reopens_it_and_keeps_the_notification) {
    open(0);
    in->init(1);
    ASSERT_TRUE(in->is_open);
    EXPECT_EQ(log.only({"close in"}), std::vector<std::string>{"close in 0"});
    EXPECT_EQ(devices.open_in->device(), 1);
    ASSERT_TRUE(arrive(message_a));
    EXPECT_EQ(notified.calls, 1);
}

TEST_F(sysex_in_test, blocks_survive_shutdown_and_notifications_stop) {
    open();
    arrive(message_a);
    in->shutdown();
    EXPECT_FALSE(in->is_open);
    EXPECT_EQ(in->on_data, nullptr);
    EXPECT_EQ(in->on_data_arg, &notified);
    in->init(0);
    ASSERT_TRUE(in->is_open);
    arrive(message_b);
    EXPECT_EQ(notified.calls, 1);
    byte_vector out;
    in->get_data(out);
    EXPECT_EQ(out, message_a);
    EXPECT_EQ(in->queued(), 1u);
}

TEST_F(sysex_in_test, failures_after_opening_throw_and_close_the_device_again) {
    struct row {
        std::atomic<bool>* flag;
        const char16_t* text;
    };
    for (const row r : {row{&devices.fail_in_prepare, u"sysex_in::init - unable to prepare header"},
                        row{&devices.fail_in_add, u"sysex_in::init - unable to add buffer"},
                        row{&devices.fail_in_start, u"sysex_in::init - unable to start device"}}) {
        *r.flag = true;
        log.clear();
        in->on_data = &counter::bump;
        try {
            in->init(2);
            ADD_FAILURE() << "no error";
        } catch (const sysex_error& e) {
            EXPECT_EQ(e.message, r.text);
        }
        *r.flag = false;
        EXPECT_FALSE(in->is_open);
        EXPECT_EQ(in->on_data, nullptr);
        EXPECT_EQ(log.only({"close in"}), std::vector<std::string>{"close in 2"});
    }
    // A device that keeps its buffer after the reset is asked for it a
    // bounded number of times, and closed all the same.
    devices.fail_in_start = true;
    devices.in_reset_keeps = true;
    devices.in_unprepares = 0;
    log.clear();
    EXPECT_THROW(in->init(2), sysex_error);
    EXPECT_EQ(devices.in_unprepares, unprepare_attempts);
    EXPECT_EQ(log.only({"close in"}), std::vector<std::string>{"close in 2"});
}

TEST_F(sysex_in_test, shutdown_failures_throw_and_leave_the_object_open) {
    struct row {
        std::function<void(bool)> fail;
        const char16_t* text;
        int unprepares;  // asked for by the failing shutdown
    };
    const std::vector<row> rows{
        {[&](bool on) { devices.fail_in_reset = on; }, u"sysex_in::shutdown - unable to reset device", 0},
        {[&](bool on) { devices.in_unprepare_error = on ? 1 : 0; },
         u"sysex_in::shutdown - unable to uprepare heander", 1},
        {[&](bool on) { devices.fail_in_close = on; }, u"sysex_in::shutdown - unable to close device", 1},
        // The device keeps its buffer after the reset: asked a bounded number
        // of times.
        {[&](bool on) { devices.in_reset_keeps = on; }, u"sysex_in::shutdown - unable to uprepare heander",
         unprepare_attempts}};
    for (const row& r : rows) {
        open();
        devices.in_unprepares = 0;
        r.fail(true);
        try {
            in->shutdown();
            ADD_FAILURE() << "no error";
        } catch (const sysex_error& e) {
            EXPECT_EQ(e.message, r.text);
        }
        EXPECT_TRUE(in->is_open);
        EXPECT_EQ(devices.in_unprepares, r.unprepares);
        r.fail(false);
        in->shutdown();
        EXPECT_FALSE(in->is_open);
    }
}

// A reset in the middle of a dump hands back the part that had arrived: it
// is no reply, and the buffer given back to the device would keep it from
// ever closing.
TEST_F(sysex_in_test, the_start_of_a_dump_handed_back_by_a_reset_is_dropped) {
    open();
    devices.in_reset_bytes = {0xF0, 0x00, 0x00, 0x0E, 0x1D};
    log.clear();
    in->shutdown();
    EXPECT_FALSE(in->is_open);
    EXPECT_EQ(in->queued(), 0u);
    EXPECT_EQ(notified.calls, 0);
    EXPECT_TRUE(log.only({"sleep"}).empty());
}

TEST_F(sysex_in_test, going_away_after_a_failed_shutdown_still_closes_the_device) {
    open(1);
    devices.fail_in_reset = true;
    log.clear();
    in.reset();  // the destructor's shutdown throws and is swallowed
    // The device was closed while the object's queue, lock and buffer, which
    // its callback writes to, still existed.
    EXPECT_EQ(log.only({"close in"}), std::vector<std::string>{"close in 1"});
}

TEST_F(sysex_in_test, dev_string_reads_names_by_position_and_by_open_device) {
    // The capacity counts the terminating zero, as the platform's does.
    const std::pair<int, std::u16string> capacities[] = {{0, u""}, {1, u""}, {3, u"In"}, {256, u"In 1"}};
    for (const auto& [capacity, expected] : capacities) {
        std::u16string text = u"left over";
        sysex_in::dev_string(devices, 1, capacity, text);
        EXPECT_EQ(text, expected) << capacity;
    }
    std::u16string text;
    open(2);
    sysex_in::dev_string(*in->handle, 256, text);
    EXPECT_EQ(text, u"In 2");
    EXPECT_THROW(sysex_in::dev_string(devices, 3, 256, text), sysex_error);
}

}  // namespace
}  // namespace patchwarden
