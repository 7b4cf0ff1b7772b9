#pragma once

// alsa-lib writes lines of its own to standard error when a device cannot
// be opened ("ALSA lib seq_hw.c:466:(snd_seq_hw_open) open /dev/snd/seq
// failed"). The programs learn of the failure from the call's result and
// say it once, in their own words; while an object of this class lives,
// alsa-lib says nothing on the thread that made it.

namespace patchwarden::alsa {

class quiet_alsa {
public:
    quiet_alsa();
    ~quiet_alsa();
    quiet_alsa(const quiet_alsa&) = delete;
    quiet_alsa& operator=(const quiet_alsa&) = delete;

private:
    void (*before_)();  // the thread's handler before, restored at the end
};

}  // namespace patchwarden::alsa
