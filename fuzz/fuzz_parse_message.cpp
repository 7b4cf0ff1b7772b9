// parse_message on arbitrary bytes. Short inputs are also tried as the body of
// each dump form, so that the fuzzer reaches the dump paths without having to
// guess a length of thousands of bytes.

#include <cstddef>
#include <cstdint>

#include "data/bytes.h"
#include "fuzz/message_properties.h"

using namespace patchwarden;

namespace {

// The input as the packed bytes of a dump of the given opcode and length:
// cut or repeated to fill, high bits kept (they must be ignored).
void try_as_dump(const std::uint8_t* data, std::size_t size, std::uint8_t opcode, std::size_t total) {
    byte_vector m(total);
    const std::uint8_t head[] = {0xF0, 0x00, 0x00, 0x0E, 0x1D, opcode};
    std::copy(head, head + 6, m.begin());
    for (std::size_t i = 6; i + 1 < total; ++i) {
        const std::uint8_t b = data[(i - 6) % size];
        m[i] = b == 0xF7 ? 0x77 : b;
    }
    m.back() = 0xF7;
    fuzzing::check_record(m.data(), m.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::check_record(data, size);
    if (size > 0 && size < 64) {
        try_as_dump(data, size, 0x00, program_dump_size);
        try_as_dump(data, size, 0x04, mix_dump_size);
        try_as_dump(data, size, 0x08, global_dump_size);
    }
    return 0;
}
