#pragma once

// The library tree's context menu: what a right click on a node, or the
// Menu key and Shift+F10 on the selected one, offers. The first item
// compares the node with the instrument; the others are the window's own
// commands for the node, each doing exactly what its button does. The
// faces draw the items in this order and hand the chosen command to the
// window's logic; which items there are and which are enabled is decided
// here.

#include <string>
#include <vector>

namespace patchwarden {

class library_node;

// The command of "Compare with A6", which no button gives.
inline constexpr int compare_command = 1100;

struct menu_item {
    int command = 0;  // 0: a separator
    std::u16string caption;
    bool enabled = false;
};

// The menu for node; none for no node.
std::vector<menu_item> tree_menu(const library_node* node);

}  // namespace patchwarden
