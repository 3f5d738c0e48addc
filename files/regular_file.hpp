// Reading a file whole, safely, whatever sits at its path: the asset files
// and the user's pictures come in through here.
//
// Only a regular file is read. A named pipe would block the open and the
// read, a device can block or never end, so anything but a regular file is
// refused by what it is, without being read; the file is opened without
// blocking and no more than `max_bytes` of it is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FileBytes {
    enum class Status {
        kRead,        // `bytes` holds the whole file
        kCannotOpen,  // missing, unreadable, a dangling or looping link
        kNotRegular,  // `found` says what it is ("a directory", ...)
        kTooLarge,    // `found` says how large ("N bytes")
        kCannotRead,  // a read failed; `found` says why
    };
    Status status = Status::kCannotOpen;
    std::vector<std::uint8_t> bytes;
    std::string found;
};

// The whole file at `path`, or why not. Never blocks, never reads more than
// max_bytes + 1 bytes.
FileBytes read_regular_file(const char* path, long long max_bytes);

// The file at `path` opened for reading, for a reader that takes it a piece
// at a time: the same checks as read_regular_file, on the size the file
// has when it is opened. With status kRead, `fd` is open (the caller closes
// it) and `size` is that size; otherwise `fd` is -1 and `found` says why.
struct OpenedFile {
    FileBytes::Status status = FileBytes::Status::kCannotOpen;
    int fd = -1;
    long long size = 0;
    std::string found;
};
OpenedFile open_regular_file(const char* path, long long max_bytes);
