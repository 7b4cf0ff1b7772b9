#include "midi/transport/transport_clock.h"

namespace patchwarden {

transport_clock& default_transport_clock() {
    static system_clock_sleeps clock;
    return clock;
}

}  // namespace patchwarden
