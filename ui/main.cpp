// Patchwarden: a librarian for the Alesis A6 Andromeda.

#include <QApplication>
#include <cstdio>
#include <memory>
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

int main(int argc, char** argv) {
    using namespace patchwarden;

    // The command line is read before Qt is, so that these work without a
    // display.
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const start_options options = read_command_line(arguments);
    switch (options.action) {
    case start_action::help: std::fputs(help_text().c_str(), stdout); return 0;
    case start_action::version: std::printf("%s\n", version_text); return 0;
    case start_action::usage_error: std::fprintf(stderr, "%s\n", usage_text); return 2;
    case start_action::run: break;
    }

    // Qt may take its own options out of argv; none is left by now.
    QApplication app(argc, argv);
    app.setWindowIcon(program_icon());
    // Ties the window to its menu entry (the installed desktop file).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.patchwarden.Patchwarden"));

    // The devices outlive the ports opened on them, and the ports the window.
    const std::unique_ptr<midi_system> platform = make_platform_midi_system();
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
    app.exec();
    return 0;
}
