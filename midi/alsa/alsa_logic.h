#pragma once

// The parts of the ALSA sequencer back end that do not need the sequencer:
// which ports are listed as MIDI devices and how they are named.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace patchwarden::alsa {

// Port capability bits, as the sequencer defines them.
inline constexpr unsigned cap_read = 1u << 0;
inline constexpr unsigned cap_write = 1u << 1;
inline constexpr unsigned cap_subs_read = 1u << 5;
inline constexpr unsigned cap_subs_write = 1u << 6;
inline constexpr unsigned cap_no_export = 1u << 7;
inline constexpr int system_client = 0;

// The sequencer cuts long SysEx messages into events of at most this many
// bytes on the way in.
inline constexpr std::size_t input_piece_size = 256;

// Device names are at most this many UTF-16 units, as on every platform.
inline constexpr std::size_t max_device_name = 31;

struct port_entry {
    int client = 0;
    int port = 0;
    unsigned capability = 0;
    std::string client_name;  // UTF-8, as the sequencer gives it
    std::string port_name;
};

// A port is listed as an input (output) when other clients may subscribe to
// read from (write to) it. Unlike aconnect -i and -o, the list leaves out the
// System client (its timer and announce ports carry no MIDI) and the
// program's own client; like them, it leaves out ports that ask not to be
// exported.
bool listed_as_input(const port_entry& p, int own_client);
bool listed_as_output(const port_entry& p, int own_client);

// "client:port client name:port name", the numbers as aconnect shows them,
// so that two identical interfaces get different names; UTF-8 turned into
// UTF-16 (malformed bytes become U+FFFD) and cut to max_device_name units
// without splitting a surrogate pair. The numbers come first, so a cut name
// still says which port it is.
std::u16string port_display_name(int client, int port, std::string_view client_name,
                                 std::string_view port_name);

}  // namespace patchwarden::alsa
