#include "ui/controls/control_table.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeView>

#include "ui/controls/framed_group_box.h"
#include "ui/controls/lined_tree_view.h"
#include "ui/controls/wrapping_check_box.h"

namespace patchwarden {

namespace {

constexpr const char* id_property = "control_id";

// A push button that takes Enter when it has the focus, as dialog buttons do.
class dialog_push_button : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
            event->accept();
            click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

QWidget* make_control(QDialog& dialog, const control_spec& spec) {
    const QString caption = caption_text(spec);
    switch (spec.kind) {
    case control_kind::push_button:
    case control_kind::default_push_button: {
        auto* button = new dialog_push_button(caption, &dialog);
        // No button becomes the default by having the focus; only the
        // table makes one the default.
        button->setAutoDefault(false);
        button->setDefault(spec.kind == control_kind::default_push_button);
        return button;
    }
    case control_kind::check_box:
        if (spec.style & style_wraps) return new wrapping_check_box(caption, &dialog);
        return new QCheckBox(caption, &dialog);
    case control_kind::radio_button:
        return new QRadioButton(caption, &dialog);
    case control_kind::edit: {
        auto* edit = new QLineEdit(caption, &dialog);
        edit->setReadOnly(spec.style & style_read_only);
        if (spec.style & style_digits_only) {
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        return edit;
    }
    case control_kind::static_text: {
        auto* label = new QLabel(caption, &dialog);
        label->setAlignment(Qt::AlignLeft | ((spec.style & style_centre_vertically) ? Qt::AlignVCenter : Qt::AlignTop));
        label->setWordWrap(true);
        return label;
    }
    case control_kind::group_box: {
        auto* group = new framed_group_box(caption, &dialog);
        // A group box only frames the controls that lie over it.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->setFocusPolicy(Qt::NoFocus);
        return group;
    }
    case control_kind::progress_bar: {
        auto* bar = new QProgressBar(&dialog);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    case control_kind::tree_view: {
        auto* tree = new lined_tree_view(&dialog);
        tree->setHeaderHidden(true);
        tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree->setDragEnabled(false);
        tree->setRootIsDecorated(true);
        tree->setUniformRowHeights(true);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        tree->header()->setStretchLastSection(false);
        return tree;
    }
    case control_kind::drop_down_list: {
        auto* list = new QComboBox(&dialog);
        list->setEditable(false);
        list->setMaxVisibleItems(12);
        return list;
    }
    }
    return nullptr;
}

}  // namespace

QString caption_text(const control_spec& spec) {
    return spec.caption ? QString::fromUtf8(spec.caption) : QString();
}

QPoint dialog_base_units(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average of the 52 letters, rounded to the nearest pixel.
    return QPoint((width / 26 + 1) / 2, metrics.height());
}

QRect dialog_units_to_pixels(const QRect& units, const QFont& font) {
    const QPoint base = dialog_base_units(font);
    auto scale = [](int dlu, int base_units, int divisor) { return (dlu * base_units + divisor / 2) / divisor; };
    const int left = scale(units.x(), base.x(), 4);
    const int top = scale(units.y(), base.y(), 8);
    const int right = scale(units.x() + units.width(), base.x(), 4);
    const int bottom = scale(units.y() + units.height(), base.y(), 8);
    return QRect(left, top, right - left, bottom - top);
}

QFont dialog_font() {
    // Dialog units were made for narrow sans-serif faces; a wide face would
    // not fit the captions into their controls.
    QFont font = QApplication::font();
    for (const char* family : {"Tahoma", "Segoe UI", "Liberation Sans", "Arial", "Nimbus Sans", "Helvetica"}) {
        QFont candidate = font;
        candidate.setFamily(QString::fromLatin1(family));
        // Families come with their foundry: "Nimbus Sans [urw]".
        if (QFontInfo(candidate).family().startsWith(QString::fromLatin1(family))) return candidate;
    }
    return font;
}

void build_dialog(QDialog& dialog, const dialog_spec& spec) {
    dialog.setFont(dialog_font());
    const QFont font = dialog.font();
    dialog.setWindowTitle(QString::fromUtf8(spec.caption));
    dialog.setFixedSize(dialog_units_to_pixels(QRect(0, 0, spec.w, spec.h), font).size());
    QWidget* previous = nullptr;
    for (const control_spec& entry : spec.controls) {
        QWidget* widget = make_control(dialog, entry);
        widget->setProperty(id_property, entry.id);
        if (entry.id != no_id) widget->setObjectName(QStringLiteral("control_%1").arg(entry.id));
        widget->setGeometry(dialog_units_to_pixels(QRect(entry.x, entry.y, entry.w, entry.h), font));
        widget->setEnabled(!(entry.style & style_disabled));
        if (entry.kind == control_kind::group_box) {
            widget->lower();
        } else if (widget->focusPolicy() != Qt::NoFocus && entry.kind != control_kind::static_text) {
            // Tab follows the order of the table.
            if (previous) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

QWidget* find_control(const QWidget* dialog, int id) {
    if (!dialog || id == no_id) return nullptr;
    const auto children = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        const QVariant value = child->property(id_property);
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

int control_id(const QWidget* widget) {
    if (!widget) return no_id;
    const QVariant value = widget->property(id_property);
    return value.isValid() ? value.toInt() : no_id;
}

}  // namespace patchwarden
