#include "a6_emulator/emulator_options.h"

#include <cmath>
#include <cstdlib>

namespace patchwarden::a6_emulator_program {

namespace {

constexpr double max_speed = 1000.0;

bool read_speed(const std::string& text, double& speed) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value < 0 ||
        value > max_speed)
        return false;
    speed = value;
    return true;
}

}  // namespace

bool parse_options(const std::vector<std::string>& args, emulator_options& options,
                   std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool has_value = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                has_value = true;
            }
        }
        const auto take_value = [&]() {
            if (has_value) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--speed") {
            if (!take_value() || !read_speed(value, options.speed)) {
                error = "--speed needs a number from 0 to 1000, not '" + value + "'";
                return false;
            }
        } else if (arg == "--rawmidi") {
            if (!take_value() || value.empty()) {
                error = "--rawmidi needs a raw MIDI device such as hw:1,0";
                return false;
            }
            options.rawmidi = value;
        } else {
            error = "unknown option '" + args[i] + "'";
            return false;
        }
        if (has_value && (arg == "--help" || arg == "--verbose")) {
            error = arg + " takes no value";
            return false;
        }
    }
    return true;
}

std::string usage_text() {
    return "Usage: a6-emulator [--speed X] [--rawmidi hw:C,D] [--verbose]\n"
           "\n"
           "An Alesis A6 Andromeda, emulated. It answers the Identity Request and every\n"
           "Program, Mix and Global Data request with dumps from its memory, and keeps\n"
           "every dump it receives until it ends. Its memory starts with a name and\n"
           "content of its own in every entry.\n"
           "\n"
           "It runs as the ALSA sequencer client \"A6 emulator\" with one port: choose it\n"
           "in Patchwarden's Config, or connect it with aconnect, for example\n"
           "  aconnect 'A6 emulator' 'Patchwarden'  and  aconnect 'Patchwarden' 'A6 emulator'\n"
           "\n"
           "  --speed X          pace the cable at X times the MIDI wire rate (31,250 baud,\n"
           "                     3,125 bytes a second): 1, the default, is a real cable;\n"
           "                     10 is ten times as fast; 0 is as fast as it goes\n"
           "  --rawmidi hw:C,D   talk through the raw MIDI device hw:C,D instead (for\n"
           "                     example a port of snd-virmidi), reading and writing at\n"
           "                     the pace of --speed, as an instrument behind a MIDI\n"
           "                     interface does\n"
           "  --verbose, -v      print every message the instrument receives and sends\n"
           "  --help, -h         show this text\n"
           "\n"
           "Stop it with Ctrl+C.\n";
}

}  // namespace patchwarden::a6_emulator_program
