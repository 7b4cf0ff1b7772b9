#pragma once

// The receive thread's loop, apart from the sequencer: wait for the
// sequencer or the stop signal, read what has come, and stop watching a
// sequencer that reports an error or a hang-up with nothing to read, or that
// fails to be read. Such a
// descriptor makes every later poll return at once, so watching it further
// would spin the thread; its failure is reported once instead.
//
// The thread itself comes with its stop signal, a descriptor that becomes
// readable when the thread is to end; when either cannot be had, nothing of
// the attempt is left open.

#include <atomic>
#include <functional>
#include <thread>

namespace patchwarden::alsa {

class receive_source {
public:
    enum wake : unsigned { stop = 1u, readable = 2u, broken = 4u };

    virtual ~receive_source() = default;
    // Blocks until the stop signal or, when watch_device, the device has
    // something to say; answers a combination of wake bits.
    virtual unsigned wait(bool watch_device) = 0;
    // Reads and hands on everything waiting, without blocking; false when
    // the device failed.
    virtual bool read_available() = 0;
    // The device failed with nothing to read.
    virtual void report_broken() = 0;
};

// Returns when wait() answers stop.
void run_receive_loop(receive_source& source);

// The wake bits of one device descriptor's poll result.
unsigned device_wake(short revents);

class receive_thread {
public:
    // Starts a thread running its function; tests stand in for it.
    using launcher = std::function<std::thread(std::function<void()>)>;

    explicit receive_thread(launcher launch = {});
    ~receive_thread() { stop(); }
    receive_thread(const receive_thread&) = delete;
    receive_thread& operator=(const receive_thread&) = delete;

    // Opens the stop descriptor and runs body on a new thread; true at once
    // when already started. False when the descriptor or the thread could
    // not be had; the descriptor is then closed again.
    bool start(std::function<void()> body);
    // Signals the thread, waits for it and closes the descriptor; nothing
    // when not started.
    void stop();
    bool started() const { return thread_.joinable(); }

    // For the thread: the descriptor to poll (readable once stop is asked)
    // and whether it is to go on.
    int stop_fd() const { return fd_; }
    bool running() const { return running_; }

private:
    launcher launch_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    int fd_ = -1;
};

}  // namespace patchwarden::alsa
