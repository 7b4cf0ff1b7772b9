#pragma once

// The guard around every handler of the program's windows: a sysex_error
// that escapes the handler is shown in a box captioned "Error" with the
// error icon and the window goes on. The rest of the handler is skipped;
// what it had already done stays done. No exception ever leaves the guard,
// so none crosses Qt's event loop.

#include <exception>

#include "data/message_box.h"
#include "data/text.h"
#include "midi/error_sink.h"
#include "midi/sysex_error.h"

namespace patchwarden {

// True when the handler ran to its end.
template <class Handler>
bool run_guarded(message_box& box, Handler&& handler) {
    try {
        handler();
        return true;
    } catch (const sysex_error& error) {
        box.show(error.message, error_box_caption, box_buttons::ok, box_icon::error);
    } catch (const std::exception& error) {
        box.show(widen(error.what()), error_box_caption, box_buttons::ok, box_icon::error);
    } catch (...) {
        box.show(u"Unexpected error", error_box_caption, box_buttons::ok, box_icon::error);
    }
    return false;
}

}  // namespace patchwarden
