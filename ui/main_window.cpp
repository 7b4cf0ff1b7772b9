#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <filesystem>

#include "data/bank_naming.h"
#include "data/text.h"
#include "library/library_commands.h"
#include "library/library_tree.h"
#include "ui/dialogs/bank_dialog.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "ui/files/file_chooser.h"
#include "ui/dialogs/get_dialog.h"
#include "ui/library_model.h"
#include "app/error_guard.h"
#include "ui/midi/midi_config_dialog.h"
#include "ui/program_icon.h"
#include "app/transfers/midi_ports.h"

namespace patchwarden {

namespace {

constexpr std::u16string_view append_question =
    u"%s allready exists.\r\n Would you like to append to it?\r\n(Select 'Cancel' to not save anything)";

// The controls the selection panel enables and disables.
constexpr int panel_controls[] = {main_ids::bank,   main_ids::choose_bank, main_ids::number,
                                  main_ids::name,   main_ids::move,        main_ids::copy};

// A file name proposed from a node's label: a name cannot hold a folder
// separator or a zero unit.
std::u16string proposed_file_name(std::u16string label) {
    if (label.size() > 255) label.resize(255);
    for (char16_t& c : label) {
        if (c == u'/' || c == u'\\' || c == u'\0') c = u'_';
    }
    return label + u".syx";
}

// The two progress bars of the transfers. A range of 0 shows an empty bar
// (a Qt bar of range 0..0 would show a busy animation instead), and a
// position beyond the range shows as its end.
class window_bars : public transfer_bars {
public:
    window_bars(QProgressBar* receive, QProgressBar* send) : bars_{receive, send} {}

    void set_range(transfer_bar bar, int maximum) override {
        const auto i = static_cast<std::size_t>(bar);
        maximum_[i] = maximum;
        bars_[i]->setRange(0, maximum > 0 ? maximum : 1);
    }
    void set_position(transfer_bar bar, int position) override {
        const auto i = static_cast<std::size_t>(bar);
        bars_[i]->setValue(maximum_[i] > 0 ? std::clamp(position, 0, maximum_[i]) : 0);
    }

private:
    QProgressBar* bars_[2];
    int maximum_[2] = {100, 100};
};

}  // namespace

main_window::main_window(library_tree& library, message_box& box, file_chooser& files, midi_ports* ports,
                         QWidget* parent)
    : QDialog(parent), library_(library), box_(box), files_(files) {
    if (!ports) own_ports_ = std::make_unique<midi_ports>(nullptr, nullptr);
    ports_ = ports ? ports : own_ports_.get();
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setModal(false);
    build_dialog(*this, main_window_template);

    tree_ = control<QTreeView>(this, main_ids::tree);
    request_ = control<QLineEdit>(this, main_ids::request);
    ask_ = control<QCheckBox>(this, main_ids::ask);
    bars_ = std::make_unique<window_bars>(control<QProgressBar>(this, main_ids::receive_bar),
                                          control<QProgressBar>(this, main_ids::send_bar));
    transfers_ = std::make_unique<transfers>(library_, box_, ports_->in(), ports_->out(), *bars_,
                                             [this] { return asks_before_replacing(); });
    model_ = new library_model(library_, this);
    tree_->setModel(model_);

    // Entry labels line up in columns in a fixed-pitch font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontMetrics(fixed).horizontalAdvance(QStringLiteral("iiii")) !=
        QFontMetrics(fixed).horizontalAdvance(QStringLiteral("WWWW"))) {
        // Some platforms name no fixed-pitch font; ask for any.
        fixed.setFamily(QStringLiteral("monospace"));
        fixed.setStyleHint(QFont::Monospace);
        fixed.setFixedPitch(true);
    }
    tree_->setFont(fixed);

    icon_ = program_icon();
    setWindowIcon(icon_);

    for (int id : {main_ids::midi_in, main_ids::midi_out}) control<QLineEdit>(this, id)->setText(QStringLiteral("closed"));

