#pragma once

// Which of the files dropped on the window, or handed to it by a file
// manager, are loaded: those whose names end in ".syx", in any case, in the
// order given. Anything else dropped along with them is left alone. Only the
// names count: the files are not looked at before Load opens them, so that
// a drag over the window never waits for a slow disk.

#include <filesystem>
#include <vector>

namespace patchwarden {

bool is_syx_name(const std::filesystem::path& path);

std::vector<std::filesystem::path> files_to_load(const std::vector<std::filesystem::path>& dropped);

}  // namespace patchwarden
