#pragma once

// A main window over real MIDI ports: the scripted devices of the transport
// tests (three inputs, three outputs) and, where a test wants it, the
// built-in emulator after them. With ways to run the configuration dialog
// and to let the window handle what the transport posted.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QPushButton>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "tests/midi/fake_midi.h"
#include "tests/support/scripted_message_box.h"
#include "tests/ui/ui_test_support.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"
#include "ui/qt_message_box.h"
#include "app/transfers/midi_ports.h"

namespace patchwarden::testing {

// Processes events until done() holds or the time runs out; the result is
// done() at the end.
inline bool wait_until(const std::function<bool()>& done, int limit_ms = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limit_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// What the configuration dialog is told to do once it is open.
struct config_choice {
    int input = 0;
    int output = 0;
    QString buffer_size = QStringLiteral("1024");
    QString pause = QStringLiteral("1");
    bool ok = true;
};

struct ports_window : ::testing::Test {
    event_log log;
    fake_midi_system devices{log};
    std::unique_ptr<a6_emulator> emulator;
    std::unique_ptr<midi_ports> ports;
    library_tree library;
    scripted_message_box box;
    scripted_file_chooser files;
    std::unique_ptr<main_window> window;

    // The window over the scripted devices and, with an emulator, the
    // emulator's after them.
    void open_window(bool with_devices = true) { open_window(with_devices ? &devices : nullptr); }
    void open_window(midi_system* platform) {
        ports = std::make_unique<midi_ports>(platform, emulator.get());
        window = std::make_unique<main_window>(library, box, files, ports.get());
    }

    // Runs Con&fig, with act run on the dialog once it shows.
    void configure(std::function<void(QWidget*)> act) {
        when_modal(std::move(act), QStringLiteral("MIDI Configuration"));
        window->command(main_ids::config);
    }
    void configure(const config_choice& choice) {
        configure([choice](QWidget* dialog) { answer(dialog, choice); });
    }
    static void answer(QWidget* dialog, const config_choice& choice) {
        control<QComboBox>(dialog, config_ids::input_list)->setCurrentIndex(choice.input);
        control<QComboBox>(dialog, config_ids::output_list)->setCurrentIndex(choice.output);
        control<QLineEdit>(dialog, config_ids::buffer_size)->setText(choice.buffer_size);
        control<QLineEdit>(dialog, config_ids::pause)->setText(choice.pause);
        control<QAbstractButton>(dialog, choice.ok ? config_ids::ok : config_ids::cancel)->click();
    }

    // Handles the events posted to the window so far, as its loop would.
    void handle_posted() { QCoreApplication::sendPostedEvents(window.get(), 0); }

    void click(int id) { control<QAbstractButton>(window.get(), id)->click(); }
    void get(const QString& text) {
        control<QLineEdit>(window.get(), main_ids::request)->setText(text);
        click(main_ids::get_it);
    }
    QString field(int id) const { return control<QLineEdit>(window.get(), id)->text(); }
    QProgressBar* bar(int id) const { return control<QProgressBar>(window.get(), id); }
    void put(message_kind kind, int bank, int number, std::u16string_view name) {
        testing::put(library, box, kind, bank, number, name);
    }
};

}  // namespace patchwarden::testing
