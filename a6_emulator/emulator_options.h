#pragma once

// The command line of a6-emulator and the text --help shows.

#include <string>
#include <vector>

namespace patchwarden::a6_emulator_program {

struct emulator_options {
    // The cable's pace as a multiple of the MIDI wire rate; 0 unpaced.
    double speed = 1.0;
    // A raw MIDI device ("hw:1,0") to talk through instead of the sequencer.
    std::string rawmidi;
    bool verbose = false;
    bool help = false;
};

// Reads the arguments after the program name. On a mistake returns false
// with error set to a line saying what is wrong.
bool parse_options(const std::vector<std::string>& args, emulator_options& options,
                   std::string& error);

std::string usage_text();

}  // namespace patchwarden::a6_emulator_program
