// The single-instance lock under faults: an instance killed while it holds
// the lock, and lock paths that someone else planted.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "fault_fixture.h"

namespace faults {
namespace {

// The system's error number is the window model's business; that there is one is ours.
const std::regex kMutexError(R"(Error: CreateMutex Error: [1-9][0-9]*\.\n)");
constexpr const char* kDefaultEngineLine = "\tEngine: 810.00\n";

class InstanceLockTest : public FaultTest {
  protected:
    // The library's state directory and lock exist before the program runs.
    InstanceLockTest() { EXPECT_EQ(RunProbe({"get", "0"}).exitCode, 0); }

    std::string InstanceLockPath() const { return m_runtimeDir + "/NameOfMutexObject.lock"; }

    // Whether some process holds the instance lock now.
    bool InstanceLockHeld() const {
        const int fd = open(InstanceLockPath().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return false;
        const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
        close(fd);
        return held;
    }
};

// The first instance is caught holding both locks: its own instance lock, and
// waiting for the library's change lock, which the test holds. Killed there,
// it must leave nothing that keeps the next instance from running.
TEST_F(InstanceLockTest, InstanceKilledWhileHoldingTheLockDoesNotBlockTheNext) {
    const int libraryLock = open((m_stateDir + "/lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(libraryLock, 0);
    ASSERT_EQ(flock(libraryLock, LOCK_EX), 0);

    RunningProcess first({KorvanPath(), "-engclk=94500"}, Environment());
    ASSERT_TRUE(WaitFor([this] { return InstanceLockHeld(); }, 10.0))
        << "the first instance never took its lock";

    // While it lives, a second instance ends at once and does nothing.
    const ProcessResult second = RunKorvan({"-restore", "-viewclkinfo"});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err, "");

    first.Kill(SIGKILL);
    EXPECT_EQ(first.Finish().exitCode, 128 + SIGKILL);
    close(libraryLock);

    const ProcessResult next = RunKorvan({"-viewclkinfo"});
    EXPECT_EQ(next.exitCode, 0);
    EXPECT_EQ(next.err, "");
    EXPECT_NE(next.out.find(kDefaultEngineLine), std::string::npos)
        << "the killed instance's change never happened: " << next.out;
    EXPECT_FALSE(InstanceLockHeld());
}

struct PlantedLock {
    const char* name;
    // Plants the fault; returns the runtime directory the program is to use.
    std::function<std::string(const std::string& scratch, const std::string& runtimeDir)> plant;
};

const std::string kLockName = "/NameOfMutexObject.lock";

const PlantedLock kPlantedLocks[] = {
    {"LockIsLinkToAFile",
     [](const std::string& scratch, const std::string& runtimeDir) {
         WriteFileBytes(scratch + "/target", "someone else's file\n");
         symlink("../target", (runtimeDir + kLockName).c_str());
         return runtimeDir;
     }},
    {"LockIsDanglingLink",
     [](const std::string&, const std::string& runtimeDir) {
         symlink("../created-through-the-link", (runtimeDir + kLockName).c_str());
         return runtimeDir;
     }},
    {"LockOfAnotherUser",
     [](const std::string&, const std::string& runtimeDir) {
         WriteFileBytes(runtimeDir + kLockName, "");
         lchown((runtimeDir + kLockName).c_str(), 65534, 65534);
         return runtimeDir;
     }},
    {"LockIsDirectory",
     [](const std::string&, const std::string& runtimeDir) {
         mkdir((runtimeDir + kLockName).c_str(), 0700);
         return runtimeDir;
     }},
    {"LockIsFifo",
     [](const std::string&, const std::string& runtimeDir) {
         mkfifo((runtimeDir + kLockName).c_str(), 0600);
         return runtimeDir;
     }},
    {"RuntimeDirectoryIsLink",
     [](const std::string& scratch, const std::string& runtimeDir) {
         symlink(runtimeDir.c_str(), (scratch + "/linked-run").c_str());
         return scratch + "/linked-run";
     }},
    {"RuntimeDirectoryOfAnotherUser",
     [](const std::string&, const std::string& runtimeDir) {
         lchown(runtimeDir.c_str(), 65534, 65534);
         return runtimeDir;
     }},
    {"RuntimeDirectoryWritableByOthers",
     [](const std::string&, const std::string& runtimeDir) {
         chmod(runtimeDir.c_str(), 0777);
         return runtimeDir;
     }},
};

void PrintTo(const PlantedLock& planted, std::ostream* out) {
    *out << planted.name;
}

class PlantedLockTest : public InstanceLockTest,
                        public ::testing::WithParamInterface<PlantedLock> {};

// The lock cannot be trusted, so the program says so and runs unprotected:
// in a terminal the error line goes to stderr and the batch is still done.
// Nothing planted is followed, created or changed.
TEST_P(PlantedLockTest, ErrorIsReportedAndTheBatchStillRuns) {
    const std::string runtimeDir = GetParam().plant(m_scratch, m_runtimeDir);
    const auto before = Snapshot(m_scratch);

    ProcessOptions options;
    options.environment["XDG_RUNTIME_DIR"] = runtimeDir;
    const ProcessResult run = RunKorvan({"-viewclkinfo"}, options);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(std::regex_match(run.err, kMutexError)) << run.err;
    EXPECT_NE(run.out.find(kDefaultEngineLine), std::string::npos) << run.out;
    EXPECT_EQ(Snapshot(m_scratch), before);
}

INSTANTIATE_TEST_SUITE_P(Planted, PlantedLockTest, ::testing::ValuesIn(kPlantedLocks),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace faults
