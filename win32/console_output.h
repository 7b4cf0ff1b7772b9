#pragma once

// What --help, --version and a wrong argument print. The program is a
// Windows GUI program, which has no console of its own: the text goes to
// standard output or error where those lead somewhere (redirected to a
// file or a pipe), else to the console of the program that started it
// (a command prompt), and only when there is neither into a message box.

#include <cstdio>
#include <string>

namespace patchwarden {

// Writes text to stream (stdout or stderr) as described above.
void print_for_user(const std::string& text, std::FILE* stream);

}  // namespace patchwarden
