#pragma once

// Shared pieces of the window tests: a scripted file chooser, dump makers,
// a temporary folder, and a way to act on the next modal dialog.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>
#include <unistd.h>

#include "data/a6_message.h"
#include "data/bytes.h"
#include "data/text.h"
#include "library/library_tree.h"
#include "tests/support/dumps.h"
#include "tests/support/scripted_file_chooser.h"
#include "tests/support/test_files.h"
#include "ui/files/file_chooser.h"
#include "ui/qt_message_box.h"

namespace patchwarden::testing {

// Runs action on the next box the message box seam opens, once it is
// showing.
inline void when_box_open(std::function<void(QMessageBox*)> action) {
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QMessageBox* box = qt_message_box::open_box();
        if (box && box->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(box);
        }
    });
    timer->start();
}

// Loads such a record into the library without asking.
inline void put(library_tree& library, message_box& box, message_kind kind, int bank, int number,
                std::u16string_view name) {
    library.insert_record(std::make_unique<a6_message>(make_dump(kind, bank, number, name)), false,
                          box_buttons::yes_no, box);
}

// Runs action on the next modal dialog to open (polling the application),
// for code that runs a dialog with exec().
// With a title, waits for a dialog of that title.
inline void when_modal(std::function<void(QWidget*)> action, QString title = {}) {
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, title] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && (title.isEmpty() || modal->windowTitle() == title)) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

}  // namespace patchwarden::testing
