#include "fault_fixture.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace faults {
namespace {

std::string SystemFault(const std::string& action) {
    return action + ": " + std::strerror(errno);
}

int StatusToExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

std::vector<std::string> ChildEnvironment(const ProcessOptions& options) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : options.environment) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : variables) result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Runs in the forked child: never returns.
[[noreturn]] void BecomeProgram(std::vector<std::string> argv, const ProcessOptions& options) {
    std::vector<std::string> environment = ChildEnvironment(options);
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> envp = Pointers(environment);
    if (!options.prepareMounts) {
        execve(args[0], args.data(), envp.data());
        std::fprintf(stderr, "%s\n", SystemFault("cannot start " + argv[0]).c_str());
        _exit(127);
    }
    std::string fault = EnterPrivateMountNamespace();
    if (fault.empty()) fault = options.prepareMounts();
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        _exit(kSetupFailed);
    }
    const pid_t program = fork();
    if (program == 0) {
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    while (program > 0 && waitpid(program, &status, 0) < 0 && errno == EINTR) {
    }
    if (options.afterRun) options.afterRun();
    _exit(program > 0 ? StatusToExitCode(status) : 127);
}

std::string DescribeEntry(const std::filesystem::path& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return "missing";
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    std::string text = std::string("mode ") + mode + " uid " + std::to_string(status.st_uid) + " ";
    if (S_ISLNK(status.st_mode))
        return text + "link to " + std::filesystem::read_symlink(path).string();
    if (S_ISDIR(status.st_mode)) return text + "directory";
    if (S_ISREG(status.st_mode)) return text + "file: " + ReadFileBytes(path.string());
    return text + "other";
}

}  // namespace

RunningProcess::RunningProcess(const std::vector<std::string>& argv,
                               const ProcessOptions& options) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << SystemFault("pipe");
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        BecomeProgram(argv, options);
    }
    close(out[1]);
    close(err[1]);
    m_outFd = out[0];
    m_errFd = err[0];
    if (m_pid < 0) ADD_FAILURE() << SystemFault("fork");
}

RunningProcess::~RunningProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        Finish();
    }
}

void RunningProcess::Kill(int signal) {
    if (m_pid > 0) kill(m_pid, signal);
}

ProcessResult RunningProcess::Finish() {
    ProcessResult result;
    struct Stream {
        int fd;
        std::string* text;
    } streams[] = {{m_outFd, &result.out}, {m_errFd, &result.err}};
    for (;;) {
        pollfd polls[2];
        nfds_t count = 0;
        for (const Stream& stream : streams) {
            if (stream.fd >= 0) polls[count++] = {stream.fd, POLLIN, 0};
        }
        if (count == 0) break;
        if (poll(polls, count, -1) < 0 && errno != EINTR) break;
        for (nfds_t i = 0; i < count; ++i) {
            if (polls[i].revents == 0) continue;
            for (Stream& stream : streams) {
                if (stream.fd != polls[i].fd) continue;
                char chunk[65536];
                const ssize_t got = read(stream.fd, chunk, sizeof chunk);
                if (got > 0) {
                    stream.text->append(chunk, static_cast<std::size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    close(stream.fd);
                    stream.fd = -1;
                }
            }
        }
    }
    m_outFd = m_errFd = -1;
    int status = 0;
    if (m_pid > 0) {
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.exitCode = StatusToExitCode(status);
    }
    m_pid = -1;
    return result;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    return RunningProcess(argv, options).Finish();
}

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> entries{{".", DescribeEntry(root)}};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        entries[std::filesystem::relative(entry.path(), root).string()] =
            DescribeEntry(entry.path());
    }
    return entries;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) ADD_FAILURE() << "cannot write " << path;
}

bool WaitFor(const std::function<bool()>& condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string EnterPrivateMountNamespace() {
    if (unshare(CLONE_NEWNS) != 0) return SystemFault("cannot make a private mount namespace");
    // Without this, mounts made here would show in the parent's namespace too.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return SystemFault("cannot make the mounts private");
    }
    return {};
}

std::string MountTmpfs(const std::string& directory, std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (mount("tmpfs", directory.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        return SystemFault("cannot mount a tmpfs on " + directory);
    }
    return {};
}

std::string BindReadOnly(const std::string& path) {
    if (mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, path.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        return SystemFault("cannot bind " + path + " read-only");
    }
    return {};
}

std::string SetImmutable(const std::string& path, bool immutable) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return SystemFault("cannot open " + path);
    int flags = 0;
    std::string fault;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        fault = SystemFault("cannot read the attributes of " + path);
    } else {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        if (ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) {
            fault = SystemFault("cannot change the attributes of " + path);
        }
    }
    close(fd);
    return fault;
}

FaultTest::FaultTest() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "korvan-faults-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << SystemFault("mkdtemp");
    m_scratch = pattern;
    m_stateDir = Path("state");
    m_runtimeDir = Path("run");
    if (mkdir(m_runtimeDir.c_str(), 0700) != 0) ADD_FAILURE() << SystemFault("mkdir");
}

FaultTest::~FaultTest() {
    std::error_code ignored;
    std::filesystem::remove_all(m_scratch, ignored);
}

ProcessOptions FaultTest::Environment() const {
    ProcessOptions options;
    options.environment = {
        {"TAVOCLOCK_STATE_DIR", m_stateDir},  {"XDG_RUNTIME_DIR", m_runtimeDir},
        {"TAVOCLOCK_DEVICES", m_devicesFile}, {"DISPLAY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
    };
    return options;
}

ProcessResult FaultTest::RunKorvan(const std::vector<std::string>& arguments,
                                   ProcessOptions options) const {
    std::vector<std::string> argv{KorvanPath()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProcessOptions withEnvironment = Environment();
    for (const auto& [name, value] : options.environment) withEnvironment.environment[name] = value;
    withEnvironment.prepareMounts = std::move(options.prepareMounts);
    withEnvironment.afterRun = std::move(options.afterRun);
    return RunProcess(argv, withEnvironment);
}

ProcessResult FaultTest::RunProbe(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{ProbePath()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProcess(argv, Environment());
}

std::map<std::string, std::string> FaultTest::ScratchSnapshot() const {
    auto entries = Snapshot(m_scratch);
    std::erase_if(entries, [](const auto& entry) { return entry.first.rfind("run", 0) == 0; });
    return entries;
}

void FaultTest::UseDevices(const std::string& toml) {
    m_devicesFile = Path("devices.toml");
    WriteFileBytes(*m_devicesFile, toml);
}

std::string KorvanPath() {
    return KORVAN_BINARY;
}

std::string ProbePath() {
    return CLOCKSIM_PROBE_BINARY;
}

}  // namespace faults
