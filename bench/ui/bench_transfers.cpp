// The transfers of the real window, offscreen, against the built-in emulator
// at ten times the MIDI wire rate, with the settings the configuration
// dialog confirms by default (1,024-byte chunks, 20 ms pauses):
//
//   get_bank_ratio       wall time of a Get of "pu" (128 Program dumps) over
//                        the time the wire and the pauses alone need for it
//   send_bank_ratio      the same for a Send of that bank of 128 Programs
//   compare_bank_ratio   the same for Compare with A6 of that bank (one
//                        bank request and its 128 replies), up to the
//                        result box
//   ui_longest_stall_ms  the longest lateness of a 5 ms timer on the
//                        interface thread during the three transfers
//
// Prints one "name: value" line per figure.

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/a6_message.h"
#include "data/message_box.h"
#include "data/request_text.h"
#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/transport/sysex_out.h"
#include "app/dialogs/dialog_templates.h"
#include "app/window/tree_menu.h"
#include "ui/controls/control_table.h"
#include "ui/files/file_chooser.h"
#include "ui/main_window.h"
#include "app/transfers/midi_ports.h"

namespace patchwarden {
namespace {

using steady = std::chrono::steady_clock;
using seconds = std::chrono::duration<double>;

constexpr double speed = 10;
constexpr double bytes_per_second = midi_wire_bytes_per_second * speed;
constexpr std::size_t transmit_buffer = 4096;  // the emulator's, towards the instrument

class no_files : public file_chooser {
public:
    std::optional<std::filesystem::path> choose_open() override { return std::nullopt; }
    std::optional<std::filesystem::path> choose_save(const std::u16string&) override { return std::nullopt; }
};

// Shows nothing and answers Yes; keeps the texts and when the last came.
class recording_box : public message_box {
public:
    box_answer show(const std::u16string& text, const std::u16string&, box_buttons buttons, box_icon) override {
        texts.push_back(text);
        last_shown = steady::now();
        return buttons == box_buttons::ok ? box_answer::ok : box_answer::yes;
    }
    std::vector<std::u16string> texts;
    steady::time_point last_shown;
};

double wire(std::size_t bytes) {
    return static_cast<double>(bytes) / bytes_per_second;
}

// A request of `request` bytes, answered by the replies back to back.
double get_model(std::size_t request, std::size_t replies) {
    return default_pause_ms / 1000.0 + wire(request) + wire(replies);
}

// The send thread's steps for these messages, against a wire behind a
// transmit buffer: a chunk is handed over as soon as it fits in the buffer;
// a pause opens each message, follows each chunk and closes the thread's
// turn. Ends when the last byte has reached the instrument.
double send_model(const std::vector<std::size_t>& messages) {
    const double pause = default_pause_ms / 1000.0;
    double now = 0;
    double wire_free = 0;
    for (std::size_t length : messages) {
        now += pause;
        for (std::size_t offset = 0; offset < length; offset += default_buffer_size) {
            const std::size_t chunk = std::min<std::size_t>(default_buffer_size, length - offset);
            const double arrives = std::max(now, wire_free) + wire(chunk);
            wire_free = arrives;
            now = std::max(now, arrives - wire(transmit_buffer)) + pause;
        }
        now += pause;
    }
    return wire_free;
}

// Runs the event loop until done() holds; false after the time limit.
bool run_until(const std::function<bool()>& done, double limit_seconds) {
    QEventLoop loop;
    QTimer check;
    const steady::time_point start = steady::now();
    bool ok = true;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) loop.quit();
        else if (seconds(steady::now() - start).count() > limit_seconds) {
            ok = false;
            loop.quit();
        }
    });
    check.start(1);
    loop.exec();
    return ok;
}

