// "Get:", "Range:" and "Bank:" as logic over their controls, and the two
// "..." commands of the window that run them.

#include <gtest/gtest.h>

#include <optional>

#include "app/dialogs/bank_dialog_logic.h"
#include "app/dialogs/get_dialog_logic.h"
#include "app/dialogs/range_dialog_logic.h"
#include "tests/app/support/window_fixture.h"
#include "tests/library/library_fixtures.h"

namespace patchwarden {
namespace {

using namespace testing;

TEST(request_item, appending_items_to_the_request_text) {
    struct row {
        std::u16string before, item, after;
    } rows[] = {
        {u"", u"g", u"g"},
        {u"pu:5", u"g", u"pu:5;g"},
        {u"pu:5;", u"g", u"pu:5;g"},
        {u"g", u"mc3:0-127", u"g;mc3:0-127"},
        {std::u16string(300, u'x'), u"g", std::u16string(255, u'x') + u";g"},
        {std::u16string(254, u'x') + u";", u"g", std::u16string(254, u'x') + u";g"},
    };
    for (const row& r : rows) EXPECT_EQ(append_request_item(r.before, r.item), r.after) << narrow(r.before);
}

TEST(request_item, item_bodies_of_each_mode) {
    struct row {
        range_choice choice;
        std::u16string body;
    } rows[] = {
        {{0, 0, 5, 0, 0, 0}, u"u:5"},
        {{0, 1, 0, 127, 1, 1}, u"p1:0-127"},
        {{0, 2, 0, 0, 5, 5}, u"c3"},  // Programs: Card 3 is index 5
        {{1, 2, 0, 0, 4, 4}, u"c3"},  // Mixes: Card 3 is index 4
        {{0, 3, 0, 0, 0, 18}, u"u-c16"},
        {{1, 3, 0, 0, 1, 17}, u"p1-c16"},
    };
    for (const row& r : rows) EXPECT_EQ(item_body(r.choice), r.body) << narrow(r.body);
}

// What the user does in "Range:" before OK.
struct range_answer {
    int mode_button;
    int first_bank, last_bank;
    std::u16string first_number, last_number;
};

void answer_range(dialog_logic& logic, fake_dialog& dialog, const range_answer& a) {
    dialog.click(logic, a.mode_button);
    dialog.choose(logic, range_ids::first_bank, a.first_bank);
    dialog.choose(logic, range_ids::last_bank, a.last_bank);
    dialog.type(range_ids::first_number, a.first_number);
    dialog.type(range_ids::last_number, a.last_number);
    dialog.click(logic, range_ids::ok);
}

TEST(get_dialog_test, each_choice_writes_its_item) {
    struct row {
        const char* before;
        int button;
        std::optional<range_answer> range;  // nothing: Range is cancelled
        const char* after;
        const char* range_caption;          // nothing: no Range was run
    } rows[] = {
        {"", get_ids::global, {}, "g", nullptr},
        {"pu:5", get_ids::global, {}, "pu:5;g", nullptr},
        {"", get_ids::programs, range_answer{range_ids::single, 0, 0, u"5", u"0"}, "pu:5", "Get programs:"},
        {"g", get_ids::mixes, range_answer{range_ids::multiple, 4, 4, u"0", u"127"}, "g;mc3:0-127", "Get mixes:"},
        {"", get_ids::programs, range_answer{range_ids::bank, 2, 2, u"0", u"0"}, "pp2", "Get programs:"},
        {"", get_ids::programs, range_answer{range_ids::multiple_banks, 0, 18, u"0", u"0"}, "pu-c16", "Get programs:"},
        {"pu:5", get_ids::programs, std::nullopt, "pu:5", "Get programs:"},
        {"pu:5", get_ids::cancel, {}, "pu:5", nullptr},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.after);
        fake_dialog window(main_window_template);
        window.set_text(main_ids::request, widen(r.before));
        std::optional<std::u16string> range_caption;
        get_dialog_logic get(window, main_ids::request, [&](dialog_logic& range, dialog_controls&) {
            EXPECT_FALSE(range_caption) << "one Range at most";
            return run_scripted(range, [&](dialog_logic& logic, fake_dialog& dialog) {
                range_caption = dialog.caption;
                if (r.range) {
                    answer_range(logic, dialog, *r.range);
                } else {
                    dialog.click(logic, range_ids::cancel);
                }
            });
        });
        // Every command closes the dialog.
        EXPECT_EQ(run_scripted(get, [&](dialog_logic& logic, fake_dialog& dialog) { dialog.click(logic, r.button); }),
                  r.button);
        EXPECT_EQ(narrow(window.text(main_ids::request)), r.after);
        EXPECT_EQ(range_caption ? narrow(*range_caption) : "(none)", r.range_caption ? r.range_caption : "(none)");
    }
}

struct range_test : ::testing::Test {
    range_choice choice{};
    std::optional<range_dialog_logic> logic;
    std::optional<fake_dialog> dialog;
    void open(int kind) {
        choice = range_choice{};
        choice.kind = kind;
        choice.from = -99;  // shows whether OK filled it
        logic.emplace(choice);
        dialog.emplace(logic->spec());
        logic->start(*dialog);
    }
    const fake_dialog::control_state& at(int id) const { return dialog->at(id); }
    std::string text(int id) const { return narrow(dialog->text(id)); }
    void click(int id) { dialog->click(*logic, id); }
    void choose(int id, int position) { dialog->choose(*logic, id, position); }
};

TEST_F(range_test, starts_from_the_defaults) {
    for (int kind : {0, 1}) {
        open(kind);
        EXPECT_EQ(narrow(dialog->caption), kind == 0 ? "Get programs:" : "Get mixes:");
        const std::size_t banks = kind == 0 ? 19 : 18;
        EXPECT_EQ(at(range_ids::first_bank).items.size(), banks);
        EXPECT_EQ(at(range_ids::last_bank).items.size(), banks);
        EXPECT_EQ(at(range_ids::first_bank).items[0], u"User");
        EXPECT_EQ(at(range_ids::first_bank).items[kind == 0 ? 2 : 1], kind == 0 ? u"Preset 2" : u"Preset 1");
        EXPECT_EQ(at(range_ids::last_bank).items[banks - 1], u"Card 16");
        EXPECT_EQ(dialog->selection(range_ids::first_bank), 0);
        EXPECT_EQ(dialog->selection(range_ids::last_bank), 0);
        EXPECT_EQ(text(range_ids::first_number), "0");
        EXPECT_EQ(text(range_ids::last_number), "0");
        EXPECT_TRUE(dialog->checked(range_ids::single));
    }
}

TEST_F(range_test, each_mode_shows_its_controls_and_labels) {
    struct row {
        int button;
        const char *bank_label, *last_bank_label, *number_label, *last_number_label;
        bool last_bank, number, last_number;
    } rows[] = {
        {range_ids::single, "bank:", "", "num:", "", false, true, false},
        {range_ids::multiple, "bank:", "", "from:", "to:", false, true, true},
        {range_ids::bank, "bank:", "", "", "", false, false, false},
        {range_ids::multiple_banks, "from bank:", "to bank:", "", "", true, false, false},
        {range_ids::single, "bank:", "", "num:", "", false, true, false},
    };
    open(0);
    dialog->type(range_ids::first_number, u"12");
    for (const row& r : rows) {
        SCOPED_TRACE(r.button);
        click(r.button);
        EXPECT_EQ(text(range_ids::first_bank_label), r.bank_label);
        EXPECT_EQ(text(range_ids::last_bank_label), r.last_bank_label);
        EXPECT_EQ(text(range_ids::first_number_label), r.number_label);
        EXPECT_EQ(text(range_ids::last_number_label), r.last_number_label);
        EXPECT_TRUE(at(range_ids::first_bank).visible);
        EXPECT_TRUE(at(range_ids::first_bank_label).visible);
        EXPECT_EQ(at(range_ids::last_bank).visible, r.last_bank);
        EXPECT_EQ(at(range_ids::last_bank_label).visible, r.last_bank);
        EXPECT_EQ(at(range_ids::first_number).visible, r.number);
        EXPECT_EQ(at(range_ids::first_number_label).visible, r.number);
        EXPECT_EQ(at(range_ids::last_number).visible, r.last_number);
        EXPECT_EQ(at(range_ids::last_number_label).visible, r.last_number);
        EXPECT_EQ(text(range_ids::first_number), "12");  // hidden controls keep their contents
    }
}

TEST_F(range_test, the_last_bank_never_stands_before_the_first) {
    open(0);
    choose(range_ids::first_bank, 4);  // Card 2, last still User
    EXPECT_EQ(dialog->selection(range_ids::last_bank), 4);
    choose(range_ids::last_bank, 10);
    EXPECT_EQ(dialog->selection(range_ids::first_bank), 4);
    choose(range_ids::last_bank, 1);
    EXPECT_EQ(dialog->selection(range_ids::first_bank), 1);
}

TEST_F(range_test, leaving_a_number_brings_both_into_range) {
    struct row {
        const char *first, *last;
        int left;
        const char *first_after, *last_after;
    } rows[] = {
        {"300", "0", range_ids::first_number, "127", "127"},
        {"100", "50", range_ids::last_number, "50", "50"},
        {"100", "50", range_ids::first_number, "100", "100"},
        {"-5", "7", range_ids::first_number, "0", "7"},
        {"", "500", range_ids::last_number, "0", "127"},
    };
    open(0);
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.first) + "," + r.last);
        dialog->type(range_ids::first_number, widen(r.first));
        dialog->type(range_ids::last_number, widen(r.last));
        dialog->leave(*logic, r.left);
        EXPECT_EQ(text(range_ids::first_number), r.first_after);
        EXPECT_EQ(text(range_ids::last_number), r.last_after);
    }
}

