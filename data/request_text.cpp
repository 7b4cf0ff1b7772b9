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

// A number read from the text: its value (saturated at INT_MAX) and its
// digits as typed, without leading zeros, so that a message shows what the
// user typed and two numbers too large for an int still compare exactly.
struct typed_number {
    int value = 0;
    std::u16string_view digits = u"0";
};

bool read_number(std::u16string_view text, std::size_t& pos, typed_number& number) {
    const std::size_t start = pos;
    if (!parse_decimal(text, pos, number.value)) return false;
    std::size_t first = start;
    while (first + 1 < pos && text[first] == u'0') ++first;
    number.digits = text.substr(first, pos - first);
    return true;
}

bool greater(const typed_number& a, const typed_number& b) {
    if (a.digits.size() != b.digits.size()) return a.digits.size() > b.digits.size();
    return a.digits > b.digits;
}

void say(message_box& box, std::u16string_view format, const typed_number& number) {
    box.show(fill(format, {number.digits}), u"", box_buttons::ok, box_icon::none);
}

// Entry numbers name one of 128 entries; anything larger would put a byte
// with bit 7 set into a SysEx message.
bool entry_number_exists(const typed_number& number, bool programs, message_box& box) {
    if (number.value < entries_per_bank) return true;
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
    typed_number typed;
    if (!read_number(text, pos, typed)) return false;
    const int n = typed.value;

    if (letter == u'p') {
        if (programs ? (n == 1 || n == 2) : n == 1) {
            bank = n;
            return true;
        }
        say(box, programs ? u"Program bank Preset %d doesn't exist" : u"Mix bank Preset %d doesn't exist", typed);
        return false;
    }
    if (n >= 1 && n <= 16) {
        bank = programs ? n + 2 : n + 1;
        return true;
    }
    say(box, programs ? u"Program bank Card %d doesn't exist" : u"Mix bank Card %d doesn't exist", typed);
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
            typed_number from;
            typed_number to;
            for (;;) {
                const char16_t n = at(text, pos);
                if (is_digit(n)) {
                    read_number(text, pos, from);
                    to = from;
                } else if (n == u'-') {
                    ++pos;
                    if (!read_number(text, pos, to)) return false;
                } else if (n == u'\0' || n == u';' || n == u',') {
                    // A range from a greater number to a smaller one asks for
                    // nothing, so nothing in it has to exist.
                    if (!greater(from, to)) {
                        if (!entry_number_exists(from, programs, box) || !entry_number_exists(to, programs, box))
                            return false;
                        for (int number = from.value; number <= to.value; ++number)
                            append(list, single, last, number);
                    }
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
