#include "app/window/tree_menu.h"

#include "app/dialogs/dialog_templates.h"
#include "library/library_node.h"

namespace patchwarden {

namespace {

// Whether an entry hangs at or below node: there is something to compare,
// send or save.
bool holds_entries(const library_node& node) {
    if (node.record()) return true;
    for (const auto& child : node.children())
        if (holds_entries(*child)) return true;
    return false;
}

}  // namespace

std::vector<menu_item> tree_menu(const library_node* node) {
    if (!node) return {};
    const bool entries = holds_entries(*node);
    return {
        {compare_command, u"Compare with A6", entries},
        {0, u"", false},
        {main_ids::send, u"&Send", entries},
        {main_ids::save, u"Sa&ve...", entries},
        {0, u"", false},
        {main_ids::unload, u"U&nload", true},
    };
}

}  // namespace patchwarden
