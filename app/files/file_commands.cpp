#include "app/files/file_commands.h"

#include <filesystem>
#include <memory>

#include "app/files/file_chooser.h"
#include "app/files/names/path_text.h"
#include "data/a6_message.h"
#include "data/text.h"
#include "library/library_tree.h"

namespace patchwarden {

namespace {

constexpr std::u16string_view append_question =
    u"%s allready exists.\r\n Would you like to append to it?\r\n(Select 'Cancel' to not save anything)";

}  // namespace

std::u16string proposed_file_name(std::u16string label) {
    if (label.size() > 255) label.resize(255);
    for (char16_t& c : label) {
        if (c == u'/' || c == u'\\' || c == u'\0') c = u'_';
    }
    return label + u".syx";
}

bool load_syx_file(library_tree& library, message_box& box, const std::filesystem::path& path,
                   const std::function<bool()>& ask, const std::function<bool()>& stop) {
    const read_result result = read_syx_file(path, [&](byte_vector&& candidate) {
        auto record = std::make_unique<a6_message>(parse_message(std::move(candidate)));
        // Only a dump may replace an entry. The flag is read from the window
        // for dumps alone: a file of foreign bytes holds a candidate every few
        // hundred bytes, and a look at the window for each would cost far more
        // than reading the file.
        const bool dump = record->kind == program_dump || record->kind == mix_dump || record->kind == global_dump;
        const bool asks = dump && ask();
        const box_answer answer = library.insert_record(std::move(record), asks, box_buttons::yes_no_cancel, box);
        return answer != box_answer::cancel && !(stop && stop());
    });
    if (result == read_result::open_failed) {
        box.show(fill(u"Can't open %s", {path_text(path)}), u"", box_buttons::ok, box_icon::error);
    } else if (result == read_result::read_failed) {
        box.show(fill(u"Can't read all of %s", {path_text(path)}), u"", box_buttons::ok, box_icon::error);
    }
    return result != read_result::stopped;
}

void load_syx_files(library_tree& library, message_box& box, const std::vector<std::filesystem::path>& paths,
                    const std::function<bool()>& ask, const std::function<bool()>& stop) {
    for (const std::filesystem::path& path : paths) {
        if ((stop && stop()) || !load_syx_file(library, box, path, ask, stop)) return;
    }
}

void load_syx(library_tree& library, message_box& box, file_chooser& files, const std::function<bool()>& ask,
              const std::function<bool()>& stop) {
    const auto chosen = files.choose_open();
    if (chosen) load_syx_file(library, box, *chosen, ask, stop);
}

void save_syx(library_tree& library, message_box& box, file_chooser& files,
              const std::function<library_node*()>& selected, const block_writer& writer) {
    const library_node* node = selected();
    if (!node) return;
    const auto chosen = files.choose_save(proposed_file_name(node->label()));
    if (!chosen) return;
    library_node* current = selected();
    if (!current) return;
    outgoing_queue list;
    library.walk_subtree(current, list);

    const std::filesystem::path& path = *chosen;
    write_mode mode = write_mode::replace;
    if (syx_file_exists(path)) {
        const box_answer answer =
            box.show(fill(append_question, {path_text(path)}), u"", box_buttons::yes_no_cancel, box_icon::question);
        if (answer == box_answer::cancel) return;
        if (answer == box_answer::yes) mode = write_mode::append;
    }
    if (!write_syx_file(path, list, mode, writer)) {
        box.show(fill(u"Can't save to %s", {path_text(path)}), u"", box_buttons::ok, box_icon::error);
    }
}

}  // namespace patchwarden
