#include "a6_emulator/sequencer_bridge.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <thread>
#include <vector>

#include "midi/alsa/quiet_alsa.h"

namespace patchwarden::a6_emulator_program {

namespace {

constexpr std::size_t event_piece_size = 256;
// About 55 KB of SysEx waiting to be read.
constexpr int input_pool_cells = 2000;

}  // namespace

sequencer_bridge::sequencer_bridge(a6_emulator& emulator, message_log& log)
    : log_(log), endpoint_(emulator, [this](std::span<const std::uint8_t> m) { send(m); }) {}

sequencer_bridge::~sequencer_bridge() {
    stop();
    endpoint_.close();
    if (seq_) snd_seq_close(seq_);
}

bool sequencer_bridge::open(std::string& error) {
    const int r = [this] {
        const alsa::quiet_alsa quiet;  // the one line is ours
        return snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    }();
    if (r < 0) {
        seq_ = nullptr;
        error = std::string("cannot open the ALSA sequencer: ") + snd_strerror(r);
        return false;
    }
    snd_seq_set_client_name(seq_, sequencer_client_name);
    snd_seq_set_client_pool_input(seq_, input_pool_cells);
    client_ = snd_seq_client_id(seq_);
    port_ = snd_seq_create_simple_port(
        seq_, sequencer_client_name,
        SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE |
            SND_SEQ_PORT_CAP_SUBS_WRITE | SND_SEQ_PORT_CAP_DUPLEX,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port_ < 0) {
        error = std::string("cannot create the sequencer port: ") + snd_strerror(port_);
        return false;
    }
    if (stop_fd_ < 0 || !endpoint_.open()) {
        error = "cannot start the emulator";
        return false;
    }
    return true;
}

std::string sequencer_bridge::where() const {
    return "sequencer port " + std::to_string(client_) + ":" + std::to_string(port_);
}

void sequencer_bridge::run() {
    std::vector<pollfd> fds(1);
    {
        std::lock_guard guard(seq_lock_);
        const int n = snd_seq_poll_descriptors_count(seq_, POLLIN);
        fds.resize(static_cast<std::size_t>(std::max(n, 0)) + 1);
        if (n > 0) snd_seq_poll_descriptors(seq_, fds.data() + 1, static_cast<unsigned>(n), POLLIN);
    }
    fds[0] = {stop_fd_, POLLIN, 0};
    while (!stopping_) {
        for (auto& f : fds) f.revents = 0;
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            std::cerr << "a6-emulator: poll failed: " << std::strerror(errno) << std::endl;
            return;
        }
        if (stopping_ || (fds[0].revents & POLLIN)) return;
        bool failed = false;
        for (std::size_t k = 1; k < fds.size(); ++k)
            failed = failed || (fds[k].revents & (POLLERR | POLLHUP | POLLNVAL));
        if (failed) {
            std::cerr << "a6-emulator: the sequencer failed" << std::endl;
            return;
        }
        read_events();
    }
}

void sequencer_bridge::read_events() {
    for (;;) {
        std::unique_lock guard(seq_lock_);
        snd_seq_event_t* ev = nullptr;
        const int r = snd_seq_event_input(seq_, &ev);
        if (r == -ENOSPC) {
            guard.unlock();
            std::cerr << "a6-emulator: input overrun, bytes were lost" << std::endl;
            continue;
        }
        if (r < 0 || !ev) return;
        if (ev->type != SND_SEQ_EVENT_SYSEX || ev->dest.port != port_) continue;
        const auto* bytes = static_cast<const std::uint8_t*>(ev->data.ext.ptr);
        const byte_vector piece(bytes, bytes + ev->data.ext.len);
        guard.unlock();
        log_.received_bytes(piece);
        endpoint_.feed(piece);
    }
}

void sequencer_bridge::send(std::span<const std::uint8_t> message) {
    log_.sent(message);
    for (std::size_t offset = 0; offset < message.size() && !stopping_;) {
        const std::size_t count = std::min(event_piece_size, message.size() - offset);
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_source(&ev, port_);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        snd_seq_ev_set_sysex(&ev, count, const_cast<std::uint8_t*>(message.data() + offset));
        int r = 0;
        {
            std::lock_guard guard(seq_lock_);
            r = snd_seq_event_output_direct(seq_, &ev);
        }
        if (r == -EAGAIN) {
            // A reader's input is full: wait for it to read.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (r < 0) {
            std::cerr << "a6-emulator: a message could not be sent: " << snd_strerror(r) << std::endl;
            return;
        }
        offset += count;
    }
}

}  // namespace patchwarden::a6_emulator_program
