#include "app/transfers/midi_ports.h"

namespace patchwarden {

midi_ports::midi_ports(midi_system* platform, midi_system* emulator, transport_clock& clock)
    : clock_(clock),
      devices_(platform, emulator),
      in_(std::make_unique<sysex_in>(devices_, relay_, clock)),
      out_(std::make_unique<sysex_out>(devices_, relay_, clock)) {}

midi_ports::~midi_ports() {
    // The output first, as on quitting; each destructor shuts its port down.
    out_.reset();
    in_.reset();
}

void midi_ports::open(int input, int output, std::int32_t buffer_size, std::int32_t pause_ms) {
    in_->shutdown();
    out_->shutdown();
    in_->on_data = &notification_relay::post_data_ready;
    in_->on_data_arg = &relay_;
    in_->init(input);
    out_->on_progress = &notification_relay::post_send_progress;
    out_->on_progress_arg = &relay_;
    out_->init(output, buffer_size, pause_ms);
}

void midi_ports::shutdown() {
    out_->shutdown();
    in_->shutdown();
}

std::optional<std::u16string> midi_ports::input_name() {
    if (!in_->is_open || !in_->handle) return std::nullopt;
    std::u16string name;
    sysex_in::dev_string(*in_->handle, 1024, name);
    return name;
}

std::optional<std::u16string> midi_ports::output_name() {
    if (!out_->is_open || !out_->handle) return std::nullopt;
    std::u16string name;
    sysex_out::dev_string(*out_->handle, 1024, name);
    return name;
}

}  // namespace patchwarden
