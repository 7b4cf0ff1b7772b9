#pragma once

// The one address the MIDI transport reports to: midi_in's "blocks are
// waiting", midi_out's "a chunk was sent", and the error boxes raised on the
// input callback and the send thread. The relay hands each on to the window
// attached to it, which only posts it to its own thread and returns, so a
// transport thread never waits for the user.
//
// The transport keeps the relay's address, not the window's. detach() waits
// for a hand-over in progress to end, and after it has returned nothing
// reaches the window that was attached: a window detaches before it goes,
// and however the program ends no notification reaches a destroyed window.
// The relay itself must outlive the transport objects that point at it.

#include <cstdint>
#include <mutex>
#include <string>

#include "midi/error_sink.h"

namespace patchwarden {

class notification_target {
public:
    virtual ~notification_target() = default;
    // Called on a transport thread (errors also on the interface thread),
    // with the relay's lock held: each only hands the notification over.
    virtual void data_ready() = 0;
    virtual void bytes_sent(std::int32_t bytes) = 0;
    virtual void show_error(std::u16string text) = 0;
};

class notification_relay : public error_sink {
public:
    notification_relay() = default;
    notification_relay(const notification_relay&) = delete;
    notification_relay& operator=(const notification_relay&) = delete;

    // Notifications go to target from now on, to nobody with null.
    void attach(notification_target* target);
    // Stops notifications to target if it is the one attached.
    void detach(notification_target* target);

    // An error box from a transport thread. With no window attached the
    // text goes to standard error, so that it is not lost without a trace.
    void report(std::u16string text) override;

    // The notification functions stored in midi_in's on_data and midi_out's
    // on_progress, with the relay as their argument. The chunk's offset and
    // the total are not passed on.
    static void post_data_ready(void* relay);
    static void post_send_progress(void* relay, std::int32_t chunk_bytes, std::int32_t chunk_offset,
                                   std::int32_t total_bytes);

private:
    std::mutex mutex_;
    notification_target* target_ = nullptr;
};

}  // namespace patchwarden
