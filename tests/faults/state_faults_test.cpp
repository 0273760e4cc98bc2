// The simulated library's state under faults: processes killed in the middle
// of a change, two processes changing one value at once, and a state
// directory or file that someone else planted or that cannot be written.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "fault_fixture.h"

namespace faults {
namespace {

// One card whose engine clock can take millions of distinct values, so that
// every change a process makes leaves a value of its own.
constexpr const char* kWideCard = R"(
[[device]]
name = "Wide Card"
capabilities = ["VDDC"]
clocks_2d.engine = { default = 675, min = 675, max = 4050000000 }
clocks_2d.memory = { default = 900, min = 900, max = 900 }

[device.rails.vddc]
default = 1.0
min = 0.0
max = 10.0
step = 0.001
)";

constexpr uint32_t kEngineStep = 675;

// The engine clock of the last complete "<engine> <memory>" line, or 0.
uint32_t LastReportedEngine(const std::string& output) {
    const std::size_t end = output.rfind('\n');
    if (end == std::string::npos) return 0;
    const std::size_t start = output.rfind('\n', end - 1);
    return static_cast<uint32_t>(
        std::stoul(output.substr(start == std::string::npos ? 0 : start + 1)));
}

uint32_t EngineOf(const ProcessResult& get) {
    return static_cast<uint32_t>(std::stoul(get.out));
}

class StateFaultTest : public FaultTest {};

// Each round starts a process that keeps changing the clock and kills it at a
// random moment: before the library starts, between changes, or while a new
// state file is being written. The next process must read the state, and it
// must hold the last change the killed one reported, or the one it was making.
TEST_F(StateFaultTest, ProcessKilledAtRandomMomentsLeavesReadableStateWithLastChange) {
    UseDevices(kWideCard);
    // Kill moments spread over twice the time one process takes to start and
    // make a change, however fast this build is.
    const auto calibrationStart = std::chrono::steady_clock::now();
    ASSERT_EQ(RunProbe({"set", "0", "675", "0"}).exitCode, 0);
    const auto oneChange = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - calibrationStart);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> killAfterMicroseconds(0, 2 * oneChange.count());
    SCOPED_TRACE("seed " + std::to_string(seed) + ", one change in " +
                 std::to_string(oneChange.count()) + " us");

    constexpr int kRounds = 200;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    uint32_t stateBefore = 675;
    int rounds = 0;
    int roundsWithChanges = 0;
    int killsDuringWrite = 0;
    for (; rounds < kRounds && std::chrono::steady_clock::now() < deadline; ++rounds) {
        RunningProcess walker({ProbePath(), "walk", "0", "100000000"}, Environment());
        // The moment of the kill is the random variable here, not a wait.
        std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicroseconds(random)));
        walker.Kill(SIGKILL);
        const ProcessResult killed = walker.Finish();
        ASSERT_EQ(killed.exitCode, 128 + SIGKILL) << "round " << rounds << ": " << killed.err;
        killsDuringWrite += std::filesystem::exists(m_stateDir + "/state.new") ? 1 : 0;

        const ProcessResult next = RunProbe({"get", "0"});
        ASSERT_EQ(next.exitCode, 0) << "round " << rounds << ": " << next.err;
        const uint32_t engine = EngineOf(next);
        const uint32_t reported = LastReportedEngine(killed.out);
        if (reported != 0) {
            ++roundsWithChanges;
            EXPECT_TRUE(engine == reported || engine == reported + kEngineStep)
                << "round " << rounds << ": reported " << reported << ", state has " << engine;
        } else {
            // Killed before its first change completed: the old state, or that first change.
            EXPECT_TRUE(engine == stateBefore || engine == kEngineStep)
                << "round " << rounds << ": before " << stateBefore << ", state has " << engine;
        }
        stateBefore = engine;
    }
    std::cout << "[ rounds   ] " << rounds << " kills, " << roundsWithChanges
              << " after at least one change, " << killsDuringWrite
              << " left a half-written state.new\n";
    EXPECT_GE(rounds, 20) << "too few rounds in the time allowed to mean anything";
    EXPECT_GT(roundsWithChanges, 0);

    // The debris of the last kill does not stand in the way of the next change.
    EXPECT_EQ(RunProbe({"set", "0", "1350", "0"}).out, "1350 900\n");
    EXPECT_EQ(RunProbe({"get", "0"}).out, "1350 900\n");
}

