#pragma once

// The parts of the ALSA sequencer back end that do not need the sequencer:
// which ports are listed and how they are named, how a slice is cut into
// writes the kernel keeps whole, and when a slice has been on the wire long
// enough to count as sent.

#include <chrono>
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

// The kernel copies a SysEx event into the port's rawmidi buffer (4 KiB by
// default) and drops what does not fit, so no write is larger than that.
inline constexpr std::size_t max_sub_write = 4096;
// 31,250 baud and 10 bits a byte.
inline constexpr std::chrono::microseconds wire_time_per_byte{320};

// The sequencer cuts long SysEx messages into events of at most this many
// bytes on the way in.
inline constexpr std::size_t input_piece_size = 256;

struct port_entry {
    int client = 0;
    int port = 0;
    unsigned capability = 0;
    std::string client_name;  // UTF-8, as the sequencer gives it
    std::string port_name;
};

// Listed as aconnect lists them: never the System client, the program's own
// client or a port that does not want to be exported.
bool listed_as_input(const port_entry& p, int own_client);
bool listed_as_output(const port_entry& p, int own_client);

// "client name:port name", UTF-8 turned into UTF-16 (malformed bytes become
// U+FFFD).
std::u16string port_display_name(std::string_view client_name, std::string_view port_name);
std::u16string utf8_to_utf16(std::string_view text);

std::chrono::microseconds wire_time(std::size_t bytes);

// Paces one slice: the first write goes at once, each further write (of at
// most max_sub_write bytes) once the previous one's wire time has passed, and
// the slice is done once the last one's has.
class slice_pacer {
public:
    using clock = std::chrono::steady_clock;
    enum class step { write, wait, done };

    void begin(std::size_t length);
    // What to do at `now`: write bytes [offset, offset + count) of the slice,
    // wait, or nothing more (the slice is on the wire).
    step poll(clock::time_point now, std::size_t& offset, std::size_t& count);

private:
    std::size_t length_ = 0;
    std::size_t next_ = 0;
    clock::time_point busy_until_{};
};

}  // namespace patchwarden::alsa
