#pragma once

// A device's product name as dev_string hands it out: cut to a capacity
// that counts the terminating zero, as the platform's name fields do, so a
// capacity of n gives at most n - 1 units and one of 0 or 1 gives none.

#include <cstddef>
#include <string>

namespace patchwarden {

inline void cut_device_name(const std::u16string& name, int max_chars, std::u16string& text) {
    text = max_chars <= 0 ? std::u16string() : name.substr(0, static_cast<std::size_t>(max_chars - 1));
}

}  // namespace patchwarden
