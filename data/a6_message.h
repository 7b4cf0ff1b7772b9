#pragma once

// One A6 SysEx message as a record: what it is, where it lives, its name and
// its unpacked body. Library entries and requests are both records.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/bytes.h"

namespace patchwarden {

enum message_kind : int {
    program_dump = 0,
    mix_dump = 1,
    global_dump = 2,
    program_request = 3,
    program_bank_request = 4,
    mix_request = 5,
    mix_bank_request = 6,
    global_request = 7,
    identity_request = 8,
    unrecognised_message = 9,
};

// Total message lengths, 0xF0 and 0xF7 included.
inline constexpr std::size_t program_dump_size = 2350;
inline constexpr std::size_t mix_dump_size = 1180;
inline constexpr std::size_t global_dump_size = 18183;
inline constexpr std::size_t single_request_size = 9;
inline constexpr std::size_t bank_request_size = 8;
inline constexpr std::size_t global_request_size = 8;

// Unpacked body sizes.
inline constexpr std::size_t program_body_size = 2048;
inline constexpr std::size_t mix_body_size = 1024;
inline constexpr std::size_t global_body_size = 15904;

// Name characters of a Program or Mix; the record's name holds one more,
// zero, code unit.
inline constexpr std::size_t name_length = 16;
inline constexpr std::size_t name_offset = 2;  // first name byte in the body

struct a6_message {
    message_kind kind = unrecognised_message;
    std::u16string name;  // 17 units for Program and Mix dumps, else empty
    int bank = -1;
    int number = -1;
    byte_vector data;  // unpacked body of the three dump kinds, else empty

    a6_message() = default;
    explicit a6_message(message_kind k) : kind(k) {}
    a6_message(message_kind k, int b, int n) : kind(k), bank(b), number(n) {}
};

// Classifies one complete message. Never fails: anything it does not know
// becomes unrecognised_message with bank and number -1.
a6_message parse_message(byte_vector message);

// The message bytes of a record. For Program and Mix dumps the name is first
// written into body bytes 2..17 of the record itself.
byte_vector encode_message(a6_message& record);

// Makes the name exactly 16 characters (cut, or padded with spaces) and a
// zero unit. The instrument and the file keep one byte a character: a
// character above U+00FF becomes '?', so that the name shown is the name
// saved and sent. (Names read from messages are never changed.)
void set_name(a6_message& record, std::u16string_view text);

// The 16 name characters of a Program or Mix record, without the zero unit.
std::u16string_view name_characters(const a6_message& record);

}  // namespace patchwarden
