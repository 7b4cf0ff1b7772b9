#include "midi/alsa/slice_sender.h"

#include <algorithm>

namespace patchwarden::alsa {

slice_sender::slice_sender(double speed) : speed_(speed > 0 ? speed : 0.0) {}

void slice_sender::begin(std::span<const std::uint8_t> slice) {
    slice_ = slice;
    next_ = 0;
    refused_since_.reset();
    state_ = slice.empty() ? state::sent : state::sending;
}

slice_sender::clock::duration slice_sender::piece_time(std::size_t bytes) const {
    if (speed_ <= 0) return clock::duration::zero();
    const double seconds = std::chrono::duration<double>(wire_time_per_byte).count() *
                           static_cast<double>(bytes) * pacing_margin / speed_;
    return std::chrono::ceil<clock::duration>(std::chrono::duration<double>(seconds));
}

slice_sender::state slice_sender::poll(clock::time_point now, const write_function& write) {
    if (state_ != state::sending) return state_;
    if (next_ < slice_.size() && wire_free_at_ - now <= piece_time(sub_write_size)) {
        const std::size_t count = std::min(sub_write_size, slice_.size() - next_);
        switch (write(slice_.subspan(next_, count))) {
            case write_result::failed:
                state_ = state::failed;
                return state_;
            case write_result::refused:
                if (!refused_since_) refused_since_ = now;
                else if (now - *refused_since_ >= refusal_limit) state_ = state::failed;
                return state_;
            case write_result::written:
                refused_since_.reset();
                next_ += count;
                wire_free_at_ = std::max(wire_free_at_, now) + piece_time(count);
                break;
        }
    }
    if (next_ >= slice_.size() && now >= wire_free_at_) state_ = state::sent;
    return state_;
}

}  // namespace patchwarden::alsa