    const auto buttons = findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly);
    for (QAbstractButton* button : buttons) {
        const int id = control_id(button);
        connect(button, &QAbstractButton::clicked, this, [this, id] { command(id); });
    }

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { update_selection_panel(model_->node_of(current)); });
    // When the selected node goes, the tree makes a neighbour current; show
    // it selected too, once the change is over. The commands act on the
    // current node, so it is never left unselected (Ctrl+click and
    // Ctrl+Space would take the selection off it).
    auto select_current = [this] {
        const QModelIndex current = tree_->currentIndex();
        if (current.isValid() && !tree_->selectionModel()->isSelected(current)) {
            tree_->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
        }
    };
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, select_current,
            Qt::QueuedConnection);
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, select_current,
            Qt::QueuedConnection);
    connect(model_, &library_model::expansion_changed, tree_,
            [this](const QModelIndex& index, bool expanded) { tree_->setExpanded(index, expanded); });
    // The user opens and closes branches; the library keeps the state. A
    // branch the library itself opened is reported back here too, and then
    // changes nothing.
    auto follow_view = [this](const QModelIndex& index, bool expanded) {
        library_node* node = model_->node_of(index);
        if (node && node->expanded() != expanded) library_.set_expanded(node, expanded);
    };
    connect(tree_, &QTreeView::expanded, this, [follow_view](const QModelIndex& index) { follow_view(index, true); });
    connect(tree_, &QTreeView::collapsed, this, [follow_view](const QModelIndex& index) { follow_view(index, false); });

    // The three boxes start unchecked and are clicked once, as the user would.
    for (int id : {main_ids::update_bank, main_ids::update_number, main_ids::ask}) control<QCheckBox>(this, id)->click();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    ports_->relay().attach(&notifications_);
}

main_window::~main_window() {
    // From here on no notification of the transport reaches this window;
    // events already posted to it go with it.
    ports_->relay().detach(&notifications_);
    // The model stops following the library before the tree view goes.
    tree_->setModel(nullptr);
    delete model_;
}

void main_window::command(int id) {
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
        default: break;  // check boxes, edits, Enter: nothing
        }
    });
}

bool main_window::event(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == sysex_data_event) {
        run_guarded(box_, [this] { transfers_->pump(); });
        return true;
    }
    if (type == sysex_sent_event) {
        const std::int32_t bytes = static_cast<sysex_sent*>(event)->bytes;
        run_guarded(box_, [this, bytes] { transfers_->bytes_sent(bytes); });
        return true;
    }
    if (type == transport_error_event) {
        show_transport_error(std::move(static_cast<transport_error*>(event)->text));
        return true;
    }
    return QDialog::event(event);
}

void main_window::post_pump() {
    QCoreApplication::postEvent(this, new QEvent(sysex_data_event));
}

void main_window::show_transport_error(std::u16string text) {
    // One box at a time: a transport thread may report many failures in a
    // row, and each would otherwise open its box inside the one before.
    waiting_errors_.push_back(std::move(text));
    if (showing_error_) return;
    showing_error_ = true;
    while (!waiting_errors_.empty()) {
        const std::u16string next = std::move(waiting_errors_.front());
        waiting_errors_.pop_front();
        box_.show(next, error_box_caption, box_buttons::ok, box_icon::error);
    }
    showing_error_ = false;
}

library_node* main_window::selected_node() const {
    library_node* node = model_->node_of(tree_->currentIndex());
    return library_.contains(node) ? node : nullptr;
}

