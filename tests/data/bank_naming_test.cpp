#include "data/bank_naming.h"

#include <gtest/gtest.h>

namespace patchwarden {
namespace {

std::u16string display(message_kind kind, int bank) {
    a6_message r(kind);
    r.bank = bank;
    return bank_display_name(r);
}
std::u16string short_name(message_kind kind, int bank) {
    a6_message r(kind);
    r.bank = bank;
    return bank_short_name(r);
}

TEST(bank_naming, counts) {
    const struct {
        message_kind kind;
        int count;
    } cases[] = {{program_dump, 19}, {mix_dump, 18}, {global_dump, 0}, {program_request, 0},
                 {mix_bank_request, 0}, {global_request, 0}, {identity_request, 0}, {unrecognised_message, 0}};
    for (const auto& c : cases) EXPECT_EQ(bank_count(a6_message(c.kind)), c.count) << c.kind;
}

TEST(bank_naming, program_banks) {
    const struct {
        int bank;
        const char16_t* display;
        const char16_t* short_name;
    } cases[] = {
        {0, u"User", u"u"},      {1, u"Preset 1", u"p1"}, {2, u"Preset 2", u"p2"},
        {3, u"Card 1", u"c1"},   {4, u"Card 2", u"c2"},   {12, u"Card 10", u"c10"},
        {18, u"Card 16", u"c16"}, {19, u"Card 17", u"c17"},  // no range test beyond the last bank
    };
    for (const auto& c : cases) {
        EXPECT_EQ(display(program_dump, c.bank), c.display) << c.bank;
        EXPECT_EQ(short_name(program_dump, c.bank), c.short_name) << c.bank;
    }
}

TEST(bank_naming, mix_banks) {
    const struct {
        int bank;
        const char16_t* display;
        const char16_t* short_name;
    } cases[] = {
        {0, u"User", u"u"},      {1, u"Preset 1", u"p1"}, {2, u"Card 1", u"c1"},
        {3, u"Card 2", u"c2"},   {11, u"Card 10", u"c10"}, {17, u"Card 16", u"c16"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(display(mix_dump, c.bank), c.display) << c.bank;
        EXPECT_EQ(short_name(mix_dump, c.bank), c.short_name) << c.bank;
    }
}

TEST(bank_naming, other_kinds_have_no_names) {
    for (message_kind kind : {global_dump, program_request, mix_bank_request, unrecognised_message}) {
        EXPECT_EQ(display(kind, 1), u"") << kind;
        EXPECT_EQ(short_name(kind, 1), u"") << kind;
    }
}

}  // namespace
}  // namespace patchwarden
