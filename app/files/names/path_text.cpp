#include "app/files/names/path_text.h"

#include "data/text.h"

namespace patchwarden {

std::u16string path_text(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring& name = path.native();
    return std::u16string(name.begin(), name.end());
#else
    return utf8_text(path.native());
#endif
}

}  // namespace patchwarden
