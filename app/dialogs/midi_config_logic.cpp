#include "app/dialogs/midi_config_logic.h"

#include <optional>
#include <string>

#include "app/dialogs/dialog_templates.h"
#include "app/error_guard.h"
#include "app/transfers/midi_ports.h"
#include "data/text.h"
#include "midi/find_a6.h"

namespace patchwarden {

namespace {

// Device names are read into texts of this many units, the zero included.
constexpr int name_capacity = 256;

// The busy cursor while the search holds the interface thread, taken off
// however the search ends.
class busy_while {
public:
    explicit busy_while(dialog_controls& controls) : controls_(controls) { controls_.show_busy(true); }
    ~busy_while() { end(); }
    busy_while(const busy_while&) = delete;
    busy_while& operator=(const busy_while&) = delete;
    void end() {
        if (!on_) return;
        on_ = false;
        controls_.show_busy(false);
    }

private:
    dialog_controls& controls_;
    bool on_ = true;
};

}  // namespace

std::int32_t setting_value(std::u16string_view text, std::int32_t default_value) {
    const int value = decimal_value(text.substr(0, 256));
    return value > 0 ? value : default_value;
}

const dialog_spec& midi_config_logic::spec() const {
    return config_dialog_template;
}

void midi_config_logic::start(dialog_controls& controls) {
    run_guarded(box_, [&] { fill(controls); });
}

void midi_config_logic::command(dialog_controls& controls, int id) {
    switch (id) {
    case config_ids::ok: run_guarded(box_, [&] { confirm(controls); }); break;
    case config_ids::find_a6: run_guarded(box_, [&] { find(controls); }); break;
    case config_ids::cancel: controls.end(2); break;
    default: break;
    }
}

void midi_config_logic::fill(dialog_controls& controls) {
    controls.set_text(config_ids::buffer_size, decimal(default_buffer_size));
    controls.set_text(config_ids::pause, decimal(default_pause_ms));

    device_list& devices = ports_.devices();
    devices.refresh();
    std::u16string name;
    for (int i = 0; i < devices.input_count(); ++i) {
        sysex_in::dev_string(devices, i, name_capacity, name);
        controls.add_item(config_ids::input_list, name);
    }
    controls.select(config_ids::input_list, devices.input_count() > 0 ? 0 : -1);
    for (int i = 0; i < devices.output_count(); ++i) {
        sysex_out::dev_string(devices, i, name_capacity, name);
        controls.add_item(config_ids::output_list, name);
    }
    controls.select(config_ids::output_list, devices.output_count() > 0 ? 0 : -1);
}

void midi_config_logic::confirm(dialog_controls& controls) {
    const std::int32_t buffer_size = setting_value(controls.text(config_ids::buffer_size), default_buffer_size);
    const std::int32_t pause_ms = setting_value(controls.text(config_ids::pause), default_pause_ms);
    ports_.open(controls.selection(config_ids::input_list), controls.selection(config_ids::output_list), buffer_size,
                pause_ms);
    controls.end(1);
}

void midi_config_logic::find(dialog_controls& controls) {
    busy_while busy(controls);
    const std::optional<a6_found> found =
        find_a6(ports_.in(), ports_.out(), ports_.devices(), controls.selection(config_ids::input_list),
                controls.selection(config_ids::output_list), ports_.clock());
    busy.end();
    if (!found) return;
    // The pair is shown selected before its box, which runs a nested loop
    // in which the user may already confirm it.
    controls.select(config_ids::input_list, found->input);
    controls.select(config_ids::output_list, found->output);
    box_.show(found_text(*found), u"", box_buttons::ok, box_icon::information);
}

}  // namespace patchwarden
