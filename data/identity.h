#pragma once

// The MIDI Universal Identity Reply of the A6 Andromeda.

#include <cstdint>
#include <span>

namespace patchwarden {

// True when the message is exactly the A6's 17-byte Identity Reply; then the
// software version is stored into whichever of major and minor is given.
// On false both outputs are left untouched.
bool parse_identity_reply(std::span<const std::uint8_t> message, int* major = nullptr,
                          int* minor = nullptr);

}  // namespace patchwarden
