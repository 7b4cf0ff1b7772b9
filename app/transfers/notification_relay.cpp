#include "app/transfers/notification_relay.h"

#include <cstdio>

#include "data/text.h"

namespace patchwarden {

void notification_relay::attach(notification_target* target) {
    std::lock_guard guard(mutex_);
    target_ = target;
}

void notification_relay::detach(notification_target* target) {
    std::lock_guard guard(mutex_);
    if (target_ == target) target_ = nullptr;
}

void notification_relay::report(std::u16string text) {
    std::lock_guard guard(mutex_);
    if (target_) {
        target_->show_error(std::move(text));
        return;
    }
    std::fprintf(stderr, "Error: %s\n", narrow(text).c_str());
}

void notification_relay::post_data_ready(void* relay) {
    auto* self = static_cast<notification_relay*>(relay);
    std::lock_guard guard(self->mutex_);
    if (self->target_) self->target_->data_ready();
}

void notification_relay::post_send_progress(void* relay, std::int32_t chunk_bytes, std::int32_t,
                                            std::int32_t) {
    auto* self = static_cast<notification_relay*>(relay);
    std::lock_guard guard(self->mutex_);
    if (self->target_) self->target_->bytes_sent(chunk_bytes);
}

}  // namespace patchwarden
