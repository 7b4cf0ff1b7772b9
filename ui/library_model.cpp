#include "ui/library_model.h"

#include "library/library_tree.h"

namespace patchwarden {

library_model::library_model(library_tree& tree, QObject* parent) : QAbstractItemModel(parent), tree_(tree) {
    tree_.add_observer(this);
}

library_model::~library_model() {
    tree_.remove_observer(this);
}

library_node* library_model::node_of(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    return static_cast<library_node*>(index.internalPointer());
}

QModelIndex library_model::index_of(const library_node* node) const {
    if (!node) return {};
    return createIndex(node->row(), 0, const_cast<library_node*>(node));
}

QModelIndex library_model::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const library_node* parent_node = node_of(parent);
    if (parent.isValid() && !parent_node) return {};
    const auto& siblings = parent_node ? parent_node->children() : tree_.top_level();
    if (row >= static_cast<int>(siblings.size())) return {};
    return createIndex(row, 0, siblings[static_cast<std::size_t>(row)].get());
}

QModelIndex library_model::parent(const QModelIndex& child) const {
    const library_node* node = node_of(child);
    return node ? index_of(node->parent()) : QModelIndex();
}

int library_model::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    const library_node* node = node_of(parent);
    if (parent.isValid()) return node ? node->child_count() : 0;
    return static_cast<int>(tree_.top_level().size());
}

int library_model::columnCount(const QModelIndex&) const {
    return 1;
}

bool library_model::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant library_model::data(const QModelIndex& index, int role) const {
    const library_node* node = node_of(index);
    if (!node) return {};
    if (role == Qt::DisplayRole) return QString::fromStdU16String(node->label());
    return {};
}

Qt::ItemFlags library_model::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void library_model::node_about_to_be_appended(const library_node* parent, int row) {
    beginInsertRows(index_of(parent), row, row);
}

void library_model::node_appended(const library_node*) {
    endInsertRows();
}

void library_model::node_about_to_be_removed(const library_node* parent, int row, const library_node*) {
    beginRemoveRows(index_of(parent), row, row);
}

void library_model::node_removed(const library_node*, int) {
    endRemoveRows();
}

void library_model::children_about_to_be_sorted(const library_node* parent) {
    const QModelIndex parent_index = index_of(parent);
    emit layoutAboutToBeChanged({QPersistentModelIndex(parent_index)}, QAbstractItemModel::VerticalSortHint);
    sorting_.clear();
    const auto persistent = persistentIndexList();
    for (const QModelIndex& index : persistent) {
        if (index.isValid() && node_of(index) && node_of(index)->parent() == parent) sorting_.push_back(index);
    }
}

void library_model::children_sorted(const library_node* parent, const std::vector<int>& new_row_of_old) {
    for (const QModelIndex& old_index : sorting_) {
        const auto old_row = static_cast<std::size_t>(old_index.row());
        if (old_row >= new_row_of_old.size()) continue;
        const int new_row = new_row_of_old[old_row];
        const library_node* moved =
            parent ? parent->child(new_row) : tree_.top_level()[static_cast<std::size_t>(new_row)].get();
        changePersistentIndex(old_index, createIndex(new_row, 0, const_cast<library_node*>(moved)));
    }
    sorting_.clear();
    emit layoutChanged({QPersistentModelIndex(index_of(parent))}, QAbstractItemModel::VerticalSortHint);
}

void library_model::label_changed(const library_node* node) {
    const QModelIndex index = index_of(node);
    emit dataChanged(index, index, {Qt::DisplayRole});
}

void library_model::expanded_changed(const library_node* node) {
    emit expansion_changed(index_of(node), node->expanded());
}

}  // namespace patchwarden
