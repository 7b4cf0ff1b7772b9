#pragma once

// Dumps for tests: Program, Mix and Global Data records whose bodies tell
// them apart (the same bank, number and seed give the same bytes, so a
// test can make again what it expects to read back), their bytes as the
// instrument sends them, a file's worth of every kind, and a way to load
// one into a library without asking.

#include <cstdint>
#include <memory>
#include <random>
#include <string_view>

#include "data/a6_message.h"
#include "data/bytes.h"
#include "data/message_box.h"
#include "library/library_tree.h"

namespace patchwarden::testing {

inline a6_message make_dump(message_kind kind, int bank, int number, std::u16string_view name, unsigned seed = 1) {
    a6_message record(kind, bank, number);
    record.data.resize(kind == program_dump ? program_body_size : kind == mix_dump ? mix_body_size : global_body_size);
    std::mt19937 random(seed * 7919u + static_cast<unsigned>(bank * 128 + number) + (kind == mix_dump ? 100000u : 0u));
    for (auto& byte : record.data) byte = static_cast<std::uint8_t>(random());
    if (kind != global_dump) set_name(record, name);
    return record;
}

// Loads such a record into the library without asking.
inline void put(library_tree& library, message_box& box, message_kind kind, int bank, int number,
                std::u16string_view name) {
    library.insert_record(std::make_unique<a6_message>(make_dump(kind, bank, number, name)), false,
                          box_buttons::yes_no, box);
}

inline byte_vector dump_bytes(message_kind kind, int bank, int number, std::u16string_view name, unsigned seed = 1) {
    a6_message record = make_dump(kind, bank, number, name, seed);
    return encode_message(record);
}

inline void append(byte_vector& to, const byte_vector& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

// A library of every kind: Programs of two banks given out of order,
// Mixes, the Global Data.
inline byte_vector mixed_file() {
    byte_vector bytes;
    append(bytes, dump_bytes(program_dump, 3, 7, u"Card One Seven"));
    append(bytes, dump_bytes(program_dump, 0, 100, u"User Hundred"));
    append(bytes, dump_bytes(program_dump, 3, 2, u"Card One Two"));
    append(bytes, dump_bytes(mix_dump, 2, 5, u"Mix Card One"));
    append(bytes, dump_bytes(global_dump, -1, -1, u""));
    append(bytes, dump_bytes(program_dump, 0, 0, u"User Zero"));
    return bytes;
}

}  // namespace patchwarden::testing
