#include "app/transfers/answer_watch.h"

#include <algorithm>

#include "data/text.h"

namespace patchwarden {

namespace {

// The MIDI wire: 31,250 baud, 10 bits a byte.
constexpr double wire_bytes_per_second = 3125.0;

}  // namespace

answer_watch::clock::duration answer_watch::patience(std::size_t largest_reply) {
    const std::chrono::duration<double> on_the_wire(static_cast<double>(largest_reply) / wire_bytes_per_second);
    return std::chrono::duration_cast<clock::duration>(on_the_wire) + no_answer_margin;
}

void answer_watch::request_sent(std::int32_t expected, std::size_t largest_reply, clock::time_point now) {
    expected_ = expected;
    patience_ = patience(largest_reply);
    last_moved_ = now;
    told_ = false;
}

std::optional<std::u16string> answer_watch::notice(clock::time_point now, std::int32_t pending, bool output_idle) {
    if (told_ || pending <= 0 || !output_idle || now - last_moved_ < patience_) return std::nullopt;
    told_ = true;
    const std::int32_t arrived = std::clamp(expected_ - pending, 0, expected_);
    return fill(u"The A6 has not answered for a while: %s of %s replies have arrived.\r\n"
                u"The request still waits for the rest; Config releases the waiting requests.",
                {decimal(arrived), decimal(expected_)});
}

}  // namespace patchwarden
