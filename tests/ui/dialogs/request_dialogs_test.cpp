// "Get:", "Range:" and "Bank:", and the two "..." commands of the window.

#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "tests/ui/window_fixture.h"
#include "ui/dialogs/bank_dialog.h"
#include "ui/dialogs/get_dialog.h"
#include "ui/dialogs/range_dialog.h"

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
        {{0, 2, 0, 0, 5, 5}, u"c3"},       // Programs: Card 3 is index 5
        {{1, 2, 0, 0, 4, 4}, u"c3"},       // Mixes: Card 3 is index 4
        {{0, 3, 0, 0, 0, 18}, u"u-c16"},
        {{1, 3, 0, 0, 1, 17}, u"p1-c16"},
    };
    for (const row& r : rows) EXPECT_EQ(item_body(r.choice), r.body) << narrow(r.body);
}

TEST(request_item, decimal_conversion_as_the_c_library_does_it) {
    EXPECT_EQ(decimal_value(" 42x"), 42);
    EXPECT_EQ(decimal_value("-7"), -7);
    EXPECT_EQ(decimal_value("+9"), 9);
    EXPECT_EQ(decimal_value("abc"), 0);
    EXPECT_EQ(decimal_value(""), 0);
    EXPECT_EQ(decimal_value("99999999999999"), INT_MAX);
    EXPECT_EQ(decimal_value("-99999999999999"), INT_MIN);
}

TEST(get_dialog_test, each_choice_writes_its_item) {
    struct row {
        const char* before;
        int button;
        std::optional<range_choice> range;  // nothing: Range is cancelled
        const char* after;
        int expected_kind;
    } rows[] = {
        {"", get_ids::global, {}, "g", -1},
        {"pu:5", get_ids::global, {}, "pu:5;g", -1},
        {"", get_ids::programs, range_choice{0, 0, 5, 0, 0, 0}, "pu:5", 0},
        {"g", get_ids::mixes, range_choice{1, 1, 0, 127, 4, 4}, "g;mc3:0-127", 1},
        {"", get_ids::programs, range_choice{0, 2, 0, 0, 2, 2}, "pp2", 0},
        {"", get_ids::programs, range_choice{0, 3, 0, 0, 0, 18}, "pu-c16", 0},
        {"pu:5", get_ids::programs, std::nullopt, "pu:5", 0},
        {"pu:5", get_ids::cancel, {}, "pu:5", -1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.after);
        QLineEdit field(QString::fromLatin1(r.before));
        int asked_kind = -1;
        get_dialog dialog(nullptr, field, [&](QWidget* owner, range_choice& choice) {
            EXPECT_NE(owner, nullptr);
            asked_kind = choice.kind;
            if (!r.range) return 2;
            const std::int32_t kind = choice.kind;
            choice = *r.range;
            choice.kind = kind;
            return 1;
        });
        control<QPushButton>(&dialog, r.button)->click();
        EXPECT_EQ(field.text(), QString::fromLatin1(r.after));
        EXPECT_EQ(asked_kind, r.expected_kind);
        EXPECT_EQ(dialog.result(), r.button);  // every command closes the dialog
    }
}

struct range_test : ::testing::Test {
    range_choice choice{};
    std::unique_ptr<range_dialog> dialog;
    void open(int kind) {
        choice = range_choice{};
        choice.kind = kind;
        choice.from = -99;  // shows whether OK filled it
        dialog = std::make_unique<range_dialog>(nullptr, choice);
    }
    QComboBox* list(int id) { return control<QComboBox>(dialog.get(), id); }
    QLineEdit* edit(int id) { return control<QLineEdit>(dialog.get(), id); }
    bool shown(int id) { return !find_control(dialog.get(), id)->isHidden(); }
    QString label(int id) { return control<QLabel>(dialog.get(), id)->text(); }
    void leave(int id) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(edit(id), &out);
    }
};

