#pragma once

// A signal that wakes one wait and is consumed by it. Setting an already set
// event changes nothing, so two sets before one wait give one wake-up; a
// reset withdraws a signal nobody has taken yet.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace patchwarden {

class auto_reset_event {
public:
    auto_reset_event() = default;
    auto_reset_event(const auto_reset_event&) = delete;
    auto_reset_event& operator=(const auto_reset_event&) = delete;

    void set();
    void reset();

    // True when the event was set (the signal is then consumed), false when
    // the time ran out first. A zero time-out only tests and consumes.
    bool wait(std::chrono::milliseconds time_out);
    // Waits with no time-out.
    void wait();
    // Waits until the event is set or the time runs out, and leaves the
    // signal for whoever takes it. True when it is set.
    bool wait_set(std::chrono::milliseconds time_out) const;

    // Whether a signal is waiting, without taking it; for diagnostics and
    // tests.
    bool is_set() const;

    // Waits for the first of several events, which are looked at in the
    // order given when more than one is set; only that one is consumed.
    // Returns its position in the list.
    static std::size_t wait_any(std::initializer_list<auto_reset_event*> events);

private:
    struct watcher {
        std::mutex mutex;
        std::condition_variable wake;
        bool woken = false;
    };

    bool try_take();

    mutable std::mutex mutex_;
    mutable std::condition_variable wake_;
    bool signalled_ = false;
    std::vector<watcher*> watchers_;
};

}  // namespace patchwarden
