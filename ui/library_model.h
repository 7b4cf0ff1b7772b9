#pragma once

// The library tree as a Qt item model. It follows the tree's change
// notifications step by step (rows appended, removed, re-sorted), so views
// keep their scroll position, selection and expanded branches while the
// library changes, and a large load is never rebuilt from scratch.

#include <QAbstractItemModel>
#include <vector>

#include "library/library_observer.h"

namespace patchwarden {

class library_node;
class library_tree;

class library_model : public QAbstractItemModel, private library_observer {
    Q_OBJECT
public:
    explicit library_model(library_tree& tree, QObject* parent = nullptr);
    ~library_model() override;

    library_tree& tree() const { return tree_; }

    // The node of an index (null for the invalid index) and back.
    library_node* node_of(const QModelIndex& index) const;
    QModelIndex index_of(const library_node* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;

signals:
    // The library wants this node's children shown (or hidden).
    void expansion_changed(const QModelIndex& index, bool expanded);

private:
    void node_about_to_be_appended(const library_node* parent, int row) override;
    void node_appended(const library_node* node) override;
    void node_about_to_be_removed(const library_node* parent, int row, const library_node* node) override;
    void node_removed(const library_node* parent, int row) override;
    void children_about_to_be_sorted(const library_node* parent) override;
    void children_sorted(const library_node* parent, const std::vector<int>& new_row_of_old) override;
    void label_changed(const library_node* node) override;
    void expanded_changed(const library_node* node) override;

    library_tree& tree_;
    QModelIndexList sorting_;  // persistent indexes among the children being sorted
};

}  // namespace patchwarden
