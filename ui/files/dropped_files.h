#pragma once

// The .syx files among what is dragged onto the window: local files whose
// names end in ".syx" (in any case), in the order given. Anything else
// (other files, links to the web, text) is not taken.

#include <filesystem>
#include <vector>

class QMimeData;

namespace patchwarden {

std::vector<std::filesystem::path> syx_files_in(const QMimeData* data);

}  // namespace patchwarden
