// Named mutexes as lock files in the user's runtime directory. A lock taken
// with flock belongs to an open file description: the kernel drops it when
// the holder closes the file or dies, so a crashed instance never blocks the
// next start, and two opens in one process already conflict.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

struct RuntimeDirectory {
    std::string path;
    bool createdOnDemand;  // our fallback under /tmp, made when missing
};

RuntimeDirectory ChooseRuntimeDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    // Only an absolute path counts, as for any user of the variable.
    if (runtime != nullptr && runtime[0] == '/') return {runtime, false};
    return {"/tmp/korvan-" + std::to_string(geteuid()), true};
}

// The name as a file name: characters that could leave the directory or mean
// something to a shell are written as %XX.
std::string LockFileName(const char* name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string file;
    for (const char* c = name; *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' ||
                           byte == '.';
        if (plain) {
            file += *c;
        } else {
            file += '%';
            file += kHex[byte >> 4];
            file += kHex[byte & 0xF];
        }
    }
    return file + ".lock";
}

DWORD ErrorFromErrno(int error) {
    return error == ENOENT || error == ENOTDIR ? win::ERROR_PATH_NOT_FOUND
                                               : win::ERROR_ACCESS_DENIED;
}

// Opens the runtime directory only if it is this user's own: a real
// directory, not a link, that nobody else can write to. The lock file is then
// opened relative to this descriptor, so the directory cannot be swapped in
// between.
int OpenRuntimeDirectory(const RuntimeDirectory& runtime) {
    if (runtime.createdOnDemand && mkdir(runtime.path.c_str(), 0700) != 0 && errno != EEXIST) {
        SetLastError(ErrorFromErrno(errno));
        return -1;
    }
    const int directory =
        open(runtime.path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (directory < 0) {
        SetLastError(ErrorFromErrno(errno));
        return -1;
    }
    struct stat status {};
    const bool trusted = fstat(directory, &status) == 0 && S_ISDIR(status.st_mode) &&
                         status.st_uid == geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    if (!trusted) {
        close(directory);
        SetLastError(win::ERROR_ACCESS_DENIED);
        return -1;
    }
    return directory;
}

win::HANDLE RegisterMutex(int descriptor, DWORD error) {
    const auto handle = NewHandle<win::HANDLE>();
    State().mutexFiles.emplace(KeyOf(handle), descriptor);
    SetLastError(error);
    return handle;
}

}  // namespace

void CloseAllMutexes() {
    for (const auto& [handle, descriptor] : State().mutexFiles) {
        if (descriptor >= 0) close(descriptor);
    }
    State().mutexFiles.clear();
}

}  // namespace winmodel::detail

namespace win {

HANDLE CreateMutexA(const void*, BOOL, const char* name) {
    namespace detail = winmodel::detail;
    // Without a name nobody else can open it, so there is nothing to lock.
    if (name == nullptr || name[0] == '\0') return detail::RegisterMutex(-1, ERROR_SUCCESS);

    const int directory = detail::OpenRuntimeDirectory(detail::ChooseRuntimeDirectory());
    if (directory < 0) return nullptr;
    const int file = openat(directory, detail::LockFileName(name).c_str(),
                            O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    const int openError = errno;
    close(directory);
    if (file < 0) {
        detail::SetLastError(detail::ErrorFromErrno(openError));
        return nullptr;
    }
    struct stat status {};
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid()) {
        close(file);
        detail::SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (flock(file, LOCK_EX | LOCK_NB) == 0) return detail::RegisterMutex(file, ERROR_SUCCESS);
    if (errno == EWOULDBLOCK) return detail::RegisterMutex(file, ERROR_ALREADY_EXISTS);
    detail::SetLastError(detail::ErrorFromErrno(errno));
    close(file);
    return nullptr;
}

BOOL CloseHandle(HANDLE handle) {
    auto& files = winmodel::detail::State().mutexFiles;
    const auto found = files.find(winmodel::detail::KeyOf(handle));
    if (found == files.end()) {
        winmodel::detail::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Closing the only descriptor of the open file releases its lock.
    if (found->second >= 0) close(found->second);
    files.erase(found);
    return TRUE;
}

}  // namespace win

namespace winmodel {

std::string MutexPath(const char* name) {
    return detail::ChooseRuntimeDirectory().path + "/" +
           detail::LockFileName(name != nullptr ? name : "");
}

}  // namespace winmodel
