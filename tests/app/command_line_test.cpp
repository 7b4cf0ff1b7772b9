// The command line, read before any window exists.

#include "app/command_line.h"

#include <gtest/gtest.h>
#include <vector>

namespace patchwarden {
namespace {

TEST(command_line, options_and_what_they_start) {
    struct row {
        std::vector<std::string_view> arguments;
        start_action action;
        bool emulator;
        double speed;
        std::vector<std::string> files;
    };
    const row rows[] = {
        {{}, start_action::run, false, 1.0, {}},
        {{"--emulator"}, start_action::run, true, 1.0, {}},
        {{"--emulator-speed=10"}, start_action::run, true, 10.0, {}},
        {{"--emulator", "--emulator-speed=0"}, start_action::run, true, 0.0, {}},
        {{"--emulator-speed=2.5"}, start_action::run, true, 2.5, {}},
        {{"--emulator-speed=1000"}, start_action::run, true, 1000.0, {}},
        {{"--version"}, start_action::version, false, 1.0, {}},
        {{"--emulator", "--help", "--version"}, start_action::help, true, 1.0, {}},
        // File names, also among the options; after "--" everything is one.
        {{"a.syx", "--emulator", "b c.syx"}, start_action::run, true, 1.0, {"a.syx", "b c.syx"}},
        {{"--help", "extra"}, start_action::help, false, 1.0, {"extra"}},
        {{"--", "--help", "-x.syx", "--"}, start_action::run, false, 1.0, {"--help", "-x.syx", "--"}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.arguments.empty() ? std::string("(none)") : std::string(r.arguments.front()));
        const start_options options = read_command_line(r.arguments);
        EXPECT_EQ(options.action, r.action);
        EXPECT_EQ(options.emulator, r.emulator);
        EXPECT_EQ(options.emulator_speed, r.speed);
        EXPECT_EQ(options.files, r.files);
        EXPECT_EQ(options.error, "");
    }
}

TEST(command_line, a_wrong_argument_is_named) {
    struct row {
        std::vector<std::string_view> arguments;
        std::string error;
    };
    const std::string speed_range = "' for --emulator-speed (a number from 0 to 1000)";
    const row rows[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"a.syx", "-emulator", "--help"}, "unknown option '-emulator'"},
        {{"-"}, "unknown option '-'"},
        {{"--emulator=1"}, "unknown option '--emulator=1'"},
        {{"--emulator-speedy=1"}, "unknown option '--emulator-speedy=1'"},
        {{"--emulator-speed"}, "option '--emulator-speed' needs a value: --emulator-speed=N"},
        {{"--emulator-speed=2000"}, "invalid value '2000" + speed_range},
        {{"--emulator-speed=1000.5"}, "invalid value '1000.5" + speed_range},
        {{"--emulator-speed=-1"}, "invalid value '-1" + speed_range},
        {{"--emulator-speed="}, "invalid value '" + speed_range},
        {{"--emulator-speed=10x"}, "invalid value '10x" + speed_range},
        {{"--emulator-speed=inf"}, "invalid value 'inf" + speed_range},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.error);
        const start_options options = read_command_line(r.arguments);
        EXPECT_EQ(options.action, start_action::usage_error);
        EXPECT_EQ(options.error, r.error);
    }
}

}  // namespace
}  // namespace patchwarden
