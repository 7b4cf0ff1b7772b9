#pragma once

// Dump requests: the request text of the "Get from A6:" field, the bank specs
// it is made of, and the encoded messages ready to be sent or saved.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>

#include "data/a6_message.h"
#include "data/bytes.h"
#include "data/message_box.h"

namespace patchwarden {

// One complete encoded message and the number of messages the instrument
// sends back for it (0 for dumps, 1 for single and Global Data requests,
// 128 for bank requests).
struct outgoing_message {
    byte_vector bytes;
    std::int32_t expected_replies = 0;
};

// A first-in first-out queue of encoded messages: request lists, the send
// queue and the list that Save writes.
using outgoing_queue = std::deque<outgoing_message>;

// Encodes a record (dump or request) with its expected reply count.
outgoing_message make_outgoing(a6_message& record);

// Reads the decimal digits at pos; true when there was at least one. pos is
// left on the first non-digit. A value that does not fit an int saturates at
// INT_MAX (the digits are still all consumed).
bool parse_decimal(std::u16string_view text, std::size_t& pos, int& value);

// Reads a bank short name ("u", "p%d", "c%d", either case) at pos, for the
// Program banks when kind is program_dump, program_request or
// program_bank_request, for the Mix banks when it is one of the three Mix
// kinds; any other kind reads nothing and fails. A Preset or Card
// that does not exist is reported through box (empty caption, OK) and the
// read fails; syntax errors fail silently.
bool parse_bank_spec(std::u16string_view text, std::size_t& pos, message_kind kind, int& bank,
                     message_box& box);

// Parses a request text (its spaces already removed) and appends one encoded
// request per item to list, each the moment it has been read. Returns true
// when the whole text was read, false at the first error; the requests
// appended before the error stay in list for the caller to discard. A zero
// code unit ends the text.
bool parse_request_text(std::u16string_view text, outgoing_queue& list, message_box& box);

}  // namespace patchwarden
