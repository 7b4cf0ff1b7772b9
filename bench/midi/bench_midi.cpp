// Transfer speed against the built-in emulator at ten times the MIDI wire
// rate: how close sending and receiving a Program bank come to the time the
// bytes need on the wire. Plain timed runs; each prints its figures.

#include <chrono>
#include <cstdio>
#include <memory>

#include "data/a6_message.h"
#include "midi/emulator/a6_emulator.h"
#include "midi/transport/sysex_in.h"
#include "midi/transport/sysex_out.h"

using namespace patchwarden;
using clock_type = std::chrono::steady_clock;

namespace {

constexpr double speed = 10.0;
constexpr int dumps = 128;
constexpr double rate = midi_wire_bytes_per_second * speed;

double seconds_since(clock_type::time_point t) {
    return std::chrono::duration<double>(clock_type::now() - t).count();
}

// Sends a Program bank, one buffer per dump as the window queues them, and
// returns the wall time until the emulator holds the last dump.
double send_bank(std::int32_t pause_ms, std::size_t transmit_buffer) {
    a6_emulator emulator;
    emulator.set_speed(speed);
    emulator.set_transmit_buffer(transmit_buffer);
    silent_error_sink sink;
    sysex_out out(emulator, sink);
    out.init(0, 1024, pause_ms);
    std::vector<byte_vector> bank;
    for (int n = 0; n < dumps; ++n) {
        a6_message m = a6_emulator::initial_program(0, n);
        bank.push_back(encode_message(m));
    }
    const auto start = clock_type::now();
    for (const auto& b : bank) out.send_async(b);
    if (!emulator.wait_received(dumps, std::chrono::seconds(120))) std::printf("  (timed out)\n");
    const double took = seconds_since(start);
    out.shutdown();
    return took;
}

void report(const char* what, double took, double model) {
    std::printf("%-58s wall %.4f s  model %.4f s  ratio %.4f\n", what, took, model, took / model);
}

}  // namespace

int main() {
    const double bytes = static_cast<double>(dumps) * static_cast<double>(program_dump_size);
    const double wire = bytes / rate;
    // Chunks of 1024: 1024 + 1024 + 302 for each 2,350-byte dump.
    const int chunks_per_dump = 3;
    // Pauses placed before the last dump's last byte is on the wire: one
    // opening each send, one after each chunk and the thread's own between
    // buffers; the last buffer's closing two come after.
    const int pauses = dumps * (1 + chunks_per_dump + 1) - 2;

    std::printf("Program bank: %d x %zu bytes at %.0fx the wire rate (%.0f bytes/s)\n", dumps,
                program_dump_size, speed, rate);

    report("(a) send, buffer 1024, pause 0", send_bank(0, 4096), wire);
    report("(a) same, slice complete only when off the wire", send_bank(0, 0), wire);

    const double model20 = wire + pauses * 0.020;
    report("(b) send, buffer 1024, pause 20 ms", send_bank(20, 4096), model20);
    report("(b) same, slice complete only when off the wire", send_bank(20, 0), model20);

    {
        a6_emulator emulator;
        emulator.set_speed(speed);
        silent_error_sink sink;
        auto in = std::make_unique<sysex_in>(emulator, sink);
        sysex_out out(emulator, sink);
        in->init(0);
        out.init(0, 1024, 0);
        a6_message request(program_bank_request, 0, -1);
        const byte_vector bytes_out = encode_message(request);
        const auto start = clock_type::now();
        out.send_async(bytes_out);
        int got = 0;
        double took = 0;
        while (got < dumps) {
            if (!in->wait_for_data() && in->queued() == 0) break;
            byte_vector block;
            while (in->queued() > 0) {
                in->get_data(block);
                ++got;
            }
            took = seconds_since(start);
        }
        const double ideal = (bytes + static_cast<double>(bytes_out.size())) / rate;
        std::printf("(c) receive: %d blocks\n", got);
        report("(c) receive a bank, request to last block", took, ideal);
        out.shutdown();
        in->shutdown();
    }
    return 0;
}
