#pragma once

// The transport's notifications as events for the window's thread. The
// relay (notification_relay) calls a posting_target on a transport thread;
// it posts one event to its receiver and returns at once. The receiver
// handles them in event(), also inside the nested loops of message boxes and
// dialogs, in the order they were posted.

#include <QCoreApplication>
#include <QEvent>
#include <cstdint>
#include <string>

#include "app/transfers/notification_relay.h"

class QObject;

namespace patchwarden {

// Blocks wait in midi_in (posted also by the window to itself to start a
// transfer); midi_out sent a chunk; a transport thread raised an error box.
inline constexpr QEvent::Type sysex_data_event = static_cast<QEvent::Type>(QEvent::User + 1);
inline constexpr QEvent::Type sysex_sent_event = static_cast<QEvent::Type>(QEvent::User + 2);
inline constexpr QEvent::Type transport_error_event = static_cast<QEvent::Type>(QEvent::User + 3);

class sysex_sent : public QEvent {
public:
    explicit sysex_sent(std::int32_t sent) : QEvent(sysex_sent_event), bytes(sent) {}
    std::int32_t bytes;
};

class transport_error : public QEvent {
public:
    explicit transport_error(std::u16string message) : QEvent(transport_error_event), text(std::move(message)) {}
    std::u16string text;
};

// Posts each notification to receiver. QCoreApplication::postEvent may be
// called from any thread; the relay makes sure none is posted once the
// receiver has detached.
class posting_target : public notification_target {
public:
    explicit posting_target(QObject* receiver) : receiver_(receiver) {}
    void data_ready() override { QCoreApplication::postEvent(receiver_, new QEvent(sysex_data_event)); }
    void bytes_sent(std::int32_t bytes) override { QCoreApplication::postEvent(receiver_, new sysex_sent(bytes)); }
    void show_error(std::u16string text) override {
        QCoreApplication::postEvent(receiver_, new transport_error(std::move(text)));
    }

private:
    QObject* receiver_;
};

}  // namespace patchwarden