TEST_F(range_test, starts_from_the_defaults) {
    for (int kind : {0, 1}) {
        open(kind);
        EXPECT_EQ(dialog->windowTitle(), kind == 0 ? "Get programs:" : "Get mixes:");
        EXPECT_EQ(list(range_ids::first_bank)->count(), kind == 0 ? 19 : 18);
        EXPECT_EQ(list(range_ids::last_bank)->count(), kind == 0 ? 19 : 18);
        EXPECT_EQ(list(range_ids::first_bank)->itemText(0), "User");
        EXPECT_EQ(list(range_ids::first_bank)->itemText(kind == 0 ? 2 : 1), kind == 0 ? "Preset 2" : "Preset 1");
        EXPECT_EQ(list(range_ids::last_bank)->itemText(kind == 0 ? 18 : 17), "Card 16");
        EXPECT_EQ(list(range_ids::first_bank)->currentIndex(), 0);
        EXPECT_EQ(list(range_ids::last_bank)->currentIndex(), 0);
        EXPECT_EQ(edit(range_ids::first_number)->text(), "0");
        EXPECT_EQ(edit(range_ids::last_number)->text(), "0");
        EXPECT_TRUE(control<QRadioButton>(dialog.get(), range_ids::single)->isChecked());
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
    edit(range_ids::first_number)->setText("12");
    for (const row& r : rows) {
        SCOPED_TRACE(r.button);
        control<QRadioButton>(dialog.get(), r.button)->click();
        EXPECT_EQ(label(range_ids::first_bank_label), r.bank_label);
        EXPECT_EQ(label(range_ids::last_bank_label), r.last_bank_label);
        EXPECT_EQ(label(range_ids::first_number_label), r.number_label);
        EXPECT_EQ(label(range_ids::last_number_label), r.last_number_label);
        EXPECT_TRUE(shown(range_ids::first_bank));
        EXPECT_TRUE(shown(range_ids::first_bank_label));
        EXPECT_EQ(shown(range_ids::last_bank), r.last_bank);
        EXPECT_EQ(shown(range_ids::last_bank_label), r.last_bank);
        EXPECT_EQ(shown(range_ids::first_number), r.number);
        EXPECT_EQ(shown(range_ids::first_number_label), r.number);
        EXPECT_EQ(shown(range_ids::last_number), r.last_number);
        EXPECT_EQ(shown(range_ids::last_number_label), r.last_number);
        EXPECT_EQ(edit(range_ids::first_number)->text(), "12");  // hidden controls keep their contents
    }
}

TEST_F(range_test, the_last_bank_never_stands_before_the_first) {
    open(0);
    list(range_ids::first_bank)->setCurrentIndex(4);  // Card 2, last still User
    EXPECT_EQ(list(range_ids::last_bank)->currentIndex(), 4);
    list(range_ids::last_bank)->setCurrentIndex(10);
    EXPECT_EQ(list(range_ids::first_bank)->currentIndex(), 4);
    list(range_ids::last_bank)->setCurrentIndex(1);
    EXPECT_EQ(list(range_ids::first_bank)->currentIndex(), 1);
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
        edit(range_ids::first_number)->setText(r.first);
        edit(range_ids::last_number)->setText(r.last);
        leave(r.left);
        EXPECT_EQ(edit(range_ids::first_number)->text(), r.first_after);
        EXPECT_EQ(edit(range_ids::last_number)->text(), r.last_after);
    }
}

TEST_F(range_test, ok_takes_the_fields_as_they_stand) {
    open(1);
    control<QRadioButton>(dialog.get(), range_ids::multiple)->click();
    edit(range_ids::first_number)->setText("300");  // typed, confirmed with Enter: no focus rule
    edit(range_ids::last_number)->setText("12");
    list(range_ids::first_bank)->setCurrentIndex(4);
    control<QPushButton>(dialog.get(), range_ids::ok)->click();
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(choice.kind, 1);
    EXPECT_EQ(choice.range_mode, 1);
    EXPECT_EQ(choice.from, 300);
    EXPECT_EQ(choice.to, 12);
    EXPECT_EQ(choice.bank, 4);
    EXPECT_EQ(choice.to_bank, 4);

    open(0);
    control<QPushButton>(dialog.get(), range_ids::cancel)->click();
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_EQ(choice.from, -99);
    open(0);
    dialog->reject();  // Escape, the close box
    EXPECT_EQ(dialog->result(), 2);
}

