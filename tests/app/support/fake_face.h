#pragma once

// The core's faces for tests, without any widget: a dialog whose controls
// are plain state built from the dialog's table, and a main window face
// that runs the small dialogs from a script and delivers the transport's
// notifications when the test says so, as the interface thread's loop
// would.

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs/dialog_logic.h"
#include "app/dialogs/dialog_templates.h"
#include "app/transfers/notification_relay.h"
#include "app/window/main_window_logic.h"
#include "app/window/window_face.h"

namespace patchwarden::testing {

class fake_dialog : public dialog_controls {
public:
    struct control_state {
        control_kind kind;
        std::u16string text;
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        std::vector<std::u16string> items;
        int selection = -1;
    };

    explicit fake_dialog(const dialog_spec& spec) : caption(latin1(spec.caption)) {
        for (const control_spec& c : spec.controls) {
            if (c.id == no_id) continue;
            control_state& s = controls[c.id];
            s.kind = c.kind;
            s.text = latin1(c.caption);
            s.enabled = !(c.style & style_disabled);
        }
    }
    static std::u16string latin1(const char* text) {
        std::u16string out;
        for (const char* p = text; p && *p; ++p) out.push_back(static_cast<unsigned char>(*p));
        return out;
    }

    // What the dialog's logic does through the interface.
    std::u16string text(int id) const override { return at(id).text; }
    void set_text(int id, std::u16string_view t) override { at(id).text = t; }
    bool checked(int id) const override { return at(id).checked; }
    void set_checked(int id, bool on) override {
        control_state& s = at(id);
        if (on && s.kind == control_kind::radio_button) {
            for (auto& [other, state] : controls) {
                if (state.kind == control_kind::radio_button) state.checked = false;
            }
        }
        s.checked = on;
    }
    bool enabled(int id) const override { return at(id).enabled; }
    void enable(int id, bool on) override { at(id).enabled = on; }
    void set_visible(int id, bool on) override { at(id).visible = on; }
    void add_item(int id, std::u16string_view t) override { at(id).items.emplace_back(t); }
    int selection(int id) const override { return at(id).selection; }
    void select(int id, int position) override { at(id).selection = position; }
    void set_caption(std::u16string_view c) override { caption = c; }
    void end(int r) override {
        if (!result) result = r;
    }
    void show_busy(bool on) override { busy_changes.push_back(on); }

    // What the user does: the handlers run as the face would run them.
    void click(dialog_logic& logic, int id) {
        control_state& s = at(id);
        if (!s.enabled) return;
        if (s.kind == control_kind::check_box) s.checked = !s.checked;
        if (s.kind == control_kind::radio_button) set_checked(id, true);
        logic.command(*this, id);
    }
    void choose(dialog_logic& logic, int id, int position) {
        at(id).selection = position;
        logic.selection_changed(*this, id);
    }
    void type(int id, std::u16string_view t) { at(id).text = t; }
    void leave(dialog_logic& logic, int id) { logic.focus_lost(*this, id); }

    control_state& at(int id) { return controls.at(id); }
    const control_state& at(int id) const { return controls.at(id); }

    std::map<int, control_state> controls;
    std::u16string caption;
    std::optional<int> result;
    std::vector<bool> busy_changes;
};

// Runs a dialog as a face would: built from its table, started, then left
// to the test's script; what it ended with (2 when the script ended
// nothing, as closing it would).
inline int run_scripted(dialog_logic& logic, const std::function<void(dialog_logic&, fake_dialog&)>& script) {
    fake_dialog dialog(logic.spec());
    logic.start(dialog);
    if (script) script(logic, dialog);
    return dialog.result.value_or(2);
}

// The transport's notifications, kept until the test hands them on.
class queued_notifications : public notification_target {
public:
    void data_ready() override { push([](main_window_logic& l) { l.data_ready(); }); }
    void bytes_sent(std::int32_t bytes) override { push([bytes](main_window_logic& l) { l.bytes_sent(bytes); }); }
    void show_error(std::u16string text) override {
        push([text](main_window_logic& l) { l.transport_error(text); });
    }
    void push(std::function<void(main_window_logic&)> step) {
        std::lock_guard guard(mutex_);
        steps_.push_back(std::move(step));
    }
    // Hands on, in order, every notification posted before the call.
    bool deliver_one(main_window_logic& logic) {
        std::function<void(main_window_logic&)> step;
        {
            std::lock_guard guard(mutex_);
            if (steps_.empty()) return false;
            step = std::move(steps_.front());
            steps_.pop_front();
        }
        step(logic);
        return true;
    }
    std::size_t waiting() {
        std::lock_guard guard(mutex_);
        return steps_.size();
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void(main_window_logic&)>> steps_;
};

// The two bars as the face draws them, and the highest position each was
// drawn at (a bar may reach its end and be reset within one step).
struct fake_bars {
    int maximum[2] = {100, 100};
    int position[2] = {0, 0};
    int highest[2] = {0, 0};
    void draw(transfer_bar bar, int m, int p) {
        const int i = static_cast<int>(bar);
        maximum[i] = m;
        position[i] = p;
        highest[i] = std::max(highest[i], p);
    }
};

class fake_window : public window_face {
public:
    fake_window() : window(main_window_template) {}

    dialog_controls& controls() override { return window; }
    void draw_bar(transfer_bar bar, int maximum, int position) override { bar_state.draw(bar, maximum, position); }
    library_node* selected_node() const override { return selected; }
    void select_node(const library_node* node) override { selected = const_cast<library_node*>(node); }
    void show_placed(const library_node* node, int button_id) override { placed.push_back({node, button_id}); }
    int run_dialog(dialog_logic& logic, dialog_controls& owner) override {
        ++dialogs_run;
        const dialog_controls* outer = std::exchange(running_owner, &owner);
        std::function<void(dialog_logic&, fake_dialog&)> script;
        if (!dialog_scripts.empty()) {
            script = std::move(dialog_scripts.front());
            dialog_scripts.pop_front();
        }
        const int result = run_scripted(logic, script);
        running_owner = outer;
        return result;
    }
    void post_pump() override { notifications.data_ready(); }

    fake_dialog window;
    fake_bars bar_state;
    library_node* selected = nullptr;
    std::vector<std::pair<const library_node*, int>> placed;
    // One script for each dialog run, in order.
    std::deque<std::function<void(dialog_logic&, fake_dialog&)>> dialog_scripts;
    int dialogs_run = 0;
    // The owner of the dialog running now, while one runs.
    const dialog_controls* running_owner = nullptr;
    queued_notifications notifications;
};

}  // namespace patchwarden::testing
