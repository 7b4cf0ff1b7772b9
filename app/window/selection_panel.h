#pragma once

// The "Selected:" group follows the tree's selection. An entry fills in its
// bank (while that "&Update on selection" is checked), its number (the
// same) and its name, and enables every control of the group. A bank node
// fills in the bank of its first entry and enables the Bank field, "...",
// Move and Copy. Anything else (Global Data, the group nodes, no node)
// disables the group and leaves its texts alone.

namespace patchwarden {

class dialog_controls;
class library_node;
class library_tree;

void update_selection_panel(dialog_controls& window, const library_tree& library, const library_node* node);

}  // namespace patchwarden
