// parse_request_text on arbitrary texts. The input is read as UTF-16 code
// units, two bytes each, when its first byte is odd, and as Latin-1 (one
// unit per byte) otherwise, which reaches the grammar's letters more often.
//
// Every request appended must be a well-formed A6 request: F0 ... F7, every
// byte in between below 0x80, the length of its opcode, and 1 or 128 expected
// replies as its opcode says. A box is shown at most once, with one of the
// program's texts, and only when the parse fails.

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/message_box.h"
#include "data/request_text.h"
#include "fuzz/check.h"

using namespace patchwarden;

namespace {

class counting_box : public message_box {
public:
    int count = 0;
    std::u16string last;
    box_answer show(const std::u16string& text, const std::u16string& caption, box_buttons buttons,
                    box_icon icon) override {
        ++count;
        last = text;
        FUZZ_CHECK(caption.empty() && buttons == box_buttons::ok && icon == box_icon::none);
        return box_answer::ok;
    }
};

bool starts_with(const std::u16string& text, std::u16string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::u16string& text, std::u16string_view suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void check_request(const outgoing_message& o) {
    const byte_vector& b = o.bytes;
    FUZZ_CHECK(b.size() >= 8 && b.front() == 0xF0 && b.back() == 0xF7);
    for (std::size_t i = 1; i + 1 < b.size(); ++i) FUZZ_CHECK(b[i] < 0x80);
    FUZZ_CHECK(b[1] == 0x00 && b[2] == 0x00 && b[3] == 0x0E && b[4] == 0x1D);
    switch (b[5]) {
    case 0x01:
    case 0x05: FUZZ_CHECK(b.size() == 9 && o.expected_replies == 1); break;
    case 0x09: FUZZ_CHECK(b.size() == 8 && b[6] == 0x00 && o.expected_replies == 1); break;
    case 0x0A: FUZZ_CHECK(b.size() == 8 && b[6] <= 18 && o.expected_replies == 128); break;
    case 0x0B: FUZZ_CHECK(b.size() == 8 && b[6] <= 17 && o.expected_replies == 128); break;
    default: FUZZ_CHECK(!"a request of an unknown opcode");
    }
    if (b[5] == 0x01) FUZZ_CHECK(b[6] <= 18);
    if (b[5] == 0x05) FUZZ_CHECK(b[6] <= 17);
    // The request parses back to its own kind.
    const a6_message r = parse_message(b);
    FUZZ_CHECK(r.kind != unrecognised_message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::u16string text;
    if (data[0] & 1) {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    } else {
        for (std::size_t i = 1; i < size; ++i) text.push_back(static_cast<char16_t>(data[i]));
    }

    counting_box box;
    outgoing_queue list;
    const bool ok = parse_request_text(text, list, box);
    for (const outgoing_message& o : list) check_request(o);

    FUZZ_CHECK(box.count <= 1);
    if (box.count == 1) {
        FUZZ_CHECK(!ok);
        FUZZ_CHECK(starts_with(box.last, u"Program ") || starts_with(box.last, u"Mix "));
        FUZZ_CHECK(ends_with(box.last, u" doesn't exist"));
    }
    // No text can ask for more than every entry once per item character.
    FUZZ_CHECK(list.size() <= (text.size() + 1) * 128);
    return 0;
}
