#include "ui/midi/midi_config_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "midi/find_a6.h"
#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"
#include "app/error_guard.h"
#include "ui/dialogs/range_dialog.h"
#include "app/transfers/midi_ports.h"

namespace patchwarden {

namespace {

// Device names are read into texts of this many units, the zero included.
constexpr int name_capacity = 256;

// The busy cursor while the search holds the interface thread.
class busy_cursor {
public:
    busy_cursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~busy_cursor() { end(); }
    busy_cursor(const busy_cursor&) = delete;
    busy_cursor& operator=(const busy_cursor&) = delete;
    void end() {
        if (!on_) return;
        on_ = false;
        QApplication::restoreOverrideCursor();
    }

private:
    bool on_ = true;
};

}  // namespace

midi_config_dialog::midi_config_dialog(QWidget* owner, midi_ports& ports, message_box& box)
    : QDialog(owner), ports_(ports), box_(box) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    build_dialog(*this, config_dialog_template);
    inputs_ = control<QComboBox>(this, config_ids::input_list);
    outputs_ = control<QComboBox>(this, config_ids::output_list);
    buffer_size_ = control<QLineEdit>(this, config_ids::buffer_size);
    pause_ = control<QLineEdit>(this, config_ids::pause);

    connect(control<QPushButton>(this, config_ids::ok), &QPushButton::clicked, this,
            [this] { run_guarded(box_, [this] { confirm(); }); });
    connect(control<QPushButton>(this, config_ids::find_a6), &QPushButton::clicked, this,
            [this] { run_guarded(box_, [this] { find(); }); });
    connect(control<QPushButton>(this, config_ids::cancel), &QPushButton::clicked, this, [this] { done(2); });

    run_guarded(box_, [this] { fill(); });
}

void midi_config_dialog::done(int result) {
    QDialog::done(result == QDialog::Rejected ? 2 : result);
}

std::int32_t midi_config_dialog::setting_value(const QString& text, std::int32_t default_value) {
    const int value = decimal_value(text.left(256));
    return value > 0 ? value : default_value;
}

void midi_config_dialog::fill() {
    // The edits show the defaults every time, not the values in force.
    buffer_size_->setText(QString::number(default_buffer_size));
    pause_->setText(QString::number(default_pause_ms));

    device_list& devices = ports_.devices();
    devices.refresh();
    std::u16string name;
    for (int i = 0; i < devices.input_count(); ++i) {
        sysex_in::dev_string(devices, i, name_capacity, name);
        inputs_->addItem(QString::fromStdU16String(name));
    }
    inputs_->setCurrentIndex(inputs_->count() > 0 ? 0 : -1);
    for (int i = 0; i < devices.output_count(); ++i) {
        sysex_out::dev_string(devices, i, name_capacity, name);
        outputs_->addItem(QString::fromStdU16String(name));
    }
    outputs_->setCurrentIndex(outputs_->count() > 0 ? 0 : -1);
}

void midi_config_dialog::confirm() {
    const int input = inputs_->currentIndex();
    const int output = outputs_->currentIndex();
    const std::int32_t buffer_size = setting_value(buffer_size_->text(), default_buffer_size);
    const std::int32_t pause_ms = setting_value(pause_->text(), default_pause_ms);
    ports_.open(input, output, buffer_size, pause_ms);
    done(1);
}

void midi_config_dialog::find() {
    busy_cursor busy;
    const auto found = find_a6(ports_.in(), ports_.out(), ports_.devices(), inputs_->currentIndex(),
                               outputs_->currentIndex(), ports_.clock());
    if (!found) return;
    // The box comes once both devices are closed again and the pair shows
    // selected: it runs a nested event loop, in which the user may already
    // confirm the pair.
    inputs_->setCurrentIndex(found->input);
    outputs_->setCurrentIndex(found->output);
    busy.end();
    box_.show(found_text(*found), u"", box_buttons::ok, box_icon::information);
}

}  // namespace patchwarden
