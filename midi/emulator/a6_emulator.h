#pragma once

// A built-in A6 Andromeda at the other end of a MIDI cable, offered as one
// input and one output device named "A6 emulator". It keeps 19 x 128
// Programs, 18 x 128 Mixes and one Global Data, filled with deterministic
// content (every entry its own name and body bytes); answers the Identity
// Request, the single, bank and Global Data requests with dumps from that
// memory; and stores every dump it receives.
//
// Timing: its cable runs at the MIDI wire rate (3,125 bytes a second), at a
// chosen multiple of it, or instantly. Towards the instrument the device
// behaves like a MIDI interface with a transmit buffer (4,096 bytes unless
// told otherwise): a slice counts as handed over once it is wholly in that
// buffer, and the instrument sees each message when its last byte has left
// the wire. Replies travel back at the same rate, each delivered as one
// block when its last byte has arrived.
//
// Faults for tests: silent, fewer dumps than asked, garbage, truncated
// messages, and vanishing (the device is gone: submits fail, no more input).
//
// The emulator must outlive every device opened on it.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "data/a6_message.h"
#include "data/bytes.h"
#include "midi/midi_device.h"
#include "midi/sysex_assembler.h"

namespace patchwarden {

inline constexpr char16_t emulator_device_name[] = u"A6 emulator";
inline constexpr double midi_wire_bytes_per_second = 3125.0;

enum class emulator_fault {
    none,
    silent,       // answers nothing
    fewer_dumps,  // answers fault_count fewer dumps than asked
    garbage,      // each answer replaced by a foreign message of the same length
    truncated,    // each answer cut to half its length, then 0xF7
    vanish,       // gone after fault_count answers have been sent
};

struct received_dump {
    a6_message record;
    std::chrono::steady_clock::time_point arrived;
};

class a6_emulator : public midi_system {
public:
    using clock = std::chrono::steady_clock;

    a6_emulator();
    ~a6_emulator() override;

    // 0 is instant; 1 the wire rate; 10 ten times as fast.
    void set_speed(double multiple);
    void set_version(int major, int minor);
    void set_fault(emulator_fault fault, int count = 1);
    // The transmit buffer towards the instrument; 0 makes a slice count as
    // handed over only when its last byte has left the wire.
    void set_transmit_buffer(std::size_t bytes);
    // Answers a request for this entry (the Global Data for global_dump)
    // with the last byte of its body changed, while the memory keeps the
    // entry as it is: an instrument that holds something else than it was
    // sent, for tests of Compare with A6.
    void answer_differently(message_kind kind, int bank, int number);

    // The memory's entries, as dump records.
    a6_message program(int bank, int number) const;
    a6_message mix(int bank, int number) const;
    a6_message global() const;
    // The content an entry had at start.
    static a6_message initial_program(int bank, int number);
    static a6_message initial_mix(int bank, int number);
    static a6_message initial_global();

    // Every dump received, in order.
    std::vector<received_dump> received() const;
    std::size_t received_count() const;
    // Waits until at least count dumps have been received; false on time-out.
    bool wait_received(std::size_t count, std::chrono::milliseconds time_out) const;
    // Messages the instrument has answered (each request counts once).
    std::size_t requests_seen() const;
    // Waits until at least `requests` requests have been seen and every
    // reply made so far has been delivered (or lost on the cable); false on
    // time-out. What was delivered is then in the input's queue.
    bool wait_answered(std::size_t requests, std::chrono::milliseconds time_out) const;
    bool vanished() const;

    // midi_system
    int input_count() override { return 1; }
    int output_count() override { return 1; }
    midi_result input_name(int device, std::u16string& text) override;
    midi_result output_name(int device, std::u16string& text) override;
    midi_result open_input(int device, midi_in_proc callback, void* instance,
                           std::unique_ptr<midi_input>& opened) override;
    midi_result open_output(int device, std::unique_ptr<midi_output>& opened) override;

private:
    class input_device;
    class output_device;
    friend class input_device;
    friend class output_device;

    // Bytes on one of the two wires, with the moment their last byte
    // arrives at the far end.
    struct timed_bytes {
        byte_vector bytes;
        clock::time_point arrives;
    };

    void run();
    void handle_message(std::span<const std::uint8_t> message, clock::time_point arrived);
    void deliver(std::unique_lock<std::mutex>& held, byte_vector message);
    byte_vector dump_of(message_kind kind, int bank, int number) const;
    clock::duration wire_time(std::size_t bytes) const;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::thread worker_;

    double speed_ = 0.0;
    int major_ = 2;
    int minor_ = 5;
    emulator_fault fault_ = emulator_fault::none;
    int fault_count_ = 1;
    int answers_sent_ = 0;
    bool vanished_ = false;
    std::size_t transmit_buffer_ = 4096;
    a6_message different_{};  // kind, bank and number of the entry answered differently

    // Program side to instrument.
    std::deque<timed_bytes> incoming_;
    clock::time_point in_wire_free_;
    sysex_assembler assembler_;
    std::size_t requests_seen_ = 0;

    // Instrument to program side.
    std::deque<timed_bytes> outgoing_;
    clock::time_point out_wire_free_;

    // The open devices.
    input_device* input_ = nullptr;
    output_device* output_ = nullptr;
    bool delivering_ = false;

    std::map<int, byte_vector> programs_;  // bank * 128 + number -> body, once changed
    std::map<int, byte_vector> mixes_;
    byte_vector global_;
    std::vector<received_dump> received_;
};

}  // namespace patchwarden
