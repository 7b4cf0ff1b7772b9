#pragma once

// A scripted MIDI back end for the transport's tests: every operation is
// written to one shared log (with the clock's sleeps, so pause placement can
// be read off it), every slice is kept with its time, and any operation can
// be made to fail.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "data/bytes.h"
#include "data/text.h"
#include "midi/error_sink.h"
#include "midi/midi_device.h"
#include "midi/transport/transport_clock.h"

namespace patchwarden::testing {

// Polls until done() holds. The bound only ends a hung test; nothing is
// judged by how long it took.
template <class Done>
bool eventually(Done done, std::chrono::seconds guard = std::chrono::seconds(60)) {
    const auto give_up = std::chrono::steady_clock::now() + guard;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= give_up) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class event_log {
public:
    void add(std::string entry) {
        std::lock_guard guard(mutex_);
        entries_.push_back(std::move(entry));
    }
    std::vector<std::string> entries() const {
        std::lock_guard guard(mutex_);
        return entries_;
    }
    // Entries that start with one of the prefixes, in order.
    std::vector<std::string> only(std::initializer_list<std::string> prefixes) const {
        std::vector<std::string> out;
        for (const auto& e : entries())
            for (const auto& p : prefixes)
                if (e.rfind(p, 0) == 0) {
                    out.push_back(e);
                    break;
                }
        return out;
    }
    void clear() {
        std::lock_guard guard(mutex_);
        entries_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

// Logs each sleep ("sleep 20") and sleeps only a few microseconds, so tests
// run fast while threads still take turns.
class recording_clock : public transport_clock {
public:
    explicit recording_clock(event_log& log) : log_(log) {}
    void sleep_ms(int ms) override {
        log_.add("sleep " + std::to_string(ms));
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }

private:
    event_log& log_;
};

// Collects the boxes of the transport threads.
class recording_sink : public error_sink {
public:
    void report(std::u16string text) override {
        std::lock_guard guard(mutex_);
        texts_.push_back(std::move(text));
    }
    std::vector<std::string> texts() const {
        std::lock_guard guard(mutex_);
        std::vector<std::string> out;
        for (const auto& t : texts_) out.push_back(narrow(t));
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::u16string> texts_;
};

struct sent_slice {
    int output;
    byte_vector bytes;
    std::chrono::steady_clock::time_point at;
};

// The Identity Request, and an A6's Identity Reply with the four version
// digits given (as characters: '0', '2', '0', '5' is v2.05).
inline const byte_vector identity_request_bytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
inline byte_vector identity_reply(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    return {0xF0, 0x7E, 0x7F, 0x06, 0x02, 0x00, 0x00, 0x0E, 0x1D, 0x00, 0x00, 0x00, d0, d1, d2, d3, 0xF7};
}

class fake_midi_system : public midi_system {
public:
    class input;
    class output;

    std::vector<std::u16string> input_names{u"In 0", u"In 1", u"In 2"};
    std::vector<std::u16string> output_names{u"Out 0", u"Out 1", u"Out 2"};
    std::set<int> dead_inputs;
    std::set<int> dead_outputs;
    event_log& log;

    // Failure switches.
    std::atomic<bool> fail_in_prepare{false}, fail_in_add{false}, fail_in_start{false},
        fail_in_reset{false}, fail_in_close{false}, fail_in_add_in_callback{false};
    std::atomic<int> in_unprepare_error{0};  // how many un-prepares of the input fail
    std::atomic<int> in_unprepares{0};       // how many were asked for
    // What a reset leaves in the buffer it hands back (the start of a dump),
    // or whether it keeps the buffer.
    byte_vector in_reset_bytes;
    std::atomic<bool> in_reset_keeps{false};
    std::atomic<bool> fail_out_prepare{false}, fail_out_send{false}, fail_out_close{false};
    // Per chunk: un-prepares answered still_playing, then with an error
    // (-1: every one), before ok.
    std::atomic<int> still_playing_polls{0};
    std::atomic<int> unprepare_errors{0};
    // While set, every chunk is held (still_playing) until it is cleared.
    std::atomic<bool> hold{false};
    // Runs on the send thread after each slice was recorded.
    std::function<void(int output, const byte_vector& slice)> on_slice;

    explicit fake_midi_system(event_log& l) : log(l) {}

    // An instrument on this input and output: an Identity Request sent to
    // the output while the input is open is answered there.
    void answer_identity_on(int input_device, int output_device, byte_vector answer) {
        on_slice = [this, input_device, output_device, answer](int o, const byte_vector& bytes) {
            if (o == output_device && open_in && open_in->device() == input_device &&
                bytes == identity_request_bytes)
                open_in->deliver(answer);
        };
    }

    std::vector<sent_slice> slices() const {
        std::lock_guard guard(mutex_);
        return slices_;
    }

    int input_count() override { return static_cast<int>(input_names.size()); }
    int output_count() override { return static_cast<int>(output_names.size()); }
    midi_result input_name(int d, std::u16string& text) override {
        if (d < 0 || d >= input_count()) return midi_result::error;
        text = input_names[static_cast<std::size_t>(d)];
        return midi_result::ok;
    }
    midi_result output_name(int d, std::u16string& text) override {
        if (d < 0 || d >= output_count()) return midi_result::error;
        text = output_names[static_cast<std::size_t>(d)];
        return midi_result::ok;
    }
    midi_result open_input(int d, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override;
    midi_result open_output(int d, std::unique_ptr<midi_output>& opened) override;

    // The open input, if any (as the driver thread would, tests call deliver
    // and post on it).
    input* open_in = nullptr;

    class input : public midi_input {
    public:
        input(fake_midi_system& s, int d, midi_in_proc cb, void* inst)
            : sys_(s), device_(d), callback_(cb), instance_(inst) {}
        ~input() override {
            if (sys_.open_in == this) sys_.open_in = nullptr;
        }
        midi_result name(std::u16string& text) const override {
            text = sys_.input_names[static_cast<std::size_t>(device_)];
            return midi_result::ok;
        }
        midi_result prepare_header(midi_header&) override {
            return sys_.fail_in_prepare ? midi_result::error : midi_result::ok;
        }
        midi_result add_buffer(midi_header& h) override {
            std::lock_guard guard(mutex_);
            const bool fail = in_callback_ ? sys_.fail_in_add_in_callback.load() : sys_.fail_in_add.load();
            if (fail) return midi_result::error;
            held_ = &h;
            return midi_result::ok;
        }
        midi_result start() override {
            if (sys_.fail_in_start) return midi_result::error;
            started_ = true;
            return midi_result::ok;
        }
        midi_result reset() override {
            sys_.log.add("reset in " + std::to_string(device_));
            if (sys_.fail_in_reset) return midi_result::error;
            if (sys_.in_reset_keeps) return midi_result::ok;
            midi_header* back = nullptr;
            {
                std::lock_guard guard(mutex_);
                back = held_;
                held_ = nullptr;
                started_ = false;
            }
            if (back) {
                std::copy(sys_.in_reset_bytes.begin(), sys_.in_reset_bytes.end(), back->data);
                back->bytes_recorded = static_cast<std::uint32_t>(sys_.in_reset_bytes.size());
                callback_(*this, mim_longdata, instance_, back);
            }
            return midi_result::ok;
        }
        midi_result unprepare_header(midi_header&) override {
            ++sys_.in_unprepares;
            if (sys_.in_unprepare_error > 0) {
                --sys_.in_unprepare_error;
                return midi_result::error;
            }
            std::lock_guard guard(mutex_);
            return held_ ? midi_result::still_playing : midi_result::ok;
        }
        midi_result close() override {
            sys_.log.add("close in " + std::to_string(device_));
            return sys_.fail_in_close ? midi_result::error : midi_result::ok;
        }

        // A complete message arrives: written into the held buffer and
        // handed to the callback. False when no buffer was held. With
        // mim_longerror the bytes are an invalid or incomplete message the
        // device gives back.
        bool deliver(const byte_vector& message, std::uint32_t kind = mim_longdata) {
            midi_header* h = nullptr;
            {
                std::lock_guard guard(mutex_);
                if (!started_ || !held_) return false;
                h = held_;
                held_ = nullptr;
                in_callback_ = true;
            }
            std::memcpy(h->data, message.data(), message.size());
            h->bytes_recorded = static_cast<std::uint32_t>(message.size());
            callback_(*this, kind, instance_, h);
            std::lock_guard guard(mutex_);
            in_callback_ = false;
            return true;
        }
        void post(std::uint32_t message) { callback_(*this, message, instance_, nullptr); }
        int device() const { return device_; }

    private:
        fake_midi_system& sys_;
        int device_;
        midi_in_proc callback_;
        void* instance_;
        std::mutex mutex_;
        midi_header* held_ = nullptr;
        bool started_ = false;
        bool in_callback_ = false;
    };

    class output : public midi_output {
    public:
        output(fake_midi_system& s, int d) : sys_(s), device_(d) {}
        midi_result name(std::u16string& text) const override {
            text = sys_.output_names[static_cast<std::size_t>(device_)];
            return midi_result::ok;
        }
        midi_result prepare_header(midi_header&) override {
            return sys_.fail_out_prepare ? midi_result::error : midi_result::ok;
        }
        midi_result long_msg(midi_header& h) override {
            byte_vector bytes(h.data, h.data + h.buffer_length);
            sys_.log.add("submit " + std::to_string(bytes.size()));
            {
                std::lock_guard guard(sys_.mutex_);
                sys_.slices_.push_back({device_, bytes, std::chrono::steady_clock::now()});
            }
            polls_ = sys_.still_playing_polls;
            errors_ = sys_.unprepare_errors;
            if (sys_.on_slice) sys_.on_slice(device_, bytes);
            return sys_.fail_out_send ? midi_result::error : midi_result::ok;
        }
        midi_result unprepare_header(midi_header&) override {
            if (sys_.hold) return midi_result::still_playing;
            if (polls_ > 0) {
                --polls_;
                return midi_result::still_playing;
            }
            if (errors_ != 0) {
                if (errors_ > 0) --errors_;
                sys_.log.add("unprepare error");
                return midi_result::error;
            }
            return midi_result::ok;
        }
        midi_result close() override {
            sys_.log.add("close out " + std::to_string(device_));
            return sys_.fail_out_close ? midi_result::error : midi_result::ok;
        }

    private:
        fake_midi_system& sys_;
        int device_;
        int polls_ = 0;
        int errors_ = 0;
    };

private:
    mutable std::mutex mutex_;
    std::vector<sent_slice> slices_;
};

inline midi_result fake_midi_system::open_input(int d, midi_in_proc callback, void* instance,
                                                std::unique_ptr<midi_input>& opened) {
    log.add("open in " + std::to_string(d));
    if (d < 0 || d >= input_count() || dead_inputs.count(d)) return midi_result::error;
    auto in = std::make_unique<input>(*this, d, callback, instance);
    open_in = in.get();
    opened = std::move(in);
    return midi_result::ok;
}

inline midi_result fake_midi_system::open_output(int d, std::unique_ptr<midi_output>& opened) {
    log.add("open out " + std::to_string(d));
    if (d < 0 || d >= output_count() || dead_outputs.count(d)) return midi_result::error;
    opened = std::make_unique<output>(*this, d);
    return midi_result::ok;
}

}  // namespace patchwarden::testing
