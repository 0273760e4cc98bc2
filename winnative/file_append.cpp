// Appending to a file on Windows (the report file), through the C runtime's
// low-level files, whose errors are errno values like everywhere else.
#include "framework/file_append.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Writes all of `bytes` from `offset`, or from the current position of a
// device when `offset` is negative. Returns 0 or the errno of the failure.
int WriteAll(int fd, const std::string& bytes, __int64 offset) {
    if (offset >= 0 && _lseeki64(fd, offset, SEEK_SET) < 0) return errno;
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t chunk = std::min<size_t>(bytes.size() - done, 1 << 20);
        const int written = _write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
        if (written < 0) return errno;
        // A write that takes nothing would never finish; a full disk is the usual cause.
        if (written == 0) return ENOSPC;
        done += static_cast<size_t>(written);
    }
    return 0;
}

// As on every system: a trailing Ctrl-Z is written over rather than cut
// first, so a failed write is undone by cutting back to the old size and
// putting the Ctrl-Z back, needing no new space.
int AppendToRegularFile(int fd, __int64 size, const std::string& bytes) {
    __int64 start = size;
    if (size > 0) {
        char last = 0;
        if (_lseeki64(fd, size - 1, SEEK_SET) < 0) return errno;
        const int got = _read(fd, &last, 1);
        if (got < 0) return errno;
        if (got == 1 && last == kCtrlZ) start = size - 1;
    }
    const int error = WriteAll(fd, bytes, start);
    if (error != 0) {
        // Best effort: the write's own error is the one worth reporting.
        if (_chsize_s(fd, size) == 0 && start != size) WriteAll(fd, std::string(1, kCtrlZ), start);
        return error;
    }
    const __int64 end = start + static_cast<__int64>(bytes.size());
    if (end < size && _chsize_s(fd, end) != 0) return errno;
    return 0;
}

}  // namespace

std::string AppendBytesToFile(const std::string& path, const std::string& bytes) {
    int fd = -1;
    if (const errno_t error =
            _sopen_s(&fd, path.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE);
        error != 0) {
        return std::strerror(error);
    }

    struct _stati64 info {};
    int error = 0;
    if (_fstati64(fd, &info) != 0) {
        error = errno;
    } else if ((info.st_mode & _S_IFMT) == _S_IFREG) {
        error = AppendToRegularFile(fd, info.st_size, bytes);
    } else if ((info.st_mode & _S_IFMT) == _S_IFCHR) {
        // A device (CON, NUL, a port) has no end to find.
        error = WriteAll(fd, bytes, -1);
    } else {
        // A pipe would take the report into its own buffer and may drop it:
        // refuse rather than lose it silently.
        _close(fd);
        return "Not a regular file or device";
    }

    if (_close(fd) != 0 && error == 0) error = errno;
    return error == 0 ? std::string() : std::strerror(error);
}
