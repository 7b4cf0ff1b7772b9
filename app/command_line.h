#pragma once

// What the program is asked on its command line. It is read before anything
// of the interface exists, so that --help, --version and a wrong option
// work without a display.
//
//   --emulator           list the built-in A6 emulator after the MIDI ports,
//                        paced at the MIDI wire rate
//   --emulator-speed=N   the same at N times the wire rate (0: instant)
//   --help, --version    print and end
//
// Anything else is an error: the program prints the usage line on standard
// error and ends with status 2, without a window.

#include <span>
#include <string>
#include <string_view>

namespace patchwarden {

inline constexpr char version_text[] = "Patchwarden v1.00";
inline constexpr char usage_text[] = "usage: patchwarden [--emulator] [--emulator-speed=N] [--help] [--version]";

enum class start_action { run, help, version, usage_error };

struct start_options {
    start_action action = start_action::run;
    bool emulator = false;
    // Multiple of the MIDI wire rate; 0 is instant.
    double emulator_speed = 1.0;
};

// The arguments after the program's name.
start_options read_command_line(std::span<const std::string_view> arguments);

// The text --help prints.
std::string help_text();

}  // namespace patchwarden
