#include "midi/alsa/alsa_system.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <chrono>
#include <cerrno>
#include <cstring>
#include <thread>

#include "midi/alsa/quiet_alsa.h"
#include "midi/alsa/receive_loop.h"
#include "midi/sysex_assembler.h"
#include "midi/transport/sysex_in.h"

namespace patchwarden {

static_assert(alsa::cap_read == SND_SEQ_PORT_CAP_READ);
static_assert(alsa::cap_write == SND_SEQ_PORT_CAP_WRITE);
static_assert(alsa::cap_subs_read == SND_SEQ_PORT_CAP_SUBS_READ);
static_assert(alsa::cap_subs_write == SND_SEQ_PORT_CAP_SUBS_WRITE);
static_assert(alsa::cap_no_export == SND_SEQ_PORT_CAP_NO_EXPORT);
static_assert(alsa::system_client == SND_SEQ_CLIENT_SYSTEM);

namespace {

constexpr int input_pool_cells = 2000;
constexpr std::size_t input_buffer_bytes = 256 * 1024;

}  // namespace

class alsa_system::input_device : public midi_input {
public:
    input_device(alsa_system& owner, int port, int client, int source_port, std::u16string name,
                 midi_in_proc callback, void* instance)
        : owner_(owner), port_(port), client_(client), source_port_(source_port),
          name_(std::move(name)), callback_(callback), instance_(instance),
          assembler_(sysex_in_buffer_size) {}
    ~input_device() override { close(); }

    midi_result name(std::u16string& text) const override {
        text = name_;
        return midi_result::ok;
    }
    midi_result prepare_header(midi_header&) override { return midi_result::ok; }
    midi_result add_buffer(midi_header& header) override {
        std::lock_guard guard(buffer_lock_);
        if (held_) return midi_result::error;
        held_ = &header;
        return midi_result::ok;
    }
    midi_result start() override {
        if (receiver_.started()) return midi_result::ok;
        {
            // Input starts now: whatever is still waiting in the client's
            // input (bytes that came while this port was connected but not
            // started, or for an earlier port of the same number, which the
            // sequencer hands out again after a close) is not for it.
            std::lock_guard guard(owner_.seq_lock_);
            snd_seq_drop_input(owner_.seq_);
        }
        return receiver_.start([this] { receive(); }) ? midi_result::ok : midi_result::error;
    }
    midi_result reset() override {
        stop();
        midi_header* back = nullptr;
        {
            std::lock_guard guard(buffer_lock_);
            back = held_;
            held_ = nullptr;
        }
        if (back) {
            back->bytes_recorded = 0;
            callback_(*this, mim_longdata, instance_, back);
        }
        return midi_result::ok;
    }
    midi_result unprepare_header(midi_header& header) override {
        std::lock_guard guard(buffer_lock_);
        return held_ == &header ? midi_result::still_playing : midi_result::ok;
    }
    midi_result close() override {
        if (closed_) return midi_result::ok;
        stop();
        closed_ = true;
        std::lock_guard guard(owner_.seq_lock_);
        snd_seq_disconnect_from(owner_.seq_, port_, client_, source_port_);
        return snd_seq_delete_simple_port(owner_.seq_, port_) < 0 ? midi_result::error
                                                                  : midi_result::ok;
    }

private:
    void stop() { receiver_.stop(); }

    void deliver(std::span<const std::uint8_t> message) {
        midi_header* header = nullptr;
        {
            std::lock_guard guard(buffer_lock_);
            header = held_;
            if (!header || message.size() > header->buffer_length) return;  // nowhere to put it
            held_ = nullptr;
        }
        std::memcpy(header->data, message.data(), message.size());
        header->bytes_recorded = static_cast<std::uint32_t>(message.size());
        callback_(*this, mim_longdata, instance_, header);
    }

    // The receive thread's view of the sequencer and the stop signal.
    class source : public alsa::receive_source {
    public:
        explicit source(input_device& device) : device_(device) {
            std::lock_guard guard(device.owner_.seq_lock_);
            snd_seq_t* seq = device.owner_.seq_;
            const int n = snd_seq_poll_descriptors_count(seq, POLLIN);
            fds_.resize(static_cast<std::size_t>(n > 0 ? n : 0) + 1);
            if (n > 0) snd_seq_poll_descriptors(seq, fds_.data() + 1, static_cast<unsigned>(n), POLLIN);
            fds_[0] = {device.receiver_.stop_fd(), POLLIN, 0};
        }

        unsigned wait(bool watch_device) override {
            for (auto& f : fds_) f.revents = 0;
            const nfds_t count = watch_device ? fds_.size() : 1;
            if (poll(fds_.data(), count, -1) < 0) {
                if (errno != EINTR) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return device_.receiver_.running() ? 0u : unsigned{stop};
            }
            if (!device_.receiver_.running() || (fds_[0].revents & POLLIN)) return stop;
            unsigned w = 0;
            for (std::size_t k = 1; k < count; ++k) w |= alsa::device_wake(fds_[k].revents);
            return w;
        }

