#pragma once

// The commands of the "Selected:" group that change the library: Unload,
// Move and Copy, of one entry or of every entry of a bank.
//
// They take the node selected in the tree (null for none; a node that is no
// longer in the tree counts as none) and the texts of the Bank, Number and
// Name fields as they stand when the command is given. Replace prompts and
// the bank messages go through box. A prompt may run a nested event loop in
// which the tree changes; the commands then act on the tree as it is after
// the answer and skip entries that have gone.

#include <functional>
#include <string_view>

#include "data/message_box.h"
#include "library/library_node.h"
#include "library/library_tree.h"

namespace patchwarden {

// Reads the ask flag (the "Ask before replacing" check box) each time an
// entry is about to be placed, so that a bank-wide Move or Copy follows a
// change the user makes while a prompt is open.
using ask_flag = std::function<bool()>;

// Removes the selected node and everything below it, then every node above
// it that is left empty. No question, no undo.
void unload_selection(library_tree& tree, library_node* selected);

// Gives the entry a new bank, number and name and puts it in its new place,
// replacing an entry there (asked first when ask is set). A refused prompt
// leaves the entry where it was, unchanged. Global Data and nodes without a
// record are left alone. Returns the entry in its new place, or null when
// it was not moved.
library_node* move_entry(library_tree& tree, library_node* entry, int bank, int number, std::u16string_view name,
                         bool ask, message_box& box);

// Puts a copy of the entry with the new bank, number and name in its place,
// replacing an entry there (asked first when ask is set), the source itself
// included when the copy lands on it. Global Data and nodes without a record
// are left alone. Returns the copy, or null when none was placed.
library_node* copy_entry(library_tree& tree, library_node* entry, int bank, int number, std::u16string_view name,
                         bool ask, message_box& box);

// Move of the selection: an entry goes to the bank, number and name of the
// fields; a bank node's entries all go to the bank of the Bank field, each
// keeping its number and name. A field that does not hold a valid value
// ends the command (an unknown Preset or Card is reported through box).
// Returns the entry placed (of a bank, the first one placed that is still
// there at the end), or null when none was.
library_node* move_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, const ask_flag& ask,
                              message_box& box);
library_node* move_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, bool ask,
                              message_box& box);

// Copy of the selection, as move_selection but leaving the sources.
library_node* copy_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, const ask_flag& ask,
                              message_box& box);
library_node* copy_selection(library_tree& tree, library_node* selected, std::u16string_view bank_text,
                              std::u16string_view number_text, std::u16string_view name_text, bool ask,
                              message_box& box);

// The entry number of the Number field: leading white space and a sign
// allowed, reading stops at the first non-digit. False when no number can
// be read or it is outside 0..127.
bool read_entry_number(std::u16string_view text, int& number);

}  // namespace patchwarden
