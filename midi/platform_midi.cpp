#include "midi/platform_midi.h"

#if defined(_WIN32)
#include "midi/winmm/winmm_system.h"
#elif defined(PW_HAVE_ALSA)
#include "midi/alsa/alsa_system.h"
#endif

namespace patchwarden {

namespace {

class no_devices : public midi_system {
public:
    int input_count() override { return 0; }
    int output_count() override { return 0; }
    midi_result input_name(int, std::u16string&) override { return midi_result::error; }
    midi_result output_name(int, std::u16string&) override { return midi_result::error; }
    midi_result open_input(int, midi_in_proc, void*, std::unique_ptr<midi_input>&) override {
        return midi_result::error;
    }
    midi_result open_output(int, std::unique_ptr<midi_output>&) override {
        return midi_result::error;
    }
};

}  // namespace

std::unique_ptr<midi_system> make_platform_midi_system() {
#if defined(_WIN32)
    return std::make_unique<winmm_system>();
#elif defined(PW_HAVE_ALSA)
    return std::make_unique<alsa_system>();
#else
    return std::make_unique<no_devices>();
#endif
}

}  // namespace patchwarden
