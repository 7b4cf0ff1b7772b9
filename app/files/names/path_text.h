#pragma once

// File names as the program shows them. A path keeps the name the system
// gave: UTF-16 on Windows, bytes on Linux, where a name need not be valid
// UTF-8 (a Latin-1 name from an old disk). Such a name still opens, saves and
// loads; only its text shows each byte that is not UTF-8 as U+FFFD, as other
// desktop programs show it.

#include <filesystem>
#include <string>

namespace patchwarden {

// The path's name as text, never failing.
std::u16string path_text(const std::filesystem::path& path);

}  // namespace patchwarden
