#pragma once

// The main window's logic over real MIDI ports, without Qt: the scripted
// devices of the transport tests (three inputs, three outputs) and, when a
// test has made one before opening the window, the built-in emulator after
// them. With ways to run "MIDI Configuration" from a script and to wait for
// the transport while its notifications are handed on, as the interface
// thread's loop would.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "midi/emulator/a6_emulator.h"
#include "tests/app/support/window_fixture.h"
#include "tests/midi/fake_midi.h"

namespace patchwarden::testing {

// What the configuration dialog is told to do once it is open.
struct config_choice {
    int input = 0;
    int output = 0;
    std::u16string buffer_size = u"1024";
    std::u16string pause = u"1";
    bool ok = true;
};

// Sets the dialog as the choice says, then clicks OK or Cancel.
inline void answer(dialog_logic& logic, fake_dialog& dialog, const config_choice& choice) {
    dialog.choose(logic, config_ids::input_list, choice.input);
    dialog.choose(logic, config_ids::output_list, choice.output);
    dialog.type(config_ids::buffer_size, choice.buffer_size);
    dialog.type(config_ids::pause, choice.pause);
    dialog.click(logic, choice.ok ? config_ids::ok : config_ids::cancel);
}

struct ports_window_test : window_logic_test {
    event_log log;
    fake_midi_system devices{log};
    std::unique_ptr<a6_emulator> emulator;
    std::unique_ptr<midi_ports> ports;

    // The window over these devices (or none), and the emulator's after
    // them when there is one.
    void open_window(midi_system* platform) {
        logic.reset();
        ports = std::make_unique<midi_ports>(platform, emulator.get());
        window_logic_test::open_window(ports.get());
    }
    void open_window(bool with_devices = true) { open_window(with_devices ? &devices : nullptr); }
    void SetUp() override { open_window(); }
    // The window goes before the ports it is attached to, the ports before
    // the devices they opened.
    void TearDown() override {
        logic.reset();
        ports.reset();
    }

    // Runs Con&fig; the script acts on the dialog once it shows.
    void configure(std::function<void(dialog_logic&, fake_dialog&)> script) {
        face.dialog_scripts.push_back(std::move(script));
        click(main_ids::config);
    }
    void configure(const config_choice& choice) {
        configure([choice](dialog_logic& l, fake_dialog& d) { answer(l, d, choice); });
    }
    void get(std::u16string_view request) {
        set_text(main_ids::request, request);
        click(main_ids::get_it);
    }

    // Hands on the notifications until done() holds; false when the guard
    // ran out first.
    bool wait_until(const std::function<bool()>& done, std::chrono::seconds guard = std::chrono::seconds(30)) {
        return eventually(
            [&] {
                handle_posted();
                return done();
            },
            guard);
    }
};

}  // namespace patchwarden::testing
