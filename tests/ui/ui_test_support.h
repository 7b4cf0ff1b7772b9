#pragma once

// Shared pieces of the Qt window tests: the dump makers, temporary folder
// and scripted file chooser of every test, and ways to act on the next box
// or modal dialog once it shows.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>

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
