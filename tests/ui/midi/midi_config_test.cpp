// The "MIDI Configuration" dialog run from Con&fig, over the scripted
// devices: the search for the A6, the settings OK passes on, devices that
// will not open, Cancel, and transport errors shown by the dialog.

#include <QTest>
#include <climits>
#include <gtest/gtest.h>

#include "tests/ui/ports_fixture.h"
#include "ui/midi/midi_config_dialog.h"

namespace patchwarden {
namespace {

using namespace testing;


// Remembers whether the busy cursor showed while an input was opened.
class cursor_watching_devices : public fake_midi_system {
public:
    using fake_midi_system::fake_midi_system;
    bool busy_while_opening = false;
    midi_result open_input(int d, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override {
        const QCursor* cursor = QApplication::overrideCursor();
        busy_while_opening = busy_while_opening || (cursor && cursor->shape() == Qt::WaitCursor);
        return fake_midi_system::open_input(d, callback, instance, opened);
    }
};

struct config_test : ports_window {
    cursor_watching_devices watched{log};
    void SetUp() override { open_window(&watched); }
    // The ports go before the devices they were opened on.
    void TearDown() override {
        window.reset();
        ports.reset();
    }

    QComboBox* list(QWidget* dialog, int id) { return control<QComboBox>(dialog, id); }
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
        std::pair<int, int> selected_under_box{-1, -1};
        bool open_under_box = true;
        bool busy_under_box = true;
        box.while_open = [&](const shown_box&) {
            QWidget* dialog = QApplication::activeModalWidget();
            selected_under_box = {list(dialog, config_ids::input_list)->currentIndex(),
                                  list(dialog, config_ids::output_list)->currentIndex()};
            open_under_box = ports->in().is_open || ports->out().is_open;
            busy_under_box = QApplication::overrideCursor() != nullptr;
        };
        bool open_after = true;
        configure([&](QWidget* dialog) {
            list(dialog, config_ids::input_list)->setCurrentIndex(r.selected_input);
            list(dialog, config_ids::output_list)->setCurrentIndex(r.selected_output);
            control<QAbstractButton>(dialog, config_ids::find_a6)->click();
            open_after = ports->in().is_open || ports->out().is_open;
            control<QAbstractButton>(dialog, r.then_ok ? config_ids::ok : config_ids::cancel)->click();
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
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(field(main_ids::midi_in), r.in_field);
        EXPECT_EQ(field(main_ids::midi_out), r.out_field);
    }
}

TEST_F(config_test, ok_passes_the_settings_on_and_a_text_of_zero_or_less_gives_the_default) {
    struct row {
        const char* buffer_size;
        const char* pause;
        std::int32_t expected_size, expected_pause;
    };
    const row rows[] = {
        {"", "", 1024, 20},
        {"0", "000", 1024, 20},
        {"-5", "-1", 1024, 20},  // pasted past the digits-only edit
        {"12x", "x3", 12, 20},
        {" 512", "7", 512, 7},
        {"99999999999", "4294967296", INT_MAX, INT_MAX},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.buffer_size);
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
    configure(config_choice{1, 2, "512", "7"});
    watched.input_names.push_back(u"In 3");
    QStringList inputs;
    int input_selected = -1;
    QString size, pause;
    configure([&](QWidget* dialog) {
        QComboBox* in = list(dialog, config_ids::input_list);
        for (int i = 0; i < in->count(); ++i) inputs << in->itemText(i);
        input_selected = in->currentIndex();
        size = control<QLineEdit>(dialog, config_ids::buffer_size)->text();
        pause = control<QLineEdit>(dialog, config_ids::pause)->text();
        QTest::keyClick(dialog, Qt::Key_Escape);  // like Cancel: the ports stay as they are
    });
    EXPECT_EQ(inputs, (QStringList{"In 0", "In 1", "In 2", "In 3"}));
    EXPECT_EQ(input_selected, 0);
    EXPECT_EQ(size, "1024");
    EXPECT_EQ(pause, "20");
    EXPECT_EQ(field(main_ids::midi_in), "In 1");
    EXPECT_EQ(ports->out().pause_ms, 7);
}

TEST_F(config_test, without_devices_nothing_is_searched_or_opened) {
    window.reset();
    ports.reset();
    open_window(nullptr);
    int input_count = -1;
    configure([&](QWidget* dialog) {
        input_count = list(dialog, config_ids::input_list)->count();
        EXPECT_EQ(list(dialog, config_ids::input_list)->currentIndex(), -1);
        control<QAbstractButton>(dialog, config_ids::find_a6)->click();
        control<QAbstractButton>(dialog, config_ids::ok)->click();
    });
    EXPECT_EQ(input_count, 0);
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
        configure([&](QWidget* dialog) {
            control<QAbstractButton>(dialog, r.button)->click();
            still_open = dialog->isVisible();
            watched.*r.failure = false;
            control<QAbstractButton>(dialog, config_ids::cancel)->click();
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
