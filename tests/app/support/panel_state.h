#pragma once

// The "Selected:" group as the user sees it, read through the main window's
// controls (the Qt window and the test face alike), and the library both
// panel tests select in.

#include <gtest/gtest.h>

#include "app/dialogs/dialog_logic.h"
#include "app/dialogs/dialog_templates.h"
#include "tests/support/dumps.h"

namespace patchwarden::testing {

struct panel_state {
    bool bank, number, name, move;  // 1036+1059, 1035, 1042, 1037+1038
};

// The controls that go in pairs must agree.
inline panel_state read_panel(const dialog_controls& window) {
    EXPECT_EQ(window.enabled(main_ids::bank), window.enabled(main_ids::choose_bank));
    EXPECT_EQ(window.enabled(main_ids::move), window.enabled(main_ids::copy));
    return {window.enabled(main_ids::bank), window.enabled(main_ids::number), window.enabled(main_ids::name),
            window.enabled(main_ids::move)};
}

// A Preset 2 Program at 5, a Card 1 Mix at 9 and the Global Data.
inline void fill_panel_library(library_tree& library, message_box& box) {
    put(library, box, program_dump, 2, 5, u"Preset Two Five");
    put(library, box, mix_dump, 2, 9, u"Mix Card One");
    put(library, box, global_dump, -1, -1, u"");
}

#define EXPECT_PANEL(s, b, n, m, mv)                            \
    do {                                                        \
        const ::patchwarden::testing::panel_state got = (s);    \
        EXPECT_EQ(got.bank, b);                                 \
        EXPECT_EQ(got.number, n);                               \
        EXPECT_EQ(got.name, m);                                 \
        EXPECT_EQ(got.move, mv);                                \
    } while (0)

}  // namespace patchwarden::testing
