#pragma once

// Small helpers for the program's UTF-16 texts.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace patchwarden {

// Widens ASCII (or Latin-1) text unit by unit.
std::u16string widen(std::string_view text);

// Narrows to Latin-1 bytes, keeping the low 8 bits of each unit; for tests and
// diagnostics.
std::string narrow(std::u16string_view text);

// UTF-8 bytes as UTF-16: each byte of a sequence that is not UTF-8
// (overlong, a surrogate, beyond U+10FFFF, cut short) becomes U+FFFD, as
// desktop programs show a file or port name that is not UTF-8.
std::u16string utf8_text(std::string_view bytes);

// Decimal text of a value; width pads with leading zeros ("%03d").
std::u16string decimal(long long value, int width = 0);

// Decimal text as the C library reads it: leading white space and one sign
// skipped, digits up to the first non-digit, 0 without digits; saturates at
// the limits of int.
int decimal_value(std::u16string_view text);

// Upper-case hexadecimal text of a value ("%X").
std::u16string hexadecimal(std::uint32_t value);

// Replaces each "%s" / "%d" / "%02d" / "%03d" / "%X" of a fixed message
// format with the next argument, already formatted by the caller. Formats are
// the program's own, never user text.
std::u16string fill(std::u16string_view format, std::initializer_list<std::u16string_view> args);

}  // namespace patchwarden
