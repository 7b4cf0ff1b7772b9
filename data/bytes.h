#pragma once

#include <cstdint>
#include <vector>

namespace patchwarden {

// One SysEx message or a dump body: plain 8-bit bytes.
using byte_vector = std::vector<std::uint8_t>;

}  // namespace patchwarden