TEST_F(range_test, ok_takes_the_fields_as_they_stand) {
    open(1);
    click(range_ids::multiple);
    dialog->type(range_ids::first_number, u"300");  // typed, confirmed with Enter: no focus rule
    dialog->type(range_ids::last_number, u"12");
    choose(range_ids::first_bank, 4);
    click(range_ids::ok);
    EXPECT_EQ(dialog->result, 1);
    EXPECT_EQ(choice.kind, 1);
    EXPECT_EQ(choice.range_mode, 1);
    EXPECT_EQ(choice.from, 300);
    EXPECT_EQ(choice.to, 12);
    EXPECT_EQ(choice.bank, 4);
    EXPECT_EQ(choice.to_bank, 4);

    // A bank range never ends before it starts, even where the lists were
    // set without telling the dialog.
    open(0);
    click(range_ids::multiple_banks);
    dialog->select(range_ids::first_bank, 6);
    dialog->select(range_ids::last_bank, 2);
    click(range_ids::ok);
    EXPECT_EQ(choice.bank, 6);
    EXPECT_EQ(choice.to_bank, 6);

    open(0);
    click(range_ids::cancel);
    EXPECT_EQ(dialog->result, 2);
    EXPECT_EQ(choice.from, -99);
    open(0);
    logic->command(*dialog, 2);  // Escape, the close box
    EXPECT_EQ(dialog->result, 2);
    EXPECT_EQ(choice.from, -99);
}

