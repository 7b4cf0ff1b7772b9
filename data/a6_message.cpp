#include "data/a6_message.h"

#include <algorithm>
#include <span>

#include "data/seven_bit.h"

namespace patchwarden {

namespace {

constexpr std::uint8_t sysex_start = 0xF0;
constexpr std::uint8_t sysex_end = 0xF7;
constexpr std::uint8_t a6_head[] = {sysex_start, 0x00, 0x00, 0x0E, 0x1D};
constexpr std::size_t a6_head_size = sizeof a6_head;
constexpr std::size_t dump_header_size = 8;         // head, opcode, bank, number
constexpr std::size_t global_header_size = 6;       // head, opcode

enum opcode : std::uint8_t {
    op_program_dump = 0x00,
    op_program_request = 0x01,
    op_mix_dump = 0x04,
    op_mix_request = 0x05,
    op_global_dump = 0x08,
    op_global_request = 0x09,
    op_program_bank_request = 0x0A,
    op_mix_bank_request = 0x0B,
};

void read_dump(a6_message& record, message_kind kind, const byte_vector& message) {
    record.kind = kind;
    record.bank = message[6];
    record.number = message[7];
    const std::span<const std::uint8_t> packed(message.data() + dump_header_size,
                                               message.size() - dump_header_size - 1);
    record.data = unpack_7bit(packed);
    record.name.resize(name_length + 1);
    for (std::size_t i = 0; i < name_length; ++i) record.name[i] = record.data[name_offset + i];
    record.name[name_length] = 0;
}

}  // namespace

a6_message parse_message(byte_vector message) {
    a6_message record;
    const std::size_t size = message.size();
    if (size < 7) return record;
    if (!std::equal(a6_head, a6_head + a6_head_size, message.begin())) return record;
    if (message.back() != sysex_end) return record;

    switch (message[5]) {
    case op_program_dump:
        if (size == program_dump_size) read_dump(record, program_dump, message);
        break;
    case op_mix_dump:
        if (size == mix_dump_size) read_dump(record, mix_dump, message);
        break;
    case op_program_request:
    case op_mix_request:
        if (size == single_request_size) {
            record.kind = message[5] == op_program_request ? program_request : mix_request;
            record.bank = message[6];
            record.number = message[7];
        }
        break;
    case op_global_dump:
        if (size == global_dump_size) {
            record.kind = global_dump;
            record.data = unpack_7bit(std::span<const std::uint8_t>(message.data() + global_header_size,
                                                                    size - global_header_size - 1));
        }
        break;
    case op_global_request:
        if (size == global_request_size && message[6] == 0x00) record.kind = global_request;
        break;
    case op_program_bank_request:
    case op_mix_bank_request:
        if (size == bank_request_size) {
            record.kind = message[5] == op_program_bank_request ? program_bank_request : mix_bank_request;
            record.bank = message[6];
        }
        break;
    default:
        break;
    }
    return record;
}

byte_vector encode_message(a6_message& record) {
    if (record.kind == identity_request) return {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};

    byte_vector out;
    const auto low = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    const auto head = [&](std::uint8_t op, std::size_t total) {
        out.reserve(total);
        out.assign(a6_head, a6_head + a6_head_size);
        out.push_back(op);
    };
    switch (record.kind) {
    case program_dump:
    case mix_dump: {
        head(record.kind == program_dump ? op_program_dump : op_mix_dump,
             record.kind == program_dump ? program_dump_size : mix_dump_size);
        out.push_back(low(record.bank));
        out.push_back(low(record.number));
        for (std::size_t i = 0; i < name_length && i < record.name.size() &&
                                name_offset + i < record.data.size();
             ++i)
            record.data[name_offset + i] = static_cast<std::uint8_t>(record.name[i] & 0xFF);
        const std::size_t at = out.size();
        out.resize(at + packed_size(record.data.size()));
        pack_7bit(record.data, out.data() + at);
        break;
    }
    case global_dump: {
        head(op_global_dump, global_dump_size);
        const std::size_t at = out.size();
        out.resize(at + packed_size(record.data.size()));
        pack_7bit(record.data, out.data() + at);
        break;
    }
    case program_request:
    case mix_request:
        head(record.kind == program_request ? op_program_request : op_mix_request, single_request_size);
        out.push_back(low(record.bank));
        out.push_back(low(record.number));
        break;
    case program_bank_request:
    case mix_bank_request:
        head(record.kind == program_bank_request ? op_program_bank_request : op_mix_bank_request,
             bank_request_size);
        out.push_back(low(record.bank));
        break;
    case global_request:
        head(op_global_request, global_request_size);
        out.push_back(0x00);
        break;
    default:
        // Unrecognised messages are never encoded: nothing makes them.
        return {};
    }
    out.push_back(sysex_end);
    return out;
}

void set_name(a6_message& record, std::u16string_view text) {
    record.name.assign(name_length + 1, u' ');
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size() && length < name_length; ++i) {
        char16_t c = text[i];
        if (c > 0xFF) {
            // One byte a character: what a byte cannot hold is shown, saved
            // and sent as '?', a surrogate pair as one.
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) ++i;
            c = u'?';
        }
        record.name[length++] = c;
    }
    record.name[name_length] = 0;
}

std::u16string_view name_characters(const a6_message& record) {
    std::u16string_view name(record.name);
    return name.substr(0, std::min(name.size(), name_length));
}

}  // namespace patchwarden
