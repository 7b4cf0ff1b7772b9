#pragma once

// What reading and writing .syx files asks of the operating system: opening
// a file in the few ways the rules of syx_file.cpp need, flushing it to the
// disk, renaming it, handing on its owner. Each platform answers in one file
// (posix_file_system.cpp, windows_file_system.cpp), so that the rules read
// the same everywhere. Nothing here waits for another program. The members
// are virtual so that a test can make one of them fail as a disk or a
// folder would.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <system_error>

#include "app/files/syx_file.h"

namespace patchwarden {

struct file_closer {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using file_handle = std::unique_ptr<std::FILE, file_closer>;

class file_system {
public:
    virtual ~file_system() = default;

    // Opens a file to read it to its end. Opening never waits (a pipe
    // without a writer would), and what is not an ordinary file (a folder,
    // or what may never end or keeps its reader waiting: a pipe, a device,
    // a socket) is not opened. Reads that would
    // wait fail with EAGAIN instead (a kernel file such as /proc/kmsg).
    virtual file_handle open_to_read(const std::filesystem::path& path) const;

    // Whether the file opens for reading; a pipe counts, and the test
    // never waits for a program at its other end.
    virtual bool opens_to_read(const std::filesystem::path& path) const;

    // Makes a new, empty file to write; fails when something of that name
    // is there already (error is then file_exists).
    virtual file_handle create_new(const std::filesystem::path& path, std::error_code& error) const;

    // Opens a file that is there to write it: append adds to its end,
    // replace empties it first.
    virtual file_handle open_existing(const std::filesystem::path& path, write_mode mode,
                                      std::error_code& error) const;

    // Opens a pipe or a device to write into it. A pipe that nobody reads
    // does not open (the open would wait for a reader).
    virtual file_handle open_special(const std::filesystem::path& path, write_mode mode) const;

    // Writes a block into what open_special opened: waits for room while
    // the reader takes bytes, but gives up when it takes none for
    // syx_pipe_patience_ms.
    virtual bool write_special(std::FILE* file, std::span<const std::uint8_t> block) const;

    // Runs work so that a reader that goes away fails a write (EPIPE)
    // instead of ending the program.
    virtual bool with_broken_pipes_failing(const std::function<bool()>& work) const;

    // Hands what the stream wrote (and flushed) on to the disk.
    virtual bool sync(std::FILE* file) const;

    // Gives new_file the owner and group of old_file where the process may
    // (root may; others may keep at least a group they belong to); on
    // Windows also its attributes and access control list.
    virtual void take_owner(const std::filesystem::path& old_file, const std::filesystem::path& new_file) const;

    // Renames from to to, replacing the file to names.
    virtual void rename_over(const std::filesystem::path& from, const std::filesystem::path& to,
                             std::error_code& error) const;

    // The number of this process, to tell its temporary files apart.
    virtual unsigned long process_id() const;
};

// write_syx_file on the given file system.
bool write_syx_file(const file_system& system, const std::filesystem::path& path, const outgoing_queue& list,
                    write_mode mode, const block_writer& writer = {});

}  // namespace patchwarden