int run() {
    a6_emulator emulator;
    emulator.set_speed(speed);
    midi_ports ports(nullptr, &emulator);
    library_tree library;
    recording_box box;
    no_files files;
    main_window window(library, box, files, &ports);
    window.show();

    // Con&fig, confirmed with the settings the dialog offers.
    QTimer confirm;
    QObject::connect(&confirm, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog && dialog->windowTitle() == QStringLiteral("MIDI Configuration")) {
            confirm.stop();
            control<QAbstractButton>(dialog, config_ids::ok)->click();
        }
    });
    confirm.start(5);
    window.command(main_ids::config);
    if (!ports.in().is_open || !ports.out().is_open) {
        std::fprintf(stderr, "the emulator's ports did not open\n");
        return 1;
    }

    // The interface thread's lateness, sampled by a 5 ms timer.
    double longest_stall_ms = 0;
    steady::time_point last_tick = steady::now();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const steady::time_point now = steady::now();
        longest_stall_ms = std::max(longest_stall_ms, seconds(now - last_tick).count() * 1000.0 - 5.0);
        last_tick = now;
    });
    last_tick = steady::now();
    tick.start(5);

    // Get "pu": 128 Program dumps from the emulator.
    control<QLineEdit>(&window, main_ids::request)->setText(QStringLiteral("pu"));
    const steady::time_point get_start = steady::now();
    control<QAbstractButton>(&window, main_ids::get_it)->click();
    steady::time_point get_end;
    const bool got = run_until(
        [&] {
            const bool done = library.find_entry(program_dump, 0, 127) && window.counters().replies_received == 0 &&
                              window.counters().replies_expected == 0;
            if (done) get_end = steady::now();
            return done;
        },
        60);
    if (!got) {
        std::fprintf(stderr, "the bank did not arrive\n");
        return 1;
    }

    // Send that bank back.
    std::vector<std::size_t> lengths;
    outgoing_queue bank;
    library_node* user = library.find_entry(program_dump, 0, 0)->parent();
    library.walk_subtree(user, bank);
    std::size_t total = 0;
    for (const auto& m : bank) {
        lengths.push_back(m.bytes.size());
        total += m.bytes.size();
    }
    window.select_node(user);
    const std::size_t received_before = emulator.received_count();
    const steady::time_point send_start = steady::now();
    control<QAbstractButton>(&window, main_ids::send)->click();
    const bool sent = run_until([&] { return emulator.received_count() == received_before + bank.size(); }, 120);
    if (!sent) {
        std::fprintf(stderr, "the bank was not sent\n");
        return 1;
    }
    const steady::time_point send_end = emulator.received().back().arrived;

    // Compare that bank with what the emulator now holds, as the tree's
    // menu gives the command, once the last chunk has been reported.
    run_until([&] { return window.counters().bytes_queued == 0; }, 10);
    const std::size_t boxes_before = box.texts.size();
    const steady::time_point compare_start = steady::now();
    window.command(compare_command);
    const bool compared = run_until([&] { return box.texts.size() > boxes_before; }, 120);
    tick.stop();
    if (!compared) {
        std::fprintf(stderr, "the compare did not end\n");
        return 1;
    }
    const steady::time_point compare_end = box.last_shown;

    outgoing_queue request;
    parse_request_text(u"pu", request, box);
    const double get_ratio = seconds(get_end - get_start).count() / get_model(request.front().bytes.size(), total);
    const double send_ratio = seconds(send_end - send_start).count() / send_model(lengths);
    std::printf("get_bank_ratio: %.4f\n", get_ratio);
    std::printf("send_bank_ratio: %.4f\n", send_ratio);
    std::printf("compare_bank_ratio: %.4f\n",
                seconds(compare_end - compare_start).count() / get_model(request.front().bytes.size(), total));
    std::printf("ui_longest_stall_ms: %.1f\n", longest_stall_ms);
    std::printf("get_bank_seconds: %.3f\n", seconds(get_end - get_start).count());
    std::printf("send_bank_seconds: %.3f\n", seconds(send_end - send_start).count());
    std::printf("compare_bank_seconds: %.3f\n", seconds(compare_end - compare_start).count());
    std::printf("compare_result: %s\n", QString::fromStdU16String(box.texts.back()).toUtf8().constData());
    return 0;
}

}  // namespace
}  // namespace patchwarden

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return patchwarden::run();
}
