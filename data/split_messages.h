#pragma once

// Cutting a byte stream (the contents of a .syx file) into candidate messages:
// each candidate ends at a 0xF7 byte and starts at the last 0xF0 before it,
// so stray bytes in front of a message (or the start of a message cut short)
// are skipped and the message itself is kept. A run up to a 0xF7 with no
// 0xF0 in it is handed on whole. Bytes after the last 0xF7 form no
// candidate. A message intact in the stream holds no other 0xF0 (its data
// bytes are all below 0x80), so a stream of whole messages back to back
// gives exactly those messages.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <utility>

#include "data/bytes.h"

namespace patchwarden {

// Called with each candidate as soon as its 0xF7 has been seen; returning
// false stops the split at that candidate.
using candidate_handler = std::function<bool(byte_vector&& candidate)>;

// Splits a stream that arrives in pieces: the candidate in progress is kept
// between calls to feed, so the whole stream never has to be in memory.
class message_splitter {
public:
    // Hands every candidate completed within bytes to on_candidate. Returns
    // false when on_candidate asked to stop; the rest of bytes is then not
    // looked at.
    template <class Handler>
    bool feed(std::span<const std::uint8_t> bytes, Handler&& on_candidate);

    // The candidate in progress: the bytes since the last 0xF7, from the
    // last 0xF0 among them when there is one.
    std::size_t pending() const { return partial_.size(); }
    void reset() { partial_.clear(); }

private:
    byte_vector partial_;
};

// Splits a whole stream. Returns false when on_candidate stopped it.
bool split_messages(std::span<const std::uint8_t> stream, const candidate_handler& on_candidate);

template <class Handler>
bool message_splitter::feed(std::span<const std::uint8_t> bytes, Handler&& on_candidate) {
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* end = p + bytes.size();
    while (p != end) {
        const void* hit = std::memchr(p, 0xF7, static_cast<std::size_t>(end - p));
        const std::uint8_t* stop = hit ? static_cast<const std::uint8_t*>(hit) + 1 : end;
        // A 0xF0 starts the candidate afresh: what came before it is skipped.
        for (const std::uint8_t* q = stop; q != p; --q) {
            if (q[-1] == 0xF0) {
                partial_.clear();
                p = q - 1;
                break;
            }
        }
        if (!hit) {
            partial_.insert(partial_.end(), p, end);
            return true;
        }
        byte_vector candidate;
        if (partial_.empty()) {
            candidate.assign(p, stop);
        } else {
            candidate.swap(partial_);
            candidate.insert(candidate.end(), p, stop);
        }
        p = stop;
        if (!on_candidate(std::move(candidate))) return false;
    }
    return true;
}

}  // namespace patchwarden
