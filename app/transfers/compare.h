#pragma once

// Compare with A6: whether the instrument holds what the library holds
// under a node. The entries at or below the node are copied when the
// compare starts (the library may change while the replies come in); the
// instrument is asked for each of them, a whole bank with one bank request
// when the library holds all 128 of its entries, any other entry with a
// single request, the Global Data with its own request; and each reply is
// compared byte for byte with the entry's body as Send would send it, the
// entry found by the kind, bank and number in the reply's own header.
//
// The replies never enter the library. An entry the instrument did not send
// back by the time its request was over (its replies all came, or Con&fig
// released the wait) counts as not compared. A reply to a request already
// over is still taken here, silently, when it is one of the entries still
// missing: it was asked for by the compare, not sent from the panel.
//
// When every request is over, result_text() says what was found, in one
// box: how many entries match or differ, naming up to ten of those that
// differ and up to ten of those not compared.

#include <cstddef>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/transfers/transfers.h"
#include "data/request_text.h"

namespace patchwarden {

class library_node;

// The entries named in a result box before "and N more.".
inline constexpr std::size_t compare_names_shown = 10;

class library_compare : public reply_taker {
public:
    // The entries at or below node, as the library holds them now.
    explicit library_compare(const library_node& node);

    // No entry to compare.
    bool empty() const { return entries_.empty(); }
    // The requests that ask the instrument for every entry, in display
    // order, handed out once to be queued for this compare.
    outgoing_queue take_requests() { return std::move(requests_); }
    // Every request is over.
    bool finished() const { return requests_left_ == 0; }
    std::u16string result_text() const;

    bool take(const a6_message& reply) override;
    void request_over() override;

private:
    enum class state { waiting, same, different };
    struct entry {
        message_kind kind;
        int bank;
        int number;
        std::u16string name;  // its labels below the compared node
        byte_vector body;
        state result = state::waiting;
    };
    using key = std::tuple<int, int, int>;
    static key key_of(message_kind kind, int bank, int number);

    std::u16string label_;
    std::vector<entry> entries_;
    std::map<key, std::size_t> by_key_;
    outgoing_queue requests_;
    std::size_t requests_left_ = 0;
};

}  // namespace patchwarden
