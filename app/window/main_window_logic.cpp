#include "app/window/main_window_logic.h"

#include <algorithm>

#include "app/dialogs/bank_dialog_logic.h"
#include "app/dialogs/dialog_templates.h"
#include "app/dialogs/get_dialog_logic.h"
#include "app/dialogs/midi_config_logic.h"
#include "app/error_guard.h"
#include "app/files/file_commands.h"
#include "app/transfers/compare.h"
#include "app/transfers/midi_ports.h"
#include "app/window/selection_panel.h"
#include "app/window/window_face.h"
#include "data/bank_naming.h"
#include "data/text.h"
#include "library/library_commands.h"
#include "library/library_tree.h"

namespace patchwarden {

namespace {

constexpr char16_t requests_wait[] = u"The requests wait until Config opens a port.";
constexpr char16_t config_opens_a_port[] = u"Config opens a port.";

}  // namespace

main_window_logic::main_window_logic(window_face& face, library_tree& library, message_box& box, file_chooser& files,
                                     midi_ports* ports, notification_target& notifications)
    : face_(face),
      library_(library),
      box_(box),
      files_(files),
      own_ports_(ports ? nullptr : std::make_unique<midi_ports>(nullptr, nullptr)),
      ports_(ports ? ports : own_ports_.get()),
      notifications_(notifications),
      bars_([this](transfer_bar bar, int maximum, int position) { face_.draw_bar(bar, maximum, position); }),
      transfers_(std::make_unique<transfers>(library_, box_, ports_->in(), ports_->out(), bars_,
                                             [this] { return asks_before_replacing(); })),
      errors_(box_) {
    ports_->relay().attach(&notifications_);
}

main_window_logic::~main_window_logic() {
    ports_->relay().detach(&notifications_);
}

const dialog_spec& main_window_logic::spec() const {
    return main_window_template;
}

void main_window_logic::start(dialog_controls& controls) {
    for (int id : {main_ids::midi_in, main_ids::midi_out}) controls.set_text(id, u"closed");
    for (int id : {main_ids::update_bank, main_ids::update_number, main_ids::ask}) controls.set_checked(id, true);
}

void main_window_logic::command(dialog_controls&, int id) {
    command(id);
}

void main_window_logic::command(int id) {
    run_guarded(box_, [this, id] {
        switch (id) {
        case main_ids::config: configure(); break;
        case main_ids::load: load_syx(); break;
        case main_ids::send: send_selection(); break;
        case main_ids::unload: unload(); break;
        case main_ids::get_it: get_it(); break;
        case main_ids::save: save_syx(); break;
        case main_ids::move: move_selected(); break;
        case main_ids::copy: copy_selected(); break;
        case main_ids::about: about(); break;
        case main_ids::quit: quit(main_ids::quit); break;
        case main_ids::choose_bank: choose_bank(); break;
        case main_ids::choose_request: choose_request(); break;
        case compare_command: compare_with_a6(); break;
        default: break;  // check boxes, edits, Enter, Escape: nothing
        }
    });
}

void main_window_logic::data_ready() {
    run_guarded(box_, [this] { transfers_->pump(); });
    report_transfers();
}

void main_window_logic::tick() {
    if (const auto notice = transfers_->no_answer_notice())
        box_.show(*notice, u"", box_buttons::ok, box_icon::information);
}

void main_window_logic::report_transfers() {
    if (const std::uint32_t unsent = transfers_->take_unsent_bytes()) {
        box_.show(fill(u"%s bytes were not sent: the MIDI output is closed.\r\n%s",
                       {decimal(unsent), config_opens_a_port}),
                  u"", box_buttons::ok, box_icon::error);
    }
    // Each result once: a compare leaves the list before its box opens,
    // whose loop may run this again.
    for (;;) {
        const auto done = std::find_if(compares_.begin(), compares_.end(), [](const auto& c) { return c->finished(); });
        if (done == compares_.end()) break;
        const std::u16string result = (*done)->result_text();
        compares_.erase(done);
        box_.show(result, u"", box_buttons::ok, box_icon::information);
    }
}

void main_window_logic::tell_output_closed(const char16_t* what_happens) {
    box_.show(fill(u"Nothing was sent: the MIDI output is closed.\r\n%s", {what_happens}), u"", box_buttons::ok,
              box_icon::error);
}

void main_window_logic::bytes_sent(std::int32_t bytes) {
    run_guarded(box_, [this, bytes] { transfers_->bytes_sent(bytes); });
}

void main_window_logic::transport_error(std::u16string text) {
    errors_.show(std::move(text));
}

void main_window_logic::selection_changed(const library_node* node) {
    update_selection_panel(face_.controls(), library_, node);
}

void main_window_logic::close() {
    quit(main_ids::cancel);
}

library_node* main_window_logic::selected_node() const {
    library_node* node = face_.selected_node();
    return library_.contains(node) ? node : nullptr;
}

bool main_window_logic::asks_before_replacing() const {
    return face_.controls().checked(main_ids::ask);
}

void main_window_logic::load_syx() {
    patchwarden::load_syx(
        library_, box_, files_, [this] { return asks_before_replacing(); }, [this] { return closed(); });
}

void main_window_logic::load_files(const std::vector<std::filesystem::path>& paths) {
    run_guarded(box_, [&] {
        load_syx_files(
            library_, box_, paths, [this] { return asks_before_replacing(); }, [this] { return closed(); });
    });
}

void main_window_logic::save_syx() {
    patchwarden::save_syx(library_, box_, files_, [this] { return selected_node(); }, save_writer_);
}

void main_window_logic::get_it() {
    dialog_controls& controls = face_.controls();
    const std::size_t queued = transfers_->send_queue().size();
    transfers_->queue_requests(field_text(controls, main_ids::request, 1023));
    controls.set_text(main_ids::request, u"");
    face_.post_pump();
    if (transfers_->send_queue().size() > queued && !ports_->out().is_open) tell_output_closed(requests_wait);
}

void main_window_logic::send_selection() {
    library_node* node = selected_node();
    if (!node) return;
    // Dumps are never kept for a port opened later: they would overwrite
    // the instrument's memory long after the user asked.
    if (!ports_->out().is_open) return tell_output_closed(config_opens_a_port);
    transfers_->queue_selection(node);
    face_.post_pump();
}

void main_window_logic::compare_with_a6() {
    library_node* node = selected_node();
    if (!node) return;
    auto compare = std::make_shared<library_compare>(*node);
    if (compare->empty()) return;
    transfers_->queue_for(compare->take_requests(), compare);
    compares_.push_back(std::move(compare));
    face_.post_pump();
    if (!ports_->out().is_open) tell_output_closed(requests_wait);
}

void main_window_logic::about() {
    box_.show(u"A6 Patchwarden v1.00\r\n"
              u"A librarian for the Alesis A6 Andromeda.\r\n"
              u"Gets, sends, loads and saves Programs, Mixes and the Global Data.\r\n"
              u"Written in C++. Free to use; comes with no warranty.",
              u"About", box_buttons::ok, box_icon::program);
}

void main_window_logic::quit(int command_id) {
    // A port that will not close keeps the window open: the user can quit
    // again.
    run_guarded(box_, [this, command_id] {
        ports_->shutdown();
        face_.controls().end(command_id);
        box_.close();
    });
}

void main_window_logic::configure() {
    {
        midi_config_logic dialog(*ports_, box_);
        face_.run_dialog(dialog, face_.controls());
    }
    refresh_device_fields();
    // Closing the output dropped what it had not sent yet; the user hears of
    // it once, and the send bar stops waiting for it.
    const std::int64_t unsent = ports_->out().take_discarded_bytes();
    if (unsent > 0) {
        transfers_->forget_unsent(static_cast<std::uint32_t>(unsent));
        box_.show(fill(u"%s bytes were not sent: the MIDI output was closed before they went out.", {decimal(unsent)}),
                  u"", box_buttons::ok, box_icon::error);
    }
    transfers_->release();
    report_transfers();
    // A queue that waited for replies moves on now, not only when the next
    // block arrives.
    face_.post_pump();
}

void main_window_logic::refresh_device_fields() {
    dialog_controls& controls = face_.controls();
    const auto in = ports_->input_name();
    controls.set_text(main_ids::midi_in, in ? *in : u"closed");
    const auto out = ports_->output_name();
    controls.set_text(main_ids::midi_out, out ? *out : u"closed");
}

void main_window_logic::choose_bank() {
    library_node* node = selected_node();
    const a6_message* record = library_.record_of(node);
    if (!record) record = library_.record_of(library_.first_child(node));
    if (!record || record->kind == global_dump) return;
    a6_message copy = *record;  // the library may change while dialogs are open
    const std::u16string text = field_text(face_.controls(), main_ids::bank, 1023);
    std::size_t pos = 0;
    int bank = copy.bank;
    if (parse_bank_spec(text, pos, copy.kind, bank, box_)) copy.bank = bank;
    bank_dialog_logic dialog(copy);
    if (face_.run_dialog(dialog, face_.controls()) == 1) face_.controls().set_text(main_ids::bank, bank_short_name(copy));
}

void main_window_logic::choose_request() {
    // "Get:" is owned by the window, and "Range:" by "Get:".
    get_dialog_logic dialog(face_.controls(), main_ids::request,
                            [this](dialog_logic& logic, dialog_controls& owner) { return face_.run_dialog(logic, owner); });
    face_.run_dialog(dialog, face_.controls());
}

void main_window_logic::unload() {
    unload_selection(library_, selected_node());
}

void main_window_logic::move_selected() {
    place(false);
}

void main_window_logic::copy_selected() {
    place(true);
}

void main_window_logic::place(bool copy) {
    const dialog_controls& controls = face_.controls();
    const std::u16string bank = field_text(controls, main_ids::bank, 1023);
    const std::u16string number = field_text(controls, main_ids::number, 1023);
    const std::u16string name = field_text(controls, main_ids::name, 1023);
    const ask_flag ask([this] { return asks_before_replacing(); });
    const library_node* placed = copy ? copy_selection(library_, selected_node(), bank, number, name, ask, box_)
                                      : move_selection(library_, selected_node(), bank, number, name, ask, box_);
    // The focus stays on the command's button; one the selection has
    // disabled would hand it on to the next control that takes it, a
    // read-only field, so the tree gets it instead.
    const int button = copy ? main_ids::copy : main_ids::move;
    face_.show_placed(library_.contains(placed) ? placed : nullptr,
                      face_.controls().enabled(button) ? button : main_ids::tree);
}

}  // namespace patchwarden
