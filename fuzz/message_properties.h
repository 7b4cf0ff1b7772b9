#pragma once

// What every record made by parse_message must satisfy, given the bytes it was
// made from: its kind agrees with the length, head and opcode; bank, number,
// name and body are where the message says; a dump encodes back to its own
// length, and to the same bytes when the message is all 7-bit and its padding
// bits are zero; a request encodes back to exactly its bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "data/a6_message.h"
#include "data/seven_bit.h"
#include "fuzz/check.h"

namespace patchwarden::fuzzing {

inline message_kind expected_kind(const std::uint8_t* m, std::size_t size) {
    static constexpr std::uint8_t head[] = {0xF0, 0x00, 0x00, 0x0E, 0x1D};
    if (size < 7 || !std::equal(head, head + 5, m) || m[size - 1] != 0xF7) return unrecognised_message;
    switch (m[5]) {
    case 0x00: return size == 2350 ? program_dump : unrecognised_message;
    case 0x01: return size == 9 ? program_request : unrecognised_message;
    case 0x04: return size == 1180 ? mix_dump : unrecognised_message;
    case 0x05: return size == 9 ? mix_request : unrecognised_message;
    case 0x08: return size == 18183 ? global_dump : unrecognised_message;
    case 0x09: return size == 8 && m[6] == 0 ? global_request : unrecognised_message;
    case 0x0A: return size == 8 ? program_bank_request : unrecognised_message;
    case 0x0B: return size == 8 ? mix_bank_request : unrecognised_message;
    default: return unrecognised_message;
    }
}

// True when every byte between F0 and F7 is below 0x80 and the bits of the
// last packed byte beyond the body are zero.
inline bool encodes_to_itself(const std::uint8_t* m, std::size_t size, std::size_t header) {
    for (std::size_t i = 1; i + 1 < size; ++i)
        if (m[i] & 0x80) return false;
    const std::size_t packed = size - header - 1;
    const std::size_t body_bits = unpacked_size(packed) * 8;
    const std::size_t used = body_bits - (packed - 1) * 7;
    const unsigned padding = 0x7Fu & ~((1u << used) - 1);
    return (m[size - 2] & padding) == 0;
}

inline void check_record(const std::uint8_t* m, std::size_t size) {
    a6_message r = parse_message(byte_vector(m, m + size));
    FUZZ_CHECK(r.kind == expected_kind(m, size));

    switch (r.kind) {
    case program_dump:
    case mix_dump: {
        FUZZ_CHECK(r.bank == m[6] && r.number == m[7]);
        FUZZ_CHECK(r.data.size() == (r.kind == program_dump ? program_body_size : mix_body_size));
        FUZZ_CHECK(r.name.size() == name_length + 1 && r.name[name_length] == 0);
        for (std::size_t i = 0; i < name_length; ++i) FUZZ_CHECK(r.name[i] == r.data[name_offset + i]);
        const a6_message before = r;
        const byte_vector back = encode_message(r);
        FUZZ_CHECK(back.size() == size);
        FUZZ_CHECK(r.data == before.data);  // the name was already in the body
        if (encodes_to_itself(m, size, 8)) FUZZ_CHECK(std::equal(back.begin(), back.end(), m));
        // Whatever the input, what is encoded parses to the same record.
        const a6_message again = parse_message(back);
        FUZZ_CHECK(again.kind == r.kind && again.bank == r.bank && again.number == r.number);
        FUZZ_CHECK(again.name == r.name && again.data == r.data);
        break;
    }
    case global_dump: {
        FUZZ_CHECK(r.bank == -1 && r.number == -1 && r.name.empty());
        FUZZ_CHECK(r.data.size() == global_body_size);
        const byte_vector back = encode_message(r);
        FUZZ_CHECK(back.size() == size);
        if (encodes_to_itself(m, size, 6)) FUZZ_CHECK(std::equal(back.begin(), back.end(), m));
        FUZZ_CHECK(parse_message(back).data == r.data);
        break;
    }
    case program_request:
    case mix_request:
    case program_bank_request:
    case mix_bank_request:
    case global_request: {
        const bool has_bank = r.kind != global_request;
        const bool has_number = r.kind == program_request || r.kind == mix_request;
        FUZZ_CHECK(r.bank == (has_bank ? m[6] : -1));
        FUZZ_CHECK(r.number == (has_number ? m[7] : -1));
        FUZZ_CHECK(r.name.empty() && r.data.empty());
        const byte_vector back = encode_message(r);
        FUZZ_CHECK(back.size() == size && std::equal(back.begin(), back.end(), m));
        break;
    }
    default:
        FUZZ_CHECK(r.kind == unrecognised_message);
        FUZZ_CHECK(r.bank == -1 && r.number == -1 && r.name.empty() && r.data.empty());
        break;
    }
}

}  // namespace patchwarden::fuzzing
