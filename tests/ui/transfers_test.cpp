// The transfers through the Qt window: the bars as Qt shows them, and blocks
// arriving under a real replace prompt taken in by its nested event loop.

#include <QAbstractButton>
#include <QMessageBox>
#include <QProgressBar>
#include <gtest/gtest.h>

#include "tests/ui/ports_fixture.h"
#include "ui/qt_message_box.h"

namespace patchwarden {
namespace {

using namespace testing;

// The Qt bars show what the window's logic gives them: a bank asked for and
// its first reply in.
TEST(window_bars, the_receive_bar_counts_the_replies_in) {
    event_log log;
    fake_midi_system devices{log};
    midi_ports ports(&devices, nullptr);
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    main_window window(library, box, files, &ports);
    ports.open(0, 0, 1024, 1);
    window.set_text(main_ids::request, u"mu");
    window.command(main_ids::get_it);
    ASSERT_TRUE(wait_until([&] { return !devices.slices().empty(); }));
    ASSERT_TRUE(devices.open_in->deliver(dump_bytes(mix_dump, 0, 0, u"First")));
    ASSERT_TRUE(wait_until([&] { return window.counters().replies_received == 1; }));
    const auto* receive = control<QProgressBar>(&window, main_ids::receive_bar);
    EXPECT_EQ(receive->maximum(), 128);
    EXPECT_EQ(receive->value(), 1);
}

// A replace prompt (Yes and No only) runs a nested loop: blocks arriving
// meanwhile are taken in under it, and the answer then counts for the entry
// it named.
TEST(transfer_prompt, blocks_arriving_under_a_replace_prompt_are_taken_in) {
    event_log log;
    fake_midi_system devices{log};
    midi_ports ports(&devices, nullptr);
    library_tree library;
    qt_message_box seam;
    scripted_file_chooser files;
    main_window window(library, seam, files, &ports);
    window.show();
    ports.open(0, 0, 1024, 1);
    library.insert_record(std::make_unique<a6_message>(make_dump(program_dump, 0, 5, u"Loaded")), false,
                          box_buttons::yes_no, seam);

    QStringList buttons;
    QString text;
    bool taken_under_prompt = false;
    when_box_open([&](QMessageBox* prompt) {
        text = prompt->text();
        for (auto* b : prompt->buttons()) buttons << b->text();
        devices.open_in->deliver(dump_bytes(program_dump, 0, 7, u"Under 7"));
        devices.open_in->deliver(dump_bytes(program_dump, 0, 8, u"Under 8"));
        taken_under_prompt = wait_until([&] {
            return library.find_entry(program_dump, 0, 7) && library.find_entry(program_dump, 0, 8);
        });
        prompt->button(QMessageBox::Yes)->click();
    });
    devices.open_in->deliver(dump_bytes(program_dump, 0, 5, u"Incoming"));
    ASSERT_TRUE(wait_until([&] { return window.counters().replies_received == 3; }));
    EXPECT_TRUE(taken_under_prompt);
    EXPECT_EQ(text, "Replace program at User bank 5\n'Loaded          ' with\n'Incoming        '?");
    EXPECT_EQ(buttons.size(), 2);
    EXPECT_EQ(narrow(shown_name(*library.find_entry(program_dump, 0, 5)->record())), "Incoming        ");
    EXPECT_EQ(window.counters().pending_replies, -3);
}

}  // namespace
}  // namespace patchwarden
