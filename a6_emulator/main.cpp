// a6-emulator: the built-in A6 Andromeda as a program of its own, on the
// ALSA sequencer or behind a raw MIDI device. See --help.

#include <pthread.h>
#include <signal.h>

#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "a6_emulator/emulator_options.h"
#include "a6_emulator/message_log.h"
#include "a6_emulator/rawmidi_bridge.h"
#include "a6_emulator/sequencer_bridge.h"
#include "midi/emulator/a6_emulator.h"

using namespace patchwarden;
using namespace patchwarden::a6_emulator_program;

int main(int argc, char** argv) {
    emulator_options options;
    std::string error;
    if (!parse_options(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "a6-emulator: " << error << "\nTry 'a6-emulator --help'.\n";
        return 2;
    }
    if (options.help) {
        std::cout << usage_text();
        return 0;
    }

    // Ctrl+C and kill are taken by one thread, which stops the bridge.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    a6_emulator emulator;
    emulator.set_speed(options.speed);
    message_log log(options.verbose ? &std::cout : nullptr);
    std::unique_ptr<bridge> cable;
    if (options.rawmidi.empty()) {
        auto b = std::make_unique<sequencer_bridge>(emulator, log);
        if (!b->open(error)) {
            std::cerr << "a6-emulator: " << error << "\n";
            return 1;
        }
        cable = std::move(b);
    } else {
        auto b = std::make_unique<rawmidi_bridge>(emulator, log, options.speed);
        if (!b->open(options.rawmidi, error)) {
            std::cerr << "a6-emulator: " << error << "\n";
            return 1;
        }
        cable = std::move(b);
    }
    std::cout << "A6 emulator: " << cable->where() << std::endl;

    std::thread signals([&] {
        int signal_number = 0;
        sigwait(&stop_signals, &signal_number);
        cable->stop();
    });
    cable->run();
    // The bridge may have ended by itself: let the signal thread go too.
    pthread_kill(signals.native_handle(), SIGTERM);
    signals.join();
    cable.reset();
    return 0;
}
