// The transfers on real threads, without Qt: a bank from the emulator and
// back through the relay, the notifications queued and handled one by one
// as the window's loop does, and the ports closing while a bank streams in
// and out. The ThreadSanitizer build runs these too.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "tests/support/scripted_message_box.h"
#include "app/transfers/midi_ports.h"
#include "app/transfers/transfers.h"

namespace patchwarden {
namespace {

using namespace std::chrono_literals;

// The window's posted events, as a queue the test thread drains.
class queued_notifications : public notification_target {
public:
    struct note {
        bool data = false;
        std::int32_t bytes = 0;
    };
    void data_ready() override { push({true, 0}); }
    void bytes_sent(std::int32_t bytes) override { push({false, bytes}); }
    void show_error(std::u16string) override { ++errors; }

    bool next(note& out, std::chrono::milliseconds limit) {
        std::unique_lock guard(mutex_);
        if (!ready_.wait_for(guard, limit, [this] { return !notes_.empty(); })) return false;
        out = notes_.front();
        notes_.pop_front();
        return true;
    }
    // Notifications received so far, taken or not.
    std::size_t pushed() {
        std::lock_guard guard(mutex_);
        return pushed_;
    }
    std::atomic<int> errors{0};

private:
    void push(note n) {
        std::lock_guard guard(mutex_);
        notes_.push_back(n);
        ++pushed_;
        ready_.notify_one();
    }
    std::mutex mutex_;
    std::condition_variable ready_;
    std::size_t pushed_ = 0;
    std::deque<note> notes_;
};

class recorded_bars : public transfer_bars {
public:
    struct call {
        transfer_bar bar;
        bool range;
        int value;
    };
    void set_range(transfer_bar bar, int maximum) override { calls.push_back({bar, true, maximum}); }
    void set_position(transfer_bar bar, int position) override { calls.push_back({bar, false, position}); }
    // The highest position shown and the last range of a bar.
    std::pair<int, int> highest_and_last_range(transfer_bar bar) const {
        int highest = 0, last = -1;
        for (const call& c : calls) {
            if (c.bar != bar) continue;
            if (c.range) last = c.value;
            else highest = std::max(highest, c.value);
        }
        return {highest, last};
    }
    std::vector<call> calls;
};

struct transfers_threads : ::testing::Test {
    a6_emulator emulator;
    queued_notifications notes;
    std::unique_ptr<midi_ports> ports = std::make_unique<midi_ports>(nullptr, &emulator);
    library_tree library;
    testing::scripted_message_box box;
    recorded_bars bars;
    transfers moves{library, box, ports->in(), ports->out(), bars, [] { return true; }};

    void SetUp() override { ports->relay().attach(&notes); }
    void TearDown() override {
        if (ports) ports->relay().detach(&notes);
    }

    // Handles notifications until done holds; false when none came for a
    // long while.
    bool handle_until(const std::function<bool()>& done) {
        queued_notifications::note n;
        while (!done()) {
            if (!notes.next(n, 30s)) return false;
            if (n.data) moves.pump();
            else moves.bytes_sent(n.bytes);
        }
        return true;
    }
};

TEST_F(transfers_threads, a_bank_from_the_emulator_and_back) {
    ports->open(0, 0, 1024, 0);
    ASSERT_TRUE(moves.queue_requests(u" p u "));
    moves.pump();
    ASSERT_TRUE(handle_until([&] { return library.find_entry(program_dump, 0, 127) != nullptr; }));
    EXPECT_EQ(moves.counters().replies_expected, 0);
    EXPECT_EQ(moves.counters().replies_received, 0);
    EXPECT_EQ(moves.counters().pending_replies, 0);
    EXPECT_EQ(bars.highest_and_last_range(transfer_bar::receive).second, 0);  // an empty bar

    bars.calls.clear();
    moves.queue_selection(library.find_entry(program_dump, 0, 0)->parent());
    moves.pump();
    EXPECT_EQ(bars.highest_and_last_range(transfer_bar::send), std::make_pair(0, 1175));
    ASSERT_TRUE(handle_until([&] { return moves.counters().bytes_queued == 0; }));
    EXPECT_EQ(bars.highest_and_last_range(transfer_bar::send), std::make_pair(1175, 1));
    ASSERT_TRUE(emulator.wait_received(128, 10s));
    const auto received = emulator.received();
    for (int n = 0; n < 128; ++n) EXPECT_EQ(received[n].record.data, a6_emulator::initial_program(0, n).data) << n;
    EXPECT_EQ(notes.errors, 0);
    EXPECT_TRUE(box.shown.empty());
}

// Quit while a bank comes in and another goes out: once the ports are shut
// down no thread of the transport reports anything more, and the ports can
// go before the window.
TEST_F(transfers_threads, no_notification_after_the_ports_shut_down_during_transfers) {
    for (int n = 0; n < 128; ++n) {
        library.insert_record(std::make_unique<a6_message>(a6_emulator::initial_mix(0, n)), false,
                              box_buttons::yes_no, box);
    }
    emulator.set_speed(200);
    ports->open(0, 0, 1024, 0);
    ASSERT_TRUE(moves.queue_requests(u"pu"));
    moves.queue_selection(library.root());
    moves.pump();
    ASSERT_TRUE(handle_until([&] { return moves.counters().bytes_sent > 4096 && library.find_entry(program_dump, 0, 2); }));

    ports->shutdown();
    const std::size_t at_shutdown = notes.pushed();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(notes.pushed(), at_shutdown);
    EXPECT_FALSE(ports->in().is_open);
    EXPECT_FALSE(ports->out().is_open);
    ports->relay().detach(&notes);
    ports.reset();
}

}  // namespace
}  // namespace patchwarden
