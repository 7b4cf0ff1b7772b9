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

// The length of the longest reply a request asks for.
std::size_t largest_reply(const byte_vector& request) {
    switch (parse_message(request).kind) {
    case program_request:
    case program_bank_request: return program_dump_size;
    case mix_request:
    case mix_bank_request: return mix_dump_size;
    default: return global_dump_size;
    }
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
    queue_for(std::move(list), nullptr);
    return true;
}

void transfers::queue_selection(library_node* node) {
    if (!node) return;
    library_.walk_subtree(node, send_queue_);
    takers_.resize(send_queue_.size());
}

void transfers::queue_for(outgoing_queue requests, std::shared_ptr<reply_taker> taker) {
    for (outgoing_message& request : requests) {
        counters_.replies_expected += request.expected_replies;
        send_queue_.push_back(std::move(request));
        takers_.push_back(taker);
    }
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
        watch_.moved(now_());
        const std::shared_ptr<reply_taker> taker = counters_.pending_replies > 0 ? current_taker_ : late_taker_;
        if (!taker || !taker->take(*record)) {
            const bool ask = ask_ && ask_();
            library_.insert_record(std::move(record), ask, box_buttons::yes_no, box_);
        }
        --counters_.pending_replies;
        ++counters_.replies_received;
        if (current_taker_ && counters_.pending_replies <= 0) end_request();
    }

    if (counters_.replies_received == counters_.replies_expected) {
        counters_.replies_expected = 0;
        counters_.replies_received = 0;
    }
    show_receive_bar();

    // Queued messages out, one request at a time. The message leaves the
    // queue only once midi_out has it, so a throw keeps it for the next run.
    // A closed output takes nothing: requests wait for a port, dumps are
    // dropped and told.
    while (!send_queue_.empty() && counters_.pending_replies <= 0) {
        const outgoing_message& next = send_queue_.front();
        if (!out_.is_open && next.expected_replies > 0) break;
        if (!out_.is_open) {
            unsent_bytes_ += static_cast<std::uint32_t>(next.bytes.size());
        } else {
            out_.send_async(next.bytes);
            counters_.bytes_queued += static_cast<std::uint32_t>(next.bytes.size());
            counters_.pending_replies = next.expected_replies;
            if (next.expected_replies > 0) {
                current_taker_ = takers_.front();
                late_taker_.reset();
                watch_.request_sent(next.expected_replies, largest_reply(next.bytes), now_());
            }
        }
        send_queue_.pop_front();
        takers_.pop_front();
    }

    bars_.set_range(transfer_bar::send, low_16_bits(counters_.bytes_queued / 256));
    bars_.set_position(transfer_bar::send, 0);
}

void transfers::bytes_sent(std::int32_t bytes) {
    watch_.moved(now_());
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
    if (current_taker_) end_request();
    counters_.replies_received = 0;
    counters_.replies_expected = 0;
    for (const outgoing_message& waiting : send_queue_) counters_.replies_expected += waiting.expected_replies;
    show_receive_bar();
}

void transfers::end_request() {
    late_taker_ = std::move(current_taker_);  // current_taker_ is left empty
    late_taker_->request_over();
}

void transfers::show_receive_bar() {
    bars_.set_range(transfer_bar::receive, low_16_bits(static_cast<std::uint32_t>(counters_.replies_expected)));
    bars_.set_position(transfer_bar::receive, counters_.replies_received);
}

std::optional<std::u16string> transfers::no_answer_notice() {
    return watch_.notice(now_(), counters_.pending_replies, counters_.bytes_queued == 0);
}

}  // namespace patchwarden
