#pragma once

// The sleeps of the transport, behind one seam so that tests can watch or
// shorten them. A pause may be cut short by an event (the send thread's
// shutdown), so that no pause, however long it was set, keeps the program
// from ending.

#include <chrono>
#include <thread>

#include "midi/transport/auto_reset_event.h"

namespace patchwarden {

class transport_clock {
public:
    virtual ~transport_clock() = default;
    virtual void sleep_ms(int ms) = 0;
    // Sleeps ms, or less once `stop` is set; the signal is left for whoever
    // takes it. A clock that does not really sleep need not watch `stop`.
    virtual void pause_ms(int ms, const auto_reset_event& stop) {
        static_cast<void>(stop);
        sleep_ms(ms);
    }
};

class system_clock_sleeps : public transport_clock {
public:
    void sleep_ms(int ms) override {
        if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void pause_ms(int ms, const auto_reset_event& stop) override {
        if (ms > 0) stop.wait_set(std::chrono::milliseconds(ms));
    }
};

// The clock of the process, used when none is given.
transport_clock& default_transport_clock();

}  // namespace patchwarden
