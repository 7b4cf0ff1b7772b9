#include "midi/alsa/receive_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace patchwarden::alsa {

void run_receive_loop(receive_source& source) {
    bool watch = true;
    for (;;) {
        const unsigned w = source.wait(watch);
        if (w & receive_source::stop) return;
        if (w & receive_source::readable) {
            if (source.read_available()) continue;
        } else if (!(w & receive_source::broken)) {
            continue;
        }
        if (watch) {
            source.report_broken();
            watch = false;
        }
    }
}

unsigned device_wake(short revents) {
    unsigned w = 0;
    if (revents & POLLIN) w |= receive_source::readable;
    if (revents & (POLLERR | POLLHUP | POLLNVAL)) w |= receive_source::broken;
    return w;
}

receive_thread::receive_thread(launcher launch) : launch_(std::move(launch)) {}

bool receive_thread::start(std::function<void()> body) {
    if (started()) return true;
    fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd_ < 0) return false;
    running_ = true;
    try {
        thread_ = launch_ ? launch_(std::move(body)) : std::thread(std::move(body));
    } catch (...) {  // std::system_error, or no memory for the thread's state
        running_ = false;
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void receive_thread::stop() {
    if (!thread_.joinable()) return;
    running_ = false;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
    thread_.join();
    ::close(fd_);
    fd_ = -1;
}

}  // namespace patchwarden::alsa
