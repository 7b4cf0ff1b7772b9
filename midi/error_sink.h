#pragma once

// Where the transport's threads (the input callback and the send thread) put
// the error boxes they raise. A transport thread has nobody to throw to and
// must never wait for the user, so report() only hands the text over and
// returns at once; the window shows it later on its own thread, captioned
// "Error" with the error icon. The Qt window implements it with
// QCoreApplication::postEvent (which may be called from any thread); report()
// may be called from several threads at the same time.

#include <string>

namespace patchwarden {

inline constexpr char16_t error_box_caption[] = u"Error";

class error_sink {
public:
    virtual ~error_sink() = default;
    virtual void report(std::u16string text) = 0;
};

// Drops every report; for callers that have nowhere to show them.
class silent_error_sink : public error_sink {
public:
    void report(std::u16string) override {}
};

}  // namespace patchwarden
