#include "tests/midi/kernel/kernel_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "midi/emulator/a6_emulator.h"

#ifndef _WIN32
#include <alsa/asoundlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "a6_emulator/message_log.h"

extern char** environ;
#endif

namespace patchwarden::kernel_test {

namespace {

double number_from_environment(const char* name, double otherwise) {
    if (const char* s = std::getenv(name)) {
        const double v = std::atof(s);
        if (v > 0) return v;
    }
    return otherwise;
}

}  // namespace

double test_speed() { return number_from_environment("PW_KERNEL_SPEED", 64.0); }
double rawmidi_speed() { return number_from_environment("PW_RAWMIDI_SPEED", 16.0); }
int run_number() { return static_cast<int>(number_from_environment("PW_KERNEL_RUN", 0.0)); }

#ifndef _WIN32
// ---- emulator_process

emulator_process::emulator_process(std::vector<std::string> args) {
    const char* path = std::getenv("PW_A6_EMULATOR");
    args.insert(args.begin(), path && *path ? path : PW_A6_EMULATOR_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    const int r = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (r != 0) {
        pid_ = -1;
        close(out[0]);
        return;
    }
    reader_ = std::thread(&emulator_process::read_output, this, out[0]);
    std::unique_lock guard(lock_);
    changed_.wait_for(guard, 20s, [&] { return ended_ || !ready_.empty(); });
}

emulator_process::~emulator_process() { stop(); }

void emulator_process::read_output(int fd) {
    std::string partial;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        partial.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = partial.find('\n')) != std::string::npos) {
            std::string line = partial.substr(0, end);
            partial.erase(0, end + 1);
            std::lock_guard guard(lock_);
            if (ready_.empty() && line.rfind("A6 emulator: ", 0) == 0) ready_ = line;
            lines_.push_back(std::move(line));
            changed_.notify_all();
        }
    }
    close(fd);
    std::lock_guard guard(lock_);
    ended_ = true;
    changed_.notify_all();
}

std::u16string emulator_process::port_prefix() const {
    int client = -1, port = -1;
    if (std::sscanf(ready_.c_str(), "A6 emulator: sequencer port %d:%d", &client, &port) != 2)
        return {};
    return address_prefix(client, port);
}

std::vector<std::string> emulator_process::lines() const {
    std::lock_guard guard(lock_);
    return lines_;
}

bool emulator_process::wait_lines(const std::function<bool(const std::string&)>& keep,
                                  std::size_t count, std::chrono::milliseconds time_out) const {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, time_out, [&] {
        std::size_t n = 0;
        for (const auto& l : lines_) n += keep(l) ? 1 : 0;
        return n >= count;
    });
}

int emulator_process::stop() {
    if (status_) return *status_;
    if (pid_ < 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    if (reader_.joinable()) reader_.join();
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return *status_;
}
#endif

// ---- messages

std::vector<byte_vector> initial_program_bank(int bank) {
    std::vector<byte_vector> messages;
    for (int n = 0; n < 128; ++n) {
        a6_message record = a6_emulator::initial_program(bank, n);
        messages.push_back(encode_message(record));
    }
    return messages;
}

byte_vector joined(const std::vector<byte_vector>& messages) {
    byte_vector all;
    for (const auto& m : messages) all.insert(all.end(), m.begin(), m.end());
    return all;
}

byte_vector program_bank_request_bytes(int bank) {
    a6_message request(patchwarden::program_bank_request, bank, -1);
    return encode_message(request);
}

#ifndef _WIN32
std::string hash_text(const byte_vector& message) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(a6_emulator_program::fnv1a_64(message)));
    return text;
}

std::vector<std::string> received_program_hashes(const std::vector<std::string>& lines,
                                                 std::size_t from) {
    std::vector<std::string> hashes;
    for (std::size_t i = from; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.rfind("received Program dump ", 0) != 0) continue;
        const auto at = l.find("FNV-1a ");
        if (at != std::string::npos) hashes.push_back(l.substr(at + 7, 16));
    }
    return hashes;
}
#endif

int find_device(midi_system& system, bool input, const std::u16string& part) {
    const int n = input ? system.input_count() : system.output_count();
    for (int i = 0; i < n; ++i) {
        std::u16string name;
        const midi_result r = input ? system.input_name(i, name) : system.output_name(i, name);
        if (r == midi_result::ok && name.find(part) != std::u16string::npos) return i;
    }
    return -1;
}

std::u16string address_prefix(int client, int port) {
    const std::string text = std::to_string(client) + ":" + std::to_string(port) + " ";
    return std::u16string(text.begin(), text.end());
}

// ---- transport

void recording_errors::report(std::u16string text) {
    std::lock_guard guard(lock_);
    texts_.push_back(std::move(text));
}

std::vector<std::u16string> recording_errors::taken() const {
    std::lock_guard guard(lock_);
    return texts_;
}

transport::transport(midi_system& system)
    : in_(std::make_unique<sysex_in>(system, errors_)),
      out_(std::make_unique<sysex_out>(system, errors_)) {}

