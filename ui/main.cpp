// Patchwarden: a librarian for the Alesis A6 Andromeda.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/platform_midi.h"
#include "app/command_line.h"
#include "ui/files/file_chooser.h"
#include "ui/main_window.h"
#include "ui/program_icon.h"
#include "ui/qt_message_box.h"
#include "app/transfers/midi_ports.h"
#if defined(PW_HAVE_ALSA)
#include "midi/alsa/alsa_system.h"
#endif

namespace {

// Qt ends the program with abort() (status 134 and a core dump) when no
// platform plugin starts, that is when there is no display to reach, after
// several lines of its own. So while the application is made its messages
// are held back: a fatal one ends the program with one line and status 1;
// otherwise the held ones go on to Qt's handler once the application stands.
struct held_message {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::mutex held_lock;
std::vector<held_message> held;

// The line that says why there is no window: no display named, or which
// display could not be reached.
std::string no_display_line() {
    std::string named;
    int count = 0;
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        if (count++ > 0) named += " and ";
        named += std::string("\"") + value + "\" named by " + variable;
    }
    if (count == 0) {
        return "patchwarden: needs a display, and none could be opened "
               "(set DISPLAY or WAYLAND_DISPLAY, or start it under xvfb-run)\n";
    }
    return "patchwarden: needs a display, and cannot reach " + std::string(count > 1 ? "the displays " : "the display ") +
           named + (count > 1 ? " (are they running, and may this user open windows on them?)\n"
                              : " (is it running, and may this user open windows on it?)\n");
}

void hold_or_end(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(no_display_line().c_str(), stderr);
        std::_Exit(1);
    }
    const std::lock_guard guard(held_lock);
    held.push_back({type, QByteArray(context.category), text});
}

void release_held(QtMessageHandler qt_handler) {
    qInstallMessageHandler(qt_handler);
    const std::lock_guard guard(held_lock);
    for (const held_message& m : held)
        qt_handler(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category.constData()), m.text);
    held.clear();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace patchwarden;

    // The command line is read before Qt is, so that these work without a
    // display.
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const start_options options = read_command_line(arguments);
    switch (options.action) {
    case start_action::help: std::fputs(help_text().c_str(), stdout); return 0;
    case start_action::version: std::printf("%s\n", version_text); return 0;
    case start_action::usage_error:
        std::fprintf(stderr, "patchwarden: %s\n%s\n", options.error.c_str(), usage_text);
        return 2;
    case start_action::run: break;
    }

    // Without a display, Qt's fatal message ends the program (hold_or_end).
    const QtMessageHandler qt_handler = qInstallMessageHandler(hold_or_end);
    // Qt is given the program's name alone: every argument has been read
    // above, and Qt would take its own options (-reverse, -platform, ...)
    // even from the file names after "--".
    int qt_argc = argc > 0 ? 1 : 0;
    char* qt_argv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication app(qt_argc, qt_argv);
    release_held(qt_handler);
    app.setWindowIcon(program_icon());
    // Ties the window to its menu entry (the installed desktop file).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.patchwarden.Patchwarden"));

    // The devices outlive the ports opened on them, and the ports the window.
    const std::unique_ptr<midi_system> platform = make_platform_midi_system();
#if defined(PW_HAVE_ALSA)
    // Said once here, in place of alsa-lib's own line, which the back end
    // keeps back.
    if (const auto* alsa = dynamic_cast<const alsa_system*>(platform.get()); alsa && !alsa->available())
        std::fprintf(stderr,
                     "patchwarden: no MIDI system found (the ALSA sequencer /dev/snd/seq cannot be opened): %s\n",
                     options.emulator ? "only the A6 emulator is listed"
                                      : "no MIDI ports are listed (--emulator lists the built-in A6 emulator)");
#endif
    std::unique_ptr<a6_emulator> emulator;
    if (options.emulator) {
        emulator = std::make_unique<a6_emulator>();
        emulator->set_speed(options.emulator_speed);
    }
    midi_ports ports(platform.get(), emulator.get());

    library_tree library;
    qt_message_box box(program_icon());
    qt_file_chooser files;
    main_window window(library, box, files, &ports);
    QObject::connect(&window, &QDialog::finished, &app, &QCoreApplication::quit);
    window.show();
    // The files named on the command line load into the window once it
    // shows, as Load loads them.
    // Their names are kept as the bytes they are: a name need not be UTF-8.
    std::vector<std::filesystem::path> paths(options.files.begin(), options.files.end());
    if (!paths.empty()) window.load_files_later(std::move(paths));
    app.exec();
    return 0;
}
