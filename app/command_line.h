#pragma once

// What the program is asked on its command line. It is read before anything
// of the interface exists, so that --help, --version and a wrong option
// work without a display.
//
//   --emulator           list the built-in A6 emulator after the MIDI ports,
//                        paced at the MIDI wire rate
//   --emulator-speed=N   the same at N times the wire rate, N from 0
//                        (instant) to 1000, as a6-emulator --speed takes it
//   --help, --version    print and end
//   FILE...              files to load; "--" ends the options, so that a
//                        file name may start with '-'
//
// Any other argument starting with '-' is an error: the program names it,
// prints the usage line on standard error and ends with status 2, without a
// window.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace patchwarden {

inline constexpr char version_text[] = "Patchwarden v1.00";
inline constexpr char usage_text[] =
    "usage: patchwarden [--emulator] [--emulator-speed=N] [--help] [--version] [FILE...]";

// The fastest emulator pace, in multiples of the wire rate.
inline constexpr double max_emulator_speed = 1000.0;

enum class start_action { run, help, version, usage_error };

struct start_options {
    start_action action = start_action::run;
    bool emulator = false;
    // Multiple of the MIDI wire rate; 0 is instant.
    double emulator_speed = 1.0;
    // The file arguments, in order.
    std::vector<std::string> files;
    // With usage_error: what is wrong, e.g. "unknown option '--bogus'".
    std::string error;
};

// The arguments after the program's name.
start_options read_command_line(std::span<const std::string_view> arguments);

// The text --help prints.
std::string help_text();

}  // namespace patchwarden
