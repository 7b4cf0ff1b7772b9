#pragma once

// The local files among what is dragged onto the window, in the order
// given, each under the bytes of its name (a file manager may name a file
// that is not UTF-8, percent-encoded). Links to the web and text are not
// files; which of the files load is the core's rule (files_to_load).

#include <filesystem>
#include <vector>

class QMimeData;

namespace patchwarden {

std::vector<std::filesystem::path> local_files_in(const QMimeData* data);

}  // namespace patchwarden
