#include "midi/transport/sysex_out.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <limits>
#include <numeric>
#include <thread>

#include "fake_midi.h"
#include "midi/sysex_error.h"

namespace patchwarden {
namespace {

using testing::event_log;
using testing::fake_midi_system;
using testing::recording_clock;
using testing::recording_sink;

struct progress_call {
    std::int32_t chunk, offset, total;
    bool operator==(const progress_call&) const = default;
};

struct progress_log {
    std::mutex mutex;
    std::vector<progress_call> calls;
    static void record(void* arg, std::int32_t chunk, std::int32_t offset, std::int32_t total) {
        auto* self = static_cast<progress_log*>(arg);
        std::lock_guard guard(self->mutex);
        self->calls.push_back({chunk, offset, total});
    }
    std::vector<progress_call> get() {
        std::lock_guard guard(mutex);
        return calls;
    }
};

byte_vector stream(std::size_t n, std::uint8_t seed = 0) {
    byte_vector b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((i + seed) & 0x7F);
    return b;
}

// A send thread over the scripted device, with every box, sleep and
// progress report recorded.
struct send_rig {
    event_log log;
    fake_midi_system devices{log};
    recording_sink sink;
    recording_clock clock{log};
    progress_log progress;
    sysex_out out{devices, sink, clock};

