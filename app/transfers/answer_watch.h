#pragma once

// Tells the user when the instrument stops answering. A request waits for
// its replies without a time-out: nothing is dropped, and a late reply is
// still taken. But a wait that nobody explains looks like a hang, so once
// replies are awaited, the output has sent everything handed to it and no
// reply has come for a while, the window says so, once for each request:
// how many of its replies have arrived, and that Con&fig releases the
// waiting requests.
//
// "A while" is the wire time of one reply of the largest kind the request
// asks for (at 3,125 bytes a second) plus a margin for the instrument to
// start answering, so that a Global Data dump of 18,183 bytes, nearly six
// seconds on the cable, never raises the notice while it is on its way.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace patchwarden {

inline constexpr std::chrono::seconds no_answer_margin{3};

class answer_watch {
public:
    using clock = std::chrono::steady_clock;

    // How long a request for replies of this many bytes waits in silence
    // before the user is told.
    static clock::duration patience(std::size_t largest_reply);

    // A request expecting `expected` replies, the largest of them
    // largest_reply bytes long, was handed to the output.
    void request_sent(std::int32_t expected, std::size_t largest_reply, clock::time_point now);
    // Something moved: a reply arrived, or the output reported bytes sent.
    void moved(clock::time_point now) { last_moved_ = now; }

    // The notice to show now, or nothing: once for each request, when
    // `pending` of its replies are still awaited, the output has nothing
    // left to send, and nothing moved for longer than the request's
    // patience.
    std::optional<std::u16string> notice(clock::time_point now, std::int32_t pending, bool output_idle);

private:
    std::int32_t expected_ = 0;
    clock::duration patience_{};
    clock::time_point last_moved_{};
    bool told_ = true;
};

}  // namespace patchwarden
