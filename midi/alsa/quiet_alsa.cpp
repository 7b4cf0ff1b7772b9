#include "midi/alsa/quiet_alsa.h"

#include <cstdarg>
// alsa-lib declares snd_lib_error_set_local after the end of its extern "C"
// block, where C++ would look for a C++ function of that name; included
// first inside one, it is declared as the C function it is.
extern "C" {
#include <alsa/error.h>
}

namespace patchwarden::alsa {

namespace {

void say_nothing(const char*, int, const char*, int, const char*, va_list) {}

}  // namespace

quiet_alsa::quiet_alsa() : before_(reinterpret_cast<void (*)()>(snd_lib_error_set_local(say_nothing))) {}

quiet_alsa::~quiet_alsa() {
    snd_lib_error_set_local(reinterpret_cast<snd_local_error_handler_t>(before_));
}

}  // namespace patchwarden::alsa
