// The relay between the transport's threads and the window: after detach()
// no notification reaches the window that was attached, however many
// threads are posting at that moment.

#include "app/transfers/notification_relay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace patchwarden {
namespace {

class counting_target : public notification_target {
public:
    std::atomic<int> calls{0};
    void data_ready() override { ++calls; }
    void bytes_sent(std::int32_t) override { ++calls; }
    void show_error(std::u16string) override { ++calls; }
};

TEST(notification_relay, nothing_reaches_a_target_once_it_has_detached) {
    notification_relay relay;
    auto target = std::make_unique<counting_target>();
    relay.attach(target.get());
    std::atomic<bool> stop{false};
    std::vector<std::thread> posters;
    posters.emplace_back([&] {
        while (!stop) notification_relay::post_data_ready(&relay);
    });
    posters.emplace_back([&] {
        while (!stop) notification_relay::post_send_progress(&relay, 256, 0, 1024);
    });
    std::thread reporter([&] {
        for (int i = 0; i < 100; ++i) relay.report(u"sysex_out::send - unable to send message");
    });
    while (target->calls < 300) std::this_thread::yield();
    reporter.join();

    // Detaching a target that is not attached changes nothing.
    counting_target later;
    relay.detach(&later);
    const int before = target->calls;
    while (target->calls < before + 100) std::this_thread::yield();

    relay.detach(target.get());
    const int at_detach = target->calls;
    for (int i = 0; i < 1000; ++i) notification_relay::post_data_ready(&relay);
    stop = true;
    for (auto& t : posters) t.join();
    EXPECT_EQ(target->calls, at_detach);
    EXPECT_EQ(later.calls, 0);
    target.reset();

    relay.attach(&later);
    notification_relay::post_send_progress(&relay, 5, 0, 5);
    EXPECT_EQ(later.calls, 1);
}

TEST(notification_relay, an_error_with_no_window_goes_to_standard_error) {
    notification_relay relay;
    ::testing::internal::CaptureStderr();
    relay.report(u"sysex_in::MidiInProc - recieved MIM_ERROR");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: sysex_in::MidiInProc - recieved MIM_ERROR\n");
}

}  // namespace
}  // namespace patchwarden
