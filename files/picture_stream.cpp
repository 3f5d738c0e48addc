#include "files/picture_stream.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kPieceBytes = 1 << 16;

}  // namespace

void open_stream(PictureStream& stream, int fd, long long limit) {
    stream.fd = fd;
    stream.memory = nullptr;
    stream.limit = limit;
    stream.offset = 0;
    stream.buffer.resize(kPieceBytes);
    stream.next = 0;
    stream.end = 0;
    stream.error = 0;
}

void open_memory_stream(PictureStream& stream, const std::uint8_t* bytes, std::size_t size) {
    open_stream(stream, -1, static_cast<long long>(size));
    stream.memory = bytes;
}

std::size_t fill(PictureStream& stream) {
    if (stream.next < stream.end) {
        return stream.end - stream.next;
    }
    if (stream.error != 0) {
        return 0;
    }
    stream.offset += static_cast<long long>(stream.end);
    stream.next = 0;
    stream.end = 0;
    const long long left = stream.limit - stream.offset;
    if (left <= 0) {
        return 0;
    }
    const std::size_t want =
        static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(kPieceBytes)));
    if (stream.memory != nullptr) {
        std::memcpy(stream.buffer.data(), stream.memory + stream.offset, want);
        stream.end = want;
        return want;
    }
    for (;;) {
        const ssize_t got = pread(stream.fd, stream.buffer.data(), want, stream.offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            stream.error = errno;
            return 0;
        }
        stream.end = static_cast<std::size_t>(got);
        return stream.end;
    }
}

std::size_t read_bytes(PictureStream& stream, void* to, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(to);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t available = fill(stream);
        if (available == 0) {
            break;
        }
        const std::size_t take = std::min(available, count - done);
        std::memcpy(out + done, stream.buffer.data() + stream.next, take);
        stream.next += take;
        done += take;
    }
    return done;
}

long long position(const PictureStream& stream) {
    return stream.offset + static_cast<long long>(stream.next);
}

bool seek_to(PictureStream& stream, long long at) {
    if (at < 0 || at > stream.limit) {
        return false;
    }
    if (at >= stream.offset && at <= stream.offset + static_cast<long long>(stream.end)) {
        stream.next = static_cast<std::size_t>(at - stream.offset);
        return true;
    }
    stream.offset = at;
    stream.next = 0;
    stream.end = 0;
    return true;
}
