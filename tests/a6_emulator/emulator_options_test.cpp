#include "a6_emulator/emulator_options.h"

#include <gtest/gtest.h>

namespace patchwarden::a6_emulator_program {
namespace {

TEST(a6_emulator_options, command_lines) {
    struct row {
        std::vector<std::string> args;
        bool ok;
        double speed;
        std::string rawmidi;
        bool verbose, help;
        std::string error;
    };
    const row rows[] = {
        {{}, true, 1.0, "", false, false, ""},
        {{"--speed", "16"}, true, 16.0, "", false, false, ""},
        {{"--speed=0.98", "-v"}, true, 0.98, "", true, false, ""},
        {{"--speed", "0"}, true, 0.0, "", false, false, ""},
        {{"--rawmidi", "hw:1,0", "--verbose"}, true, 1.0, "hw:1,0", true, false, ""},
        {{"--rawmidi=hw:0,3", "--speed", "2"}, true, 2.0, "hw:0,3", false, false, ""},
        {{"--help"}, true, 1.0, "", false, true, ""},
        {{"-h"}, true, 1.0, "", false, true, ""},
        {{"--speed"}, false, 0, "", false, false, "--speed needs a number from 0 to 1000"},
        {{"--speed", "fast"}, false, 0, "", false, false, "not 'fast'"},
        {{"--speed", "-1"}, false, 0, "", false, false, "--speed needs"},
        {{"--speed", "1001"}, false, 0, "", false, false, "--speed needs"},
        {{"--speed", "nan"}, false, 0, "", false, false, "--speed needs"},
        {{"--speed", "2x"}, false, 0, "", false, false, "--speed needs"},
        {{"--rawmidi"}, false, 0, "", false, false, "--rawmidi needs a raw MIDI device"},
        {{"--rawmidi="}, false, 0, "", false, false, "--rawmidi needs"},
        {{"--verbose=yes"}, false, 0, "", false, false, "--verbose takes no value"},
        {{"--bogus"}, false, 0, "", false, false, "unknown option '--bogus'"},
        {{"hw:1,0"}, false, 0, "", false, false, "unknown option 'hw:1,0'"},
    };
    for (const row& r : rows) {
        emulator_options o;
        std::string error;
        const std::string what = r.args.empty() ? "(none)" : r.args.front();
        ASSERT_EQ(parse_options(r.args, o, error), r.ok) << what << ": " << error;
        if (r.ok) {
            EXPECT_DOUBLE_EQ(o.speed, r.speed) << what;
            EXPECT_EQ(o.rawmidi, r.rawmidi) << what;
            EXPECT_EQ(o.verbose, r.verbose) << what;
            EXPECT_EQ(o.help, r.help) << what;
        } else {
            EXPECT_NE(error.find(r.error), std::string::npos) << what << ": " << error;
        }
    }
}

TEST(a6_emulator_options, help_says_how_to_pace_and_connect) {
    const std::string text = usage_text();
    for (const char* part : {"--speed X", "3,125 bytes a second", "--rawmidi hw:C,D", "aconnect",
                             "\"A6 emulator\"", "0 is as fast as it goes"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace patchwarden::a6_emulator_program
