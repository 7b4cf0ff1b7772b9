#include "a6_emulator/bridge.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace patchwarden::a6_emulator_program {

bridge::bridge() : stop_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

bridge::~bridge() {
    if (stop_fd_ >= 0) close(stop_fd_);
}

void bridge::stop() {
    stopping_ = true;
    if (stop_fd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = write(stop_fd_, &one, sizeof one);
    }
}

}  // namespace patchwarden::a6_emulator_program
