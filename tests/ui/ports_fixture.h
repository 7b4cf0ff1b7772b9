#pragma once

// For the Qt window over real MIDI ports (the scripted devices of the
// transport tests, or the emulator): a wait that lets the window's event
// loop run, so that what the transport posts is handled, also inside the
// nested loops of message boxes.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <thread>

#include "app/dialogs/dialog_templates.h"
#include "app/transfers/midi_ports.h"
#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "tests/midi/fake_midi.h"
#include "tests/support/scripted_message_box.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"
#include "ui/qt_message_box.h"

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

}  // namespace patchwarden::testing
