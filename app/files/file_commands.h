#pragma once

// The window's Load and Save. Load merges every message of a .syx file into
// the library, asking before it replaces a loaded entry while the ask flag
// is set (Cancel there stops the load). Save writes the selected node's
// subtree in display order, asking first whether to append to a file that
// exists. Failures are told in a box with an empty caption; nothing else
// is said.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/files/syx_file.h"
#include "data/message_box.h"

namespace patchwarden {

class file_chooser;
class library_node;
class library_tree;

// A file name proposed from a node's label: the label cut to 255
// characters, without folder separators or zero units, with ".syx".
std::u16string proposed_file_name(std::u16string label);

// Loads the file at path into the library; ask tells, before each
// insertion, whether replacing asks first, and stop, after each, whether
// the load must end there (the window quit while a prompt was open). False
// when the user stopped the load with Cancel, or stop did.
bool load_syx_file(library_tree& library, message_box& box, const std::filesystem::path& path,
                   const std::function<bool()>& ask, const std::function<bool()>& stop = {});

// Loads each file in order, as Load does; Cancel at a prompt stops there,
// the files after it included. For the files named on the command line and
// the files dropped on the window.
void load_syx_files(library_tree& library, message_box& box, const std::vector<std::filesystem::path>& paths,
                    const std::function<bool()>& ask, const std::function<bool()>& stop = {});

// Load: asks for a file, then loads it.
void load_syx(library_tree& library, message_box& box, file_chooser& files, const std::function<bool()>& ask,
              const std::function<bool()>& stop = {});

// Save: selected tells the node selected now (it may change while the file
// dialog is open); writer replaces the file writes, for tests.
void save_syx(library_tree& library, message_box& box, file_chooser& files,
              const std::function<library_node*()>& selected, const block_writer& writer = {});

}  // namespace patchwarden
