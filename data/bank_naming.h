#pragma once

// Bank indices of Programs and Mixes and the names the program shows for them.
//
// Programs: 0 User, 1..2 Preset 1..2, 3..18 Card 1..16 (19 banks).
// Mixes:    0 User, 1 Preset 1,      2..17 Card 1..16 (18 banks).

#include <string>

#include "data/a6_message.h"

namespace patchwarden {

inline constexpr int program_bank_count = 19;
inline constexpr int mix_bank_count = 18;
inline constexpr int entries_per_bank = 128;

// 19 for a program_dump record, 18 for a mix_dump record, 0 otherwise.
int bank_count(const a6_message& record);

// "User", "Preset %d" or "Card %d"; empty for kinds other than the two dumps.
std::u16string bank_display_name(const a6_message& record);

// "u", "p%d" or "c%d"; empty for kinds other than the two dumps.
std::u16string bank_short_name(const a6_message& record);

}  // namespace patchwarden
