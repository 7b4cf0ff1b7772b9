#include "app/files/names/path_text.h"

namespace patchwarden {

namespace {

constexpr char16_t replacement = u'\uFFFD';

// The length of the UTF-8 sequence that starts with lead, and the lowest
// code point it may carry; 0 for a byte no sequence starts with.
struct sequence_start {
    int length;
    char32_t lowest;
};

sequence_start start_of(unsigned char lead) {
    if (lead < 0x80) return {1, 0};
    if ((lead & 0xE0) == 0xC0) return {2, 0x80};
    if ((lead & 0xF0) == 0xE0) return {3, 0x800};
    if ((lead & 0xF8) == 0xF0) return {4, 0x10000};
    return {0, 0};
}

}  // namespace

std::u16string utf8_text(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const sequence_start start = start_of(lead);
        if (start.length == 1) {
            text.push_back(lead);
            ++i;
            continue;
        }
        bool valid = start.length > 0 && i + static_cast<std::size_t>(start.length) <= bytes.size();
        char32_t code = lead & (0x7F >> start.length);
        for (int k = 1; valid && k < start.length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= start.lowest && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (!valid) {
            text.push_back(replacement);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
        i += static_cast<std::size_t>(start.length);
    }
    return text;
}

std::u16string path_text(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring& name = path.native();
    return std::u16string(name.begin(), name.end());
#else
    return utf8_text(path.native());
#endif
}

}  // namespace patchwarden
