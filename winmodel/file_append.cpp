// Appending to a file on POSIX systems: the report file.
#include "framework/file_append.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Writes all of `bytes` starting at `offset` (or at the current position of a
// device when `offset` is negative). Returns 0 or the errno of the failure.
int WriteAll(int fd, const std::string& bytes, off_t offset) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = offset < 0 ? write(fd, bytes.data() + done, bytes.size() - done)
                                           : pwrite(fd, bytes.data() + done, bytes.size() - done,
                                                    offset + static_cast<off_t>(done));
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // A write that takes nothing would never finish; a full device is the usual cause.
        if (written == 0) return ENOSPC;
        done += static_cast<size_t>(written);
    }
    return 0;
}

// Appends to a regular file. A trailing Ctrl-Z is overwritten by the report
// rather than cut first, so a failed write can be undone by cutting back to
// the old size and putting the Ctrl-Z back where it was, needing no new space.
int AppendToRegularFile(int fd, off_t size, const std::string& bytes) {
    off_t start = size;
    if (size > 0) {
        char last = 0;
        ssize_t got;
        do {
            got = pread(fd, &last, 1, size - 1);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return errno;
        if (got == 1 && last == kCtrlZ) start = size - 1;
    }
    const int error = WriteAll(fd, bytes, start);
    if (error != 0) {
        // Best effort: the write's own error is the one worth reporting.
        if (ftruncate(fd, size) == 0 && start != size) {
            WriteAll(fd, std::string(1, kCtrlZ), start);
        }
        return error;
    }
    if (start + static_cast<off_t>(bytes.size()) < size && ftruncate(fd, start) != 0) {
        return errno;
    }
    return 0;
}

}  // namespace

std::string AppendBytesToFile(const std::string& path, const std::string& bytes) {
    // Not O_APPEND: the report may start over a trailing Ctrl-Z. O_NONBLOCK
    // keeps a FIFO without a reader from stalling the open.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);

    struct stat info {};
    int error = 0;
    if (fstat(fd, &info) != 0) {
        error = errno;
    } else if (S_ISREG(info.st_mode)) {
        error = AppendToRegularFile(fd, info.st_size, bytes);
    } else if (S_ISCHR(info.st_mode)) {
        // A device has no end to find: the report goes where the device takes it.
        const int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            error = errno;
        } else {
            error = WriteAll(fd, bytes, -1);
        }
    } else {
        // Opened read-write, a FIFO would take the report into its own buffer
        // and drop it on close: refuse rather than lose it silently.
        close(fd);
        return "Not a regular file or device";
    }

    if (close(fd) != 0 && error == 0) error = errno;
    return error == 0 ? std::string() : std::strerror(error);
}
