#include "data/identity.h"

#include <algorithm>
#include <array>

namespace patchwarden {

namespace {
constexpr std::array<std::uint8_t, 12> reply_head = {0xF0, 0x7E, 0x7F, 0x06, 0x02, 0x00,
                                                     0x00, 0x0E, 0x1D, 0x00, 0x00, 0x00};
constexpr std::size_t reply_size = 17;
}  // namespace

bool parse_identity_reply(std::span<const std::uint8_t> message, int* major, int* minor) {
    if (message.size() != reply_size) return false;
    if (!std::equal(reply_head.begin(), reply_head.end(), message.begin())) return false;
    if (message[16] != 0xF7) return false;
    // The four version bytes are taken as ASCII digits without a check.
    if (major) *major = 10 * (message[12] - 0x30) + (message[13] - 0x30);
    if (minor) *minor = 10 * (message[14] - 0x30) + (message[15] - 0x30);
    return true;
}

}  // namespace patchwarden
