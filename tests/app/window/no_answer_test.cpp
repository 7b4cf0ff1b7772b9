// A request the instrument does not answer: once nothing has moved for the
// wire time of its largest reply plus the margin, the window's timer tells
// the user once, and the request goes on waiting. The clock is the test's.

#include <gtest/gtest.h>

#include <chrono>

#include "tests/app/support/ports_fixture.h"

namespace patchwarden {
namespace {

using namespace testing;
using namespace std::chrono_literals;

struct no_answer_test : ports_window_test {
    transfers::clock::time_point now{};

    void open() {
        open_window();
        logic->set_clock([this] { return now; });
        configure(config_choice{});
        box.shown.clear();
    }
    // Moves the clock on and runs the window's timer.
    void at(std::chrono::duration<double> since, transfers::clock::time_point start) {
        now = start + std::chrono::duration_cast<transfers::clock::duration>(since);
        logic->tick();
    }
};

TEST_F(no_answer_test, the_window_tells_once_when_replies_stop_and_the_wait_goes_on) {
    const struct {
        std::u16string request;
        int replies_first;
        double patience_seconds;  // wire time of the largest reply + 3 s
        std::u16string said;
    } rows[] = {
        {u"pu:5", 0, 2350 / 3125.0 + 3, u"0 of 1"},
        {u"mc3", 2, 1180 / 3125.0 + 3, u"2 of 128"},
        {u"g", 0, 18183 / 3125.0 + 3, u"0 of 1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(narrow(row.request));
        open();
        // While the request is still on its way out, the wait has not begun.
        devices.hold = true;
        get(row.request);
        handle_posted();
        at(100s, now);
        EXPECT_TRUE(box.shown.empty());
        devices.hold = false;
        ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
        for (int n = 0; n < row.replies_first; ++n) {
            ASSERT_TRUE(devices.open_in->deliver(dump_bytes(mix_dump, 4, n, u"First")));
            handle_posted();
        }
        const transfers::clock::time_point quiet_since = now;

        at(std::chrono::duration<double>(row.patience_seconds) - 10ms, quiet_since);
        EXPECT_TRUE(box.shown.empty());
        at(std::chrono::duration<double>(row.patience_seconds) + 10ms, quiet_since);
        at(600s, quiet_since);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, u"The A6 has not answered for a while: " + row.said +
                                         u" replies have arrived.\r\nThe request still waits for the rest; "
                                         u"Config releases the waiting requests.");
        EXPECT_EQ(box.shown[0].icon, box_icon::information);
        EXPECT_GT(logic->counters().pending_replies, 0);  // the wait is unchanged
    }
}

// A reply that comes starts the wait again; a late one is still taken, and
// the next request gets its own notice.
TEST_F(no_answer_test, each_reply_starts_the_wait_again_and_each_request_has_its_notice) {
    open();
    get(u"pu:1;pu:2");
    handle_posted();
    ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
    const auto start = now;
    at(3s, start);
    ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, 0, 1, u"In time")));
    handle_posted();
    ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
    at(6s, start);  // 3 s after the reply: still within the wait
    EXPECT_TRUE(box.shown.empty());
    at(7s, start);
    EXPECT_EQ(box.shown.size(), 1u);
    ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, 0, 2, u"Late")));
    handle_posted();
    EXPECT_NE(library.find_entry(program_dump, 0, 2), nullptr);
    EXPECT_EQ(logic->counters().pending_replies, 0);
    at(100s, start);
    EXPECT_EQ(box.shown.size(), 1u);  // nothing is awaited any more

    get(u"pu:3");
    handle_posted();
    ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
    at(105s, start);
    EXPECT_EQ(box.shown.size(), 2u);
}

}  // namespace
}  // namespace patchwarden
