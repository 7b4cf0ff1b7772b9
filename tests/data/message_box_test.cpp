// What a box answers when it closes: the button chosen, or, closed without
// one of its buttons, the answer that changes nothing.

#include "data/message_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace patchwarden {
namespace {

TEST(box_result, a_button_of_the_box_or_else_the_answer_that_changes_nothing) {
    using enum box_answer;
    const struct {
        box_buttons buttons;
        std::vector<box_answer> offered;
        box_answer otherwise;
    } boxes[] = {
        {box_buttons::ok, {ok}, ok},
        {box_buttons::yes_no, {yes, no}, no},
        {box_buttons::yes_no_cancel, {yes, no, cancel}, cancel},
    };
    for (const auto& b : boxes) {
        EXPECT_EQ(box_result(b.buttons, std::nullopt), b.otherwise);
        for (const box_answer chosen : {ok, yes, no, cancel}) {
            const bool offered = std::find(b.offered.begin(), b.offered.end(), chosen) != b.offered.end();
            EXPECT_EQ(box_result(b.buttons, chosen), offered ? chosen : b.otherwise)
                << static_cast<int>(b.buttons) << " " << static_cast<int>(chosen);
        }
    }
}

}  // namespace
}  // namespace patchwarden
