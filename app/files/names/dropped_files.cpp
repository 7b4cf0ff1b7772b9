#include "app/files/names/dropped_files.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace patchwarden {

bool is_syx_name(const std::filesystem::path& path) {
    const auto name = path.filename().native();
    constexpr std::string_view ending = ".syx";
    if (name.size() < ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), name.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char wanted, auto unit) {
                          using unit_type = decltype(unit);
                          const unit_type lower =
                              unit >= 'A' && unit <= 'Z' ? static_cast<unit_type>(unit - 'A' + 'a') : unit;
                          return lower == static_cast<unit_type>(wanted);
                      });
}

std::vector<std::filesystem::path> files_to_load(const std::vector<std::filesystem::path>& dropped) {
    std::vector<std::filesystem::path> taken;
    std::copy_if(dropped.begin(), dropped.end(), std::back_inserter(taken), is_syx_name);
    return taken;
}

}  // namespace patchwarden
