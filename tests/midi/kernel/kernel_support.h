#pragma once

// What the tests against the kernel's sequencer share: the a6-emulator
// program run as a child with its log read line by line, Patchwarden's
// transport over a back end, a plain sequencer client of the test's own,
// and the raw MIDI counters the kernel shows in /proc/asound. The Windows
// build (the WinMM back end under Wine) has the transport, the messages and
// the device search only.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "data/bytes.h"
#include "midi/alsa/alsa_system.h"
#include "midi/error_sink.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"

typedef struct _snd_seq snd_seq_t;

namespace patchwarden::kernel_test {

using namespace std::chrono_literals;

// The multiple of the wire rate the tests run at over the sequencer
// (PW_KERNEL_SPEED, else 64) and through a raw MIDI device, where the
// emulator drains a real kernel buffer (PW_RAWMIDI_SPEED, else 16).
double test_speed();
double rawmidi_speed();
// Two runs of the tests can share one kernel: each takes the Midi Through
// port and the snd-virmidi device of its number (PW_KERNEL_RUN, else 0).
int run_number();

// a6-emulator (PW_A6_EMULATOR, else the one built beside the tests) running
// with the given arguments; every line it prints is kept.
class emulator_process {
public:
    explicit emulator_process(std::vector<std::string> args);
    ~emulator_process();
    // The line it printed when ready ("A6 emulator: ..."); empty if it
    // ended or did not say so within the time.
    std::string ready_line() const { return ready_; }
    // The device name prefix of its sequencer port ("129:0 "), from that
    // line; empty when it runs on a raw MIDI device.
    std::u16string port_prefix() const;
    std::vector<std::string> lines() const;
    // Waits until at least count lines satisfy keep; false on time-out.
    bool wait_lines(const std::function<bool(const std::string&)>& keep, std::size_t count,
                    std::chrono::milliseconds time_out) const;
    // Ends it with SIGTERM; its exit status (0 for a clean end).
    int stop();

private:
    void read_output(int fd);

    pid_t pid_ = -1;
    std::thread reader_;
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<std::string> lines_;
    bool ended_ = false;
    std::string ready_;
    std::optional<int> status_;
};

// The 128 dumps of one Program bank as the emulator holds them at start.
std::vector<byte_vector> initial_program_bank(int bank);
byte_vector joined(const std::vector<byte_vector>& messages);
byte_vector program_bank_request_bytes(int bank);
std::string hash_text(const byte_vector& message);
// The checksums of the lines "received Program dump ..." from position
// `from` of an emulator's log.
std::vector<std::string> received_program_hashes(const std::vector<std::string>& lines,
                                                 std::size_t from);

// A device position in the back end's list whose name holds `part`; -1 if
// there is none.
int find_device(midi_system& system, bool input, const std::u16string& part);
// "client:port ", as a device name begins.
std::u16string address_prefix(int client, int port);

class recording_errors : public error_sink {
public:
    void report(std::u16string text) override;
    std::vector<std::u16string> taken() const;

private:
    mutable std::mutex lock_;
    std::vector<std::u16string> texts_;
};

// Patchwarden's transport (sysex_in and sysex_out) over one back end.
class transport {
public:
    explicit transport(midi_system& system);
    ~transport();
    // Opens the input and the output; both must open.
    bool open(int input, int output, std::int32_t buffer_size, std::int32_t pause_ms);
    void reopen_output(int output, std::int32_t buffer_size, std::int32_t pause_ms);
    // Queues bytes and waits until every byte has been sent; false on
    // time-out. Says on the test's output how long it took.
    bool send(const byte_vector& bytes, std::chrono::milliseconds time_out);
    // Takes blocks until count have come or the time is up.
    std::vector<byte_vector> receive(std::size_t count, std::chrono::milliseconds time_out);
    std::vector<std::u16string> errors() const { return errors_.taken(); }
    sysex_in& in() { return *in_; }
    sysex_out& out() { return *out_; }

private:
    static void progress(void* arg, std::int32_t chunk, std::int32_t offset, std::int32_t total);

    recording_errors errors_;
    std::unique_ptr<sysex_in> in_;
    std::unique_ptr<sysex_out> out_;
    std::mutex lock_;
    std::condition_variable sent_changed_;
    std::int64_t sent_ = 0;
};

// A sequencer client of the test's own with one port both ways.
class plain_client {
public:
    plain_client();
    ~plain_client();
    bool available() const { return seq_ != nullptr; }
    int client() const { return client_; }
    int port() const { return port_; }
    // The number of a client's port by its name; -1 if there is none.
    int find_port(int client, const std::string& port_name);
    bool connect_to(int client, int port);
    // One SysEx event to every subscriber.
    bool send_sysex(const byte_vector& bytes);

private:
    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int port_ = -1;
};

// A port of snd-virmidi: its sequencer client and raw MIDI device.
struct virmidi_port {
    int client = -1;
    int card = -1;
    int device = -1;
};
// The snd-virmidi device of this run's number.
std::optional<virmidi_port> find_virmidi();

// The input counters of a raw MIDI device opened for reading, from
// /proc/asound/cardC/midiD; nullopt when it is not open.
struct rawmidi_input_counters {
    long long avail = 0;
    long long overruns = 0;
};
std::optional<rawmidi_input_counters> read_rawmidi_input(int card, int device);

}  // namespace patchwarden::kernel_test
