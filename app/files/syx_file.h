#pragma once

// Reading and writing .syx files: complete SysEx messages back to back.
// Reading goes in blocks, but hands the candidate messages on one at a time
// in file order, so the caller can stop at any of them. Writing never leaves
// a half-written file behind where that can be helped: a replaced file is
// written beside the old one and renamed over it at the end, and a failed
// append is cut back to the file's old length (or removed, when the append
// made it). Only where the folder refuses a new file, or refuses to let it
// replace the old one, is the old file itself emptied and written, and a
// failure part-way then leaves it cut short.
//
// Nothing here waits for another program: a pipe, a device or a kernel file
// that would keep the reader waiting, or never end, is not read, and a pipe
// is written only while a program at its other end reads it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

#include "data/bytes.h"
#include "data/request_text.h"

namespace patchwarden {

enum class read_result {
    complete,     // every byte was read
    stopped,      // the candidate handler asked to stop
    open_failed,  // the file could not be opened, is not an ordinary file
                  // (a folder, a pipe or a device), or reading it would wait
    read_failed,  // reading failed part-way; the candidates before stay handed on
};

inline constexpr std::size_t syx_read_block = 64 * 1024;

// Candidates longer than this (far longer than the longest dump) are
// skipped without being held in memory whole.
inline constexpr std::size_t syx_longest_candidate = 1024 * 1024;

// Hands each candidate message of the file (see message_splitter) that is
// at most syx_longest_candidate bytes long to on_candidate, which returns
// false to stop reading. The candidates are the same whatever the block size.
read_result read_syx_file(const std::filesystem::path& path,
                          const std::function<bool(byte_vector&& candidate)>& on_candidate,
                          std::size_t block_size = syx_read_block);

// Whether the file exists, tested by opening it for reading; a pipe counts,
// and the test never waits for a program at its other end.
bool syx_file_exists(const std::filesystem::path& path);

enum class write_mode { replace, append };

// Writes one block to an open file; true when all of it was written.
using block_writer = std::function<bool(std::FILE* file, std::span<const std::uint8_t> block)>;

// How long a write into a pipe waits for the reader to take more bytes
// before the save is given up.
inline constexpr int syx_pipe_patience_ms = 2000;

// Writes the messages of list, in order, each as one block. A symbolic link
// is followed (also to a file that does not exist yet) and stays a link.
// Replace writes a new file beside the target and renames it over the
// target once all is written and closed, with the old file's permissions
// and, where the process may, its owner; append adds to the end and, on
// failure, cuts the file back to its old length or removes the file it
// made. False when anything failed; the target is then as it was, but for
// one case: where the folder refuses the new file, or refuses to rename it
// over the old one (a permission error: another user's file in a sticky
// folder such as /tmp), a file the user may write is emptied and written in
// place (its owner and permissions stay, and its other hard links show the
// new contents), and a failure there leaves what was written until then. The
// new file is named after the target, or shorter where that name would be
// too long. A pipe or a device is written into directly, a pipe only when it
// has a reader. The writer can be replaced to test failures.
bool write_syx_file(const std::filesystem::path& path, const outgoing_queue& list, write_mode mode,
                    const block_writer& writer = {});

}  // namespace patchwarden
