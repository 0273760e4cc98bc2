// Compiled help: the file is handed to an installed viewer that runs on its
// own, detached from the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

bool IsReadableRegularFile(const char* path) {
    const int file = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0) return false;
    struct stat status {};
    const bool regular = fstat(file, &status) == 0 && S_ISREG(status.st_mode);
    close(file);
    return regular;
}

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> FindOnPath(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return IsExecutableFile(program) ? std::optional(program) : std::nullopt;
    }
    const char* path = std::getenv("PATH");
    const std::string directories = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        const size_t end = directories.find(':', start);
        std::string directory = directories.substr(start, end - start);
        if (directory.empty()) directory = ".";
        const std::string candidate = directory + "/" + program;
        if (IsExecutableFile(candidate)) return candidate;
        if (end == std::string::npos) return std::nullopt;
        start = end + 1;
    }
}

std::optional<std::string> FindHelpViewer() {
    const auto& chosen = State().helpViewerOverride;
    if (chosen) return chosen->empty() ? std::nullopt : FindOnPath(*chosen);
    for (const char* viewer : {"xchm", "kchmviewer"}) {
        if (auto found = FindOnPath(viewer)) return found;
    }
    return std::nullopt;
}

void WriteAll(int descriptor, const void* data, size_t size) {
    // A failure here has nobody left to report to.
    while (write(descriptor, data, size) < 0 && errno == EINTR) {
    }
}

// Starts `viewer file` in a session of its own. The child that starts it exits
// at once and is reaped here, so the viewer belongs to init and never stays a
// zombie of ours; a pipe closed by a successful exec tells whether it started.
bool StartDetached(const std::string& viewer, const char* file) {
    std::array<int, 2> status{};
    if (pipe2(status.data(), O_CLOEXEC) != 0) return false;
    // Everything the children need is ready before fork: after it they only
    // make system calls.
    std::string viewerArgument = viewer;
    // A file named like an option must not be read as one by the viewer.
    std::string fileArgument = file;
    if (fileArgument.starts_with('-')) fileArgument.insert(0, "./");
    std::array<char*, 3> arguments{viewerArgument.data(), fileArgument.data(), nullptr};

    const pid_t child = fork();
    if (child == 0) {
        close(status[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild > 0) _exit(0);
        if (grandchild == 0) {
            const int nothing = open("/dev/null", O_RDONLY);
            if (nothing >= 0) dup2(nothing, STDIN_FILENO);
            execv(arguments[0], arguments.data());
        }
        // Only a failed fork or exec comes here.
        const int error = errno;
        WriteAll(status[1], &error, sizeof error);
        _exit(127);
    }
    close(status[1]);
    if (child < 0) {
        close(status[0]);
        return false;
    }
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t received;
    while ((received = read(status[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(status[0]);
    return received == 0;
}

}  // namespace
}  // namespace winmodel::detail

namespace win {

HWND HtmlHelpA(HWND, const char* file, UINT command, uintptr_t) {
    namespace detail = winmodel::detail;
    if (command != HH_DISPLAY_TOPIC || file == nullptr || !detail::IsReadableRegularFile(file)) {
        return nullptr;
    }
    const std::optional<std::string> viewer = detail::FindHelpViewer();
    if (!viewer || !detail::StartDetached(*viewer, file)) return nullptr;
    return detail::kHelpViewerWindow;
}

}  // namespace win

namespace winmodel {

void SetHelpViewerForTest(const std::string& viewer) {
    detail::State().helpViewerOverride = viewer;
}

}  // namespace winmodel
