#include "midi/transport/auto_reset_event.h"

#include <algorithm>

namespace patchwarden {

void auto_reset_event::set() {
    std::lock_guard guard(mutex_);
    signalled_ = true;
    // Every waiter looks: one that only watches must not swallow the wake-up
    // of one that would take the signal.
    wake_.notify_all();
    // Watchers are told while the event's mutex is held, so a watcher cannot
    // be removed and destroyed between the copy and the notification.
    for (watcher* w : watchers_) {
        std::lock_guard wg(w->mutex);
        w->woken = true;
        w->wake.notify_all();
    }
}

void auto_reset_event::reset() {
    std::lock_guard guard(mutex_);
    signalled_ = false;
}

bool auto_reset_event::wait(std::chrono::milliseconds time_out) {
    std::unique_lock guard(mutex_);
    if (!wake_.wait_for(guard, time_out, [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
}

void auto_reset_event::wait() {
    std::unique_lock guard(mutex_);
    wake_.wait(guard, [this] { return signalled_; });
    signalled_ = false;
}

bool auto_reset_event::wait_set(std::chrono::milliseconds time_out) const {
    std::unique_lock guard(mutex_);
    return wake_.wait_for(guard, time_out, [this] { return signalled_; });
}

bool auto_reset_event::is_set() const {
    std::lock_guard guard(mutex_);
    return signalled_;
}

bool auto_reset_event::try_take() {
    std::lock_guard guard(mutex_);
    if (!signalled_) return false;
    signalled_ = false;
    return true;
}

std::size_t auto_reset_event::wait_any(std::initializer_list<auto_reset_event*> events) {
    watcher w;
    for (auto_reset_event* e : events) {
        std::lock_guard guard(e->mutex_);
        e->watchers_.push_back(&w);
    }
    std::size_t taken = 0;
    for (;;) {
        bool found = false;
        std::size_t i = 0;
        for (auto_reset_event* e : events) {
            if (e->try_take()) {
                taken = i;
                found = true;
                break;
            }
            ++i;
        }
        if (found) break;
        std::unique_lock guard(w.mutex);
        w.wake.wait(guard, [&w] { return w.woken; });
        w.woken = false;
    }
    for (auto_reset_event* e : events) {
        std::lock_guard guard(e->mutex_);
        e->watchers_.erase(std::find(e->watchers_.begin(), e->watchers_.end(), &w));
    }
    return taken;
}

}  // namespace patchwarden
