#pragma once

// The transport's notifications as messages posted to the main window. The
// relay (notification_relay) calls a posting_target on a transport thread;
// it posts one message and returns at once. The window handles them on its
// own thread, also inside the modal loops of dialogs and message boxes,
// which dispatch every message of the thread, in the order posted.
//
//   WM_SYSEX_DATA   blocks wait in midi_in (the window posts it to itself,
//                   too, to start a transfer); wParam and lParam 0
//   WM_SYSEX_SENT   midi_out sent a chunk; lParam = its bytes
//   WM_SYSEX_ERROR  a transport thread raised an error box; lParam = a
//                   std::u16string made with new, which the receiver
//                   deletes
//
// The first two share their numbers with the dialog manager's DM_SETDEFID
// and DM_REPOSITION: the window takes them as notifications only when
// their parameters say so (wParam 0, and a byte count above 0).

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "app/transfers/notification_relay.h"

namespace patchwarden {

inline constexpr UINT WM_SYSEX_DATA = WM_USER + 1;
inline constexpr UINT WM_SYSEX_SENT = WM_USER + 2;
inline constexpr UINT WM_SYSEX_ERROR = WM_USER + 3;
// The window posts this to itself to load files once the message that
// brought them is over: the files named on the command line once it shows,
// the files dropped on it once the drop has ended.
inline constexpr UINT WM_LOAD_FILES = WM_APP + 1;

class posting_target : public notification_target {
public:
    // The window to post to, once it exists; null stops the posting.
    void set_window(HWND window) { window_.store(window); }

    void data_ready() override { post(WM_SYSEX_DATA, 0); }
    void bytes_sent(std::int32_t bytes) override { post(WM_SYSEX_SENT, bytes); }
    void show_error(std::u16string text) override {
        auto* posted = new std::u16string(std::move(text));
        if (!post(WM_SYSEX_ERROR, reinterpret_cast<LPARAM>(posted))) delete posted;
    }

private:
    // Never with a null window, which would post to the calling thread.
    bool post(UINT message, LPARAM lparam) {
        const HWND window = window_.load();
        return window && PostMessageW(window, message, 0, lparam);
    }

    std::atomic<HWND> window_{nullptr};
};

}  // namespace patchwarden
