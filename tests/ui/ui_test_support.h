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
#include "tests/support/scripted_file_chooser.h"
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

// A Program or Mix record with a body that tells it apart from others.
inline a6_message make_dump(message_kind kind, int bank, int number, std::u16string_view name, unsigned seed = 1) {
    a6_message record(kind, bank, number);
    record.data.resize(kind == program_dump ? program_body_size : kind == mix_dump ? mix_body_size : global_body_size);
    std::mt19937 random(seed * 7919u + static_cast<unsigned>(bank * 128 + number) + (kind == mix_dump ? 100000u : 0u));
    for (auto& byte : record.data) byte = static_cast<std::uint8_t>(random());
    if (kind != global_dump) set_name(record, name);
    return record;
}

// Loads such a record into the library without asking.
inline void put(library_tree& library, message_box& box, message_kind kind, int bank, int number,
                std::u16string_view name) {
    library.insert_record(std::make_unique<a6_message>(make_dump(kind, bank, number, name)), false,
                          box_buttons::yes_no, box);
}

inline byte_vector dump_bytes(message_kind kind, int bank, int number, std::u16string_view name, unsigned seed = 1) {
    a6_message record = make_dump(kind, bank, number, name, seed);
    return encode_message(record);
}

inline byte_vector read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return byte_vector(std::istreambuf_iterator<char>(in), {});
}

inline void write_bytes(const std::filesystem::path& path, const byte_vector& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void append(byte_vector& to, const byte_vector& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// A fresh folder under the system's temporary folder, removed at the end.
class temp_folder {
public:
    temp_folder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("pw_ui_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~temp_folder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }
    std::u16string file(const std::string& name) const { return (path_ / name).u16string(); }
    // Every entry of the folder (to find left-over temporary files).
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
        return out;
    }

private:
    std::filesystem::path path_;
};

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
