#pragma once
// Whole-buffer reads and writes on a descriptor (pipes, sockets), carrying on
// after EINTR and short transfers.

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace platform {

// Bytes read into `data`: `size` unless the input ended (or failed) first.
inline size_t readFully(int fd, void* data, size_t size)
{
    auto* bytes = static_cast<unsigned char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

// Whether all of `data` was written.
inline bool writeFully(int fd, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

} // namespace platform