        bool read_available() override { return device_.read_available(); }

        void report_broken() override {
            device_.callback_(device_, mim_error, device_.instance_, nullptr);
        }

    private:
        input_device& device_;
        std::vector<pollfd> fds_;
    };

    void receive() {
        source s(*this);
        alsa::run_receive_loop(s);
    }

    // Reads every event waiting (the sequencer is open non-blocking) and
    // passes on the SysEx bytes that come to this port from the chosen
    // device; another client connected to the port must not break a
    // message in progress.
    bool read_available() {
        for (;;) {
            std::unique_lock guard(owner_.seq_lock_);
            snd_seq_event_t* ev = nullptr;
            const int r = snd_seq_event_input(owner_.seq_, &ev);
            if (r == -ENOSPC) {
                // Input overrun: the message in progress lost bytes.
                guard.unlock();
                assembler_.drop();
                continue;
            }
            if (r == -EAGAIN) return true;  // nothing more
            if (r < 0 || !ev) return false;
            if (ev->type != SND_SEQ_EVENT_SYSEX || ev->dest.port != port_ ||
                ev->source.client != client_ || ev->source.port != source_port_)
                continue;
            const auto* bytes = static_cast<const std::uint8_t*>(ev->data.ext.ptr);
            byte_vector piece(bytes, bytes + ev->data.ext.len);
            guard.unlock();
            assembler_.feed(piece, [this](std::span<const std::uint8_t> m) { deliver(m); });
        }
    }

    alsa_system& owner_;
    int port_;
    int client_;
    int source_port_;
    std::u16string name_;
    midi_in_proc callback_;
    void* instance_;
    sysex_assembler assembler_;
    std::mutex buffer_lock_;
    midi_header* held_ = nullptr;
    alsa::receive_thread receiver_;
    bool closed_ = false;
};

class alsa_system::output_device : public midi_output {
public:
    output_device(alsa_system& owner, int port, int client, int dest_port, std::u16string name)
        : owner_(owner), port_(port), client_(client), dest_port_(dest_port),
          name_(std::move(name)), sender_(owner.wire_speed_) {}
    ~output_device() override { close(); }

    midi_result name(std::u16string& text) const override {
        text = name_;
        return midi_result::ok;
    }
    midi_result prepare_header(midi_header& header) override {
        return header.data && header.buffer_length > 0 ? midi_result::ok : midi_result::error;
    }
    midi_result long_msg(midi_header& header) override {
        if (closed_ || !header.data || header.buffer_length == 0) return midi_result::error;
        sender_.begin(std::span<const std::uint8_t>(header.data, header.buffer_length));
        active_ = true;
        return poll() == alsa::slice_sender::state::failed ? midi_result::error : midi_result::ok;
    }
    // A slice with a piece that failed stays failed: it was not sent.
    midi_result unprepare_header(midi_header&) override {
        if (!active_) return midi_result::ok;
        switch (poll()) {
            case alsa::slice_sender::state::sent:
                active_ = false;
                return midi_result::ok;
            case alsa::slice_sender::state::sending:
                return midi_result::still_playing;
            case alsa::slice_sender::state::failed:
                break;
        }
        return midi_result::error;
    }
    midi_result close() override {
        if (closed_) return midi_result::ok;
        closed_ = true;
        active_ = false;
        std::lock_guard guard(owner_.seq_lock_);
        snd_seq_disconnect_to(owner_.seq_, port_, client_, dest_port_);
        return snd_seq_delete_simple_port(owner_.seq_, port_) < 0 ? midi_result::error
                                                                  : midi_result::ok;
    }

private:
    alsa::slice_sender::state poll() {
        return sender_.poll(alsa::slice_sender::clock::now(),
                            [this](std::span<const std::uint8_t> piece) { return write(piece); });
    }

    // One piece as one SysEx event addressed to the chosen device, so that
    // a device that has gone away fails the write instead of the piece
    // going to no one; written straight to the sequencer (not through
    // alsa-lib's output buffer, so a refused piece is not left behind there
    // to go out twice).
    alsa::write_result write(std::span<const std::uint8_t> piece) {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_source(&ev, port_);
        snd_seq_ev_set_dest(&ev, client_, dest_port_);
        snd_seq_ev_set_direct(&ev);
        snd_seq_ev_set_sysex(&ev, piece.size(), const_cast<std::uint8_t*>(piece.data()));
        std::lock_guard guard(owner_.seq_lock_);
        const int r = snd_seq_event_output_direct(owner_.seq_, &ev);
        if (r == -EAGAIN) return alsa::write_result::refused;
        return r < 0 ? alsa::write_result::failed : alsa::write_result::written;
    }

