#include "data/text.h"

#include <algorithm>
#include <climits>

namespace patchwarden {

namespace {

constexpr char16_t replacement = u'\uFFFD';

// The length of the UTF-8 sequence that starts with lead, and the lowest
// code point it may carry; 0 for a byte no sequence starts with.
struct sequence_start {
    int length;
    char32_t lowest;
};

sequence_start start_of(unsigned char lead) {
    if (lead < 0x80) return {1, 0};
    if ((lead & 0xE0) == 0xC0) return {2, 0x80};
    if ((lead & 0xF0) == 0xE0) return {3, 0x800};
    if ((lead & 0xF8) == 0xF0) return {4, 0x10000};
    return {0, 0};
}

}  // namespace

std::u16string utf8_text(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const sequence_start start = start_of(lead);
        if (start.length == 1) {
            text.push_back(lead);
            ++i;
            continue;
        }
        bool valid = start.length > 0 && i + static_cast<std::size_t>(start.length) <= bytes.size();
        char32_t code = lead & (0x7F >> start.length);
        for (int k = 1; valid && k < start.length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= start.lowest && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (!valid) {
            text.push_back(replacement);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
        i += static_cast<std::size_t>(start.length);
    }
    return text;
}

std::u16string widen(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

std::string narrow(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(static_cast<char>(c & 0xFF));
    return out;
}

std::u16string decimal(long long value, int width) {
    const bool negative = value < 0;
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    while (static_cast<int>(digits.size()) < width - (negative ? 1 : 0)) digits.insert(digits.begin(), u'0');
    if (negative) digits.insert(digits.begin(), u'-');
    return digits;
}

int decimal_value(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - u'0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) return static_cast<int>(std::max<long long>(-value, INT_MIN));
    return static_cast<int>(std::min<long long>(value, INT_MAX));
}

std::u16string hexadecimal(std::uint32_t value) {
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    std::u16string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

std::u16string fill(std::u16string_view format, std::initializer_list<std::u16string_view> args) {
    std::u16string out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%' || i + 1 >= format.size()) {
            out.push_back(format[i]);
            continue;
        }
        // Skip the conversion: optional zero-padded width, then one letter.
        std::size_t j = i + 1;
        while (j < format.size() && format[j] >= u'0' && format[j] <= u'9') ++j;
        if (j < format.size() && (format[j] == u's' || format[j] == u'd' || format[j] == u'X')) {
            if (next != args.end()) out.append(*next++);
            i = j;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

}  // namespace patchwarden
