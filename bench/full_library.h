#pragma once

// The library the benchmarks load: every Program and Mix of every bank, each
// with a name and a body of its own, and the Global Data. The bytes are the
// same on every run and on every platform, so figures compare.

#include <cstdint>
#include <random>

#include "data/a6_message.h"
#include "data/bank_naming.h"
#include "data/text.h"

namespace patchwarden {

// The dumps laid end to end, as a .syx file holds them.
inline byte_vector full_library_bytes() {
    byte_vector bytes;
    std::mt19937 random(42);
    const auto add = [&](a6_message& record) {
        record.data.resize(record.kind == program_dump ? program_body_size
                           : record.kind == mix_dump   ? mix_body_size
                                                       : global_body_size);
        for (auto& b : record.data) b = static_cast<std::uint8_t>(random());
        if (record.kind != global_dump) {
            set_name(record, u"Sound " + decimal(record.bank) + u"-" + decimal(record.number));
        }
        const byte_vector message = encode_message(record);
        bytes.insert(bytes.end(), message.begin(), message.end());
    };
    for (message_kind kind : {program_dump, mix_dump}) {
        for (int bank = 0; bank < bank_count(a6_message(kind)); ++bank) {
            for (int number = 0; number < 128; ++number) {
                a6_message record(kind, bank, number);
                add(record);
            }
        }
    }
    a6_message global(global_dump);
    add(global);
    return bytes;
}

}  // namespace patchwarden
