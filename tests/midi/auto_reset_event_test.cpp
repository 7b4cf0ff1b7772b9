#include "midi/transport/auto_reset_event.h"

#include <gtest/gtest.h>

#include <thread>

namespace patchwarden {
namespace {

using namespace std::chrono_literals;

TEST(auto_reset_event, two_sets_give_one_wake_up_and_reset_withdraws_the_signal) {
    auto_reset_event e;
    e.set();
    e.set();
    EXPECT_TRUE(e.wait(0ms));
    EXPECT_FALSE(e.wait(20ms));
    e.set();
    e.reset();
    EXPECT_FALSE(e.wait(0ms));
}

TEST(auto_reset_event, wait_set_watches_without_taking_the_signal) {
    auto_reset_event e;
    EXPECT_FALSE(e.wait_set(10ms));
    std::thread t([&] {
        std::this_thread::sleep_for(10ms);
        e.set();
    });
    EXPECT_TRUE(e.wait_set(5000ms));
    t.join();
    EXPECT_TRUE(e.wait(0ms));
}

TEST(auto_reset_event, a_set_from_another_thread_wakes_a_waiter) {
    auto_reset_event e;
    std::thread t([&] {
        std::this_thread::sleep_for(10ms);
        e.set();
    });
    EXPECT_TRUE(e.wait(5000ms));
    t.join();
}

TEST(auto_reset_event, wait_any_takes_the_first_set_event_only) {
    auto_reset_event a;
    auto_reset_event b;
    a.set();
    b.set();
    EXPECT_EQ(auto_reset_event::wait_any({&a, &b}), 0u);
    EXPECT_TRUE(b.is_set());
    EXPECT_EQ(auto_reset_event::wait_any({&a, &b}), 1u);
    std::thread t([&] {
        std::this_thread::sleep_for(10ms);
        b.set();
    });
    EXPECT_EQ(auto_reset_event::wait_any({&a, &b}), 1u);
    t.join();
}

}  // namespace
}  // namespace patchwarden
