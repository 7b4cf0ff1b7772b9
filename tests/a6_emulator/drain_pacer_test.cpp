#include "a6_emulator/drain_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace patchwarden::a6_emulator_program {
namespace {

using clock = drain_pacer::clock;
using namespace std::chrono_literals;

// A reader following the pacer over a buffer that a sender fills: `arrivals`
// says how many bytes come in each millisecond, `late` how long the reader
// is held up before a read it makes at a given moment. Returns the bytes
// taken by the end of each millisecond.
std::vector<double> drain(double rate, int ms, const std::function<double(int)>& arrivals,
                          const std::function<clock::duration(int)>& late) {
    drain_pacer pacer(rate, 16, 1 << 20);
    const clock::time_point t0 = clock::time_point{} + 1h;
    double held = 0;
    double taken = 0;
    bool idle = true;
    std::vector<double> taken_by(static_cast<std::size_t>(ms));
    clock::time_point free_at = t0;  // the reader's own schedule
    for (int m = 0; m < ms; ++m) {
        const clock::time_point now = t0 + std::chrono::milliseconds(m);
        const double came = arrivals(m);
        held += came;
        if (idle && came > 0) {
            pacer.woke(now);
            idle = false;
        }
        if (!idle && now >= pacer.next_read() && now >= free_at) {
            const std::size_t asked = pacer.allowance(now);
            const auto got = static_cast<std::size_t>(std::min<double>(static_cast<double>(asked), held));
            held -= static_cast<double>(got);
            taken += static_cast<double>(got);
            pacer.took(got, asked, now);
            idle = got < asked;
            free_at = now + late(m);
        }
        taken_by[static_cast<std::size_t>(m)] = taken;
    }
    return taken_by;
}

TEST(a6_emulator_drain, takes_bytes_at_the_wire_rate_and_never_faster) {
    const double rate = 3125.0;  // bytes a second
    struct row {
        const char* what;
        std::function<double(int)> arrivals;
        std::function<clock::duration(int)> late;
        int ms;
        // Bytes taken by the end, and never more than the wire allows
        // since the first byte came.
        double low, high;
    };
    const auto always_full = [](int m) { return m == 0 ? 1e9 : 0.0; };
    const auto on_time = [](int) { return clock::duration::zero(); };
    const row rows[] = {
        {"a full buffer, read on time", always_full, on_time, 10000, 31250 - 32, 31250},
        {"a full buffer, the reader held up 300 ms every second", always_full,
         [](int m) { return m % 1000 == 0 ? clock::duration(300ms) : clock::duration::zero(); },
         10000, 31250 - 32, 31250},
        // Silence saves no time: after 5 s idle the 4,096 bytes still take
        // their wire time, and are all taken 1,320 ms after they came.
        {"4,096 bytes after 5 s of silence", [](int m) { return m == 5000 ? 4096.0 : 0.0; }, on_time,
         6321, 4096, 4096},
        {"bytes trickling in slower than the wire",
         [](int m) { return m % 10 == 0 ? 20.0 : 0.0; }, on_time, 10000, 19980, 20000},
    };
    for (const row& r : rows) {
        const std::vector<double> taken = drain(rate, r.ms, r.arrivals, r.late);
        EXPECT_GE(taken.back(), r.low) << r.what;
        EXPECT_LE(taken.back(), r.high) << r.what;
        // Never faster than the wire: by any moment, at most the wire time
        // since the first byte came worth (plus one read's rounding).
        int first = 0;
        while (r.arrivals(first) == 0) ++first;
        for (std::size_t m = static_cast<std::size_t>(first); m < taken.size(); m += 50)
            EXPECT_LE(taken[m], rate * static_cast<double>(m - static_cast<std::size_t>(first)) / 1000 + 16)
                << r.what << " at " << m << " ms";
    }
}

TEST(a6_emulator_drain, speed_0_takes_everything_at_once) {
    drain_pacer pacer(0, 64, 8192);
    const clock::time_point now{};
    EXPECT_LE(pacer.next_read(), now);
    EXPECT_EQ(pacer.allowance(now), 8192u);
    pacer.took(100, 8192, now);
    EXPECT_EQ(pacer.allowance(now), 8192u);
}

}  // namespace
}  // namespace patchwarden::a6_emulator_program
