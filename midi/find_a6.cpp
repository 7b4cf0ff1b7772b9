#include "midi/find_a6.h"

#include "data/a6_message.h"
#include "data/identity.h"
#include "data/text.h"

namespace patchwarden {

namespace {

// Blocks already waiting in the input's queue when the search starts were
// received before it, through the input the user had chosen: they are set
// aside for the search and put back in front of the queue when it ends,
// however it ends.
class earlier_blocks {
public:
    explicit earlier_blocks(sysex_in& in) : in_(in), kept_(in.set_aside()) {}
    ~earlier_blocks() { in_.put_back(std::move(kept_)); }
    earlier_blocks(const earlier_blocks&) = delete;
    earlier_blocks& operator=(const earlier_blocks&) = delete;

private:
    sysex_in& in_;
    std::deque<byte_vector> kept_;
};

}  // namespace

std::optional<a6_found> find_a6(sysex_in& midi_in, sysex_out& midi_out, midi_system& system,
                                int selected_input, int selected_output,
                                transport_clock& clock) {
    midi_in.shutdown();
    midi_out.shutdown();

    const int n_in = system.input_count();
    const int n_out = system.output_count();
    // With nothing selected the search starts at the first device.
    const int s_in = selected_input < 0 ? 0 : selected_input;
    const int s_out = selected_output < 0 ? 0 : selected_output;
    std::optional<a6_found> found;
    {
        earlier_blocks kept(midi_in);
        for (int i = 0; i < n_in && !found; ++i) {
            const int a = (s_in + i) % n_in;
            midi_in.init(a);
            if (!midi_in.is_open) continue;
            for (int j = 0; j < n_out; ++j) {
                const int b = (s_out + j) % n_out;
                midi_out.init(b, detection_buffer_size, detection_pause_ms);
                if (!midi_out.is_open) continue;

                a6_message request(identity_request);
                // Whatever waits now (a late reply to an earlier pair's
                // request) must not count as this pair's answer.
                midi_in.drop_waiting();
                midi_out.send_async(encode_message(request));
                do {
                    clock.sleep_ms(50);
                } while (midi_out.is_open && midi_out.queued() != 0);
                midi_out.shutdown();

                if (!midi_in.wait_for_data()) continue;
                byte_vector reply;
                midi_in.get_data(reply);
                int major = 0;
                int minor = 0;
                if (!parse_identity_reply(reply, &major, &minor)) continue;

                a6_found pair;
                pair.input = a;
                pair.output = b;
                pair.major = major;
                pair.minor = minor;
                sysex_in::dev_string(system, a, 256, pair.input_name);
                sysex_out::dev_string(system, b, 256, pair.output_name);
                found = pair;
                break;
            }
            midi_in.shutdown();
        }
    }
    return found;
}

std::u16string found_text(const a6_found& found) {
    return fill(u"Andromeda v%d.%02d found\r\nin: %s\r\nout: %s",
                {decimal(found.major), decimal(found.minor, 2), found.input_name, found.output_name});
}

}  // namespace patchwarden
