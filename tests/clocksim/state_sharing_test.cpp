// The simulated card's state outlives a process and is shared by all of
// them, as a real card's clocks are.
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "clocklib/clock_library.h"
#include "tests/clocksim/clocksim_fixture.h"

namespace clocksim_test {
namespace {

std::pair<uint32_t, uint32_t> ClocksOf(DeviceRecord& device, int set = 0) {
    uint32_t engine = 0, memory = 0;
    EXPECT_NE(GetClocks(&device, &engine, &memory, set), 0);
    return {engine, memory};
}

TEST_F(ClockSimTest, ChangesLastAcrossProcessesUntilRestored) {
    EXPECT_EQ(RunProbe({"set", "0", "85000", "0"}).output, "84375 90000\n");
    EXPECT_EQ(RunProbe({"set", "0", "0", "117000", "3d"}).output, "108000 117000\n");
    EXPECT_EQ(RunProbe({"raise", "0", "vddc-3d", "2"}).output, "1.250000\n");

    EXPECT_EQ(RunProbe({"get", "0"}).output, "84375 90000\n");
    std::vector<DeviceRecord> devices = StartLibrary();
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(ClocksOf(devices[0]), std::make_pair(84375u, 90000u));
    EXPECT_EQ(ClocksOf(devices[0], USE_3DCLOCKS), std::make_pair(108000u, 117000u));
    EXPECT_DOUBLE_EQ(GetVoltage(&devices[0], VDDC | USE_3DVOLTAGE), 1.25);

    uint32_t engine = 0, memory = 0;
    ASSERT_NE(SetClocks(&devices[0], 1, &engine, 1, &memory, RESTORE_CLOCKS), 0);
    EXPECT_EQ(RunProbe({"get", "0"}).output, "81000 90000\n");
    EXPECT_EQ(RunProbe({"get", "0", "3d"}).output, "108000 117000\n");
}

// The program's Auto Update polls without restarting the library and must
// see what another program changed in between.
TEST_F(ClockSimTest, SeesChangesMadeByAnotherProcessWithoutRestarting) {
    std::vector<DeviceRecord> devices = StartLibrary();
    ASSERT_FALSE(devices.empty());
    DeviceRecord& card = devices[0];
    EXPECT_EQ(ClocksOf(card), std::make_pair(81000u, 90000u));
    EXPECT_DOUBLE_EQ(GetVoltage(&card, VDDC), 1.1);

    for (const char* engine : {"82350", "83025", "82350"}) {
        ASSERT_EQ(RunProbe({"set", "0", engine, "0"}).exitCode, 0);
        EXPECT_EQ(ClocksOf(card).first, std::stoul(engine));
    }
    ASSERT_EQ(RunProbe({"raise", "0", "vddc", "1"}).exitCode, 0);
    EXPECT_DOUBLE_EQ(GetVoltage(&card, VDDC), 1.125);
    EXPECT_DOUBLE_EQ(IncreaseVoltage(&card, VDDC), 1.15) << "steps from what the other did";

    std::filesystem::remove(stateDir_ + "/state");
    EXPECT_EQ(ClocksOf(card), std::make_pair(81000u, 90000u)) << "a removed file is a reset";
}

// Each process keeps stepping its own rail; a read-modify-write that lost the
// other's update would leave one rail short.
TEST_F(ClockSimTest, ConcurrentChangesFromTwoProcessesAreAllKept) {
    UseDeviceFile(kTestDeviceToml);
    constexpr int kSteps = 150;
    RunningProbe first = StartProbe({"raise", "0", "vddc", std::to_string(kSteps)});
    RunningProbe second = StartProbe({"raise", "0", "mvddc", std::to_string(kSteps)});
    const ProbeResult firstResult = FinishProbe(first);
    const ProbeResult secondResult = FinishProbe(second);
    EXPECT_EQ(firstResult.exitCode, 0);
    EXPECT_EQ(secondResult.exitCode, 0);

    std::vector<DeviceRecord> devices = StartLibrary();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_DOUBLE_EQ(GetVoltage(&devices[0], VDDC), 1.0 + kSteps * 0.01);
    EXPECT_DOUBLE_EQ(GetVoltage(&devices[0], MVDDC), 1.5 + kSteps * 0.01);
}

TEST_F(ClockSimTest, StateFollowsDeviceIdsWhenTheDeviceFileChanges) {
    const std::string card = R"(
[[device]]
name = "Tavo Test 100"
id = "%ID%"
[device.clocks_2d]
engine = { default = 67500, min = 54000, max = %MAX% }
memory = { default = 90000, min = 72000, max = 108000 }
)";
    const auto deviceToml = [&card](const std::string& id, const std::string& max) {
        std::string text = card;
        text.replace(text.find("%ID%"), 4, id);
        text.replace(text.find("%MAX%"), 5, max);
        return text;
    };
    UseDeviceFile(deviceToml("left", "94500") + deviceToml("right", "94500"));
    std::vector<DeviceRecord> devices = StartLibrary();
    ASSERT_EQ(devices.size(), 2u);
    uint32_t engine = 0, memory = 0;
    ASSERT_NE(SetClocks(&devices[0], 94500, &engine, 0, &memory, 0), 0);
    ASSERT_NE(SetClocks(&devices[1], 60750, &engine, 0, &memory, 0), 0);
    DeInitializeClockLib();

    // "left" moves to the end and its maximum drops below the stored clock.
    UseDeviceFile(deviceToml("right", "94500") + deviceToml("new", "94500") +
                  deviceToml("left", "81000"));
    devices = StartLibrary();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(ClocksOf(devices[0]).first, 60750u);
    EXPECT_EQ(ClocksOf(devices[1]).first, 67500u);
    EXPECT_EQ(ClocksOf(devices[2]).first, 81000u) << "clamped to the new maximum";
}

TEST_F(ClockSimTest, WithoutAChosenDirectoryUsesAPrivateOneInTheRuntimeDirectory) {
    const std::string runtime = scratch_ + "/run";
    ASSERT_TRUE(std::filesystem::create_directory(runtime));
    unsetenv("TAVOCLOCK_STATE_DIR");
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    std::vector<DeviceRecord> devices = StartLibrary();
    unsetenv("XDG_RUNTIME_DIR");
    ASSERT_FALSE(devices.empty());
    uint32_t engine = 0, memory = 0;
    ASSERT_NE(SetClocks(&devices[0], 82350, &engine, 0, &memory, 0), 0);

    struct stat status {};
    ASSERT_EQ(lstat((runtime + "/tavoclock").c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0700u);
    EXPECT_TRUE(std::filesystem::exists(runtime + "/tavoclock/state"));
    EXPECT_FALSE(std::filesystem::exists(stateDir_));
}

// A process killed between writing its temporary file and renaming it leaves
// that file behind; it must neither be read nor get in the next writer's way.
TEST_F(ClockSimTest, LeftoverTemporaryFileIsNeitherReadNorInTheWay) {
    ASSERT_TRUE(std::filesystem::create_directory(stateDir_));
    std::filesystem::permissions(stateDir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    WriteFile(stateDir_ + "/state.new", "tavoclock-state 1\n[Tavo Vireo 7950 XT]\nengine = 8");
    EXPECT_EQ(RunProbe({"get", "0"}).output, "81000 90000\n");
    EXPECT_EQ(RunProbe({"set", "0", "82350", "0"}).output, "82350 90000\n");
    EXPECT_EQ(RunProbe({"get", "0"}).output, "82350 90000\n");
    EXPECT_FALSE(std::filesystem::exists(stateDir_ + "/state.new"));
}

}  // namespace
}  // namespace clocksim_test
