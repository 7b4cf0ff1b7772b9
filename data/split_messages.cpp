#include "data/split_messages.h"

namespace patchwarden {

bool split_messages(std::span<const std::uint8_t> stream, const candidate_handler& on_candidate) {
    message_splitter splitter;
    return splitter.feed(stream, on_candidate);
}

}  // namespace patchwarden
