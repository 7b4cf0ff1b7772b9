#include "midi/alsa/alsa_logic.h"


namespace patchwarden::alsa {

namespace {

bool listable(const port_entry& p, int own_client) {
    return p.client != system_client && p.client != own_client &&
           (p.capability & cap_no_export) == 0;
}

}  // namespace

bool listed_as_input(const port_entry& p, int own_client) {
    const unsigned need = cap_read | cap_subs_read;
    return listable(p, own_client) && (p.capability & need) == need;
}

bool listed_as_output(const port_entry& p, int own_client) {
    const unsigned need = cap_write | cap_subs_write;
    return listable(p, own_client) && (p.capability & need) == need;
}

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t cp = 0;
        char32_t least = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F;
            extra = 1;
            least = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F;
            extra = 2;
            least = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07;
            extra = 3;
            least = 0x10000;
        } else {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        bool good = i + extra < text.size();
        for (std::size_t k = 1; good && k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) good = false;
            else cp = (cp << 6) | (b & 0x3F);
        }
        if (!good || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::u16string port_display_name(int client, int port, std::string_view client_name,
                                 std::string_view port_name) {
    const std::string numbers = std::to_string(client) + ":" + std::to_string(port) + " ";
    std::u16string name = utf8_to_utf16(numbers) + utf8_to_utf16(client_name) + u":" +
                          utf8_to_utf16(port_name);
    if (name.size() > max_device_name) {
        std::size_t cut = max_device_name;
        // Never leave the first half of a surrogate pair at the end.
        if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;
        name.resize(cut);
        while (!name.empty() && name.back() == u' ') name.pop_back();
    }
    return name;
}

}  // namespace patchwarden::alsa
