#include "a6_emulator/message_log.h"

#include <cstdio>

#include "data/bank_naming.h"
#include "data/text.h"

namespace patchwarden::a6_emulator_program {

namespace {

// The instrument's messages are far shorter than this.
constexpr std::size_t largest_logged_message = 1u << 20;

bool is_identity_request(std::span<const std::uint8_t> m) {
    return m.size() == 6 && m[0] == 0xF0 && m[1] == 0x7E && m[3] == 0x06 && m[4] == 0x01 &&
           m[5] == 0xF7;
}

bool is_identity_reply(std::span<const std::uint8_t> m) {
    return m.size() >= 5 && m[0] == 0xF0 && m[1] == 0x7E && m[3] == 0x06 && m[4] == 0x02;
}

}  // namespace

std::uint64_t fnv1a_64(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string describe_message(std::span<const std::uint8_t> message) {
    if (is_identity_request(message)) return "Identity Request";
    if (is_identity_reply(message)) return "Identity Reply";
    const a6_message m = parse_message(byte_vector(message.begin(), message.end()));
    const auto entry = [&](message_kind dump_kind) {
        a6_message as_dump(dump_kind, m.bank, m.number);
        std::string text = narrow(bank_short_name(as_dump));
        if (m.number >= 0) text += ":" + narrow(decimal(m.number, 3));
        return text;
    };
    switch (m.kind) {
        case program_dump: return "Program dump " + entry(program_dump);
        case mix_dump: return "Mix dump " + entry(mix_dump);
        case global_dump: return "Global Data dump";
        case program_request: return "Program request " + entry(program_dump);
        case program_bank_request: return "Program bank request " + entry(program_dump);
        case mix_request: return "Mix request " + entry(mix_dump);
        case mix_bank_request: return "Mix bank request " + entry(mix_dump);
        case global_request: return "Global Data request";
        case identity_request: return "Identity Request";
        default: return "unknown message";
    }
}

message_log::message_log(std::ostream* out) : out_(out), incoming_(largest_logged_message) {}

void message_log::received_bytes(std::span<const std::uint8_t> bytes) {
    if (!out_) return;
    std::lock_guard guard(lock_);
    incoming_.feed(bytes, [this](std::span<const std::uint8_t> m) { line("received", m); });
}

void message_log::sent(std::span<const std::uint8_t> message) {
    if (!out_) return;
    std::lock_guard guard(lock_);
    line("sent", message);
}

void message_log::line(const char* direction, std::span<const std::uint8_t> message) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(fnv1a_64(message)));
    *out_ << direction << ' ' << describe_message(message) << " (" << message.size()
          << " bytes, FNV-1a " << hash << ")" << std::endl;
}

}  // namespace patchwarden::a6_emulator_program
