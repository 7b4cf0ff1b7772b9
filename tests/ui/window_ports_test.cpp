// The Qt window with its MIDI ports: closed under a real replace prompt
// while a reply waits, it quits there, and the prompt's answer still
// counts. The window's timer tells of a request that gets no answer.

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "tests/ui/ports_fixture.h"

namespace patchwarden {
namespace {

using namespace testing;

TEST(window_ends, under_an_open_replace_prompt) {
    a6_emulator emulator;
    midi_ports ports(nullptr, &emulator);
    library_tree library;
    qt_message_box seam;
    scripted_file_chooser files;
    auto window = std::make_unique<main_window>(library, seam, files, &ports);
    window->show();
    ports.open(0, 0, 1024, 1);
    library.insert_record(std::make_unique<a6_message>(make_dump(program_dump, 0, 0, u"Loaded")), false,
                          box_buttons::yes_no, seam);
    QSignalSpy finished(window.get(), &QDialog::finished);
    bool closed_under_prompt = false;
    when_box_open([&](QMessageBox* prompt) {
        window->close();
        closed_under_prompt = finished.count() == 1 && !ports.in().is_open && !ports.out().is_open;
        prompt->button(QMessageBox::Yes)->click();
    });
    control<QLineEdit>(window.get(), main_ids::request)->setText("pu:0");
    control<QAbstractButton>(window.get(), main_ids::get_it)->click();
    ASSERT_TRUE(wait_until([&] { return finished.count() == 1 && !qt_message_box::open_box(); }));
    EXPECT_TRUE(closed_under_prompt);
    QCoreApplication::processEvents();
    window.reset();
    EXPECT_EQ(library.find_entry(program_dump, 0, 0)->record()->data, a6_emulator::initial_program(0, 0).data);
}

TEST(window_timer, tells_of_a_request_that_gets_no_answer) {
    a6_emulator emulator;
    emulator.set_fault(emulator_fault::silent);
    midi_ports ports(nullptr, &emulator);
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    main_window window(library, box, files, &ports);
    ports.open(0, 0, 1024, 1);
    std::chrono::minutes later{0};
    window.logic().set_clock([&] { return transfers::clock::now() + later; });
    control<QLineEdit>(&window, main_ids::request)->setText("pu:0");
    control<QAbstractButton>(&window, main_ids::get_it)->click();
    const transfer_counters& counters = window.counters();
    ASSERT_TRUE(wait_until([&] { return counters.pending_replies == 1 && counters.bytes_queued == 0; }));
    later = std::chrono::minutes(1);
    ASSERT_TRUE(wait_until([&] { return !box.shown.empty(); }, 5000));
    EXPECT_NE(box.shown[0].text.find(u"0 of 1 replies have arrived."), std::u16string::npos);
}

}  // namespace
}  // namespace patchwarden
