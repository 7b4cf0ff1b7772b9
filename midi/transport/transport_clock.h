#pragma once

// The sleeps of the transport, behind one seam so that tests can watch or
// shorten them.

#include <chrono>
#include <thread>

namespace patchwarden {

class transport_clock {
public:
    virtual ~transport_clock() = default;
    virtual void sleep_ms(int ms) = 0;
};

class system_clock_sleeps : public transport_clock {
public:
    void sleep_ms(int ms) override {
        if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

// The clock of the process, used when none is given.
transport_clock& default_transport_clock();

}  // namespace patchwarden
