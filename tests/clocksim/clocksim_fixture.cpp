#include "tests/clocksim/clocksim_fixture.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace clocksim_test {

const char* const kTestDeviceToml = R"(
[[device]]
name = "Test Card"
capabilities = ["VDDC", "MVDDC", "3DVDDC", "3DCLOCKS"]

[device.clocks_2d]
engine = { default = 67500, min = 54000, max = 81000 }
memory = { default = 90000, min = 72000, max = 108000 }

[device.clocks_3d]
engine = { default = 81000, min = 67500, max = 94500 }
memory = { default = 99000, min = 90000, max = 108000 }

[device.rails.vddc]
default = 1.0
min = 0.5
max = 4.0
step = 0.01
default_3d = 1.2

[device.rails.mvddc]
default = 1.5
min = 0.5
max = 4.0
step = 0.01
)";

ProbeResult RunProbe(const std::vector<std::string>& args) {
    return FinishProbe(StartProbe(args));
}

RunningProbe StartProbe(const std::vector<std::string>& args) {
    RunningProbe probe;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return probe;
    }
    std::vector<std::string> argv{CLOCKSIM_PROBE_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvPointers;
    for (std::string& arg : argv) argvPointers.push_back(arg.data());
    argvPointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, argvPointers[0], &actions, nullptr, argvPointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (error != 0) {
        ADD_FAILURE() << "posix_spawn " << CLOCKSIM_PROBE_PATH << ": " << std::strerror(error);
        close(pipeFds[0]);
        return probe;
    }
    probe.pid = pid;
    probe.outputFd = pipeFds[0];
    return probe;
}

ProbeResult FinishProbe(RunningProbe probe) {
    ProbeResult result;
    if (probe.pid < 0) return result;
    char buffer[512];
    ssize_t got = 0;
    while ((got = read(probe.outputFd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(probe.outputFd);
    int status = 0;
    while (waitpid(probe.pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

void ClockSimTest::SetUp() {
    std::string pattern = std::filesystem::temp_directory_path() / "clocksim-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    scratch_ = pattern;
    stateDir_ = scratch_ + "/state";
    setenv("TAVOCLOCK_STATE_DIR", stateDir_.c_str(), 1);
    unsetenv("TAVOCLOCK_DEVICES");
}

void ClockSimTest::TearDown() {
    DeInitializeClockLib();
    unsetenv("TAVOCLOCK_STATE_DIR");
    unsetenv("TAVOCLOCK_DEVICES");
    std::error_code ignored;
    // Tests may have locked parts of the scratch tree down; give it back first.
    for (auto it = std::filesystem::recursive_directory_iterator(scratch_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(scratch_, ignored);
}

std::string ClockSimTest::UseDeviceFile(const std::string& toml, const std::string& fileName) {
    const std::string path = scratch_ + "/" + fileName;
    WriteFile(path, toml);
    setenv("TAVOCLOCK_DEVICES", path.c_str(), 1);
    return path;
}

std::vector<DeviceRecord> ClockSimTest::StartLibrary() {
    std::vector<DeviceRecord> devices;
    char reason[CLOCKLIB_ERROR_TEXT_SIZE] = {};
    if (!InitializeClockLib(reason)) {
        ADD_FAILURE() << "InitializeClockLib failed: " << reason;
        return devices;
    }
    DeviceRecord record{};
    bool more = true;
    while (more) {
        more = EnumerateDevices(&record) != 0;
        devices.push_back(record);
    }
    return devices;
}

std::string ClockSimTest::StartFailure() {
    char reason[CLOCKLIB_ERROR_TEXT_SIZE] = {};
    EXPECT_EQ(InitializeClockLib(reason), 0) << "the library started";
    return reason;
}

}  // namespace clocksim_test
