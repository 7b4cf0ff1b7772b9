#pragma once

// The transport's exception: one UTF-16 text naming class, operation and what
// failed ("sysex_out::init - unable to create thread"). Thrown by value and
// caught by reference by the dialog that made the call, which shows the text
// in a box captioned "Error" with the error icon.
//
// The events and locks here are std::mutex and condition variables, whose
// creation, setting, resetting and closing cannot fail; the texts for those
// failures therefore never appear. Device, thread start and thread wait
// failures raise their texts where they happen.

#include <string>

namespace patchwarden {

struct sysex_error {
    std::u16string message;

    explicit sysex_error(std::u16string text) : message(std::move(text)) {}
};

}  // namespace patchwarden