TEST(bank_dialog_test, lists_the_banks_of_the_kind_and_preselects_the_record_bank) {
    for (auto [kind, count] : {std::pair{program_dump, 19u}, std::pair{mix_dump, 18u}}) {
        a6_message record(kind, 5, 1);
        bank_dialog_logic logic(record);
        std::size_t listed = 0;
        int preselected = -2;
        EXPECT_EQ(run_scripted(logic,
                               [&](dialog_logic& l, fake_dialog& dialog) {
                                   listed = dialog.at(bank_ids::list).items.size();
                                   preselected = dialog.selection(bank_ids::list);
                                   dialog.choose(l, bank_ids::list, 7);
                                   dialog.click(l, bank_ids::ok);
                               }),
                  1);
        EXPECT_EQ(listed, count);
        EXPECT_EQ(preselected, 5);
        EXPECT_EQ(record.bank, 7);
    }
    a6_message record(program_dump, 5, 1);
    bank_dialog_logic logic(record);
    EXPECT_EQ(run_scripted(logic,
                           [](dialog_logic& l, fake_dialog& dialog) {
                               dialog.choose(l, bank_ids::list, 1);
                               dialog.click(l, bank_ids::cancel);
                           }),
              2);
    EXPECT_EQ(record.bank, 5);
}

