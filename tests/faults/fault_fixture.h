// Ground for the fault and hostile-input tests: the real program and the real
// simulated library run as child processes in a scratch directory of their
// own, with no display, so that every test sees what a user at a terminal sees.
#ifndef KORVAN_TESTS_FAULTS_FAULT_FIXTURE_H
#define KORVAN_TESTS_FAULTS_FAULT_FIXTURE_H

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace faults {

struct ProcessResult {
    int exitCode = -1;  // 128 + signal when killed by a signal
    std::string out;
    std::string err;
};

struct ProcessOptions {
    // Variables set (or, with nullopt, removed) on top of this process's environment.
    std::map<std::string, std::optional<std::string>> environment;
    // Runs in a private mount namespace of the child before the program
    // starts; returns an empty string when ready, else why it could not be
    // done (the run then ends with kSetupFailed and the reason on stderr).
    std::function<std::string()> prepareMounts;
    // Runs in that namespace after the program has ended, while its mounts
    // still exist: the place to copy out what a test wants to inspect.
    std::function<void()> afterRun;
};

inline constexpr int kSetupFailed = 125;

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A child whose standard output is read while it runs.
class RunningProcess {
  public:
    RunningProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});
    ~RunningProcess();
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    pid_t pid() const { return m_pid; }
    void Kill(int signal);
    // Waits for the end and returns everything it printed.
    ProcessResult Finish();

  private:
    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
};

// Every entry below `root` (relative path -> type, mode, owner and content or
// link target), to show that nothing was followed, created or overwritten.
std::map<std::string, std::string> Snapshot(const std::string& root);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Waits, polling, until `condition` holds or `seconds` have passed.
bool WaitFor(const std::function<bool()>& condition, double seconds);

// Enters a private mount namespace in the calling process (a forked child):
// empty on success, else the reason.
std::string EnterPrivateMountNamespace();
// Mounts a tmpfs of `bytes` at `directory`; empty on success, else the reason.
std::string MountTmpfs(const std::string& directory, std::size_t bytes);
// Makes `path` (file or directory) read-only through a bind mount onto itself.
std::string BindReadOnly(const std::string& path);
// Sets or clears a file's immutable attribute; empty on success, else why not.
std::string SetImmutable(const std::string& path, bool immutable);

// Keeps a file immutable for its lifetime, so that the scratch directory can
// still be removed when a test stops early.
class ImmutableFile {
  public:
    explicit ImmutableFile(std::string path) : m_path(std::move(path)) {
        m_fault = SetImmutable(m_path, true);
    }
    ~ImmutableFile() {
        if (m_fault.empty()) SetImmutable(m_path, false);
    }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;
    // Empty when the file is immutable now.
    const std::string& fault() const { return m_fault; }

  private:
    std::string m_path;
    std::string m_fault;
};

class FaultTest : public ::testing::Test {
  protected:
    FaultTest();
    ~FaultTest() override;

    // Runs korvan with `arguments`; the environment points the library's
    // state and the instance lock into the scratch directory.
    ProcessResult RunKorvan(const std::vector<std::string>& arguments,
                            ProcessOptions options = {}) const;
    // Runs clocksim_probe the same way.
    ProcessResult RunProbe(const std::vector<std::string>& arguments) const;
    ProcessOptions Environment() const;

    // Writes a device file into the scratch directory and names it in
    // TAVOCLOCK_DEVICES for every later run.
    void UseDevices(const std::string& toml);

    std::string Path(const std::string& name) const { return m_scratch + "/" + name; }

    // Snapshot of the scratch directory without the runtime directory, where
    // every run of the program takes its instance lock.
    std::map<std::string, std::string> ScratchSnapshot() const;

    std::string m_scratch;
    std::string m_stateDir;
    std::string m_runtimeDir;
    std::optional<std::string> m_devicesFile;
};

// The real binaries under test.
std::string KorvanPath();
std::string ProbePath();

// The built-in first device's 2D clocks, as the probe prints them.
inline constexpr const char* kDefaultClocks = "81000 90000\n";

}  // namespace faults

#endif  // KORVAN_TESTS_FAULTS_FAULT_FIXTURE_H
