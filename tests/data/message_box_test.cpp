// What a box answers when it closes: the button chosen, or, closed without
// one of its buttons, the answer that changes nothing.

#include "data/message_box.h"

#include <gtest/gtest.h>

#include <optional>

namespace patchwarden {
namespace {

TEST(box_result, a_button_of_the_box_or_else_the_answer_that_changes_nothing) {
    using enum box_answer;
    const std::optional<box_answer> none;
    const struct {
        box_buttons buttons;
        std::optional<box_answer> chosen;
        box_answer answer;
    } rows[] = {
        {box_buttons::ok, ok, ok},
        {box_buttons::ok, none, ok},
        {box_buttons::ok, cancel, ok},  // Escape
        {box_buttons::yes_no, yes, yes},
        {box_buttons::yes_no, no, no},
        {box_buttons::yes_no, none, no},
        {box_buttons::yes_no, cancel, no},
        {box_buttons::yes_no, ok, no},
        {box_buttons::yes_no_cancel, yes, yes},
        {box_buttons::yes_no_cancel, no, no},
        {box_buttons::yes_no_cancel, cancel, cancel},
        {box_buttons::yes_no_cancel, none, cancel},
        {box_buttons::yes_no_cancel, ok, cancel},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(box_result(r.buttons, r.chosen), r.answer)
            << static_cast<int>(r.buttons) << " " << (r.chosen ? static_cast<int>(*r.chosen) : -1);
    }
}

}  // namespace
}  // namespace patchwarden
