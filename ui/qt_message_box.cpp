#include "ui/qt_message_box.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QWindow>
#include <optional>
#include <vector>

namespace patchwarden {

namespace {

std::vector<QPointer<QMessageBox>>& open_boxes() {
    static std::vector<QPointer<QMessageBox>> boxes;
    return boxes;
}

std::optional<box_answer> answer_of(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok: return box_answer::ok;
    case QMessageBox::Yes: return box_answer::yes;
    case QMessageBox::No: return box_answer::no;
    case QMessageBox::Cancel: return box_answer::cancel;
    default: return std::nullopt;  // closed without a button
    }
}

}  // namespace

QString box_text(const std::u16string& text) {
    QString out = QString::fromStdU16String(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

QMessageBox* qt_message_box::open_box() {
    auto& boxes = open_boxes();
    for (auto it = boxes.rbegin(); it != boxes.rend(); ++it) {
        if (*it && (*it)->isVisible()) return it->data();
    }
    return nullptr;
}

box_answer qt_message_box::show(const std::u16string& text, const std::u16string& caption, box_buttons buttons,
                                box_icon icon) {
    QPointer<QMessageBox> box = new QMessageBox();
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->setWindowModality(Qt::NonModal);
    box->setWindowTitle(QString::fromStdU16String(caption));
    box->setText(box_text(text));
    box->setTextFormat(Qt::PlainText);
    switch (buttons) {
    case box_buttons::ok: box->setStandardButtons(QMessageBox::Ok); break;
    case box_buttons::yes_no: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case box_buttons::yes_no_cancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (icon) {
    case box_icon::none: box->setIcon(QMessageBox::NoIcon); break;
    case box_icon::error: box->setIcon(QMessageBox::Critical); break;
    case box_icon::question: box->setIcon(QMessageBox::Question); break;
    case box_icon::information: box->setIcon(QMessageBox::Information); break;
    case box_icon::program:
        box->setIconPixmap(program_icon_.pixmap(48, 48));
        box->setWindowIcon(program_icon_);
        break;
    }

    QEventLoop loop;
    QObject::connect(box.data(), &QMessageBox::finished, &loop, &QEventLoop::quit);
    open_boxes().push_back(box);
    // A box opened while a dialog runs modally (the found box, an error
    // shown by the configuration dialog) would be blocked by that dialog
    // like every other window: it stands over the dialog instead, still
    // without an owner widget.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        box->winId();
        if (box->windowHandle() && modal->windowHandle()) box->windowHandle()->setTransientParent(modal->windowHandle());
    }
    box->show();
    box->raise();
    box->activateWindow();
    // Not exec(): that would make the box application-modal.
    if (box->isVisible()) loop.exec();

    auto& boxes = open_boxes();
    std::erase(boxes, box);
    std::erase_if(boxes, [](const QPointer<QMessageBox>& b) { return b.isNull(); });
    if (!box) return box_result(buttons, std::nullopt);
    const box_answer answer = box_result(buttons, answer_of(box->standardButton(box->clickedButton())));
    box->hide();
    delete box.data();
    return answer;
}

}  // namespace patchwarden
