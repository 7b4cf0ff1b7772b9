#include "midi/emulator/a6_emulator.h"

#include <algorithm>
#include <cstring>

#include "data/bank_naming.h"
#include "data/text.h"
#include "midi/transport/sysex_in.h"

namespace patchwarden {

namespace {


byte_vector generated_body(message_kind kind, int bank, int number, std::size_t size) {
    // xorshift32 seeded by the slot: every entry its own bytes, the same on
    // every run.
    std::uint32_t x = (static_cast<std::uint32_t>(kind) << 24) ^
                      (static_cast<std::uint32_t>(bank) << 16) ^
                      (static_cast<std::uint32_t>(number) << 8) ^ 0x9E3779B9u;
    byte_vector body(size);
    for (auto& b : body) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 11);
    }
    return body;
}

a6_message make_entry(message_kind kind, int bank, int number, byte_vector body) {
    a6_message record(kind, bank, number);
    record.data = std::move(body);
    record.name.resize(name_length + 1);
    for (std::size_t i = 0; i < name_length; ++i) record.name[i] = record.data[name_offset + i];
    record.name[name_length] = 0;
    return record;
}

a6_message initial_entry(message_kind kind, int bank, int number) {
    const std::size_t size = kind == program_dump ? program_body_size : mix_body_size;
    a6_message record(kind, bank, number);
    record.data = generated_body(kind, bank, number, size);
    const std::u16string label = kind == program_dump ? u"Prog " : u"Mix ";
    set_name(record, label + decimal(bank, 2) + u":" + decimal(number, 3));
    for (std::size_t i = 0; i < name_length; ++i)
        record.data[name_offset + i] = static_cast<std::uint8_t>(record.name[i]);
    return record;
}

bool is_identity_request(std::span<const std::uint8_t> m) {
    return m.size() == 6 && m[0] == 0xF0 && m[1] == 0x7E && m[3] == 0x06 && m[4] == 0x01 &&
           m[5] == 0xF7;
}

}  // namespace

// The instrument's MIDI out, seen from the program as an input device.
class a6_emulator::input_device : public midi_input {
public:
    input_device(a6_emulator& owner, midi_in_proc callback, void* instance)
        : owner_(owner), callback_(callback), instance_(instance) {}
    ~input_device() override { close(); }

    midi_result name(std::u16string& text) const override {
        text = emulator_device_name;
        return midi_result::ok;
    }
    midi_result prepare_header(midi_header&) override { return midi_result::ok; }
    midi_result add_buffer(midi_header& header) override {
        std::lock_guard guard(owner_.mutex_);
        if (closed_ || held_) return midi_result::error;
        held_ = &header;
        return midi_result::ok;
    }
    midi_result start() override {
        std::lock_guard guard(owner_.mutex_);
        if (closed_) return midi_result::error;
        started_ = true;
        return midi_result::ok;
    }
    midi_result reset() override {
        midi_header* back = nullptr;
        {
            std::unique_lock guard(owner_.mutex_);
            started_ = false;
            owner_.changed_.wait(guard, [this] { return !owner_.delivering_; });
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
        std::lock_guard guard(owner_.mutex_);
        return held_ == &header ? midi_result::still_playing : midi_result::ok;
    }
    midi_result close() override {
        std::unique_lock guard(owner_.mutex_);
        if (closed_) return midi_result::ok;
        started_ = false;
        owner_.changed_.wait(guard, [this] { return !owner_.delivering_; });
        closed_ = true;
        held_ = nullptr;
        if (owner_.input_ == this) owner_.input_ = nullptr;
        return midi_result::ok;
    }

    a6_emulator& owner_;
    midi_in_proc callback_;
    void* instance_;
    midi_header* held_ = nullptr;
    bool started_ = false;
    bool closed_ = false;
};

// The instrument's MIDI in, seen from the program as an output device.
class a6_emulator::output_device : public midi_output {
public:
    explicit output_device(a6_emulator& owner) : owner_(owner) {}
    ~output_device() override { close(); }