transport::~transport() {
    out_->shutdown();
    in_->shutdown();
}

bool transport::open(int input, int output, std::int32_t buffer_size, std::int32_t pause_ms) {
    in_->init(input);
    reopen_output(output, buffer_size, pause_ms);
    return in_->is_open && out_->is_open;
}

void transport::reopen_output(int output, std::int32_t buffer_size, std::int32_t pause_ms) {
    out_->shutdown();
    out_->on_progress = &transport::progress;
    out_->on_progress_arg = this;
    out_->init(output, buffer_size, pause_ms);
}

void transport::progress(void* arg, std::int32_t chunk, std::int32_t, std::int32_t) {
    auto* self = static_cast<transport*>(arg);
    std::lock_guard guard(self->lock_);
    self->sent_ += chunk;
    self->sent_changed_.notify_all();
}

bool transport::send(const byte_vector& bytes, std::chrono::milliseconds time_out) {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock guard(lock_);
    const std::int64_t target = sent_ + static_cast<std::int64_t>(bytes.size());
    guard.unlock();
    out_->send_async(bytes);
    guard.lock();
    const bool done = sent_changed_.wait_for(guard, time_out, [&] { return sent_ >= target; });
    if (bytes.size() > 1000) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("    sent %zu bytes in chunks of %d with pauses of %d ms in %.1f s\n", bytes.size(),
                    out_->buffer_size, out_->pause_ms, took.count());
    }
    return done;
}

std::vector<byte_vector> transport::receive(std::size_t count, std::chrono::milliseconds time_out) {
    std::vector<byte_vector> blocks;
    const auto deadline = std::chrono::steady_clock::now() + time_out;
    while (blocks.size() < count && std::chrono::steady_clock::now() < deadline) {
        if (in_->queued() == 0 && !in_->wait_for_data()) continue;
        while (in_->queued() > 0) {
            byte_vector block;
            in_->get_data(block);
            blocks.push_back(std::move(block));
        }
    }
    return blocks;
}

#ifndef _WIN32
// ---- plain_client

plain_client::plain_client() {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) {
        seq_ = nullptr;
        return;
    }
    snd_seq_set_client_name(seq_, "Kernel test client");
    client_ = snd_seq_client_id(seq_);
    port_ = snd_seq_create_simple_port(
        seq_, "Kernel test port",
        SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE |
            SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
}

plain_client::~plain_client() {
    if (seq_) snd_seq_close(seq_);
}

int plain_client::find_port(int client, const std::string& port_name) {
    snd_seq_port_info_t* pinfo = nullptr;
    snd_seq_port_info_alloca(&pinfo);
    snd_seq_port_info_set_client(pinfo, client);
    snd_seq_port_info_set_port(pinfo, -1);
    while (snd_seq_query_next_port(seq_, pinfo) >= 0)
        if (port_name == snd_seq_port_info_get_name(pinfo)) return snd_seq_port_info_get_port(pinfo);
    return -1;
}

bool plain_client::connect_to(int client, int port) {
    return snd_seq_connect_to(seq_, port_, client, port) >= 0;
}

bool plain_client::send_sysex(const byte_vector& bytes) {
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_source(&ev, port_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    snd_seq_ev_set_sysex(&ev, bytes.size(), const_cast<std::uint8_t*>(bytes.data()));
    return snd_seq_event_output_direct(seq_, &ev) >= 0;
}

std::optional<virmidi_port> find_virmidi() {
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) return std::nullopt;
    std::optional<virmidi_port> found;
    snd_seq_client_info_t* cinfo = nullptr;
    snd_seq_client_info_alloca(&cinfo);
    snd_seq_client_info_set_client(cinfo, -1);
    while (!found && snd_seq_query_next_client(seq, cinfo) >= 0) {
        virmidi_port p;
        if (std::sscanf(snd_seq_client_info_get_name(cinfo), "Virtual Raw MIDI %d-%d", &p.card,
                        &p.device) == 2 &&
            p.device == run_number()) {
            p.client = snd_seq_client_info_get_client(cinfo);
            found = p;
        }
    }
    snd_seq_close(seq);
    return found;
}

std::optional<rawmidi_input_counters> read_rawmidi_input(int card, int device) {
    std::ifstream file("/proc/asound/card" + std::to_string(card) + "/midi" + std::to_string(device));
    std::string line;
    bool input = false;
    bool seen = false;
    rawmidi_input_counters c;
    while (std::getline(file, line)) {
        if (line.rfind("Input", 0) == 0) input = true;
        if (line.rfind("Output", 0) == 0) input = false;
        if (!input) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon);
        const long long value = std::atoll(line.c_str() + colon + 1);
        if (key.find("Avail") != std::string::npos) {
            c.avail = value;
            seen = true;
        } else if (key.find("Overruns") != std::string::npos) {
            c.overruns = value;
        }
    }
    if (!seen) return std::nullopt;
    return c;
}
#endif

}  // namespace patchwarden::kernel_test
