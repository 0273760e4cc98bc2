// The recording stand-in's own logic: how it describes calls and how its
// scripted devices answer. The program's tests rely on both.
#include "tests/support/recording_clock_library.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class RecordingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        recording::Reset();
        recording::SetDevices({
            {.name = "Card",
             .flags = static_cast<uint32_t>(SUPPORTS_3DCLOCKS | SUPPORTS_VDDC),
             .engine = 50000,
             .memory = 60000,
             .engine3d = 70000,
             .memory3d = 80000,
             .voltages = {{VDDC, 1.1}, {VDDC | USE_3DVOLTAGE, 1.2}}},
            {.name = "Plain", .engine = 40000, .memory = 30000},
        });
        char reason[CLOCKLIB_ERROR_TEXT_SIZE] = {};
        ASSERT_NE(InitializeClockLib(reason), 0);
        bool more = true;
        while (more) {
            DeviceRecord record{};
            more = EnumerateDevices(&record) != 0;
            devices_.push_back(record);
        }
        recording::ClearCalls();
    }

    std::vector<DeviceRecord> devices_;
};

TEST_F(RecordingTest, DescribesEveryCallInOrder) {
    uint32_t engine = 0, memory = 0;
    GetClocks(&devices_[0], &engine, &memory, USE_3DCLOCKS);
    SetClocks(&devices_[1], 50000, &engine, 0, &memory, 0);
    SetClocks(&devices_[0], 1, &engine, 0, &memory, RESTORE_CLOCKS);
    SetClocks(nullptr, 5, &engine, 6, &memory, 0x4000);
    GetVoltage(&devices_[0], VDDC);
    IncreaseVoltage(&devices_[0], VDDC | USE_3DVOLTAGE);
    DecreaseVoltage(&devices_[1], MVDDQ);
    DeInitializeClockLib();
    EXPECT_EQ(recording::CallLog(), (Log{
                                        "GetClocks(dev0, flags=USE_3DCLOCKS)",
                                        "SetClocks(dev1, 50000, 0, flags=0)",
                                        "SetClocks(dev0, 1, 0, flags=RESTORE_CLOCKS)",
                                        "SetClocks(null, 5, 6, flags=0x4000)",
                                        "GetVoltage(dev0, VDDC)",
                                        "IncreaseVoltage(dev0, VDDC|USE_3DVOLTAGE)",
                                        "DecreaseVoltage(dev1, MVDDQ)",
                                        "DeInitializeClockLib()",
                                    }));
    EXPECT_EQ(recording::CallLog({"GetVoltage", "DeInitializeClockLib"}),
              (Log{"GetVoltage(dev0, VDDC)", "DeInitializeClockLib()"}));
    EXPECT_EQ(recording::DeInitializeCount(), 1);
}

TEST_F(RecordingTest, ClocksFollowTheScriptAndItsRestoreDefaults) {
    DeviceRecord& card = devices_[0];
    uint32_t engine = 0, memory = 0;
    ASSERT_NE(SetClocks(&card, 50001, &engine, 0, &memory, 0), 0);
    EXPECT_EQ(engine, 50001u) << "stored as given unless steps are asked for";
    EXPECT_EQ(memory, 60000u);
    ASSERT_NE(SetClocks(&card, 0, &engine, 81000, &memory, USE_3DCLOCKS), 0);
    EXPECT_EQ(engine, 70000u);
    EXPECT_EQ(memory, 81000u);

    recording::SetClockSteps(675, 900);
    ASSERT_NE(SetClocks(&card, 51000, &engine, 61000, &memory, 0), 0);
    EXPECT_EQ(engine, 50625u);
    EXPECT_EQ(memory, 60300u);

    ASSERT_NE(SetClocks(&card, 1, &engine, 0, &memory, RESTORE_CLOCKS), 0);
    EXPECT_EQ(engine, 50000u);
    EXPECT_EQ(memory, 60300u);
    EXPECT_EQ(SetClocks(&card, 2, &engine, 0, &memory, RESTORE_CLOCKS), 0);
    EXPECT_EQ(recording::Devices()[0].memory3d, 81000u);

    engine = memory = 7;
    EXPECT_EQ(GetClocks(&devices_[1], &engine, &memory, USE_3DCLOCKS), 0)
        << "a device without SUPPORTS_3DCLOCKS has no 3D set";
    EXPECT_EQ(SetClocks(&devices_[1], 5, &engine, 5, &memory, USE_3DCLOCKS), 0);
    EXPECT_EQ(engine, 7u);
}

TEST_F(RecordingTest, VoltagesStepByTheScriptedAmountOnScriptedRailsOnly) {
    DeviceRecord& card = devices_[0];
    recording::SetVoltageStep(0.0125);
    EXPECT_DOUBLE_EQ(IncreaseVoltage(&card, VDDC), 1.1125);
    EXPECT_DOUBLE_EQ(IncreaseVoltage(&card, VDDC), 1.125);
    EXPECT_DOUBLE_EQ(DecreaseVoltage(&card, VDDC | USE_3DVOLTAGE), 1.1875);
    EXPECT_DOUBLE_EQ(GetVoltage(&card, VDDC), 1.125);
    EXPECT_EQ(GetVoltage(&card, MVDDC), 0.0);
    EXPECT_EQ(IncreaseVoltage(&devices_[1], VDDC), 0.0);
}

TEST_F(RecordingTest, ScriptedFailuresAndCallsOutsideASessionAreRefused) {
    uint32_t engine = 7, memory = 7;
    recording::SetFailing("GetClocks");
    EXPECT_EQ(GetClocks(&devices_[0], &engine, &memory, 0), 0);
    recording::SetFailing("GetClocks", false);
    EXPECT_NE(GetClocks(&devices_[0], &engine, &memory, 0), 0);

    DeviceRecord stranger = devices_[0];
    stranger.libraryHandle = 9;
    EXPECT_EQ(GetClocks(&stranger, &engine, &memory, 0), 0);

    DeInitializeClockLib();
    EXPECT_FALSE(recording::IsInitialized());
    EXPECT_EQ(SetClocks(&devices_[0], 5, &engine, 5, &memory, 0), 0);
    EXPECT_EQ(recording::Devices()[0].engine, 50000u);

    recording::SetInitFailure(std::string(300, 'x'));
    char reason[CLOCKLIB_ERROR_TEXT_SIZE];
    EXPECT_EQ(InitializeClockLib(reason), 0);
    EXPECT_EQ(std::string(reason), std::string(CLOCKLIB_ERROR_TEXT_MAX, 'x'));
    DeviceRecord record{};
    EXPECT_EQ(EnumerateDevices(&record), 0);
    EXPECT_EQ(record.name[0], '\0');
}

}  // namespace
