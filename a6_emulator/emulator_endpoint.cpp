#include "a6_emulator/emulator_endpoint.h"

namespace patchwarden::a6_emulator_program {

namespace {

// Room for the longest message the instrument sends (a Global Data dump).
constexpr std::size_t reply_buffer_size = 1u << 16;

}  // namespace

emulator_endpoint::emulator_endpoint(a6_emulator& emulator, message_handler on_message)
    : emulator_(emulator), on_message_(std::move(on_message)), buffer_(reply_buffer_size) {}

emulator_endpoint::~emulator_endpoint() { close(); }

void emulator_endpoint::close() {
    if (input_) {
        input_->reset();
        input_->close();
        input_.reset();
    }
    if (output_) {
        output_->close();
        output_.reset();
    }
}

bool emulator_endpoint::open() {
    if (emulator_.open_output(0, output_) != midi_result::ok) return false;
    if (emulator_.open_input(0, &emulator_endpoint::receive, this, input_) != midi_result::ok)
        return false;
    header_ = midi_header{};
    header_.data = buffer_.data();
    header_.buffer_length = static_cast<std::uint32_t>(buffer_.size());
    return input_->add_buffer(header_) == midi_result::ok && input_->start() == midi_result::ok;
}

void emulator_endpoint::feed(std::span<const std::uint8_t> bytes) {
    if (!output_ || bytes.empty()) return;
    midi_header h;
    h.data = const_cast<std::uint8_t*>(bytes.data());  // copied by the emulator
    h.buffer_length = h.bytes_recorded = static_cast<std::uint32_t>(bytes.size());
    output_->long_msg(h);
}

void emulator_endpoint::receive(midi_input& device, std::uint32_t message, void* instance,
                                midi_header* header) {
    auto* self = static_cast<emulator_endpoint*>(instance);
    if (message != mim_longdata || !header || header->bytes_recorded == 0) return;
    self->on_message_(std::span<const std::uint8_t>(header->data, header->bytes_recorded));
    header->bytes_recorded = 0;
    device.add_buffer(*header);
}

}  // namespace patchwarden::a6_emulator_program
