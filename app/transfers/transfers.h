#pragma once

// The transfers with the instrument, apart from any widget: the send queue,
// the five counters, the pump and the bytes-sent step. The window wires them
// to its commands, its posted events and its two progress bars.
//
// One request goes out at a time: a queued message is handed to midi_out
// only when every reply awaited for the one before has arrived (dumps await
// none, so a Send goes out in one run). Every block midi_in received counts
// as a reply, asked for or not. Nothing waits here: pump() takes only the
// blocks already received and hands messages over without waiting for them
// to be sent.
//
// pump() may open a replace prompt, whose nested event loop runs pump() and
// the other steps again before the first run has finished; each block and
// message is still counted exactly once, and nothing in a run assumes the
// queues or counters unchanged across an insertion. Everything here runs on
// the interface thread. A sysex_error from the transport ends the step that
// met it and reaches the caller.
//
// Nothing here fails in silence. While the output is closed nothing is
// handed to it: a request stays at the front of the queue until a port is
// open (Con&fig), and a dump that reaches the front is dropped and counted
// in unsent_bytes() for the window to tell, never in the send bar's bytes.
// A request whose replies stop coming raises one notice (answer_watch).
//
// Requests may be queued for a reply_taker (Compare with A6): their replies
// go to it instead of into the library, so they raise no replace prompt.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/transfers/answer_watch.h"
#include "data/a6_message.h"
#include "data/message_box.h"
#include "data/request_text.h"

namespace patchwarden {

class library_node;
class library_tree;
class sysex_in;
class sysex_out;

// The receive bar counts replies, the send bar bytes in units of 256.
enum class transfer_bar { receive, send };

class transfer_bars {
public:
    virtual ~transfer_bars() = default;
    // Range 0..maximum; maximum is the low 16 bits of a count.
    virtual void set_range(transfer_bar bar, int maximum) = 0;
    // A position beyond the range shows as the range's end.
    virtual void set_position(transfer_bar bar, int position) = 0;
};

struct transfer_counters {
    // Replies still awaited before the next queued message may go out; may
    // go below 0 when unasked dumps arrive.
    std::int32_t pending_replies = 0;
    // Replies expected by the requests queued since the receive bar was
    // last reset, and the replies taken in since then.
    std::int32_t replies_expected = 0;
    std::int32_t replies_received = 0;
    // Bytes handed to midi_out and bytes it reported sent, since the send
    // bar was last reset.
    std::uint32_t bytes_queued = 0;
    std::uint32_t bytes_sent = 0;
};

// Takes the replies to the requests queued for it.
class reply_taker {
public:
    virtual ~reply_taker() = default;
    // A reply to the taker's request now awaited (or, once that request is
    // over, a late one); false when it is none of the taker's, and the
    // library takes it as an unasked dump.
    virtual bool take(const a6_message& reply) = 0;
    // The request handed over last is over: all its replies have arrived,
    // or Con&fig released the wait.
    virtual void request_over() = 0;
};

class transfers {
public:
    using clock = std::chrono::steady_clock;

    // ask tells, when a record is about to be inserted, whether replacing a
    // loaded entry asks first.
    transfers(library_tree& library, message_box& box, sysex_in& in, sysex_out& out, transfer_bars& bars,
              std::function<bool()> ask);

    // Get It: removes every space from the request text and queues the
    // requests it names; a text that does not parse queues nothing (its
    // messages are shown through the box). True when the text parsed.
    bool queue_requests(std::u16string_view text);
    // Send: queues the dumps of the node's subtree in display order;
    // nothing for no node.
    void queue_selection(library_node* node);
    // Queues requests whose replies go to taker, which is kept until they
    // are over and no late reply can reach it.
    void queue_for(outgoing_queue requests, std::shared_ptr<reply_taker> taker);

    // Takes every block waiting in midi_in into the library, updates the
    // receive bar, hands queued messages to midi_out as far as no reply is
    // awaited, and resets the send bar's position.
    void pump();
    // midi_out reported a chunk of this many bytes sent.
    void bytes_sent(std::int32_t bytes);
    // The ports were configured anew: awaited replies that may never come
    // hold the queue no longer, and the receive bar starts again from zero
    // over the requests still queued.
    void release();
    // midi_out was closed with this many bytes handed to it that will never
    // be reported sent: the send bar waits for them no more, and resets once
    // the chunks already reported have been counted.
    void forget_unsent(std::uint32_t bytes);

    // Bytes of dumps dropped because the output was closed, since the last
    // call; the count starts again at 0.
    std::uint32_t take_unsent_bytes() { return std::exchange(unsent_bytes_, 0); }
    // The notice that the instrument has not answered for a while, once for
    // each request (see answer_watch), or nothing.
    std::optional<std::u16string> no_answer_notice();
    // Replaces the clock the answer watch reads, for tests.
    void set_clock(std::function<clock::time_point()> now) { now_ = std::move(now); }

    const outgoing_queue& send_queue() const { return send_queue_; }
    const transfer_counters& counters() const { return counters_; }

private:
    // Every byte handed over has been reported sent (or forgotten).
    void reset_send_bar_when_done();
    void show_receive_bar();
    // The request handed over last is over.
    void end_request();

    library_tree& library_;
    message_box& box_;
    sysex_in& in_;
    sysex_out& out_;
    transfer_bars& bars_;
    std::function<bool()> ask_;
    outgoing_queue send_queue_;
    // The taker of each queued message, in step with send_queue_; null for
    // Get It and Send.
    std::deque<std::shared_ptr<reply_taker>> takers_;
    // The taker of the request whose replies are awaited, and that of the
    // one before, which late replies may still reach.
    std::shared_ptr<reply_taker> current_taker_;
    std::shared_ptr<reply_taker> late_taker_;
    transfer_counters counters_;
    std::uint32_t unsent_bytes_ = 0;
    answer_watch watch_;
    std::function<clock::time_point()> now_ = [] { return clock::now(); };
};

}  // namespace patchwarden
