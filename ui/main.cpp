// Patchwarden: a librarian for the Alesis A6 Andromeda.

#include <QApplication>

#include "library/library_tree.h"
#include "ui/file_chooser.h"
#include "ui/main_window.h"
#include "ui/program_icon.h"
#include "ui/qt_message_box.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setWindowIcon(patchwarden::program_icon());

    patchwarden::library_tree library;
    patchwarden::qt_message_box box(patchwarden::program_icon());
    patchwarden::qt_file_chooser files;
    patchwarden::main_window window(library, box, files);
    QObject::connect(&window, &QDialog::finished, &app, &QCoreApplication::quit);
    window.show();
    app.exec();
    return 0;
}
