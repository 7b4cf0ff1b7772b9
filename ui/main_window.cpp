#include "ui/main_window.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include "app/dialogs/dialog_templates.h"
#include "app/files/names/dropped_files.h"
#include "library/library_tree.h"
#include "ui/controls/control_table.h"
#include "ui/controls/lined_tree_view.h"
#include "ui/files/dropped_files.h"
#include "ui/library_model.h"
#include "ui/program_icon.h"

namespace patchwarden {

namespace {

// Entry labels line up in columns in a fixed-pitch font.
QFont fixed_pitch_font() {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontMetrics(fixed).horizontalAdvance(QStringLiteral("iiii")) !=
        QFontMetrics(fixed).horizontalAdvance(QStringLiteral("WWWW"))) {
        // Some platforms name no fixed-pitch font; ask for any.
        fixed.setFamily(QStringLiteral("monospace"));
        fixed.setStyleHint(QFont::Monospace);
        fixed.setFixedPitch(true);
    }
    return fixed;
}

}  // namespace

main_window::main_window(library_tree& library, message_box& box, file_chooser& files, midi_ports* ports,
                         QWidget* parent)
    : table_dialog(parent, main_window_template) {
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setModal(false);

    tree_ = control<QTreeView>(this, main_ids::tree);
    bars_ = {control<QProgressBar>(this, main_ids::receive_bar), control<QProgressBar>(this, main_ids::send_bar)};
    model_ = new library_model(library, this);
    tree_->setModel(model_);
    tree_->setFont(fixed_pitch_font());
    icon_ = program_icon();
    setWindowIcon(icon_);

    logic_ = std::make_unique<main_window_logic>(static_cast<window_face&>(*this), library, box, files, ports, notifications_);
    set_logic(logic_.get());
    logic_->start(*this);

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { logic_->selection_changed(model_->node_of(current)); });
    // When the selected node goes, the tree makes a neighbour current; show
    // it selected too, once the change is over. The commands act on the
    // current node, so it is never left unselected (Ctrl+click and
    // Ctrl+Space would take the selection off it).
    auto select_current = [this] {
        const QModelIndex current = tree_->currentIndex();
        if (current.isValid() && !tree_->selectionModel()->isSelected(current)) {
            tree_->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
        }
    };
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, select_current,
            Qt::QueuedConnection);
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, select_current,
            Qt::QueuedConnection);
    connect(model_, &library_model::expansion_changed, tree_,
            [this](const QModelIndex& index, bool expanded) { tree_->setExpanded(index, expanded); });
    // The user opens and closes branches; the library keeps the state. A
    // branch the library itself opened is reported back here too, and then
    // changes nothing.
    auto follow_view = [this, &library](const QModelIndex& index, bool expanded) {
        library_node* node = model_->node_of(index);
        if (node && node->expanded() != expanded) library.set_expanded(node, expanded);
    };
    connect(tree_, &QTreeView::expanded, this, [follow_view](const QModelIndex& index) { follow_view(index, true); });
    connect(tree_, &QTreeView::collapsed, this, [follow_view](const QModelIndex& index) { follow_view(index, false); });

    // .syx files dropped on the window (the tree included) load as Load
    // loads them.
    setAcceptDrops(true);

    if (auto* lined = qobject_cast<lined_tree_view*>(tree_))
        connect(lined, &lined_tree_view::menu_requested, this, &main_window::show_tree_menu);
    // The logic's clock for requests the instrument does not answer.
    auto* ticker = new QTimer(this);
    connect(ticker, &QTimer::timeout, this, [this] {
        if (logic_) logic_->tick();
    });
    ticker->start(500);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

main_window::~main_window() {
    // From here on no notification of the transport reaches this window;
    // events already posted to it go with it.
    set_logic(nullptr);
    logic_.reset();
    // The model stops following the library before the tree view goes.
    tree_->setModel(nullptr);
    delete model_;
}

bool main_window::event(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == sysex_data_event) {
        logic_->data_ready();
        return true;
    }
    if (type == sysex_sent_event) {
        logic_->bytes_sent(static_cast<sysex_sent*>(event)->bytes);
        return true;
    }
    if (type == transport_error_event) {
        logic_->transport_error(std::move(static_cast<transport_error*>(event)->text));
        return true;
    }
    return QDialog::event(event);
}

void main_window::draw_bar(transfer_bar bar, int maximum, int position) {
    QProgressBar* shown = bars_[static_cast<std::size_t>(bar)];
    shown->setRange(0, maximum);
    shown->setValue(position);
}

void main_window::post_pump() {
    QCoreApplication::postEvent(this, new QEvent(sysex_data_event));
}

library_node* main_window::selected_node() const {
    return model_->node_of(tree_->currentIndex());
}

void main_window::select_node(const library_node* node) {
    const QModelIndex index = model_->index_of(node);
    if (!index.isValid()) {
        tree_->selectionModel()->clear();
        return;
    }
    tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

int main_window::run_dialog(dialog_logic& logic, dialog_controls& owner) {
    // The window and its dialogs are widgets as well as controls.
    auto* owner_widget = dynamic_cast<QWidget*>(&owner);
    return run_table_dialog(owner_widget ? owner_widget : this, logic);
}

void main_window::show_placed(const library_node* node, int focus_id) {
    // Scrolling to an entry opens the branches above it, and the library
    // follows the view.
    if (node) tree_->scrollTo(model_->index_of(node));
    if (QWidget* target = find_control(this, focus_id)) target->setFocus();
}

void main_window::show_tree_menu(const QPoint& at) {
    const std::vector<menu_item> items = logic_->context_menu();
    if (items.empty()) return;
    QMenu menu(this);
    for (const menu_item& item : items) {
        if (item.command == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdU16String(item.caption));
        action->setEnabled(item.enabled);
        action->setData(item.command);
    }
    if (const QAction* chosen = menu.exec(at)) logic_->command(chosen->data().toInt());
}

void main_window::load_files_later(std::vector<std::filesystem::path> paths) {
    // Once the event that brought them is over: the replace prompts run
    // nested loops, which a drop must not wait for.
    QTimer::singleShot(0, this, [this, paths = std::move(paths)] { logic_->load_files(paths); });
}

void main_window::dragEnterEvent(QDragEnterEvent* event) {
    if (!files_to_load(local_files_in(event->mimeData())).empty()) event->acceptProposedAction();
}

void main_window::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> paths = files_to_load(local_files_in(event->mimeData()));
    if (paths.empty()) return;
    event->acceptProposedAction();
    load_files_later(std::move(paths));
}

void main_window::keyPressEvent(QKeyEvent* event) {
    // Escape never closes the window and stops nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void main_window::closeEvent(QCloseEvent* event) {
    // The close box, Alt+F4 and the window menu quit; the window goes when
    // quit has ended the dialog.
    event->ignore();
    logic_->close();
}

}  // namespace patchwarden
