#include "midi/alsa/receive_loop.h"

#include <poll.h>

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

}  // namespace patchwarden::alsa