    midi_result name(std::u16string& text) const override {
        text = emulator_device_name;
        return midi_result::ok;
    }
    midi_result prepare_header(midi_header&) override {
        std::lock_guard guard(owner_.mutex_);
        return owner_.vanished_ || closed_ ? midi_result::error : midi_result::ok;
    }
    midi_result long_msg(midi_header& header) override {
        std::lock_guard guard(owner_.mutex_);
        if (owner_.vanished_ || closed_ || !header.data) return midi_result::error;
        const std::size_t n = header.buffer_length;
        const clock::time_point now = clock::now();
        const clock::time_point start = std::max(now, owner_.in_wire_free_);
        const clock::time_point arrives = start + owner_.wire_time(n);
        owner_.in_wire_free_ = arrives;
        // Handed over once the whole slice fits in the transmit buffer.
        const clock::duration buffered = owner_.wire_time(owner_.transmit_buffer_);
        done_at_ = arrives - buffered;
        owner_.incoming_.push_back({byte_vector(header.data, header.data + n), arrives});
        owner_.changed_.notify_all();
        return midi_result::ok;
    }
    midi_result unprepare_header(midi_header&) override {
        std::lock_guard guard(owner_.mutex_);
        if (owner_.vanished_) return midi_result::ok;
        return clock::now() >= done_at_ ? midi_result::ok : midi_result::still_playing;
    }
    midi_result close() override {
        std::lock_guard guard(owner_.mutex_);
        closed_ = true;
        if (owner_.output_ == this) owner_.output_ = nullptr;
        return midi_result::ok;
    }

    a6_emulator& owner_;
    clock::time_point done_at_{};
    bool closed_ = false;
};

a6_emulator::a6_emulator() : assembler_(sysex_in_buffer_size) {
    worker_ = std::thread(&a6_emulator::run, this);
}

a6_emulator::~a6_emulator() {
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    worker_.join();
}

void a6_emulator::set_speed(double multiple) {
    std::lock_guard guard(mutex_);
    speed_ = multiple > 0 ? multiple : 0.0;
}

void a6_emulator::set_version(int major, int minor) {
    std::lock_guard guard(mutex_);
    major_ = major;
    minor_ = minor;
}

void a6_emulator::set_fault(emulator_fault fault, int count) {
    std::lock_guard guard(mutex_);
    fault_ = fault;
    fault_count_ = count;
    answers_sent_ = 0;
    vanished_ = fault == emulator_fault::vanish && count <= 0;
}

void a6_emulator::set_transmit_buffer(std::size_t bytes) {
    std::lock_guard guard(mutex_);
    transmit_buffer_ = bytes;
}

void a6_emulator::answer_differently(message_kind kind, int bank, int number) {
    std::lock_guard guard(mutex_);
    different_ = kind == global_dump ? a6_message(kind) : a6_message(kind, bank, number);
}

a6_emulator::clock::duration a6_emulator::wire_time(std::size_t bytes) const {
    if (speed_ <= 0) return clock::duration::zero();
    return std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(
        static_cast<double>(bytes) / (midi_wire_bytes_per_second * speed_)));
}

a6_message a6_emulator::initial_program(int bank, int number) {
    return initial_entry(program_dump, bank, number);
}

a6_message a6_emulator::initial_mix(int bank, int number) {
    return initial_entry(mix_dump, bank, number);
}

a6_message a6_emulator::initial_global() {
    a6_message record(global_dump);
    record.data = generated_body(global_dump, 0, 0, global_body_size);
    return record;
}

a6_message a6_emulator::program(int bank, int number) const {
    std::lock_guard guard(mutex_);
    const auto it = programs_.find(bank * entries_per_bank + number);
    if (it == programs_.end()) return initial_program(bank, number);
    return make_entry(program_dump, bank, number, it->second);
}

a6_message a6_emulator::mix(int bank, int number) const {
    std::lock_guard guard(mutex_);
    const auto it = mixes_.find(bank * entries_per_bank + number);
    if (it == mixes_.end()) return initial_mix(bank, number);
    return make_entry(mix_dump, bank, number, it->second);
}

a6_message a6_emulator::global() const {
    std::lock_guard guard(mutex_);
    if (global_.empty()) return initial_global();
    a6_message record(global_dump);
    record.data = global_;
    return record;
}

std::vector<received_dump> a6_emulator::received() const {
    std::lock_guard guard(mutex_);
    return received_;
}

