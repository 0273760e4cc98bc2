// The state store on POSIX systems: a private directory owned by the user,
// an flock()ed lock file and rename() for atomic replacement. Every path is
// opened relative to the checked directory and never through a symbolic link.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "clocksim/state_store.h"

namespace clocksim {
namespace {

constexpr const char* kStateName = "state";
constexpr const char* kTempName = "state.new";
constexpr const char* kLockName = "lock";
// A state file is a few lines per device; anything bigger is not one.
constexpr off_t kMaxStateBytes = 1 << 20;

std::string ErrnoFault(const char* action) {
    return std::string(action) + ": " + std::strerror(errno);
}

std::string OpenFault(const char* action) {
    if (errno == ELOOP) return "is a symbolic link, which is never followed";
    return ErrnoFault(action);
}

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Empty when the file belongs to this user.
std::string OwnershipFault(const struct stat& status) {
    if (status.st_uid == geteuid()) return {};
    return "belongs to user " + std::to_string(status.st_uid) + ", not to this user (" +
           std::to_string(geteuid()) + ")";
}

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

bool SameFileVersion(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string ChooseDirectory() {
    std::string directory;
    if (const char* chosen = std::getenv("TAVOCLOCK_STATE_DIR"); chosen && *chosen) {
        directory = chosen;
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        directory = std::string(runtime) + "/tavoclock";
    } else {
        directory = "/tmp/tavoclock-" + std::to_string(geteuid());
    }
    // "link/" would make lstat() and O_NOFOLLOW look through the link.
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    return directory;
}

class PosixStateStore final : public StateStore {
  public:
    PosixStateStore(std::string directory, int directoryFd, int lockFd)
        : directoryFd_(directoryFd),
          lockFd_(lockFd),
          filePath_(std::move(directory) + "/" + kStateName) {}

    const std::string& FilePath() const override { return filePath_; }

    StateRead Read() override {
        struct stat status {};
        if (fstatat(directoryFd_.get(), kStateName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) return NoteMissing();
            return Failed(ErrnoFault("cannot examine"));
        }
        if (seen_ == Seen::kFile && SameFileVersion(status, seenStatus_)) {
            return {StateRead::Kind::kUnchanged, {}};
        }
        if (S_ISLNK(status.st_mode)) return Failed("is a symbolic link, which is never followed");
        // O_NONBLOCK: a FIFO planted under the state file's name must not hang us.
        Descriptor file(
            openat(directoryFd_.get(), kStateName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        if (!file.valid()) {
            if (errno == ENOENT) return NoteMissing();
            return Failed(OpenFault("cannot open"));
        }
        if (fstat(file.get(), &status) != 0) return Failed(ErrnoFault("cannot examine"));
        if (!S_ISREG(status.st_mode)) return Failed("is not a regular file");
        if (std::string owner = OwnershipFault(status); !owner.empty()) return Failed(owner);
        if (status.st_size > kMaxStateBytes) return Failed("too large to be a state file");

        StateRead result{StateRead::Kind::kContent, {}};
        char chunk[4096];
        for (;;) {
            const ssize_t got = read(file.get(), chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return Failed(ErrnoFault("cannot read"));
            if (got == 0) break;
            result.text.append(chunk, static_cast<std::size_t>(got));
            if (result.text.size() > static_cast<std::size_t>(kMaxStateBytes)) {
                return Failed("too large to be a state file");
            }
        }
        // Holding the file open keeps its inode number from being reused by a
        // later state file, so the inode check above cannot be fooled.
        seenFile_.Reset(file.Release());
        seenStatus_ = status;
        seen_ = Seen::kFile;
        return result;
    }

    bool Lock(std::string& fault) override {
        while (flock(lockFd_.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                fault = ErrnoFault("cannot lock");
                return false;
            }
        }
        return true;
    }

    void Unlock() override { flock(lockFd_.get(), LOCK_UN); }

    bool Replace(std::string_view text, std::string& fault) override {
        // A temporary file left by a process killed mid-write is stale: only
        // the lock holder writes it.
        if (unlinkat(directoryFd_.get(), kTempName, 0) != 0 && errno != ENOENT) {
            fault = ErrnoFault("cannot remove the stale temporary file");
            return false;
        }
        Descriptor file(openat(directoryFd_.get(), kTempName,
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.valid()) {
            fault = ErrnoFault("cannot create a temporary file");
            return false;
        }
        if (!WriteAll(file.get(), text) || fsync(file.get()) != 0 ||
            renameat(directoryFd_.get(), kTempName, directoryFd_.get(), kStateName) != 0) {
            fault = ErrnoFault("cannot write");
            unlinkat(directoryFd_.get(), kTempName, 0);
            return false;
        }
        // Makes the rename itself survive a power cut; the data already does.
        fsync(directoryFd_.get());
        // Examined after the rename, which may touch the file's change time.
        struct stat status {};
        if (fstat(file.get(), &status) != 0) {
            seenFile_.Reset();
            seen_ = Seen::kNothing;
            return true;
        }
        seenFile_.Reset(file.Release());
        seenStatus_ = status;
        seen_ = Seen::kFile;
        return true;
    }

  private:
    enum class Seen { kNothing, kMissing, kFile };

    StateRead NoteMissing() {
        const bool unchanged = seen_ == Seen::kMissing;
        seenFile_.Reset();
        seen_ = Seen::kMissing;
        return {unchanged ? StateRead::Kind::kUnchanged : StateRead::Kind::kMissing, {}};
    }

    StateRead Failed(std::string fault) {
        seenFile_.Reset();
        seen_ = Seen::kNothing;
        return {StateRead::Kind::kFailed, std::move(fault)};
    }

    Descriptor directoryFd_;
    Descriptor lockFd_;
    std::string filePath_;
    Seen seen_ = Seen::kNothing;
    Descriptor seenFile_;
    struct stat seenStatus_ {};
};

}  // namespace

StateStoreOpening OpenStateStore() {
    StateStoreOpening opening;
    const std::string directory = ChooseDirectory();
    opening.subject = directory;
    const auto fail = [&opening](std::string fault) {
        opening.fault = std::move(fault);
        return std::move(opening);
    };

    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        return fail(ErrnoFault("cannot create the state directory"));
    }
    struct stat linkStatus {};
    if (lstat(directory.c_str(), &linkStatus) != 0) {
        return fail(ErrnoFault("cannot examine the state directory"));
    }
    if (S_ISLNK(linkStatus.st_mode)) {
        return fail("the state directory is a symbolic link, which is never followed");
    }
    if (!S_ISDIR(linkStatus.st_mode)) return fail("the state directory is not a directory");
    Descriptor directoryFd(
        open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!directoryFd.valid()) return fail(OpenFault("cannot open the state directory"));
    struct stat status {};
    if (fstat(directoryFd.get(), &status) != 0) {
        return fail(ErrnoFault("cannot examine the state directory"));
    }
    if (status.st_dev != linkStatus.st_dev || status.st_ino != linkStatus.st_ino) {
        return fail("the state directory was replaced while it was being checked");
    }
    if (std::string owner = OwnershipFault(status); !owner.empty()) {
        return fail("the state directory " + owner);
    }
    if ((status.st_mode & (S_IWUSR | S_IXUSR)) != (S_IWUSR | S_IXUSR)) {
        return fail("the state directory is not writable (mode " + ModeText(status.st_mode) + ")");
    }
    if (status.st_mode & (S_IWGRP | S_IWOTH)) {
        return fail("the state directory can be written by other users (mode " +
                    ModeText(status.st_mode) + "); it must be private");
    }

    opening.subject = directory + "/" + kLockName;
    Descriptor lockFd(openat(directoryFd.get(), kLockName,
                             O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600));
    if (!lockFd.valid()) return fail(OpenFault("cannot open"));
    if (fstat(lockFd.get(), &status) != 0) return fail(ErrnoFault("cannot examine"));
    if (!S_ISREG(status.st_mode)) return fail("is not a regular file");
    if (std::string owner = OwnershipFault(status); !owner.empty()) return fail(owner);

    opening.store =
        std::make_unique<PosixStateStore>(directory, directoryFd.Release(), lockFd.Release());
    opening.subject.clear();
    return opening;
}

}  // namespace clocksim