// Both processes step the same rail: a read-modify-write that lost the other
// process's update would leave the rail short of the sum of the steps.
TEST_F(StateFaultTest, TwoProcessesSteppingOneRailLoseNoStep) {
    UseDevices(kWideCard);
    constexpr int kSteps = 300;
    RunningProcess first({ProbePath(), "raise", "0", "vddc", std::to_string(kSteps)},
                         Environment());
    RunningProcess second({ProbePath(), "raise", "0", "vddc", std::to_string(kSteps)},
                          Environment());
    const ProcessResult firstResult = first.Finish();
    const ProcessResult secondResult = second.Finish();
    ASSERT_EQ(firstResult.exitCode, 0) << firstResult.err;
    ASSERT_EQ(secondResult.exitCode, 0) << secondResult.err;
    // One last step reads the rail: 1.0 V + (2 × 300 + 1) mV.
    EXPECT_EQ(RunProbe({"raise", "0", "vddc", "1"}).out, "1.601000\n");
}

struct PlantedState {
    const char* name;
    std::function<void(const std::string& scratch, const std::string& stateDir)> plant;
    const char* subject;  // relative to the scratch directory
    const char* reason;
};

constexpr const char* kValidState =
    "tavoclock-state 1\n[Tavo Vireo 7950 XT]\nengine = 85050\nend\n";

void MakeDirectory(const std::string& path, mode_t mode) {
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0) << path;
    ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

// A state directory as an earlier run leaves it: private, with its lock file.
void MakeStateDirectory(const std::string& stateDir) {
    MakeDirectory(stateDir, 0700);
    WriteFileBytes(stateDir + "/lock", "");
    ASSERT_EQ(chmod((stateDir + "/lock").c_str(), 0600), 0);
}

void OwnByNobody(const std::string& path) {
    ASSERT_EQ(lchown(path.c_str(), 65534, 65534), 0);
}

const PlantedState kPlantedStates[] = {
    {"DirectoryIsLink",
     [](const std::string& scratch, const std::string& stateDir) {
         MakeDirectory(scratch + "/elsewhere", 0700);
         WriteFileBytes(scratch + "/elsewhere/state", kValidState);
         ASSERT_EQ(symlink("elsewhere", stateDir.c_str()), 0);
     },
     "state", "the state directory is a symbolic link, which is never followed"},
    {"DirectoryOfAnotherUser",
     [](const std::string&, const std::string& stateDir) {
         MakeDirectory(stateDir, 0700);
         WriteFileBytes(stateDir + "/state", kValidState);
         OwnByNobody(stateDir);
     },
     "state", "the state directory belongs to user 65534, not to this user (0)"},
    {"DirectoryNotWritable",
     [](const std::string&, const std::string& stateDir) { MakeDirectory(stateDir, 0500); },
     "state", "the state directory is not writable (mode 0500)"},
    {"DirectoryWritableByOthers",
     [](const std::string&, const std::string& stateDir) { MakeDirectory(stateDir, 0777); },
     "state", "the state directory can be written by other users (mode 0777); it must be private"},
    {"StateFileIsLink",
     [](const std::string& scratch, const std::string& stateDir) {
         WriteFileBytes(scratch + "/elsewhere", kValidState);
         MakeStateDirectory(stateDir);
         ASSERT_EQ(symlink("../elsewhere", (stateDir + "/state").c_str()), 0);
     },
     "state/state", "is a symbolic link, which is never followed"},
    {"StateFileOfAnotherUser",
     [](const std::string&, const std::string& stateDir) {
         MakeStateDirectory(stateDir);
         WriteFileBytes(stateDir + "/state", kValidState);
         OwnByNobody(stateDir + "/state");
     },
     "state/state", "belongs to user 65534, not to this user (0)"},
    {"StateFileIsNotAStateFile",
     [](const std::string&, const std::string& stateDir) {
         MakeStateDirectory(stateDir);
         WriteFileBytes(stateDir + "/state", "engine = 85050\n\xff\xfe");
     },
     "state/state", "not a state file"},
    {"StateFileIsFifo",
     [](const std::string&, const std::string& stateDir) {
         MakeStateDirectory(stateDir);
         ASSERT_EQ(mkfifo((stateDir + "/state").c_str(), 0600), 0);
     },
     "state/state", "is not a regular file"},
    {"LockIsDanglingLink",
     [](const std::string&, const std::string& stateDir) {
         MakeDirectory(stateDir, 0700);
         ASSERT_EQ(symlink("../planted-lock", (stateDir + "/lock").c_str()), 0);
     },
     "state/lock", "is a symbolic link, which is never followed"},
    {"LockIsFifo",
     [](const std::string&, const std::string& stateDir) {
         MakeDirectory(stateDir, 0700);
         ASSERT_EQ(mkfifo((stateDir + "/lock").c_str(), 0600), 0);
     },
     "state/lock", "is not a regular file"},
    {"LockOfAnotherUser",
     [](const std::string&, const std::string& stateDir) {
         MakeDirectory(stateDir, 0700);
         WriteFileBytes(stateDir + "/lock", "");
         OwnByNobody(stateDir + "/lock");
     },
     "state/lock", "belongs to user 65534, not to this user (0)"},
};

