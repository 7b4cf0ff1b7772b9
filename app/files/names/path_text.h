#pragma once

// File names as the program shows them. A path keeps the name the system
// gave: UTF-16 on Windows, bytes on Linux, where a name need not be valid
// UTF-8 (a Latin-1 name from an old disk). Such a name still opens, saves and
// loads; only its text shows each byte that is not UTF-8 as U+FFFD, as other
// desktop programs show it.

#include <filesystem>
#include <string>
#include <string_view>

namespace patchwarden {

// The path's name as text, never failing.
std::u16string path_text(const std::filesystem::path& path);

// UTF-8 bytes as UTF-16: each byte of a sequence that is not UTF-8
// (overlong, a surrogate, beyond U+10FFFF, cut short) becomes U+FFFD.
std::u16string utf8_text(std::string_view bytes);

}  // namespace patchwarden
