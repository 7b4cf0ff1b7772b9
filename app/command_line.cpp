#include "app/command_line.h"

#include <charconv>
#include <cmath>

namespace patchwarden {

namespace {

constexpr std::string_view speed_option = "--emulator-speed";

// A multiple of the wire rate: a plain decimal number from 0 to
// max_emulator_speed.
bool read_speed(std::string_view text, double& speed) {
    if (text.empty() || text.front() == '-' || text.front() == '+') return false;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value > max_emulator_speed)
        return false;
    speed = value;
    return true;
}

start_options refused(std::string error) {
    start_options options;
    options.action = start_action::usage_error;
    options.error = std::move(error);
    return options;
}

}  // namespace

start_options read_command_line(std::span<const std::string_view> arguments) {
    start_options options;
    bool help = false;
    bool version = false;
    bool options_ended = false;
    for (const std::string_view argument : arguments) {
        if (options_ended || !argument.starts_with('-')) {
            options.files.emplace_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (argument == "--help") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--emulator") {
            options.emulator = true;
        } else if (argument == speed_option) {
            return refused("option '--emulator-speed' needs a value: --emulator-speed=N");
        } else if (argument.starts_with(speed_option) && argument[speed_option.size()] == '=') {
            const std::string_view value = argument.substr(speed_option.size() + 1);
            if (!read_speed(value, options.emulator_speed))
                return refused("invalid value '" + std::string(value) +
                               "' for --emulator-speed (a number from 0 to 1000)");
            options.emulator = true;
        } else {
            return refused("unknown option '" + std::string(argument) + "'");
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
           "  --emulator-speed=N   the same, at N times the wire rate (0 to 1000; 0: instant)\n"
           "  --help               show this help and end\n"
           "  --version            show the version and end\n"
           "  FILE...              .syx files to load at start, in order, as Load loads them\n";
}

}  // namespace patchwarden