void PrintTo(const PlantedState& planted, std::ostream* out) {
    *out << planted.name;
}

class PlantedStateTest : public FaultTest, public ::testing::WithParamInterface<PlantedState> {};

// The program reports the library's refusal and ends with 1; whatever was
// planted is neither followed nor changed, even though the run asked for a change.
TEST_P(PlantedStateTest, StartFailsClearlyAndNothingIsFollowedOrOverwritten) {
    const PlantedState& planted = GetParam();
    planted.plant(m_scratch, m_stateDir);
    if (HasFatalFailure()) return;
    const auto before = ScratchSnapshot();

    const ProcessResult run = RunKorvan({"-engclk=94500", "-viewclkinfo"});

    EXPECT_EQ(run.exitCode, 1);
    const std::string expected =
        "Failed: " + m_scratch + "/" + planted.subject + ": " + planted.reason;
    EXPECT_NE(run.out.find(expected), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Current Clock Settings"), std::string::npos)
        << "no batch after a failure";
    EXPECT_EQ(ScratchSnapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Planted, PlantedStateTest, ::testing::ValuesIn(kPlantedStates),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(StateFaultTest, StateDirectoryOnReadOnlyMountFailsAtStart) {
    MakeDirectory(m_stateDir, 0700);
    ProcessOptions options;
    options.prepareMounts = [this] { return BindReadOnly(m_stateDir); };

    const ProcessResult run = RunKorvan({"-viewclkinfo"}, options);
    if (run.exitCode == kSetupFailed) GTEST_SKIP() << run.err;

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Failed: " + m_stateDir + "/lock: cannot open: Read-only file system"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(std::filesystem::is_empty(m_stateDir));
}

// Renaming over an immutable file fails, so the change cannot be made: the
// old state stays whole and the report shows the clocks still in effect.
TEST_F(StateFaultTest, ImmutableStateFileIsNeverReplaced) {
    MakeDirectory(m_stateDir, 0700);
    WriteFileBytes(m_stateDir + "/state", kValidState);
    const ImmutableFile immutable(m_stateDir + "/state");
    if (!immutable.fault().empty()) GTEST_SKIP() << immutable.fault();

    const ProcessResult run = RunKorvan({"-engclk=94500", "-viewclkinfo"});

    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\tEngine: 850.50\n"), std::string::npos) << run.out;
    EXPECT_EQ(ReadFileBytes(m_stateDir + "/state"), kValidState);
    EXPECT_FALSE(std::filesystem::exists(m_stateDir + "/state.new"));
}

}  // namespace
}  // namespace faults
