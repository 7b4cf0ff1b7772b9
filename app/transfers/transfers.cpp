#include "app/transfers/transfers.h"

#include <algorithm>
#include <memory>

#include "data/a6_message.h"
#include "library/library_tree.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"

namespace patchwarden {

namespace {

// What a bar's range holds of a count: its low 16 bits.
int low_16_bits(std::uint32_t value) {
    return static_cast<int>(value & 0xFFFFu);
}

}  // namespace

transfers::transfers(library_tree& library, message_box& box, sysex_in& in, sysex_out& out, transfer_bars& bars,
                     std::function<bool()> ask)
    : library_(library), box_(box), in_(in), out_(out), bars_(bars), ask_(std::move(ask)) {}

bool transfers::queue_requests(std::u16string_view text) {
    std::u16string stripped(text);
    std::erase(stripped, u' ');
    outgoing_queue list;
    if (!parse_request_text(stripped, list, box_)) return false;
    for (outgoing_message& request : list) {
        counters_.replies_expected += request.expected_replies;
        send_queue_.push_back(std::move(request));
    }
    return true;
}

void transfers::queue_selection(library_node* node) {
    if (!node) return;
    library_.walk_subtree(node, send_queue_);
}

void transfers::pump() {
    // Received blocks into the library. A replace prompt lets this run again
    // inside insert_record: each block leaves midi_in's queue under its lock
    // before the insertion, so every block is taken and counted once.
    while (in_.is_open) {
        if (in_.queued() == 0) break;
        byte_vector block;
        in_.get_data(block);
        if (block.empty()) break;
        auto record = std::make_unique<a6_message>(parse_message(std::move(block)));
        const bool ask = ask_ && ask_();
        library_.insert_record(std::move(record), ask, box_buttons::yes_no, box_);
        --counters_.pending_replies;
        ++counters_.replies_received;
    }

    if (counters_.replies_received == counters_.replies_expected) {
        counters_.replies_expected = 0;
        counters_.replies_received = 0;
    }
    bars_.set_range(transfer_bar::receive, low_16_bits(static_cast<std::uint32_t>(counters_.replies_expected)));
    bars_.set_position(transfer_bar::receive, counters_.replies_received);

    // Queued messages out, one request at a time. The message leaves the
    // queue only once midi_out has it, so a throw keeps it for the next run.
    while (!send_queue_.empty() && counters_.pending_replies <= 0) {
        const outgoing_message& next = send_queue_.front();
        out_.send_async(next.bytes);
        counters_.bytes_queued += static_cast<std::uint32_t>(next.bytes.size());
        counters_.pending_replies = next.expected_replies;
        send_queue_.pop_front();
    }

    bars_.set_range(transfer_bar::send, low_16_bits(counters_.bytes_queued / 256));
    bars_.set_position(transfer_bar::send, 0);
}

void transfers::bytes_sent(std::int32_t bytes) {
    counters_.bytes_sent += static_cast<std::uint32_t>(bytes);
    // A 32-bit count in units of 256 bytes always fits an int.
    bars_.set_position(transfer_bar::send, static_cast<int>(counters_.bytes_sent / 256));
    reset_send_bar_when_done();
}

void transfers::forget_unsent(std::uint32_t bytes) {
    counters_.bytes_queued -= std::min(bytes, counters_.bytes_queued);
    reset_send_bar_when_done();
}

void transfers::reset_send_bar_when_done() {
    if (counters_.bytes_sent < counters_.bytes_queued) return;
    bars_.set_range(transfer_bar::send, 1);
    bars_.set_position(transfer_bar::send, 0);
    counters_.bytes_queued = 0;
    counters_.bytes_sent = 0;
}

void transfers::release() {
    counters_.pending_replies = 0;
}

}  // namespace patchwarden