struct choose_bank_test : window_logic_test {
    // Answers the next "Bank:" dialog: notes what it preselected and picks
    // a position (or cancels with -1).
    int preselected = -2;
    std::size_t listed = 0;
    void answer_bank_dialog(int pick) {
        face.dialog_scripts.push_back([this, pick](dialog_logic& logic, fake_dialog& dialog) {
            EXPECT_EQ(narrow(dialog.caption), "Bank:");
            EXPECT_EQ(face.running_owner, &face.window);
            preselected = dialog.selection(bank_ids::list);
            listed = dialog.at(bank_ids::list).items.size();
            if (pick < 0) {
                dialog.click(logic, bank_ids::cancel);
                return;
            }
            dialog.choose(logic, bank_ids::list, pick);
            dialog.click(logic, bank_ids::ok);
        });
    }
    void put(message_kind kind, int bank, int number, const char* name) {
        library.insert_record(kind == global_dump ? make_global() : make_entry(kind, bank, number, name), false,
                              box_buttons::yes_no, box);
    }
    library_node* entry(message_kind kind, int bank, int number) { return library.find_entry(kind, bank, number); }
};

TEST_F(choose_bank_test, picks_a_bank_for_the_bank_field) {
    put(program_dump, 4, 3, "Card Two");
    select(entry(program_dump, 4, 3));
    EXPECT_EQ(narrow(text(main_ids::bank)), "c2");
    answer_bank_dialog(18);
    click(main_ids::choose_bank);
    EXPECT_EQ(preselected, 4);
    EXPECT_EQ(listed, 19u);
    EXPECT_EQ(narrow(text(main_ids::bank)), "c16");
    EXPECT_EQ(library.record_of(entry(program_dump, 4, 3))->bank, 4);  // the library is not changed

    set_text(main_ids::bank, u"P1xyz");  // the typed bank is preselected
    answer_bank_dialog(-1);
    click(main_ids::choose_bank);
    EXPECT_EQ(preselected, 1);
    EXPECT_EQ(narrow(text(main_ids::bank)), "P1xyz");
}

TEST_F(choose_bank_test, a_bank_that_does_not_exist_is_reported_then_the_own_bank_is_offered) {
    put(program_dump, 4, 3, "Card Two");
    select(entry(program_dump, 4, 3));
    set_text(main_ids::bank, u"c17");
    answer_bank_dialog(0);
    click(main_ids::choose_bank);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Program bank Card 17 doesn't exist");
    EXPECT_EQ(preselected, 4);
    EXPECT_EQ(narrow(text(main_ids::bank)), "u");
}

TEST_F(choose_bank_test, a_bank_node_uses_its_first_entry_and_other_nodes_do_nothing) {
    put(mix_dump, 3, 3, "Mix Card Two");
    put(global_dump, -1, -1, "");
    select(entry(mix_dump, 3, 3)->parent());
    answer_bank_dialog(17);
    click(main_ids::choose_bank);
    EXPECT_EQ(listed, 18u);
    EXPECT_EQ(preselected, 3);
    EXPECT_EQ(narrow(text(main_ids::bank)), "c16");
    EXPECT_EQ(face.dialogs_run, 1);

    for (const library_node* node : {static_cast<const library_node*>(library.root()),
                                     static_cast<const library_node*>(library.root()->child(0)),
                                     static_cast<const library_node*>(entry(global_dump, -1, -1))}) {
        select(node);
        logic->command(main_ids::choose_bank);  // given even where the panel disabled its button
    }
    EXPECT_EQ(face.dialogs_run, 1);
    EXPECT_EQ(narrow(text(main_ids::bank)), "c16");
}

TEST_F(window_logic_test, the_request_chooser_runs_get_and_range) {
    set_text(main_ids::request, u"g");
    std::u16string range_caption;
    const fake_dialog* get_dialog = nullptr;
    face.dialog_scripts.push_back([&](dialog_logic& logic, fake_dialog& get) {
        EXPECT_EQ(narrow(get.caption), "Get:");
        EXPECT_EQ(face.running_owner, &face.window);
        get_dialog = &get;
        get.click(logic, get_ids::mixes);
    });
    face.dialog_scripts.push_back([&](dialog_logic& logic, fake_dialog& range) {
        range_caption = range.caption;
        EXPECT_EQ(face.running_owner, get_dialog);  // "Range:" stands over "Get:");
        range.click(logic, range_ids::bank);
        range.choose(logic, range_ids::first_bank, 4);
        range.click(logic, range_ids::ok);
    });
    click(main_ids::choose_request);
    EXPECT_EQ(narrow(range_caption), "Get mixes:");
    EXPECT_EQ(face.dialogs_run, 2);
    EXPECT_EQ(narrow(text(main_ids::request)), "g;mc3");
}

}  // namespace
}  // namespace patchwarden
