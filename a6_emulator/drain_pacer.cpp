#include "a6_emulator/drain_pacer.h"

#include <algorithm>
#include <cmath>

namespace patchwarden::a6_emulator_program {

namespace {

drain_pacer::clock::duration seconds(double s) {
    return std::chrono::duration_cast<drain_pacer::clock::duration>(std::chrono::duration<double>(s));
}

}  // namespace

drain_pacer::drain_pacer(double bytes_per_second, std::size_t quantum, std::size_t most_per_read)
    : rate_(bytes_per_second > 0 ? bytes_per_second : 0.0), quantum_(std::max<std::size_t>(quantum, 1)),
      most_(std::max<std::size_t>(most_per_read, 1)) {}

drain_pacer::clock::time_point drain_pacer::next_read() const {
    if (rate_ == 0) return busy_until_;
    return busy_until_ + seconds(static_cast<double>(quantum_) / rate_);
}

std::size_t drain_pacer::allowance(clock::time_point now) const {
    if (rate_ == 0) return most_;
    if (now <= busy_until_) return 0;
    const double bytes = std::floor(std::chrono::duration<double>(now - busy_until_).count() * rate_);
    return bytes >= static_cast<double>(most_) ? most_ : static_cast<std::size_t>(bytes);
}

void drain_pacer::took(std::size_t got, std::size_t asked, clock::time_point now) {
    if (rate_ > 0) busy_until_ += seconds(static_cast<double>(got) / rate_);
    // The buffer ran empty: the wire finishes what it got and then idles.
    if (got < asked) busy_until_ = std::max(busy_until_, now);
}

void drain_pacer::woke(clock::time_point now) { busy_until_ = std::max(busy_until_, now); }

}  // namespace patchwarden::a6_emulator_program
