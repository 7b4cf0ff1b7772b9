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
    };
    const row rows[] = {
        {{}, start_action::run, false, 1.0},
        {{"--emulator"}, start_action::run, true, 1.0},
        {{"--emulator-speed=10"}, start_action::run, true, 10.0},
        {{"--emulator", "--emulator-speed=0"}, start_action::run, true, 0.0},
        {{"--emulator-speed=2.5"}, start_action::run, true, 2.5},
        {{"--version"}, start_action::version, false, 1.0},
        {{"--emulator", "--help", "--version"}, start_action::help, true, 1.0},
        {{"--bogus"}, start_action::usage_error, false, 1.0},
        {{"--help", "extra"}, start_action::usage_error, false, 1.0},
        {{"--emulator-speed=-1"}, start_action::usage_error, false, 1.0},
        {{"--emulator-speed="}, start_action::usage_error, false, 1.0},
        {{"--emulator-speed=10x"}, start_action::usage_error, false, 1.0},
        {{"--emulator-speed=inf"}, start_action::usage_error, false, 1.0},
        {{"-emulator"}, start_action::usage_error, false, 1.0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.arguments.empty() ? std::string("(none)") : std::string(r.arguments.front()));
        const start_options options = read_command_line(r.arguments);
        EXPECT_EQ(options.action, r.action);
        if (r.action == start_action::usage_error) continue;
        EXPECT_EQ(options.emulator, r.emulator);
        EXPECT_EQ(options.emulator_speed, r.speed);
    }
}

}  // namespace
}  // namespace patchwarden