    alsa_system& owner_;
    int port_;
    int client_;
    int dest_port_;
    std::u16string name_;
    alsa::slice_sender sender_;
    bool active_ = false;
    bool closed_ = false;
};

alsa_system::alsa_system(double wire_speed) : wire_speed_(wire_speed) {
    // Non-blocking: the receive thread reads until nothing is left, and no
    // call may wait inside the sequencer while it holds seq_lock_.
    // The program learns of a failure from available() and says it in its
    // own words.
    const int opened = [this] {
        const alsa::quiet_alsa quiet;
        return snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    }();
    if (opened < 0) {
        seq_ = nullptr;
        return;
    }
    snd_seq_set_client_name(seq_, "Patchwarden");
    own_client_ = snd_seq_client_id(seq_);
    snd_seq_set_client_pool_input(seq_, input_pool_cells);
    snd_seq_set_input_buffer_size(seq_, input_buffer_bytes);
    refresh();
}

alsa_system::~alsa_system() {
    if (seq_) snd_seq_close(seq_);
}

void alsa_system::refresh() {
    std::vector<listed_port> ins;
    std::vector<listed_port> outs;
    if (seq_) {
        std::lock_guard guard(seq_lock_);
        snd_seq_client_info_t* cinfo = nullptr;
        snd_seq_port_info_t* pinfo = nullptr;
        snd_seq_client_info_alloca(&cinfo);
        snd_seq_port_info_alloca(&pinfo);
        snd_seq_client_info_set_client(cinfo, -1);
        while (snd_seq_query_next_client(seq_, cinfo) >= 0) {
            const int client = snd_seq_client_info_get_client(cinfo);
            snd_seq_port_info_set_client(pinfo, client);
            snd_seq_port_info_set_port(pinfo, -1);
            while (snd_seq_query_next_port(seq_, pinfo) >= 0) {
                alsa::port_entry e;
                e.client = client;
                e.port = snd_seq_port_info_get_port(pinfo);
                e.capability = snd_seq_port_info_get_capability(pinfo);
                e.client_name = snd_seq_client_info_get_name(cinfo);
                e.port_name = snd_seq_port_info_get_name(pinfo);
                const std::u16string name =
                    alsa::port_display_name(e.client, e.port, e.client_name, e.port_name);
                if (alsa::listed_as_input(e, own_client_)) ins.push_back({e.client, e.port, name});
                if (alsa::listed_as_output(e, own_client_)) outs.push_back({e.client, e.port, name});
            }
        }
    }
    std::lock_guard guard(list_lock_);
    inputs_ = std::move(ins);
    outputs_ = std::move(outs);
}

int alsa_system::input_count() {
    std::lock_guard guard(list_lock_);
    return static_cast<int>(inputs_.size());
}

int alsa_system::output_count() {
    std::lock_guard guard(list_lock_);
    return static_cast<int>(outputs_.size());
}

midi_result alsa_system::input_name(int device, std::u16string& text) {
    std::lock_guard guard(list_lock_);
    if (device < 0 || device >= static_cast<int>(inputs_.size())) return midi_result::error;
    text = inputs_[static_cast<std::size_t>(device)].name;
    return midi_result::ok;
}

midi_result alsa_system::output_name(int device, std::u16string& text) {
    std::lock_guard guard(list_lock_);
    if (device < 0 || device >= static_cast<int>(outputs_.size())) return midi_result::error;
    text = outputs_[static_cast<std::size_t>(device)].name;
    return midi_result::ok;
}

midi_result alsa_system::open_input(int device, midi_in_proc callback, void* instance,
                                    std::unique_ptr<midi_input>& opened) {
    listed_port target;
    {
        std::lock_guard guard(list_lock_);
        if (!seq_ || !callback || device < 0 || device >= static_cast<int>(inputs_.size()))
            return midi_result::error;
        target = inputs_[static_cast<std::size_t>(device)];
    }
    std::lock_guard guard(seq_lock_);
    const int port = snd_seq_create_simple_port(
        seq_, "Patchwarden in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0) return midi_result::error;
    if (snd_seq_connect_from(seq_, port, target.client, target.port) < 0) {
        snd_seq_delete_simple_port(seq_, port);
        return midi_result::error;
    }
    opened = std::make_unique<input_device>(*this, port, target.client, target.port, target.name,
                                            callback, instance);
    return midi_result::ok;
}

midi_result alsa_system::open_output(int device, std::unique_ptr<midi_output>& opened) {
    listed_port target;
    {
        std::lock_guard guard(list_lock_);
        if (!seq_ || device < 0 || device >= static_cast<int>(outputs_.size()))
            return midi_result::error;
        target = outputs_[static_cast<std::size_t>(device)];
    }
    std::lock_guard guard(seq_lock_);
    const int port = snd_seq_create_simple_port(
        seq_, "Patchwarden out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0) return midi_result::error;
    if (snd_seq_connect_to(seq_, port, target.client, target.port) < 0) {
        snd_seq_delete_simple_port(seq_, port);
        return midi_result::error;
    }
    opened = std::make_unique<output_device>(*this, port, target.client, target.port, target.name);
    return midi_result::ok;
}

}  // namespace patchwarden
