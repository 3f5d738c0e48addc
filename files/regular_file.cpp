#include "files/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "something that is not a regular file";
}

FileBytes failed(FileBytes::Status status, std::string found) {
    FileBytes result;
    result.status = status;
    result.found = std::move(found);
    return result;
}

}  // namespace

OpenedFile open_regular_file(const char* path, long long max_bytes) {
    OpenedFile opened;
    struct stat status;
    // A path that cannot be looked up is left to the open, which fails the
    // same way and says why.
    if (stat(path, &status) == 0 && !S_ISREG(status.st_mode)) {
        opened.status = FileBytes::Status::kNotRegular;
        opened.found = kind_of(status.st_mode);
        return opened;
    }
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        opened.found = std::strerror(errno);
        return opened;
    }
    // Checked again on what was opened: the path may have changed since.
    if (fstat(fd, &status) != 0) {
        opened.status = FileBytes::Status::kCannotRead;
        opened.found = std::strerror(errno);
    } else if (!S_ISREG(status.st_mode)) {
        opened.status = FileBytes::Status::kNotRegular;
        opened.found = kind_of(status.st_mode);
    } else if (status.st_size > max_bytes) {
        opened.status = FileBytes::Status::kTooLarge;
        opened.found = std::to_string(static_cast<long long>(status.st_size)) + " bytes";
    } else {
        opened.status = FileBytes::Status::kRead;
        opened.fd = fd;
        opened.size = static_cast<long long>(status.st_size);
        return opened;
    }
    close(fd);
    return opened;
}

FileBytes read_regular_file(const char* path, long long max_bytes) {
    const OpenedFile opened = open_regular_file(path, max_bytes);
    if (opened.status != FileBytes::Status::kRead) {
        return failed(opened.status, opened.found);
    }
    const int fd = opened.fd;
    FileBytes result;
    // The size is only a hint (a file may grow, or call itself empty and
    // have content): read to the end, but never past the limit.
    result.bytes.reserve(static_cast<std::size_t>(opened.size));
    std::uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Some special files that call themselves regular (under /proc)
            // say they would block.
            const int error = errno;
            close(fd);
            return failed(FileBytes::Status::kCannotRead, std::strerror(error));
        }
        result.bytes.insert(result.bytes.end(), chunk, chunk + got);
        if (static_cast<long long>(result.bytes.size()) > max_bytes) {
            close(fd);
            return failed(FileBytes::Status::kTooLarge, "more than that");
        }
    }
    close(fd);
    result.status = FileBytes::Status::kRead;
    return result;
}