void main_window::select_node(const library_node* node) {
    const QModelIndex index = model_->index_of(node);
    if (!index.isValid()) {
        tree_->selectionModel()->clear();
        return;
    }
    tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

bool main_window::asks_before_replacing() const {
    return ask_->isChecked();
}

QString main_window::field_text(int id, int limit) const {
    return control<QLineEdit>(this, id)->text().left(limit);
}

void main_window::update_selection_panel(const library_node* node) {
    auto enable = [this](std::initializer_list<int> ids, bool on) {
        for (int id : ids) find_control(this, id)->setEnabled(on);
    };
    auto set_text = [this](int id, const std::u16string& text) {
        control<QLineEdit>(this, id)->setText(QString::fromStdU16String(text));
    };
    const bool update_bank = control<QCheckBox>(this, main_ids::update_bank)->isChecked();
    const bool update_number = control<QCheckBox>(this, main_ids::update_number)->isChecked();

    const a6_message* record = library_.record_of(node);
    if (record && (record->kind == program_dump || record->kind == mix_dump)) {
        if (update_bank) set_text(main_ids::bank, bank_short_name(*record));
        enable({main_ids::bank, main_ids::choose_bank}, true);
        if (update_number) set_text(main_ids::number, decimal(record->number));
        enable({main_ids::number}, true);
        set_text(main_ids::name, shown_name(*record));
        enable({main_ids::name, main_ids::move, main_ids::copy}, true);
        return;
    }
    for (int id : panel_controls) find_control(this, id)->setEnabled(false);
    if (record) return;  // Global Data
    const a6_message* first = library_.record_of(library_.first_child(node));
    if (!first || first->kind == global_dump) return;
    if (update_bank) set_text(main_ids::bank, bank_short_name(*first));
    enable({main_ids::bank, main_ids::choose_bank, main_ids::move, main_ids::copy}, true);
}

void main_window::load_syx() {
    const auto chosen = files_.choose_open(this);
    if (!chosen) return;
    const std::filesystem::path path(*chosen);
    const read_result result = read_syx_file(path, [this](byte_vector&& candidate) {
        auto record = std::make_unique<a6_message>(parse_message(std::move(candidate)));
        const box_answer answer =
            library_.insert_record(std::move(record), asks_before_replacing(), box_buttons::yes_no_cancel, box_);
        return answer != box_answer::cancel;
    });
    if (result == read_result::open_failed) {
        box_.show(fill(u"Can't open %s", {*chosen}), u"", box_buttons::ok, box_icon::error);
    } else if (result == read_result::read_failed) {
        box_.show(fill(u"Can't read all of %s", {*chosen}), u"", box_buttons::ok, box_icon::error);
    }
}

void main_window::save_syx() {
    const library_node* node = selected_node();
    if (!node) return;
    const auto chosen = files_.choose_save(this, proposed_file_name(node->label()));
    if (!chosen) return;
    // The selection may have changed while the dialog was open.
    library_node* current = selected_node();
    if (!current) return;
    outgoing_queue list;
    library_.walk_subtree(current, list);

    const std::filesystem::path path(*chosen);
    write_mode mode = write_mode::replace;
    if (syx_file_exists(path)) {
        const box_answer answer =
            box_.show(fill(append_question, {*chosen}), u"", box_buttons::yes_no_cancel, box_icon::question);
        if (answer == box_answer::cancel) return;
        if (answer == box_answer::yes) mode = write_mode::append;
    }
    if (!write_syx_file(path, list, mode, save_writer_)) {
        box_.show(fill(u"Can't save to %s", {*chosen}), u"", box_buttons::ok, box_icon::error);
    }
}

void main_window::get_it() {
    const std::u16string text = request_->text().left(1023).toStdU16String();
    transfers_->queue_requests(text);
    request_->clear();
    post_pump();
}

void main_window::send_selection() {
    library_node* node = selected_node();
    if (!node) return;
    transfers_->queue_selection(node);
    post_pump();
}

void main_window::about() {
    box_.show(u"A6 Patchwarden v1.00\r\n"
              u"A librarian for the Alesis A6 Andromeda.\r\n"
              u"Gets, sends, loads and saves Programs, Mixes and the Global Data.\r\n"
              u"Written in C++ with Qt. Free to use; comes with no warranty.",
              u"About", box_buttons::ok, box_icon::program);
}

void main_window::quit(int command_id) {
    // A port that will not close keeps the window open: the user can quit
    // again.
    run_guarded(box_, [this, command_id] {
        ports_->shutdown();
        done(command_id);
    });
}

void main_window::configure() {
    {
        midi_config_dialog dialog(this, *ports_, box_);
        dialog.exec();
    }
    refresh_device_fields();
    transfers_->release();
    // A queue that waited for replies moves on now, not only when the next
    // block arrives.
    post_pump();
}

void main_window::refresh_device_fields() {
    auto show = [this](int id, const std::optional<std::u16string>& name) {
        control<QLineEdit>(this, id)->setText(name ? QString::fromStdU16String(*name) : QStringLiteral("closed"));
    };
    show(main_ids::midi_in, ports_->input_name());
    show(main_ids::midi_out, ports_->output_name());
}

void main_window::choose_bank() {
    library_node* node = selected_node();
    const a6_message* record = library_.record_of(node);
    if (!record) record = library_.record_of(library_.first_child(node));
    if (!record || record->kind == global_dump) return;
    a6_message copy = *record;  // the library may change while dialogs are open
    const std::u16string text = field_text(main_ids::bank, 1023).toStdU16String();
    std::size_t pos = 0;
    int bank = copy.bank;
    if (parse_bank_spec(text, pos, copy.kind, bank, box_)) copy.bank = bank;
    bank_dialog dialog(this, copy);
    if (dialog.exec() == 1) {
        control<QLineEdit>(this, main_ids::bank)->setText(QString::fromStdU16String(bank_short_name(copy)));
    }
}

void main_window::choose_request() {
    get_dialog dialog(this, *request_);
    dialog.exec();
}

void main_window::unload() {
    unload_selection(library_, selected_node());
}

namespace {

// After Move or Copy: the entry stays in sight in its new place, its bank
// opened (scrolling to an entry opens the branches above it, and the
// library follows the view) and scrolled to, and the focus stays on the
// command's button, or goes to the tree when the button has been disabled
// (it would otherwise go on to the next control that takes it, a read-only
// field).
void show_placed(library_tree& library, library_model& model, QTreeView& tree, QWidget* button,
                 const library_node* placed) {
    if (library.contains(placed)) tree.scrollTo(model.index_of(placed));
    if (button && button->isEnabled())
        button->setFocus();
    else
        tree.setFocus();
}

}  // namespace

void main_window::move_selected() {
    const library_node* placed =
        move_selection(library_, selected_node(), field_text(main_ids::bank, 1023).toStdU16String(),
                       field_text(main_ids::number, 1023).toStdU16String(),
                       field_text(main_ids::name, 1023).toStdU16String(),
                       patchwarden::ask_flag([this] { return asks_before_replacing(); }), box_);
    show_placed(library_, *model_, *tree_, find_control(this, main_ids::move), placed);
}

void main_window::copy_selected() {
    const library_node* placed =
        copy_selection(library_, selected_node(), field_text(main_ids::bank, 1023).toStdU16String(),
                       field_text(main_ids::number, 1023).toStdU16String(),
                       field_text(main_ids::name, 1023).toStdU16String(),
                       patchwarden::ask_flag([this] { return asks_before_replacing(); }), box_);
    show_placed(library_, *model_, *tree_, find_control(this, main_ids::copy), placed);
}

void main_window::keyPressEvent(QKeyEvent* event) {
    // Escape never closes the window and stops nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void main_window::closeEvent(QCloseEvent* event) {
    // The close box, Alt+F4 and the window menu quit; the window goes when
    // quit has ended the dialog.
    event->ignore();
    quit(main_ids::cancel);
}

void main_window::reject() {
    // Reached only by Escape: nothing.
}

}  // namespace patchwarden
