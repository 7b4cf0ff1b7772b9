#include "midi/alsa/alsa_logic.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <deque>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "midi/alsa/receive_loop.h"
#include "midi/alsa/slice_sender.h"

#ifdef PW_HAVE_ALSA
#include <cstdarg>
extern "C" {
#include <alsa/error.h>
}

#include "midi/alsa/alsa_system.h"
#include "midi/alsa/quiet_alsa.h"
#endif

namespace patchwarden::alsa {
namespace {

TEST(alsa_ports, listed_when_others_may_subscribe_except_system_and_own_client) {
    constexpr unsigned in = cap_read | cap_subs_read;
    constexpr unsigned out = cap_write | cap_subs_write;
    struct row {
        int client;
        unsigned caps;
        bool input, output;
    };
    const int own = 128;
    for (const row r : {row{14, in | out, true, true}, row{20, in, true, false},
                        row{20, out, false, true}, row{0, in | out, false, false},
                        row{own, in | out, false, false}, row{20, in | out | cap_no_export, false, false},
                        row{20, cap_read | cap_write, false, false},
                        row{20, cap_read | cap_subs_write, false, false}}) {
        port_entry p;
        p.client = r.client;
        p.capability = r.caps;
        EXPECT_EQ(listed_as_input(p, own), r.input) << r.client << " " << r.caps;
        EXPECT_EQ(listed_as_output(p, own), r.output) << r.client << " " << r.caps;
    }
}

TEST(alsa_ports, names_carry_client_and_port_numbers_and_fit_31_units) {
    struct row {
        int client, port;
        const char* client_name;
        const char* port_name;
        std::u16string expected;
    };
    const row rows[] = {
        {24, 0, "UM-ONE", "UM-ONE MIDI 1", u"24:0 UM-ONE:UM-ONE MIDI 1"},
        // The same interface twice: told apart by the numbers.
        {28, 0, "UM-ONE", "UM-ONE MIDI 1", u"28:0 UM-ONE:UM-ONE MIDI 1"},
        {20, 1, "UM-ONE", "UM-ONE MIDI 1", u"20:1 UM-ONE:UM-ONE MIDI 1"},
        // Cut to 31 units; the blank the cut leaves at the end goes too.
        {14, 0, "Midi Through", "Midi Through Port-0", u"14:0 Midi Through:Midi Through"},
        {130, 12, "A very long client name indeed", "port", u"130:12 A very long client name"},
        // A character outside the BMP is kept whole or left out whole.
        {1, 2, "Gr\xC3\xBC" "n", "\xF0\x9F\x8E\xB9", u"1:2 Gr\u00FCn:\U0001F3B9"},
        {1, 2, "abcdefghijklmnopqrstuvwx", "\xF0\x9F\x8E\xB9", u"1:2 abcdefghijklmnopqrstuvwx:\U0001F3B9"},
        {1, 2, "abcdefghijklmnopqrstuvwxy", "\xF0\x9F\x8E\xB9", u"1:2 abcdefghijklmnopqrstuvwxy:"},
    };
    for (const row& r : rows) {
        const std::u16string name = port_display_name(r.client, r.port, r.client_name, r.port_name);
        EXPECT_EQ(name, r.expected) << r.client_name;
        EXPECT_LE(name.size(), max_device_name);
    }
}

using clock = slice_sender::clock;
using std::chrono::microseconds;

struct written_piece {
    std::size_t offset;
    std::size_t count;
    clock::time_point at;
};

// Polls a sender every step from t0 until it has sent (or failed, or the
// time is up), recording every piece written. answer decides each write
// attempt's result by its attempt number.
struct sender_run {
    std::vector<written_piece> pieces;
    std::vector<std::size_t> attempts;  // offsets of every write attempt
    slice_sender::state final_state = slice_sender::state::sending;
    clock::time_point finished{};
};

template <class Answer>
sender_run run_sender(double speed, std::size_t length, microseconds step, Answer answer,
                      std::chrono::seconds limit = std::chrono::seconds(120)) {
    std::vector<std::uint8_t> slice(length);
    slice_sender sender(speed);
    sender.begin(slice);
    sender_run run;
    const clock::time_point t0{};
    for (clock::time_point now = t0; now - t0 < limit; now += step) {
        run.final_state = sender.poll(now, [&](std::span<const std::uint8_t> piece) {
            const auto offset = static_cast<std::size_t>(piece.data() - slice.data());
            run.attempts.push_back(offset);
            const write_result r = answer(run.attempts.size() - 1, offset);
            if (r == write_result::written) run.pieces.push_back({offset, piece.size(), now});
            return r;
        });
        if (run.final_state != slice_sender::state::sending) {
            run.finished = now;
            break;
        }
    }
    return run;
}

const auto always_written = [](std::size_t, std::size_t) { return write_result::written; };
const auto always_written_span = [](std::span<const std::uint8_t>) { return write_result::written; };

// The wire is taken to carry 1,024 bytes in their nominal time plus five per
// cent; the next piece goes once no more than one piece's time is left.
TEST(alsa_pacing, pieces_of_1024_bytes_keep_at_most_two_pieces_ahead_of_the_wire_with_a_margin) {
    struct row {
        double speed;
        std::size_t length;
    };
    const microseconds step(100);
    const auto wire = [](std::size_t bytes, double speed) {
        return std::chrono::ceil<clock::duration>(
            std::chrono::duration<double, std::micro>(320.0 * 1.05 * static_cast<double>(bytes) / speed));
    };
    for (const row r : {row{1, 2500}, row{1, 1024}, row{16, 16384}, row{0.98, 3000}, row{1, 1}}) {
        const sender_run run = run_sender(r.speed, r.length, step, always_written);
        ASSERT_EQ(run.final_state, slice_sender::state::sent) << r.speed << " " << r.length;
        const microseconds rounding(1);
        std::size_t next = 0;
        clock::time_point free_at{};
        for (std::size_t i = 0; i < run.pieces.size(); ++i) {
            const written_piece& p = run.pieces[i];
            EXPECT_EQ(p.offset, next);
            EXPECT_EQ(p.count, std::min<std::size_t>(sub_write_size, r.length - next));
            next += p.count;
            if (i > 0) {
                const clock::time_point allowed = free_at - wire(sub_write_size, r.speed);
                EXPECT_GE(p.at, allowed - rounding) << "piece " << i;
                EXPECT_LT(p.at, std::max(allowed, run.pieces[i - 1].at + step) + step + rounding)
                    << "piece " << i;
            }
            free_at = std::max(free_at, p.at) + wire(p.count, r.speed);
        }
        EXPECT_EQ(next, r.length);
        EXPECT_GE(run.finished, free_at - rounding);
        EXPECT_LT(run.finished, free_at + step + rounding);
    }
}

TEST(alsa_pacing, unpaced_writes_a_piece_at_every_poll) {
    const sender_run run = run_sender(0, 3000, microseconds(1000), always_written);
    ASSERT_EQ(run.final_state, slice_sender::state::sent);
    ASSERT_EQ(run.pieces.size(), 3u);
    EXPECT_EQ(run.pieces[2].at - run.pieces[0].at, microseconds(2000));
    EXPECT_EQ(run.finished, run.pieces[2].at);
}

// An interface that drains 2% slower than the wire rate, behind a raw MIDI
// buffer of one 4 KiB page, must never overflow while a whole Program bank
// (128 x 2,350 bytes) goes out at pause 0, whatever the slice size.
TEST(alsa_pacing, a_bank_at_pause_0_fits_an_interface_draining_two_per_cent_slow) {
    const double drain_bytes_per_us = 0.98 / 320.0;
    const std::size_t bank = 128 * 2350;
    for (const std::size_t slice_size : {256u, 1024u, 4096u, 16384u}) {
        double held = 0;
        double most = 0;
        clock::time_point last{};
        clock::time_point now{};
        for (std::size_t sent = 0; sent < bank; sent += slice_size) {
            const std::size_t length = std::min(slice_size, bank - sent);
            std::vector<std::uint8_t> slice(length);
            slice_sender sender(1.0);
            sender.begin(slice);
            for (;;) {
                held = std::max(0.0, held - drain_bytes_per_us *
                                                std::chrono::duration<double, std::micro>(now - last).count());
                last = now;
                const auto s = sender.poll(now, [&](std::span<const std::uint8_t> piece) {
                    held += static_cast<double>(piece.size());
                    most = std::max(most, held);
                    return write_result::written;
                });
                if (s == slice_sender::state::sent) break;
                now += microseconds(1000);  // the transport polls every millisecond
            }
        }
        EXPECT_LE(most, 2.0 * sub_write_size) << "slice size " << slice_size;
    }
}

TEST(alsa_pacing, a_slice_with_a_failed_piece_is_never_sent) {
    using ws = write_result;
    struct row {
        const char* what;
        std::function<ws(std::size_t attempt, std::size_t offset)> answer;
        slice_sender::state expected;
        std::vector<std::size_t> attempts;  // offsets tried, in order
    };
    const row rows[] = {
        {"first piece fails", [](std::size_t, std::size_t) { return ws::failed; },
         slice_sender::state::failed, {0}},
        {"a later piece fails",
         [](std::size_t, std::size_t offset) { return offset == 1024 ? ws::failed : ws::written; },
         slice_sender::state::failed, {0, 1024}},
        {"a refused piece is tried again, and written once",
         [](std::size_t attempt, std::size_t) {
             return attempt == 1 || attempt == 2 ? ws::refused : ws::written;
         },
         slice_sender::state::sent, {0, 1024, 1024, 1024, 2048}},
        {"a piece refused for the refusal limit fails",
         [](std::size_t attempt, std::size_t) { return attempt == 0 ? ws::written : ws::refused; },
         slice_sender::state::failed, {}},
    };
    std::vector<sender_run> runs;
    for (const row& r : rows) {
        runs.push_back(run_sender(1.0, 2500, microseconds(1000), r.answer));
        EXPECT_EQ(runs.back().final_state, r.expected) << r.what;
        if (!r.attempts.empty()) {
            EXPECT_EQ(runs.back().attempts, r.attempts) << r.what;
        }
    }
    // The refusal limit: refused from the second piece's due time on.
    const sender_run& run = runs[3];
    const auto refusing = run.finished - run.pieces.front().at;
    EXPECT_GE(refusing, refusal_limit);
    EXPECT_LT(refusing, refusal_limit + std::chrono::seconds(1));
    // Failed stays failed.
    std::vector<std::uint8_t> slice(2500);
    slice_sender sender(1.0);
    sender.begin(slice);
    int calls = 0;
    const auto fail_second = [&](std::span<const std::uint8_t>) {
        return ++calls == 2 ? ws::failed : ws::written;
    };
    clock::time_point now{};
    EXPECT_EQ(sender.poll(now, fail_second), slice_sender::state::sending);
    now += std::chrono::seconds(1);
    EXPECT_EQ(sender.poll(now, fail_second), slice_sender::state::failed);
    for (int i = 0; i < 3; ++i) {
        now += std::chrono::seconds(1);
        EXPECT_EQ(sender.poll(now, always_written_span), slice_sender::state::failed);
    }
}

// A receive source answering from a script; once the script is used up it
// answers stop, and a loop that keeps waiting is counted.
class scripted_source : public receive_source {
public:
    scripted_source(std::deque<unsigned> watched, std::deque<bool> reads)
        : watched_(std::move(watched)), reads_(std::move(reads)) {}

