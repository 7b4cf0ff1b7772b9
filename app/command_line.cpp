#include "app/command_line.h"

#include <charconv>
#include <cmath>

namespace patchwarden {

namespace {

constexpr std::string_view speed_option = "--emulator-speed=";

// A multiple of the wire rate: a plain non-negative decimal number.
bool read_speed(std::string_view text, double& speed) {
    if (text.empty() || text.front() == '-' || text.front() == '+') return false;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return false;
    speed = value;
    return true;
}

}  // namespace

start_options read_command_line(std::span<const std::string_view> arguments) {
    start_options options;
    bool help = false;
    bool version = false;
    for (const std::string_view argument : arguments) {
        if (argument == "--help") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--emulator") {
            options.emulator = true;
        } else if (argument.starts_with(speed_option) &&
                   read_speed(argument.substr(speed_option.size()), options.emulator_speed)) {
            options.emulator = true;
        } else {
            options.action = start_action::usage_error;
            return options;
        }
    }
    if (help) options.action = start_action::help;
    else if (version) options.action = start_action::version;
    return options;
}

std::string help_text() {
    return std::string(usage_text) +
           "\n"
           "A librarian for the Alesis A6 Andromeda: gets Programs, Mixes and the Global Data\n"
           "from the instrument over MIDI, keeps them in a library, saves them to .syx files\n"
           "and sends them back.\n"
           "\n"
           "  --emulator           list the built-in A6 emulator after the MIDI ports,\n"
           "                       paced at the MIDI wire rate\n"
           "  --emulator-speed=N   the same, at N times the wire rate (0: instant)\n"
           "  --help               show this help and end\n"
           "  --version            show the version and end\n";
}

}  // namespace patchwarden
