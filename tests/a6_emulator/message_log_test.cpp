#include "a6_emulator/message_log.h"

#include <gtest/gtest.h>

#include <sstream>

#include "data/a6_message.h"
#include "midi/emulator/a6_emulator.h"

namespace patchwarden::a6_emulator_program {
namespace {

byte_vector bytes_of(std::string_view text) { return byte_vector(text.begin(), text.end()); }

TEST(a6_emulator_log, checksums_are_fnv1a_64) {
    EXPECT_EQ(fnv1a_64({}), 0xcbf29ce484222325ull);
    EXPECT_EQ(fnv1a_64(bytes_of("a")), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(fnv1a_64(bytes_of("foobar")), 0x85944171f73967e8ull);
}

TEST(a6_emulator_log, messages_are_described_by_kind_bank_and_number) {
    const auto encoded = [](a6_message m) { return encode_message(m); };
    struct row {
        byte_vector message;
        std::string text;
    };
    const row rows[] = {
        {encoded(a6_emulator::initial_program(0, 5)), "Program dump u:005"},
        {encoded(a6_emulator::initial_program(3, 127)), "Program dump c1:127"},
        {encoded(a6_emulator::initial_mix(1, 0)), "Mix dump p1:000"},
        {encoded(a6_emulator::initial_global()), "Global Data dump"},
        {encoded(a6_message(program_bank_request, 2, -1)), "Program bank request p2"},
        {encoded(a6_message(mix_request, 17, 9)), "Mix request c16:009"},
        {encoded(a6_message(global_request)), "Global Data request"},
        {{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, "Identity Request"},
        {{0xF0, 0x7E, 0x7F, 0x06, 0x02, 0x00, 0x00, 0x0E, 0x1D, 0xF7}, "Identity Reply"},
        {{0xF0, 0x41, 0x10, 0xF7}, "unknown message"},
    };
    for (const row& r : rows) EXPECT_EQ(describe_message(r.message), r.text);
}

TEST(a6_emulator_log, messages_received_in_pieces_are_logged_whole) {
    std::ostringstream out;
    message_log log(&out);
    a6_message entry = a6_emulator::initial_program(1, 7);
    const byte_vector dump = encode_message(entry);
    const byte_vector request{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    byte_vector stream = request;
    stream.insert(stream.end(), dump.begin(), dump.end());
    // Pieces that cut both messages anywhere.
    for (std::size_t at = 0; at < stream.size(); at += 250) {
        const std::size_t n = std::min<std::size_t>(250, stream.size() - at);
        log.received_bytes(std::span<const std::uint8_t>(stream.data() + at, n));
    }
    log.sent(request);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a_64(dump)));
    EXPECT_EQ(out.str(),
              "received Identity Request (6 bytes, FNV-1a 673dfd13c9f99e06)\n"
              "received Program dump p1:007 (2350 bytes, FNV-1a " + std::string(hash) + ")\n"
              "sent Identity Request (6 bytes, FNV-1a 673dfd13c9f99e06)\n");
    message_log quiet(nullptr);
    quiet.received_bytes(stream);  // logs nothing, and must not fail
}

}  // namespace
}  // namespace patchwarden::a6_emulator_program
