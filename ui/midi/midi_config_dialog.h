#pragma once

// "MIDI Configuration": chooses the MIDI input and output, the output's
// buffer size and pause, and finds the pair an A6 Andromeda is connected to
// ("&Find A6"). It is the only place that opens the ports: OK closes both and
// opens the chosen pair with its notifications to the window; "&Find A6"
// leaves both closed; Cancel, Escape and the close box change nothing. A
// transport error is shown in an "Error" box and the dialog stays open.

#include <QDialog>
#include <cstdint>

#include "data/message_box.h"

class QComboBox;
class QLineEdit;
class QString;

namespace patchwarden {

class midi_ports;

class midi_config_dialog : public QDialog {
    Q_OBJECT
public:
    // Refreshes the device list and fills the dialog: every input and
    // output in list order with the first of each selected, and the
    // default buffer size and pause.
    midi_config_dialog(QWidget* owner, midi_ports& ports, message_box& box);

    // OK ends the dialog with 1; Cancel, Escape and the close box with 2.
    void done(int result) override;

    // A setting as OK reads it: decimal text read the way the C library
    // reads a number, clamped to 32 bits; a value of 0 or less (empty text,
    // no leading digits, a negative number) gives the default instead.
    static std::int32_t setting_value(const QString& text, std::int32_t default_value);

private:
    void fill();
    void confirm();
    void find();

    midi_ports& ports_;
    message_box& box_;
    QComboBox* inputs_;
    QComboBox* outputs_;
    QLineEdit* buffer_size_;
    QLineEdit* pause_;
};

}  // namespace patchwarden
