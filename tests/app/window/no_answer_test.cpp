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

TEST_F(ports_window_test, the_window_tells_once_for_each_request_whose_replies_stop) {
    transfers::clock::time_point now{};
    logic->set_clock([&] { return now; });
    configure(config_choice{});
    set_checked(main_ids::ask, false);  // late replies replace without a prompt
    const auto tick_at = [&](std::chrono::duration<double> since, transfers::clock::time_point start) {
        now = start + std::chrono::duration_cast<transfers::clock::duration>(since);
        logic->tick();
    };
    // A request answered in time raises nothing, however long it is quiet after.
    get(u"pu:5");
    handle_posted();
    ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
    ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, 0, 5, u"In time")));
    handle_posted();
    tick_at(600s, now);
    EXPECT_TRUE(box.shown.empty());

    const struct {
        std::u16string request;
        int replies_first;        // arriving 2 s after the request: the wait starts again
        double patience_seconds;  // wire time of the largest reply + 3 s
        std::u16string said;
    } rows[] = {
        {u"pu:5", 0, 2350 / 3125.0 + 3, u"0 of 1"},
        {u"mc3", 2, 1180 / 3125.0 + 3, u"2 of 128"},
        {u"g", 0, 18183 / 3125.0 + 3, u"0 of 1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(narrow(row.request));
        box.shown.clear();
        // While the request is still on its way out, the wait has not begun.
        devices.hold = true;
        get(row.request);
        handle_posted();
        tick_at(100s, now);
        EXPECT_TRUE(box.shown.empty());
        devices.hold = false;
        ASSERT_TRUE(wait_until([&] { return logic->counters().bytes_queued == 0; }));
        if (row.replies_first > 0) now += 2s;
        for (int n = 0; n < row.replies_first; ++n)
            ASSERT_TRUE(devices.open_in->deliver(dump_bytes(mix_dump, 4, n, u"")));
        handle_posted();
        const transfers::clock::time_point quiet_since = now;

        tick_at(std::chrono::duration<double>(row.patience_seconds) - 10ms, quiet_since);
        EXPECT_TRUE(box.shown.empty());
        tick_at(std::chrono::duration<double>(row.patience_seconds) + 10ms, quiet_since);
        tick_at(600s, quiet_since);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, u"The A6 has not answered for a while: " + row.said +
                                         u" replies have arrived.\r\nThe request still waits for the rest; "
                                         u"Config releases the waiting requests.");
        EXPECT_EQ(box.shown[0].icon, box_icon::information);
        // The wait is unchanged: a late reply is still taken.
        EXPECT_GT(logic->counters().pending_replies, 0);
        ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, 0, 5, u"Late " + row.request)));
        handle_posted();
        EXPECT_EQ(shown_name(*library.find_entry(program_dump, 0, 5)->record()).substr(0, 5), u"Late ");
        EXPECT_EQ(box.shown.size(), 1u);
        configure(config_choice{});  // releases the bank's wait for the next row
    }
}

}  // namespace
}  // namespace patchwarden
