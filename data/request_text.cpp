#include "data/request_text.h"

#include <climits>

#include "data/bank_naming.h"
#include "data/text.h"

namespace patchwarden {

namespace {

// The request text is zero-terminated: reading past its end, or a zero code
// unit, is the end of text.
char16_t at(std::u16string_view text, std::size_t pos) { return pos < text.size() ? text[pos] : u'\0'; }

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

char16_t lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool is_program_kind(message_kind kind) {
    return kind == program_dump || kind == program_request || kind == program_bank_request;
}

bool is_mix_kind(message_kind kind) {
    return kind == mix_dump || kind == mix_request || kind == mix_bank_request;
}

void say(message_box& box, std::u16string_view format, int value) {
    box.show(fill(format, {decimal(value)}), u"", box_buttons::ok, box_icon::none);
}

// Entry numbers name one of 128 entries; anything larger would put a byte
// with bit 7 set into a SysEx message.
bool entry_number_exists(int number, bool programs, message_box& box) {
    if (number < entries_per_bank) return true;
    say(box, programs ? u"Program number %d doesn't exist" : u"Mix number %d doesn't exist", number);
    return false;
}

void append(outgoing_queue& list, message_kind kind, int bank, int number) {
    a6_message request(kind, bank, number);
    list.push_back(make_outgoing(request));
}

}  // namespace

outgoing_message make_outgoing(a6_message& record) {
    outgoing_message out;
    out.bytes = encode_message(record);
    switch (record.kind) {
    case program_request:
    case mix_request:
    case global_request: out.expected_replies = 1; break;
    case program_bank_request:
    case mix_bank_request: out.expected_replies = entries_per_bank; break;
    default: out.expected_replies = 0; break;
    }
    return out;
}

bool parse_decimal(std::u16string_view text, std::size_t& pos, int& value) {
    if (!is_digit(at(text, pos))) return false;
    long long result = 0;
    while (is_digit(at(text, pos))) {
        if (result <= INT_MAX) result = result * 10 + (at(text, pos) - u'0');
        ++pos;
    }
    value = result > INT_MAX ? INT_MAX : static_cast<int>(result);
    return true;
}

bool parse_bank_spec(std::u16string_view text, std::size_t& pos, message_kind kind, int& bank,
                     message_box& box) {
    const bool programs = is_program_kind(kind);
    if (!programs && !is_mix_kind(kind)) return false;

    const char16_t letter = lower(at(text, pos));
    if (letter == u'u') {
        ++pos;
        bank = 0;
        return true;
    }
    if (letter != u'p' && letter != u'c') return false;
    ++pos;
    int n = 0;
    if (!parse_decimal(text, pos, n)) return false;

    if (letter == u'p') {
        if (programs ? (n == 1 || n == 2) : n == 1) {
            bank = n;
            return true;
        }
        say(box, programs ? u"Program bank Preset %d doesn't exist" : u"Mix bank Preset %d doesn't exist", n);
        return false;
    }
    if (n >= 1 && n <= 16) {
        bank = programs ? n + 2 : n + 1;
        return true;
    }
    say(box, programs ? u"Program bank Card %d doesn't exist" : u"Mix bank Card %d doesn't exist", n);
    return false;
}

bool parse_request_text(std::u16string_view text, outgoing_queue& list, message_box& box) {
    std::size_t pos = 0;
    for (;;) {
        const char16_t c = lower(at(text, pos));
        if (c == u'\0') return true;
        if (c == u';') {
            ++pos;
            continue;
        }
        if (c == u'g') {
            ++pos;
            append(list, global_request, -1, -1);
            continue;
        }
        if (c != u'p' && c != u'm') return false;

        // A Programs or Mixes item: bank spec, then whole banks, a bank range
        // or a number list.
        ++pos;
        const bool programs = c == u'p';
        const message_kind single = programs ? program_request : mix_request;
        const message_kind whole = programs ? program_bank_request : mix_bank_request;
        int first = 0;
        if (!parse_bank_spec(text, pos, single, first, box)) return false;
        int last = first;
        for (;;) {
            const char16_t next = at(text, pos);
            if (next == u'-') {
                ++pos;
                if (!parse_bank_spec(text, pos, single, last, box)) return false;
                continue;
            }
            if (next == u'\0' || next == u';') {
                for (int bank = first; bank <= last; ++bank) append(list, whole, bank, 0);
                break;
            }
            if (next != u':') return false;

            // Number list of the item's last bank.
            ++pos;
            int from = 0;
            int to = 0;
            for (;;) {
                const char16_t n = at(text, pos);
                if (is_digit(n)) {
                    parse_decimal(text, pos, from);
                    if (!entry_number_exists(from, programs, box)) return false;
                    to = from;
                } else if (n == u'-') {
                    ++pos;
                    if (!parse_decimal(text, pos, to)) return false;
                    if (!entry_number_exists(to, programs, box)) return false;
                } else if (n == u'\0' || n == u';' || n == u',') {
                    for (int number = from; number <= to; ++number) append(list, single, last, number);
                    if (n != u',') break;
                    ++pos;
                } else {
                    return false;
                }
            }
            break;
        }
    }
}

}  // namespace patchwarden