std::size_t a6_emulator::received_count() const {
    std::lock_guard guard(mutex_);
    return received_.size();
}

bool a6_emulator::wait_received(std::size_t count, std::chrono::milliseconds time_out) const {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, time_out, [&] { return received_.size() >= count; });
}

std::size_t a6_emulator::requests_seen() const {
    std::lock_guard guard(mutex_);
    return requests_seen_;
}

bool a6_emulator::wait_answered(std::size_t requests, std::chrono::milliseconds time_out) const {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, time_out, [&] {
        return requests_seen_ >= requests && outgoing_.empty() && !delivering_;
    });
}

bool a6_emulator::vanished() const {
    std::lock_guard guard(mutex_);
    return vanished_;
}

midi_result a6_emulator::input_name(int device, std::u16string& text) {
    if (device != 0) return midi_result::error;
    text = emulator_device_name;
    return midi_result::ok;
}

midi_result a6_emulator::output_name(int device, std::u16string& text) {
    if (device != 0) return midi_result::error;
    text = emulator_device_name;
    return midi_result::ok;
}

midi_result a6_emulator::open_input(int device, midi_in_proc callback, void* instance,
                                    std::unique_ptr<midi_input>& opened) {
    std::lock_guard guard(mutex_);
    if (device != 0 || vanished_ || input_ || !callback) return midi_result::error;
    auto created = std::make_unique<input_device>(*this, callback, instance);
    input_ = created.get();
    opened = std::move(created);
    return midi_result::ok;
}

midi_result a6_emulator::open_output(int device, std::unique_ptr<midi_output>& opened) {
    std::lock_guard guard(mutex_);
    if (device != 0 || vanished_ || output_) return midi_result::error;
    auto created = std::make_unique<output_device>(*this);
    output_ = created.get();
    opened = std::move(created);
    return midi_result::ok;
}

byte_vector a6_emulator::dump_of(message_kind kind, int bank, int number) const {
    a6_message record;
    if (kind == program_dump) {
        const auto it = programs_.find(bank * entries_per_bank + number);
        record = it == programs_.end() ? initial_program(bank, number)
                                       : make_entry(program_dump, bank, number, it->second);
    } else if (kind == mix_dump) {
        const auto it = mixes_.find(bank * entries_per_bank + number);
        record = it == mixes_.end() ? initial_mix(bank, number)
                                    : make_entry(mix_dump, bank, number, it->second);
    } else {
        record = initial_global();
        if (!global_.empty()) record.data = global_;
    }
    if (record.kind == different_.kind && record.bank == different_.bank && record.number == different_.number)
        record.data.back() ^= 0x01;
    return encode_message(record);
}