    unsigned wait(bool watch_device) override {
        if (++waits > 100) return stop;  // a spinning loop
        if (!watch_device) {
            ++unwatched_waits;
            return stop;
        }
        ++watched_waits;
        if (watched_.empty()) return stop;
        const unsigned w = watched_.front();
        watched_.pop_front();
        return w;
    }
    bool read_available() override {
        ++reads;
        if (reads_.empty()) return true;
        const bool ok = reads_.front();
        reads_.pop_front();
        return ok;
    }
    void report_broken() override { ++reports; }

    int waits = 0, watched_waits = 0, unwatched_waits = 0, reads = 0, reports = 0;

private:
    std::deque<unsigned> watched_;
    std::deque<bool> reads_;
};

TEST(alsa_receive, a_failed_device_is_reported_once_and_no_longer_watched) {
    using rs = receive_source;
    struct row {
        const char* what;
        std::deque<unsigned> watched;  // what the device answers while watched
        std::deque<bool> reads;
        int reads_expected, reports, watched_waits, unwatched_waits;
    };
    const unsigned broken = rs::broken;
    const row rows[] = {
        {"data, data, stop", {rs::readable, rs::readable}, {}, 2, 0, 3, 0},
        {"error without data", {broken, broken, broken}, {}, 0, 1, 1, 1},
        {"data with an error: read first", {rs::readable | broken, broken, broken}, {}, 1, 1, 2, 1},
        {"a failed read", {rs::readable, rs::readable}, {false}, 1, 1, 1, 1},
        {"nothing (interrupted)", {0u, rs::readable}, {}, 1, 0, 3, 0},
    };
    for (const row& r : rows) {
        scripted_source s(r.watched, r.reads);
        run_receive_loop(s);
        EXPECT_LE(s.waits, 100) << r.what;
        EXPECT_EQ(s.reads, r.reads_expected) << r.what;
        EXPECT_EQ(s.reports, r.reports) << r.what;
        EXPECT_EQ(s.watched_waits, r.watched_waits) << r.what;
        EXPECT_EQ(s.unwatched_waits, r.unwatched_waits) << r.what;
    }
    EXPECT_EQ(device_wake(POLLIN), unsigned{rs::readable});
    EXPECT_EQ(device_wake(POLLHUP), broken);
    EXPECT_EQ(device_wake(POLLERR | POLLIN), rs::readable | broken);
    EXPECT_EQ(device_wake(POLLNVAL), broken);
    EXPECT_EQ(device_wake(POLLOUT), 0u);
}

std::size_t open_descriptors() {
    const std::filesystem::directory_iterator all("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(all), end(all)));
}

// Whether or not the thread could be started, nothing stays open once it is
// stopped or given up.
TEST(alsa_receive, the_stop_descriptor_is_closed_when_the_thread_ends_or_never_starts) {
    for (const bool thread_starts : {false, true}) {
        SCOPED_TRACE(thread_starts);
        const std::size_t before = open_descriptors();
        receive_thread receiver([&](std::function<void()> body) {
            if (!thread_starts)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            return std::thread(std::move(body));
        });
        // The thread waits for its stop signal.
        const bool started = receiver.start([&] {
            pollfd stop{receiver.stop_fd(), POLLIN, 0};
            while (receiver.running()) poll(&stop, 1, -1);
        });
        EXPECT_EQ(started, thread_starts);
        EXPECT_EQ(receiver.started(), thread_starts);
        receiver.stop();
        EXPECT_EQ(open_descriptors(), before);
    }
}

TEST(alsa_sequencer, without_a_sequencer_nothing_is_listed_or_opened) {
    if (std::filesystem::exists("/dev/snd/seq")) GTEST_SKIP() << "this machine has a sequencer";
#ifdef PW_HAVE_ALSA
    patchwarden::alsa_system system;
    EXPECT_FALSE(system.available());
    EXPECT_EQ(system.input_count(), 0);
    EXPECT_EQ(system.output_count(), 0);
    std::unique_ptr<patchwarden::midi_output> output;
    EXPECT_EQ(system.open_output(0, output), patchwarden::midi_result::error);
    EXPECT_EQ(output, nullptr);
#endif
}

#ifdef PW_HAVE_ALSA
// alsa-lib's lines are kept back while a quiet_alsa lives; then the thread's
// own handler speaks again.
TEST(quiet_alsa, the_threads_own_handler_comes_back) {
    const snd_local_error_handler_t own = [](const char*, int, const char*, int, const char*, va_list) {};
    const snd_local_error_handler_t before = snd_lib_error_set_local(own);
    snd_local_error_handler_t inside = nullptr;
    {
        const quiet_alsa quiet;
        inside = snd_lib_error_set_local(nullptr);
        snd_lib_error_set_local(inside);
    }
    EXPECT_NE(inside, own);
    EXPECT_EQ(snd_lib_error_set_local(before), own);
}
#endif

}  // namespace
}  // namespace patchwarden::alsa
