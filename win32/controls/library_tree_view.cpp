#include "win32/controls/library_tree_view.h"

#include <string>

#include "library/library_tree.h"
#include "win32/wide_text.h"

namespace patchwarden {

namespace {

library_node* node_of(LPARAM param) {
    return reinterpret_cast<library_node*>(param);
}

int CALLBACK by_row(LPARAM first, LPARAM second, LPARAM) {
    return node_of(first)->row() - node_of(second)->row();
}

// Shift+F10 asks the window for the context menu, as the Menu key does.
// Windows' default handling would too, but Wine's tree control keeps the
// key to itself.
LRESULT CALLBACK menu_keys(HWND tree, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if (message == WM_SYSKEYDOWN && wparam == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000)) {
        SendMessageW(GetParent(tree), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree), -1);
        return 0;
    }
    return DefSubclassProc(tree, message, wparam, lparam);
}

constexpr UINT_PTR menu_keys_id = 1;

}  // namespace

library_tree_view::library_tree_view(HWND tree, library_tree& library, std::function<void(library_node*)> on_selection)
    : tree_(tree), library_(library), on_selection_(std::move(on_selection)) {
    for (const auto& top : library_.top_level()) insert(top.get());
    library_.add_observer(this);
    SetWindowSubclass(tree_, menu_keys, menu_keys_id, 0);
}

library_tree_view::~library_tree_view() {
    RemoveWindowSubclass(tree_, menu_keys, menu_keys_id);
    library_.remove_observer(this);
}

HTREEITEM library_tree_view::item_of(const library_node* node) const {
    const auto found = items_.find(node);
    return found == items_.end() ? nullptr : found->second;
}

library_node* library_tree_view::selected() const {
    TVITEMW item{};
    item.mask = TVIF_PARAM;
    item.hItem = reinterpret_cast<HTREEITEM>(send(TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item.hItem || !send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return node_of(item.lParam);
}

void library_tree_view::select(const library_node* node) {
    send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item_of(node)));
}

bool library_tree_view::menu_point(POINT& where) {
    if (where.x == -1 && where.y == -1) {
        const auto item = reinterpret_cast<HTREEITEM>(send(TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (!item) return false;
        send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        RECT label{};
        if (!TreeView_GetItemRect(tree_, item, &label, TRUE)) return false;
        where = {label.left + (label.bottom - label.top), label.bottom};
        return ClientToScreen(tree_, &where) != FALSE;
    }
    TVHITTESTINFO hit{};
    hit.pt = where;
    ScreenToClient(tree_, &hit.pt);
    const auto item = reinterpret_cast<HTREEITEM>(send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (!item || !(hit.flags & TVHT_ONITEM)) return false;
    send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return true;
}

void library_tree_view::ensure_visible(const library_node* node) {
    const HTREEITEM item = item_of(node);
    if (!item) return;
    send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    // The library follows the branches the tree has opened.
    for (library_node* above = node->parent(); above; above = above->parent()) {
        const auto state = send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_of(above)), TVIS_EXPANDED);
        if ((state & TVIS_EXPANDED) && !above->expanded()) library_.set_expanded(above, true);
    }
}

void library_tree_view::notified(const NMHDR& header) {
    const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
    if (header.code == TVN_SELCHANGEDW) {
        if (on_selection_) on_selection_(change.itemNew.hItem ? node_of(change.itemNew.lParam) : nullptr);
    } else if (header.code == TVN_ITEMEXPANDEDW) {
        // The user opened or closed a branch; the library keeps the state.
        library_node* node = node_of(change.itemNew.lParam);
        const bool expanded = (change.itemNew.state & TVIS_EXPANDED) != 0;
        if (node && node->expanded() != expanded) library_.set_expanded(node, expanded);
    }
}

void library_tree_view::insert(const library_node* node) {
    std::wstring label = to_wide(node->label());
    TVINSERTSTRUCTW insertion{};
    const HTREEITEM parent = node->parent() ? item_of(node->parent()) : TVI_ROOT;
    insertion.hParent = parent;
    insertion.hInsertAfter = TVI_LAST;
    insertion.item.mask = TVIF_TEXT | TVIF_PARAM;
    insertion.item.pszText = label.data();
    insertion.item.lParam = reinterpret_cast<LPARAM>(node);
    items_[node] = reinterpret_cast<HTREEITEM>(send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insertion)));
    for (const auto& child : node->children()) insert(child.get());
    // A branch opens only once it has children: the library may have
    // opened the node before its first child came.
    if (node->expanded()) send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(items_[node]));
    if (node->parent() && node->parent()->expanded()) send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
}

void library_tree_view::forget_subtree(const library_node* node) {
    items_.erase(node);
    for (const auto& child : node->children()) forget_subtree(child.get());
}

void library_tree_view::node_appended(const library_node* node) {
    insert(node);
}

void library_tree_view::node_about_to_be_removed(const library_node*, int, const library_node* node) {
    removing_ = item_of(node);
    forget_subtree(node);
}

void library_tree_view::node_removed(const library_node*, int) {
    const HTREEITEM item = removing_;
    removing_ = nullptr;
    if (item) send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

void library_tree_view::children_sorted(const library_node* parent, const std::vector<int>&) {
    TVSORTCB sort{};
    sort.hParent = parent ? item_of(parent) : TVI_ROOT;
    sort.lpfnCompare = by_row;
    send(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void library_tree_view::label_changed(const library_node* node) {
    std::wstring label = to_wide(node->label());
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = item_of(node);
    item.pszText = label.data();
    if (item.hItem) send(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void library_tree_view::expanded_changed(const library_node* node) {
    if (const HTREEITEM item = item_of(node))
        send(TVM_EXPAND, node->expanded() ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
}

}  // namespace patchwarden