void a6_emulator::handle_message(std::span<const std::uint8_t> message, clock::time_point arrived) {
    std::vector<byte_vector> replies;
    if (is_identity_request(message)) {
        ++requests_seen_;
        const auto digit = [](int v) { return static_cast<std::uint8_t>(0x30 + v % 10); };
        replies.push_back({0xF0, 0x7E, 0x7F, 0x06, 0x02, 0x00, 0x00, 0x0E, 0x1D, 0x00, 0x00, 0x00,
                           digit(major_ / 10), digit(major_), digit(minor_ / 10), digit(minor_),
                           0xF7});
    } else {
        a6_message record = parse_message(byte_vector(message.begin(), message.end()));
        const int bank = record.bank;
        const int number = record.number;
        switch (record.kind) {
            case program_dump:
                if (bank < program_bank_count)
                    programs_[bank * entries_per_bank + number] = record.data;
                received_.push_back({std::move(record), arrived});
                changed_.notify_all();
                break;
            case mix_dump:
                if (bank < mix_bank_count) mixes_[bank * entries_per_bank + number] = record.data;
                received_.push_back({std::move(record), arrived});
                changed_.notify_all();
                break;
            case global_dump:
                global_ = record.data;
                received_.push_back({std::move(record), arrived});
                changed_.notify_all();
                break;
            case program_request:
                ++requests_seen_;
                if (bank < program_bank_count && number < entries_per_bank)
                    replies.push_back(dump_of(program_dump, bank, number));
                break;
            case mix_request:
                ++requests_seen_;
                if (bank < mix_bank_count && number < entries_per_bank)
                    replies.push_back(dump_of(mix_dump, bank, number));
                break;
            case program_bank_request:
                ++requests_seen_;
                if (bank < program_bank_count)
                    for (int n = 0; n < entries_per_bank; ++n)
                        replies.push_back(dump_of(program_dump, bank, n));
                break;
            case mix_bank_request:
                ++requests_seen_;
                if (bank < mix_bank_count)
                    for (int n = 0; n < entries_per_bank; ++n)
                        replies.push_back(dump_of(mix_dump, bank, n));
                break;
            case global_request:
                ++requests_seen_;
                replies.push_back(dump_of(global_dump, 0, 0));
                break;
            default:
                break;
        }
    }

    switch (fault_) {
        case emulator_fault::silent:
            replies.clear();
            break;
        case emulator_fault::fewer_dumps:
            replies.resize(replies.size() > static_cast<std::size_t>(std::max(fault_count_, 0))
                               ? replies.size() - static_cast<std::size_t>(std::max(fault_count_, 0))
                               : 0);
            break;
        case emulator_fault::garbage:
            for (auto& r : replies) {
                // A message of a foreign maker, of the same length.
                for (std::size_t i = 1; i + 1 < r.size(); ++i)
                    r[i] = static_cast<std::uint8_t>((i * 37 + 11) & 0x7F);
                if (r.size() > 2) r[1] = 0x41;
            }
            break;
        case emulator_fault::truncated:
            for (auto& r : replies) {
                r.resize(std::max<std::size_t>(r.size() / 2, 2));
                r.back() = 0xF7;
            }
            break;
        default:
            break;
    }

    // Replies leave back to back from the moment the request has arrived.
    for (auto& r : replies) {
        const clock::time_point start = std::max(arrived, out_wire_free_);
        const clock::time_point arrives = start + wire_time(r.size());
        out_wire_free_ = arrives;
        outgoing_.push_back({std::move(r), arrives});
    }
    changed_.notify_all();
}

void a6_emulator::deliver(std::unique_lock<std::mutex>& held, byte_vector message) {
    if (fault_ == emulator_fault::vanish && ++answers_sent_ >= fault_count_) {
        vanished_ = true;
        incoming_.clear();
        outgoing_.clear();
    }
    // Nobody listening, or no buffer to put the message in: lost on the cable.
    if (!input_ || !input_->started_ || !input_->held_) return;
    midi_header* header = input_->held_;
    if (message.size() > header->buffer_length) return;
    input_->held_ = nullptr;
    input_device* device = input_;
    delivering_ = true;
    held.unlock();
    std::memcpy(header->data, message.data(), message.size());
    header->bytes_recorded = static_cast<std::uint32_t>(message.size());
    device->callback_(*device, mim_longdata, device->instance_, header);
    held.lock();
    delivering_ = false;
    changed_.notify_all();
}

void a6_emulator::run() {
    std::unique_lock held(mutex_);
    while (!stopping_) {
        const clock::time_point now = clock::now();
        bool worked = false;
        while (!incoming_.empty() && incoming_.front().arrives <= now) {
            timed_bytes slice = std::move(incoming_.front());
            incoming_.pop_front();
            if (vanished_) continue;
            assembler_.feed(slice.bytes, [&](std::span<const std::uint8_t> message) {
                handle_message(message, slice.arrives);
            });
            worked = true;
        }
        if (!outgoing_.empty() && outgoing_.front().arrives <= now) {
            byte_vector message = std::move(outgoing_.front().bytes);
            outgoing_.pop_front();
            deliver(held, std::move(message));
            changed_.notify_all();  // also for a reply lost on the cable
            worked = true;
        }
        if (worked) continue;
        clock::time_point next = clock::time_point::max();
        if (!incoming_.empty()) next = std::min(next, incoming_.front().arrives);
        if (!outgoing_.empty()) next = std::min(next, outgoing_.front().arrives);
        if (next == clock::time_point::max())
            changed_.wait(held);
        else
            changed_.wait_until(held, next);
    }
}

}  // namespace patchwarden
