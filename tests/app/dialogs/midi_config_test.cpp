// "MIDI Configuration" run from Con&fig, over the scripted devices: the
// search for the A6, the settings OK passes on, devices that will not open,
// Cancel, and transport errors shown by the dialog.

#include <gtest/gtest.h>

#include <climits>

#include "tests/app/support/ports_fixture.h"

namespace patchwarden {
namespace {

using namespace testing;

// Whether the busy cursor shows on a dialog now.
bool busy(const fake_dialog& dialog) {
    return !dialog.busy_changes.empty() && dialog.busy_changes.back();
}

// Remembers whether the dialog showed the busy cursor while an input was
// opened.
class cursor_watching_devices : public fake_midi_system {
public:
    using fake_midi_system::fake_midi_system;
    const fake_dialog* dialog = nullptr;
    bool busy_while_opening = false;
    midi_result open_input(int d, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override {
        busy_while_opening = busy_while_opening || (dialog && busy(*dialog));
        return fake_midi_system::open_input(d, callback, instance, opened);
    }
};

struct config_test : ports_window_test {
    cursor_watching_devices watched{log};
    void SetUp() override { open_window(&watched); }
    std::string field(int id) const { return narrow(text(id)); }
};

TEST_F(config_test, find_a6_selects_the_pair_that_answers_and_leaves_the_ports_closed) {
    // The A6 hangs on input 2 and output 1 of three and three.
    watched.answer_identity_on(2, 1, identity_reply('0', '2', '0', '5'));
    struct row {
        int selected_input, selected_output;
        bool then_ok;
        const char* in_field;
        const char* out_field;
    };
    const row rows[] = {{0, 0, false, "closed", "closed"}, {1, 2, true, "In 2", "Out 1"}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.then_ok);
        ports->open(0, 0, 1024, 20);  // a search closes ports that were open
        box.shown.clear();
        watched.busy_while_opening = false;
        const fake_dialog* open_dialog = nullptr;
        std::pair<int, int> selected_under_box{-1, -1};
        bool open_under_box = true;
        bool busy_under_box = true;
        box.while_open = [&](const shown_box&) {
            selected_under_box = {open_dialog->selection(config_ids::input_list),
                                  open_dialog->selection(config_ids::output_list)};
            open_under_box = ports->in().is_open || ports->out().is_open;
            busy_under_box = busy(*open_dialog);
        };
        bool open_after = true;
        std::vector<bool> busy_changes;
        configure([&](dialog_logic& logic, fake_dialog& dialog) {
            open_dialog = watched.dialog = &dialog;
            dialog.choose(logic, config_ids::input_list, r.selected_input);
            dialog.choose(logic, config_ids::output_list, r.selected_output);
            dialog.click(logic, config_ids::find_a6);
            open_after = ports->in().is_open || ports->out().is_open;
            busy_changes = dialog.busy_changes;
            dialog.click(logic, r.then_ok ? config_ids::ok : config_ids::cancel);
            watched.dialog = nullptr;
        });
        box.while_open = nullptr;
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, u"Andromeda v2.05 found\r\nin: In 2\r\nout: Out 1");
        EXPECT_EQ(box.shown[0].caption, u"");
        EXPECT_EQ(box.shown[0].buttons, box_buttons::ok);
        EXPECT_EQ(box.shown[0].icon, box_icon::information);
        EXPECT_EQ(selected_under_box, std::make_pair(2, 1));
        EXPECT_FALSE(open_under_box);
        EXPECT_FALSE(busy_under_box);
        EXPECT_FALSE(open_after);
        EXPECT_TRUE(watched.busy_while_opening);
        EXPECT_EQ(busy_changes, (std::vector<bool>{true, false}));  // on once, and off again
        EXPECT_EQ(field(main_ids::midi_in), r.in_field);
        EXPECT_EQ(field(main_ids::midi_out), r.out_field);
    }
}

TEST_F(config_test, ok_passes_the_settings_on_and_a_text_of_zero_or_less_gives_the_default) {
    struct row {
        std::u16string buffer_size;
        std::u16string pause;
        std::int32_t expected_size, expected_pause;
    };
    const row rows[] = {
        {u"", u"", 1024, 20},
        {u"0", u"000", 1024, 20},
        {u"-5", u"-1", 1024, 20},  // pasted past the digits-only edit
        {u"12x", u"x3", 12, 20},
        {u" 512", u"7", 512, 7},
        {u"99999999999", u"4294967296", INT_MAX, INT_MAX},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(narrow(r.buffer_size));
        configure(config_choice{1, 2, r.buffer_size, r.pause});
        EXPECT_EQ(ports->out().buffer_size, r.expected_size);
        EXPECT_EQ(ports->out().pause_ms, r.expected_pause);
        EXPECT_EQ(field(main_ids::midi_in), "In 1");
        EXPECT_EQ(field(main_ids::midi_out), "Out 2");
    }
}

TEST_F(config_test, a_device_that_will_not_open_leaves_its_field_closed) {
    struct row {
        std::set<int> dead_inputs, dead_outputs;
        const char* in_field;
        const char* out_field;
    };
    const row rows[] = {{{1}, {}, "closed", "Out 2"}, {{}, {2}, "In 1", "closed"}};
    for (const row& r : rows) {
        watched.dead_inputs = r.dead_inputs;
        watched.dead_outputs = r.dead_outputs;
        configure(config_choice{1, 2});
        EXPECT_EQ(field(main_ids::midi_in), r.in_field);
        EXPECT_EQ(field(main_ids::midi_out), r.out_field);
        EXPECT_TRUE(box.shown.empty());
    }
}

TEST_F(config_test, the_dialog_opens_with_the_defaults_and_the_current_device_list) {
    configure(config_choice{1, 2, u"512", u"7"});
    watched.input_names.push_back(u"In 3");
    watched.output_names.push_back(u"Out 3");
    std::vector<std::u16string> inputs, outputs;
    int input_selected = -1, output_selected = -1;
    std::u16string size, pause;
    configure([&](dialog_logic& logic, fake_dialog& dialog) {
        inputs = dialog.at(config_ids::input_list).items;
        input_selected = dialog.selection(config_ids::input_list);
        outputs = dialog.at(config_ids::output_list).items;
        output_selected = dialog.selection(config_ids::output_list);
        size = dialog.text(config_ids::buffer_size);
        pause = dialog.text(config_ids::pause);
        logic.command(dialog, 2);  // Escape, like Cancel: the ports stay as they are
        EXPECT_EQ(dialog.result, 2);
    });
    EXPECT_EQ(inputs, (std::vector<std::u16string>{u"In 0", u"In 1", u"In 2", u"In 3"}));
    EXPECT_EQ(input_selected, 0);
    EXPECT_EQ(outputs, (std::vector<std::u16string>{u"Out 0", u"Out 1", u"Out 2", u"Out 3"}));
    EXPECT_EQ(output_selected, 0);
    EXPECT_EQ(size, u"1024");
    EXPECT_EQ(pause, u"20");
    EXPECT_EQ(field(main_ids::midi_in), "In 1");
    EXPECT_EQ(ports->out().pause_ms, 7);
}

TEST_F(config_test, without_devices_nothing_is_searched_or_opened) {
    open_window(false);
    std::size_t input_count = 99;
    configure([&](dialog_logic& logic, fake_dialog& dialog) {
        input_count = dialog.at(config_ids::input_list).items.size();
        EXPECT_EQ(dialog.selection(config_ids::input_list), -1);
        dialog.click(logic, config_ids::find_a6);
        dialog.click(logic, config_ids::ok);
        EXPECT_EQ(dialog.result, 1);
    });
    EXPECT_EQ(input_count, 0u);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(field(main_ids::midi_in), "closed");
    EXPECT_EQ(field(main_ids::midi_out), "closed");
}

// A transport error is shown by the dialog, which stays open.
TEST_F(config_test, a_transport_error_shows_error_and_keeps_the_dialog_open) {
    struct row {
        std::atomic<bool> fake_midi_system::*failure;
        int button;
        std::u16string text;
    };
    const row rows[] = {
        {&fake_midi_system::fail_in_prepare, config_ids::ok, u"sysex_in::init - unable to prepare header"},
        {&fake_midi_system::fail_in_start, config_ids::find_a6, u"sysex_in::init - unable to start device"},
    };
    for (const row& r : rows) {
        box.shown.clear();
        watched.*r.failure = true;
        bool still_open = false;
        configure([&](dialog_logic& logic, fake_dialog& dialog) {
            dialog.click(logic, r.button);
            still_open = !dialog.result;
            watched.*r.failure = false;
            dialog.click(logic, config_ids::cancel);
        });
        EXPECT_TRUE(still_open);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, r.text);
        EXPECT_EQ(box.shown[0].caption, u"Error");
        EXPECT_EQ(box.shown[0].icon, box_icon::error);
    }
}

}  // namespace
}  // namespace patchwarden