TEST(bank_dialog_test, lists_the_banks_of_the_kind_and_preselects_the_record_bank) {
    for (auto [kind, count] : {std::pair{program_dump, 19}, std::pair{mix_dump, 18}}) {
        a6_message record(kind, 5, 1);
        bank_dialog dialog(nullptr, record);
        auto* list = control<QComboBox>(&dialog, bank_ids::list);
        EXPECT_EQ(list->count(), count);
        EXPECT_EQ(list->currentIndex(), 5);
        list->setCurrentIndex(7);
        control<QPushButton>(&dialog, bank_ids::ok)->click();
        EXPECT_EQ(dialog.result(), 1);
        EXPECT_EQ(record.bank, 7);
    }
    a6_message record(program_dump, 5, 1);
    bank_dialog dialog(nullptr, record);
    control<QComboBox>(&dialog, bank_ids::list)->setCurrentIndex(1);
    control<QPushButton>(&dialog, bank_ids::cancel)->click();
    EXPECT_EQ(dialog.result(), 2);
    EXPECT_EQ(record.bank, 5);
}

struct choose_bank_test : window_test {
    // Answers the next "Bank:" dialog: notes what it preselected and picks
    // a position (or cancels with -1).
    int preselected = -2;
    int listed = 0;
    void answer_bank_dialog(int pick) {
        when_modal(
            [this, pick](QWidget* dialog) {
                auto* list = control<QComboBox>(dialog, bank_ids::list);
                preselected = list->currentIndex();
                listed = list->count();
                if (pick < 0) {
                    control<QPushButton>(dialog, bank_ids::cancel)->click();
                    return;
                }
                list->setCurrentIndex(pick);
                control<QPushButton>(dialog, bank_ids::ok)->click();
            },
            "Bank:");
    }
};

TEST_F(choose_bank_test, picks_a_bank_for_the_bank_field) {
    put(program_dump, 4, 3, u"Card Two");
    window.select_node(entry(program_dump, 4, 3));
    EXPECT_EQ(text(main_ids::bank), "c2");
    answer_bank_dialog(18);
    click(main_ids::choose_bank);
    EXPECT_EQ(preselected, 4);
    EXPECT_EQ(listed, 19);
    EXPECT_EQ(text(main_ids::bank), "c16");
    EXPECT_EQ(library.record_of(entry(program_dump, 4, 3))->bank, 4);  // the library is not changed

    set_text(main_ids::bank, "P1xyz");  // the typed bank is preselected
    answer_bank_dialog(-1);
    click(main_ids::choose_bank);
    EXPECT_EQ(preselected, 1);
    EXPECT_EQ(text(main_ids::bank), "P1xyz");
}

TEST_F(choose_bank_test, a_bank_that_does_not_exist_is_reported_then_the_own_bank_is_offered) {
    put(program_dump, 4, 3, u"Card Two");
    window.select_node(entry(program_dump, 4, 3));
    set_text(main_ids::bank, "c17");
    answer_bank_dialog(0);
    click(main_ids::choose_bank);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Program bank Card 17 doesn't exist");
    EXPECT_EQ(preselected, 4);
    EXPECT_EQ(text(main_ids::bank), "u");
}

TEST_F(choose_bank_test, a_bank_node_uses_its_first_entry_and_other_nodes_do_nothing) {
    put(mix_dump, 3, 3, u"Mix Card Two");
    put(global_dump, -1, -1, u"");
    window.select_node(entry(mix_dump, 3, 3)->parent());
    answer_bank_dialog(17);
    click(main_ids::choose_bank);
    EXPECT_EQ(listed, 18);
    EXPECT_EQ(preselected, 3);
    EXPECT_EQ(text(main_ids::bank), "c16");

    for (const library_node* node : {static_cast<const library_node*>(library.root()),
                                     static_cast<const library_node*>(library.root()->child(0)),
                                     static_cast<const library_node*>(entry(global_dump, -1, -1))}) {
        window.select_node(node);
        click(main_ids::choose_bank);  // would wait for ever if a dialog opened
    }
    EXPECT_EQ(text(main_ids::bank), "c16");
}

TEST_F(window_test, the_request_chooser_runs_get_and_range) {
    set_text(main_ids::request, "g");
    when_modal([](QWidget* get) { control<QPushButton>(get, get_ids::mixes)->click(); }, "Get:");
    when_modal(
        [](QWidget* range) {
            control<QRadioButton>(range, range_ids::bank)->click();
            control<QComboBox>(range, range_ids::first_bank)->setCurrentIndex(4);
            control<QPushButton>(range, range_ids::ok)->click();
        },
        "Get mixes:");
    click(main_ids::choose_request);
    EXPECT_EQ(text(main_ids::request), "g;mc3");
}

}  // namespace
}  // namespace patchwarden
