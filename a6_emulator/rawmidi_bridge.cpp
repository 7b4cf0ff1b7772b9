#include "a6_emulator/rawmidi_bridge.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <vector>

#include "a6_emulator/drain_pacer.h"
#include "midi/alsa/quiet_alsa.h"
#include "midi/emulator/a6_emulator.h"

namespace patchwarden::a6_emulator_program {

namespace {

// Reads take at least this many bytes, so that a fast cable is not read a
// byte at a time.
constexpr std::size_t read_quantum = 64;
constexpr std::size_t read_buffer_size = 8192;

timespec until(drain_pacer::clock::time_point t) {
    const auto left = t - drain_pacer::clock::now();
    if (left <= drain_pacer::clock::duration::zero()) return {0, 0};
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

}  // namespace

rawmidi_bridge::rawmidi_bridge(a6_emulator& emulator, message_log& log, double speed)
    : log_(log), speed_(speed),
      endpoint_(emulator, [this](std::span<const std::uint8_t> m) { send(m); }) {}

rawmidi_bridge::~rawmidi_bridge() {
    stop();
    endpoint_.close();
    if (in_) snd_rawmidi_close(in_);
    if (out_) snd_rawmidi_close(out_);
}

bool rawmidi_bridge::open(const std::string& device, std::string& error) {
    device_ = device;
    const int r = [&] {
        const alsa::quiet_alsa quiet;  // the one line is ours
        return snd_rawmidi_open(&in_, &out_, device.c_str(), SND_RAWMIDI_NONBLOCK);
    }();
    if (r < 0) {
        in_ = out_ = nullptr;
        error = "cannot open the raw MIDI device " + device + ": " + snd_strerror(r);
        return false;
    }
    if (stop_fd_ < 0 || !endpoint_.open()) {
        error = "cannot start the emulator";
        return false;
    }
    return true;
}

std::string rawmidi_bridge::where() const { return "raw MIDI device " + device_; }

bool rawmidi_bridge::wait_readable() {
    const int n = snd_rawmidi_poll_descriptors_count(in_);
    std::vector<pollfd> fds(static_cast<std::size_t>(std::max(n, 0)) + 1);
    if (n > 0) snd_rawmidi_poll_descriptors(in_, fds.data() + 1, static_cast<unsigned>(n));
    fds[0] = {stop_fd_, POLLIN, 0};
    for (;;) {
        if (stopping_) return false;
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (stopping_ || (fds[0].revents & POLLIN)) return false;
        for (std::size_t k = 1; k < fds.size(); ++k) {
            if (fds[k].revents & POLLIN) return true;
            if (fds[k].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                std::cerr << "a6-emulator: the raw MIDI device failed" << std::endl;
                return false;
            }
        }
    }
}

void rawmidi_bridge::run() {
    drain_pacer pacer(midi_wire_bytes_per_second * speed_, read_quantum, read_buffer_size);
    std::vector<std::uint8_t> buffer(read_buffer_size);
    pollfd stop_fd{stop_fd_, POLLIN, 0};
    while (!stopping_) {
        // The wire has not yet taken a quantum since the last read.
        const timespec wait = until(pacer.next_read());
        if (wait.tv_sec != 0 || wait.tv_nsec != 0) {
            ppoll(&stop_fd, 1, &wait, nullptr);
            continue;
        }
        const auto now = drain_pacer::clock::now();
        const std::size_t asked = pacer.allowance(now);
        const ssize_t r = snd_rawmidi_read(in_, buffer.data(), asked);
        if (r < 0 && r != -EAGAIN) {
            std::cerr << "a6-emulator: reading " << device_ << " failed: "
                      << snd_strerror(static_cast<int>(r)) << std::endl;
            return;
        }
        const std::size_t got = r > 0 ? static_cast<std::size_t>(r) : 0;
        pacer.took(got, asked, now);
        if (got > 0) {
            const std::span<const std::uint8_t> bytes(buffer.data(), got);
            log_.received_bytes(bytes);
            endpoint_.feed(bytes);
        }
        if (got < asked) {
            // Emptied: the wire idles until bytes come.
            if (!wait_readable()) return;
            pacer.woke(drain_pacer::clock::now());
        }
    }
}

void rawmidi_bridge::send(std::span<const std::uint8_t> message) {
    log_.sent(message);
    std::size_t offset = 0;
    while (offset < message.size() && !stopping_) {
        const ssize_t r = snd_rawmidi_write(out_, message.data() + offset, message.size() - offset);
        if (r == -EAGAIN) {
            // The device's buffer is full: wait until it has room.
            const int n = snd_rawmidi_poll_descriptors_count(out_);
            std::vector<pollfd> fds(static_cast<std::size_t>(std::max(n, 0)));
            if (n > 0) snd_rawmidi_poll_descriptors(out_, fds.data(), static_cast<unsigned>(n));
            poll(fds.data(), fds.size(), 10);
            continue;
        }
        if (r < 0) {
            std::cerr << "a6-emulator: writing " << device_ << " failed: "
                      << snd_strerror(static_cast<int>(r)) << std::endl;
            return;
        }
        offset += static_cast<std::size_t>(r);
    }
}

}  // namespace patchwarden::a6_emulator_program
