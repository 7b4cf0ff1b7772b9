#include "data/bank_naming.h"

#include "data/text.h"

namespace patchwarden {

namespace {

enum class bank_family { user, preset, card, none };

// Which family a bank index belongs to, and its number within the family.
bank_family classify(const a6_message& record, int& number) {
    const int index = record.bank;
    if (record.kind == program_dump) {
        if (index == 0) return bank_family::user;
        if (index == 1 || index == 2) {
            number = index;
            return bank_family::preset;
        }
        number = index - 2;
        return bank_family::card;
    }
    if (record.kind == mix_dump) {
        if (index == 0) return bank_family::user;
        if (index == 1) {
            number = 1;
            return bank_family::preset;
        }
        number = index - 1;
        return bank_family::card;
    }
    return bank_family::none;
}

}  // namespace

int bank_count(const a6_message& record) {
    if (record.kind == program_dump) return program_bank_count;
    if (record.kind == mix_dump) return mix_bank_count;
    return 0;
}

std::u16string bank_display_name(const a6_message& record) {
    int number = 0;
    switch (classify(record, number)) {
    case bank_family::user: return u"User";
    case bank_family::preset: return u"Preset " + decimal(number);
    case bank_family::card: return u"Card " + decimal(number);
    case bank_family::none: break;
    }
    return {};
}

std::u16string bank_short_name(const a6_message& record) {
    int number = 0;
    switch (classify(record, number)) {
    case bank_family::user: return u"u";
    case bank_family::preset: return u"p" + decimal(number);
    case bank_family::card: return u"c" + decimal(number);
    case bank_family::none: break;
    }
    return {};
}

}  // namespace patchwarden