    // Waits until the send thread has taken everything and gone idle.
    void settle(std::size_t expected_progress) {
        testing::eventually([&] { return progress.get().size() >= expected_progress; });
        ASSERT_EQ(progress.get().size(), expected_progress);
    }
    // Waits until n sleeps and submits have been logged.
    std::vector<std::string> timeline(std::size_t n) {
        testing::eventually([&] { return log.only({"sleep", "submit"}).size() >= n; });
        return log.only({"sleep", "submit"});
    }
    void open(int buffer, int pause) {
        out.on_progress = &progress_log::record;
        out.on_progress_arg = &progress;
        out.init(0, buffer, pause);
        ASSERT_TRUE(out.is_open);
    }
    std::vector<std::size_t> submitted() const {
        std::vector<std::size_t> sizes;
        for (const auto& s : devices.slices()) sizes.push_back(s.bytes.size());
        return sizes;
    }
};

class sysex_out_test : public ::testing::Test, public send_rig {};

const std::string prepare_box = "sysex_out::send - unable to prepare header";
const std::string submit_box = "sysex_out::send - unable to send message";
const std::string unprepare_box = "sysex_out::send - unable to uprepare heander";

TEST_F(sysex_out_test, cuts_a_buffer_into_chunks_and_reports_each) {
    open(1024, 0);
    const byte_vector data = stream(2500);
    out.send_async(data);
    settle(3);
    out.shutdown();
    const auto slices = devices.slices();
    ASSERT_EQ(slices.size(), 3u);
    EXPECT_EQ(slices[0].bytes.size(), 1024u);
    EXPECT_EQ(slices[1].bytes.size(), 1024u);
    EXPECT_EQ(slices[2].bytes.size(), 452u);
    byte_vector joined;
    for (const auto& s : slices) joined.insert(joined.end(), s.bytes.begin(), s.bytes.end());
    EXPECT_EQ(joined, data);
    EXPECT_EQ(progress.get(), (std::vector<progress_call>{
                                  {1024, 0, 2500}, {1024, 1024, 2500}, {452, 2048, 2500}}));
}

TEST_F(sysex_out_test, buffer_size_at_least_the_length_sends_one_chunk) {
    for (int size : {2500, 4000}) {
        open(size, 0);
        out.send_async(stream(2500));
        settle(1);
        out.shutdown();
        progress.calls.clear();
    }
    ASSERT_EQ(devices.slices().size(), 2u);
    EXPECT_EQ(devices.slices()[1].bytes.size(), 2500u);
}

TEST_F(sysex_out_test, pauses_surround_every_chunk_and_three_separate_two_buffers) {
    open(1000, 7);
    log.clear();
    out.send_async(stream(2000));
    out.send_async(stream(1500));
    settle(4);
    EXPECT_EQ(timeline(12),
              (std::vector<std::string>{"sleep 7", "submit 1000", "sleep 7", "submit 1000",
                                        "sleep 7", "sleep 7", "sleep 7", "submit 1000", "sleep 7",
                                        "submit 500", "sleep 7", "sleep 7"}));
}

TEST_F(sysex_out_test, pause_of_zero_sleeps_zero_at_every_pause_point) {
    open(100, 0);
    log.clear();
    out.send_async(stream(250));
    settle(3);
    EXPECT_EQ(timeline(8),
              (std::vector<std::string>{"sleep 0", "submit 100", "sleep 0", "submit 100", "sleep 0",
                                        "submit 50", "sleep 0", "sleep 0"}));
}

TEST_F(sysex_out_test, completion_is_polled_every_millisecond) {
    devices.still_playing_polls = 3;
    open(1024, 5);
    log.clear();
    out.send_async(stream(10));
    settle(1);
    EXPECT_EQ(timeline(7),
              (std::vector<std::string>{"sleep 5", "submit 10", "sleep 1", "sleep 1", "sleep 1",
                                        "sleep 5", "sleep 5"}));
    EXPECT_TRUE(sink.texts().empty());
}

TEST(sysex_out_failures, each_shows_its_box_at_once_and_a_lost_chunk_drops_the_rest_of_its_buffer) {
    const std::vector<progress_call> whole{{600, 0, 1000}, {400, 600, 1000}};
    const std::vector<progress_call> dropped{{1000, 0, 1000}};
    struct row {
        const char* what;
        bool fail_prepare, fail_submit;
        int unprepare_errors;  // per chunk; -1: the chunk never comes back
        bool keeps_playing;
        std::vector<std::string> boxes;
        std::vector<std::size_t> submitted;
        std::vector<progress_call> progress;
        std::size_t unprepare_tries_failed;
        std::int64_t dropped;
    };
    const std::vector<row> rows{
        // The device takes each chunk after a few errors: sent, shown once.
        {"passing errors", false, false, 3, false, {unprepare_box}, {600, 400}, whole, 6, 0},
        {"never given back", false, false, -1, false, {unprepare_box}, {600}, dropped,
         unprepare_attempts, 1000},
        {"kept playing", false, false, 0, true, {unprepare_box}, {600}, dropped, 0, 1000},
        // A chunk whose header could not be prepared is still submitted.
        {"prepare", true, false, 0, false, {prepare_box}, {600, 400}, whole, 0, 0},
        {"submit", false, true, 0, false, {submit_box}, {600}, dropped, 0, 1000},
        {"everything", true, true, -1, false, {prepare_box, submit_box, unprepare_box}, {600},
         dropped, unprepare_attempts, 1000},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        send_rig rig;
        rig.devices.fail_out_prepare = r.fail_prepare;
        rig.devices.fail_out_send = r.fail_submit;
        rig.devices.unprepare_errors = r.unprepare_errors;
        rig.devices.hold = r.keeps_playing;
        rig.open(600, 0);
        rig.out.send_async(stream(1000));
        rig.settle(r.progress.size());
        rig.devices.hold = false;
        rig.out.shutdown();
        EXPECT_EQ(rig.sink.texts(), r.boxes);
        EXPECT_EQ(rig.submitted(), r.submitted);
        EXPECT_EQ(rig.progress.get(), r.progress);
        EXPECT_EQ(rig.log.only({"unprepare error"}).size(), r.unprepare_tries_failed);
        EXPECT_EQ(rig.out.dropped_bytes(), r.dropped);
    }
}

TEST_F(sysex_out_test, a_device_that_keeps_failing_shows_its_box_once_until_a_chunk_goes_through) {
    devices.fail_out_send = true;  // unplugged in the middle of a bank
    open(600, 0);
    for (int i = 0; i < 3; ++i) out.send_async(stream(1000));
    settle(3);
    EXPECT_EQ(sink.texts(), std::vector<std::string>{submit_box});
    devices.fail_out_send = false;
    out.send_async(stream(1000));
    settle(5);
    devices.fail_out_send = true;
    out.send_async(stream(1000));
    settle(6);
    out.shutdown();
    EXPECT_EQ(sink.texts(), std::vector<std::string>(2, submit_box));
    EXPECT_EQ(out.dropped_bytes(), 4000);
}

// A closed port keeps no progress report: a later opening without one (the
// search for the A6) would report its request to the window.
TEST_F(sysex_out_test, closed_object_drops_data_and_failed_open_is_silent) {
    out.send_async(stream(10));
    devices.dead_outputs = {1};
    out.on_progress = &progress_log::record;
    out.init(1, 512, 3);
    EXPECT_FALSE(out.is_open);
    EXPECT_EQ(out.on_progress, nullptr);
    out.on_progress = &progress_log::record;
    out.shutdown();
    EXPECT_EQ(out.on_progress, nullptr);
    out.send_async(stream(10));
    EXPECT_EQ(out.buffer_size, 0);
    EXPECT_EQ(out.pause_ms, 0);
    open(1024, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    out.shutdown();
    EXPECT_TRUE(devices.slices().empty());
    EXPECT_TRUE(sink.texts().empty());
}

TEST_F(sysex_out_test, settings_that_would_never_advance_fall_back_to_defaults) {
    struct row {
        int buffer, pause, want_buffer, want_pause;
    };
    for (const row r : {row{0, -1, 1024, 20}, row{-5, 0, 1024, 0}, row{1, 3, 1, 3}}) {
        out.init(0, r.buffer, r.pause);
        EXPECT_EQ(out.buffer_size, r.want_buffer);
        EXPECT_EQ(out.pause_ms, r.want_pause);
        out.shutdown();
    }
}

// Runs a hook at each sleep (numbered from 1) before sleeping.
class hooked_clock : public transport_clock {
public:
    std::function<void(int)> hook;
    void sleep_ms(int) override {
        hook(++count_);
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }

private:
    int count_ = 0;
};

TEST(sysex_out_shutdown, in_the_middle_of_a_buffer_lets_the_playing_chunk_finish) {
    event_log log;
    fake_midi_system devices{log};
    recording_sink sink;
    hooked_clock clock;
    progress_log progress;
    sysex_out out{devices, sink, clock};
    // The first chunk plays until shutdown has been signalled.
    clock.hook = [&](int) {
        if (out.shutdown_event.is_set()) devices.hold = false;
    };
    out.on_progress = &progress_log::record;
    out.on_progress_arg = &progress;
    out.init(0, 100, 0);
    devices.hold = true;
    out.send_async(stream(1000));
    out.send_async(stream(1000));
    while (devices.slices().empty()) std::this_thread::yield();
    out.shutdown();
    EXPECT_FALSE(out.is_open);
    EXPECT_EQ(devices.slices().size(), 1u);
    EXPECT_EQ(progress.get().size(), 1u);
    EXPECT_EQ(out.queued(), 0u);
    EXPECT_EQ(out.on_progress, nullptr);

    // A new opening starts from an empty queue and without progress reports.
    out.init(0, 100, 0);
    out.send_async(stream(50));
    testing::eventually([&] { return devices.slices().size() >= 2; });
    out.shutdown();
    ASSERT_EQ(devices.slices().size(), 2u);
    EXPECT_EQ(devices.slices()[1].bytes.size(), 50u);
    EXPECT_EQ(progress.get().size(), 1u);
}

TEST(sysex_out_shutdown, a_signal_during_a_pause_lets_the_next_chunk_go_even_from_the_next_buffer) {
    for (const bool one_buffer : {true, false}) {
        event_log log;
        fake_midi_system devices{log};
        recording_sink sink;
        hooked_clock clock;
        sysex_out out{devices, sink, clock};
        // Sleep 1 opens send and holds the thread until every buffer is
        // queued, so a slow test thread cannot leave the queue empty after
        // the first buffer; sleep 2 follows the first chunk.
        std::atomic<bool> all_queued{false};
        clock.hook = [&](int n) {
            if (n == 1)
                while (!all_queued) std::this_thread::yield();
            if (n == 2) out.shutdown_event.set();
        };
        out.init(0, 100, 1);
        if (one_buffer) {
            out.send_async(stream(300));
        } else {
            out.send_async(stream(100, 0));
            out.send_async(stream(100, 9));
        }
        out.send_async(stream(100));
        all_queued = true;
        out.thread.join();  // the thread ends on its own after the signal
        const auto slices = devices.slices();
        ASSERT_EQ(slices.size(), 2u);
        const byte_vector whole = stream(300);
        EXPECT_EQ(slices[1].bytes, one_buffer ? byte_vector(whole.begin() + 100, whole.begin() + 200)
                                              : stream(100, 9));
        out.shutdown();
        EXPECT_EQ(out.queued(), 0u);
    }
}

// Two buffers, 250 bytes in chunks of 100 and then 100, with shutdown
// signalled at one moment of the send thread's run: during a pause (the
// sleeps, numbered from 1: before chunk 1, after chunks 1, 2 and 3, between
// the buffers) or between a chunk's submission and its progress call (the
// slices, numbered from 1). Every byte is either reported or counted as
// discarded, never both.
TEST(sysex_out_shutdown, every_queued_byte_is_reported_or_counted_as_discarded) {
    struct row {
        const char* what;
        int signal_at_sleep, signal_at_slice;
        bool device_fails, keeps_playing, with_progress;
        std::int32_t reported;
        std::int64_t discarded;
    };
    const row rows[] = {
        {"pause before the first chunk: that chunk goes", 1, 0, false, false, true, 100, 250},
        {"between submission and progress", 0, 2, false, false, true, 200, 150},
        {"pause after a chunk: the next one goes", 3, 0, false, false, true, 250, 100},
        {"the last chunk of a buffer", 0, 3, false, false, true, 250, 100},
        {"pause between buffers: the next buffer's first chunk goes", 5, 0, false, false, true, 350, 0},
        {"a failed chunk reports the rest of its buffer", 0, 1, true, false, true, 250, 100},
        // The device never gives chunk 2 back: shutdown ends the wait for it.
        {"a chunk kept playing is given up", 0, 2, false, true, true, 100, 250},
        {"nothing counted without a progress report", 0, 2, false, false, false, 0, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        event_log log;
        fake_midi_system devices{log};
        recording_sink sink;
        hooked_clock clock;
        progress_log progress;
        sysex_out out{devices, sink, clock};
        std::atomic<bool> all_queued{false};
        int sleeps_after_signal = 0;  // polls of a chunk kept playing among them
        clock.hook = [&](int n) {
            if (n == 1)
                while (!all_queued) std::this_thread::yield();
            if (out.shutdown_event.is_set()) ++sleeps_after_signal;
            if (n == r.signal_at_sleep) out.shutdown_event.set();
        };
        devices.on_slice = [&](int, const byte_vector&) {
            if (static_cast<int>(devices.slices().size()) != r.signal_at_slice) return;
            devices.hold = r.keeps_playing;
            out.shutdown_event.set();
        };
        devices.fail_out_send = r.device_fails;
        if (r.with_progress) {
            out.on_progress = &progress_log::record;
            out.on_progress_arg = &progress;
        }
        out.init(0, 100, 1);
        out.send_async(stream(250));
        out.send_async(stream(100));
        all_queued = true;
        // The thread ends on its own after the signal.
        auto ended = std::async(std::launch::async, [&] { out.thread.join(); });
        if (ended.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            std::fprintf(stderr, "the send thread did not end after shutdown\n");
            std::_Exit(1);
        }
        out.shutdown();
        std::int32_t reported = 0;
        for (const progress_call& c : progress.get()) reported += c.chunk;
        EXPECT_EQ(reported, r.reported);
        EXPECT_EQ(out.take_discarded_bytes(), r.discarded);
        EXPECT_EQ(out.take_discarded_bytes(), 0);
        // Once shutdown is signalled a chunk is waited for within the short
        // bound, not the long one of a send going on.
        EXPECT_LT(sleeps_after_signal, still_playing_slack_ms);
    }
}

TEST(sysex_out_shutdown, ends_a_pause_of_any_length) {
    event_log log;
    fake_midi_system devices{log};
    recording_sink sink;
    sysex_out out{devices, sink};  // the real clock
    out.init(0, 100, std::numeric_limits<std::int32_t>::max());
    out.send_async(stream(300));  // the send thread starts its first pause
    auto closing = std::async(std::launch::async, [&] { out.shutdown(); });
    if (closing.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        // The thread sleeps for 24 days; nothing can be cleaned up.
        std::fprintf(stderr, "sysex_out::shutdown waited for the pause\n");
        std::_Exit(1);
    }
    closing.get();
    EXPECT_FALSE(out.is_open);
    EXPECT_LE(devices.slices().size(), 1u);
}

TEST_F(sysex_out_test, init_on_an_open_object_closes_it_first_and_keeps_the_progress_report) {
    open(1024, 0);
    out.init(1, 512, 0);
    EXPECT_TRUE(out.is_open);
    EXPECT_EQ(log.only({"close out"}), std::vector<std::string>{"close out 0"});
    out.send_async(stream(10));
    settle(1);  // progress is still reported
    ASSERT_EQ(devices.slices().size(), 1u);
    EXPECT_EQ(devices.slices()[0].output, 1);
}

TEST_F(sysex_out_test, close_failure_throws_and_leaves_the_object_open) {
    open(1024, 0);
    devices.fail_out_close = true;
    try {
        out.shutdown();
        FAIL() << "no error";
    } catch (const sysex_error& e) {
        EXPECT_EQ(e.message, u"sysex_out::shutdown - unable to close device");
    }
    EXPECT_TRUE(out.is_open);
    devices.fail_out_close = false;
    out.shutdown();
    EXPECT_FALSE(out.is_open);
}

TEST_F(sysex_out_test, dev_string_cuts_names_and_throws_for_unknown_devices) {
    const std::pair<int, std::u16string> capacities[] = {{0, u""}, {1, u""}, {4, u"Out"}, {256, u"Out 2"}};
    for (const auto& [capacity, expected] : capacities) {
        std::u16string text = u"left over";
        sysex_out::dev_string(devices, 2, capacity, text);
        EXPECT_EQ(text, expected) << capacity;
    }
    std::u16string text;
    try {
        sysex_out::dev_string(devices, 3, 256, text);
        FAIL() << "no error";
    } catch (const sysex_error& e) {
        EXPECT_EQ(e.message, u"sysex_out::dev_string - unable to get device params");
    }
}

}  // namespace
}  // namespace patchwarden
