#pragma once

// Errors the transport threads raise, shown one box at a time: a thread may
// report many failures in a row, and each would otherwise open its box
// inside the nested loop of the one before. An error that arrives while a
// box is open waits for it, in order.

#include <deque>
#include <string>

#include "data/message_box.h"
#include "midi/error_sink.h"

namespace patchwarden {

class error_queue {
public:
    explicit error_queue(message_box& box) : box_(box) {}

    void show(std::u16string text) {
        waiting_.push_back(std::move(text));
        if (showing_) return;
        showing_ = true;
        while (!waiting_.empty()) {
            const std::u16string next = std::move(waiting_.front());
            waiting_.pop_front();
            box_.show(next, error_box_caption, box_buttons::ok, box_icon::error);
        }
        showing_ = false;
    }

private:
    message_box& box_;
    std::deque<std::u16string> waiting_;
    bool showing_ = false;
};

}  // namespace patchwarden
