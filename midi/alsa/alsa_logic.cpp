#include "midi/alsa/alsa_logic.h"

#include "data/text.h"

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

std::u16string port_display_name(int client, int port, std::string_view client_name,
                                 std::string_view port_name) {
    const std::string numbers = std::to_string(client) + ":" + std::to_string(port) + " ";
    std::u16string name = utf8_text(numbers) + utf8_text(client_name) + u":" +
                          utf8_text(port_name);
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
