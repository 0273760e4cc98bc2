// What one process sees of the simulated library: its exported values, its
// devices, and how clocks and voltages move.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "clocklib/clock_library.h"
#include "tests/clocksim/clocksim_fixture.h"

namespace clocksim_test {
namespace {

struct NamedValue {
    const char* name;
    int value;
};

std::vector<NamedValue> ExportedValues() {
    return {{"SUPPORTS_VDDC", SUPPORTS_VDDC},
            {"SUPPORTS_MVDDC", SUPPORTS_MVDDC},
            {"SUPPORTS_MVDDQ", SUPPORTS_MVDDQ},
            {"SUPPORTS_VDDCI", SUPPORTS_VDDCI},
            {"SUPPORTS_3DVDDC", SUPPORTS_3DVDDC},
            {"SUPPORTS_3DMVDDC", SUPPORTS_3DMVDDC},
            {"SUPPORTS_3DMVDDQ", SUPPORTS_3DMVDDQ},
            {"SUPPORTS_3DCLOCKS", SUPPORTS_3DCLOCKS},
            {"SUPPORTS_SYSTEM_MEMORY", SUPPORTS_SYSTEM_MEMORY},
            {"SYSTEM_MEMORY_ONLY", SYSTEM_MEMORY_ONLY},
            {"USE_3DCLOCKS", USE_3DCLOCKS},
            {"RESTORE_CLOCKS", RESTORE_CLOCKS},
            {"VDDC", VDDC},
            {"MVDDC", MVDDC},
            {"MVDDQ", MVDDQ},
            {"VDDCI", VDDCI},
            {"USE_3DVOLTAGE", USE_3DVOLTAGE}};
}

TEST(ExportedValues, AreDistinctNonZeroAndShapedForTheirUse) {
    const std::vector<NamedValue> values = ExportedValues();
    ASSERT_EQ(values.size(), 17u);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_NE(values[i].value, 0) << values[i].name;
        for (std::size_t j = i + 1; j < values.size(); ++j) {
            EXPECT_NE(values[i].value, values[j].value) << values[i].name << " " << values[j].name;
        }
    }
    // The first ten are capability bits of one flags word.
    for (std::size_t i = 0; i < 10; ++i) {
        const auto bits = static_cast<unsigned>(values[i].value);
        EXPECT_EQ(bits & (bits - 1), 0u) << values[i].name << " is not a single bit";
    }
    for (int rail : {VDDC, MVDDC, MVDDQ, VDDCI}) {
        EXPECT_EQ(rail & USE_3DVOLTAGE, 0) << "rail " << rail;
    }
}

TEST_F(ClockSimTest, BuiltInDevicesCoverEachKindOutOfAlphabeticalOrder) {
    char reason[CLOCKLIB_ERROR_TEXT_SIZE] = {};
    ASSERT_NE(InitializeClockLib(reason), 0) << reason;
    std::vector<DeviceRecord> devices;
    std::vector<int> more;
    for (int i = 0; i < 3; ++i) {
        DeviceRecord record{};
        more.push_back(EnumerateDevices(&record));
        devices.push_back(record);
    }
    EXPECT_NE(more[0], 0);
    EXPECT_NE(more[1], 0);
    EXPECT_EQ(more[2], 0) << "the call filling the last device returns 0";

    std::vector<std::string> names;
    for (const DeviceRecord& device : devices) names.emplace_back(device.name);
    EXPECT_FALSE(std::is_sorted(names.begin(), names.end()));
    EXPECT_FALSE(std::is_sorted(names.rbegin(), names.rend()));

    const auto flags = [](std::initializer_list<int> bits) {
        uint32_t all = 0;
        for (int bit : bits) all |= static_cast<uint32_t>(bit);
        return all;
    };
    std::vector<uint32_t> actual;
    for (const DeviceRecord& device : devices) actual.push_back(device.flags);
    const uint32_t fullCard =
        flags({SUPPORTS_VDDC, SUPPORTS_MVDDC, SUPPORTS_MVDDQ, SUPPORTS_VDDCI, SUPPORTS_3DVDDC,
               SUPPORTS_3DMVDDC, SUPPORTS_3DMVDDQ, SUPPORTS_3DCLOCKS});
    const uint32_t plainCard = flags({SUPPORTS_VDDC});
    const uint32_t integrated = flags({SUPPORTS_SYSTEM_MEMORY, SYSTEM_MEMORY_ONLY});
    std::vector<uint32_t> expected{fullCard, plainCard, integrated};
    std::sort(actual.begin(), actual.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(actual, expected);

    DeviceRecord again{};
    EnumerateDevices(&again);
    EXPECT_STREQ(again.name, devices[0].name) << "a new enumeration starts at the first device";
}

// Every built-in clock can be moved at least 100 MHz both ways from a default
// that sits on the step grid, which the program's dialog needs.
TEST_F(ClockSimTest, BuiltInClocksHaveRoomAroundStepAlignedDefaults) {
    std::vector<DeviceRecord> devices = StartLibrary();
    ASSERT_EQ(devices.size(), 3u);
    for (DeviceRecord& device : devices) {
        std::vector<int> sets{0};
        if (device.flags & static_cast<uint32_t>(SUPPORTS_3DCLOCKS)) sets.push_back(USE_3DCLOCKS);
        for (int set : sets) {
            SCOPED_TRACE(std::string(device.name) + (set ? " 3D" : " 2D"));
            uint32_t engine = 0, memory = 0, engineMax = 0, memoryMax = 0, engineMin = 0,
                     memoryMin = 0;
            ASSERT_NE(GetClocks(&device, &engine, &memory, set), 0);
            EXPECT_EQ(engine % 675, 0u);
            EXPECT_EQ(memory % 900, 0u);
            ASSERT_NE(SetClocks(&device, UINT32_MAX, &engineMax, UINT32_MAX, &memoryMax, set), 0);
            ASSERT_NE(SetClocks(&device, 1, &engineMin, 1, &memoryMin, set), 0);
            EXPECT_GE(engineMax, engine + 10000);
            EXPECT_GE(memoryMax, memory + 10000);
            EXPECT_LE(engineMin + 10000, engine);
            EXPECT_LE(memoryMin + 10000, memory);
        }
    }
}

class TestCardTest : public ClockSimTest {
  protected:
    void SetUp() override {
        ClockSimTest::SetUp();
        UseDeviceFile(kTestDeviceToml);
        std::vector<DeviceRecord> devices = StartLibrary();
        ASSERT_EQ(devices.size(), 1u);
        card_ = devices[0];
    }

    std::pair<uint32_t, uint32_t> Clocks(int set) {
        uint32_t engine = 0, memory = 0;
        EXPECT_NE(GetClocks(&card_, &engine, &memory, set), 0);
        return {engine, memory};
    }

    std::pair<uint32_t, uint32_t> Set(uint32_t engine, uint32_t memory, int set) {
        uint32_t engineOut = 0, memoryOut = 0;
        EXPECT_NE(SetClocks(&card_, engine, &engineOut, memory, &memoryOut, set), 0);
        return {engineOut, memoryOut};
    }

    DeviceRecord card_{};
};

struct QuantiseCase {
    uint32_t requested;
    uint32_t engine;  // what the engine clock becomes
    uint32_t memory;  // what the memory clock becomes
};

// The test card's 2D limits: engine 54000..81000, memory 72000..108000.
TEST_F(TestCardTest, ClocksAreQuantisedDownAndClampedToLimits) {
    const QuantiseCase cases[] = {
        {75600, 75600, 75600},        // on both grids
        {75601, 75600, 75600},        // just above: down, never up
        {76274, 75600, 75600},        // engine one short of its next step
        {76275, 76275, 75600},        // engine's next step; memory still below its next
        {76499, 76275, 75600},        // memory one short of its next step
        {76500, 76275, 76500},        // memory's next step
        {53999, 54000, 72000},        // below both minimums
        {1, 54000, 72000},            // the smallest request
        {81674, 81000, 81000},        // engine just below its next step past the maximum
        {UINT32_MAX, 81000, 108000},  // far above
    };
    for (const QuantiseCase& c : cases) {
        SCOPED_TRACE(c.requested);
        const auto outputs = Set(c.requested, c.requested, 0);
        EXPECT_EQ(outputs, std::make_pair(c.engine, c.memory));
        EXPECT_EQ(Clocks(0), outputs);
    }
}

TEST_F(TestCardTest, ZeroInputLeavesThatClockAndEachSetIsSeparate) {
    const auto defaults2d = Clocks(0);
    const auto defaults3d = Clocks(USE_3DCLOCKS);
    EXPECT_EQ(defaults2d, std::make_pair(67500u, 90000u));
    EXPECT_EQ(defaults3d, std::make_pair(81000u, 99000u));

    EXPECT_EQ(Set(70875, 0, 0), std::make_pair(70875u, 90000u));
    EXPECT_EQ(Set(0, 99000, 0), std::make_pair(70875u, 99000u));
    EXPECT_EQ(Set(0, 0, 0), std::make_pair(70875u, 99000u));
    EXPECT_EQ(Clocks(USE_3DCLOCKS), defaults3d) << "2D changes leave the 3D set";

    EXPECT_EQ(Set(0, 90900, USE_3DCLOCKS), std::make_pair(81000u, 90900u));
    EXPECT_EQ(Set(87750, 0, USE_3DCLOCKS), std::make_pair(87750u, 90900u));
    EXPECT_EQ(Clocks(0), std::make_pair(70875u, 99000u)) << "3D changes leave the 2D set";
}

TEST_F(TestCardTest, RestoreBringsBackTheChosen2dDefaults) {
    struct RestoreCase {
        uint32_t engineInput;
        uint32_t memoryInput;
        std::pair<uint32_t, uint32_t> after;
    };
    const RestoreCase cases[] = {
        {1, 0, {67500, 99000}},
        {0, 1, {70875, 90000}},
        {1, 1, {67500, 90000}},
        {0, 0, {70875, 99000}},
    };
    for (const RestoreCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.engineInput) + "," + std::to_string(c.memoryInput));
        Set(70875, 99000, 0);
        Set(87750, 90900, USE_3DCLOCKS);
        EXPECT_EQ(Set(c.engineInput, c.memoryInput, RESTORE_CLOCKS), c.after);
        EXPECT_EQ(Clocks(0), c.after);
        EXPECT_EQ(Clocks(USE_3DCLOCKS), std::make_pair(87750u, 90900u));
    }
}

TEST_F(TestCardTest, RefusedRequestsChangeNothingAndLeaveOutputs) {
    Set(70875, 99000, 0);
    const uint32_t untouched = 12345;
    uint32_t engine = untouched, memory = untouched;
    // RESTORE_CLOCKS takes only 0 and 1; anything else is a caller mixing up selectors.
    EXPECT_EQ(SetClocks(&card_, 2, &engine, 1, &memory, RESTORE_CLOCKS), 0);
    EXPECT_EQ(SetClocks(&card_, 60750, &engine, 0, &memory, USE_3DCLOCKS | RESTORE_CLOCKS), 0);
    EXPECT_EQ(SetClocks(&card_, 60750, &engine, 0, &memory, SUPPORTS_3DCLOCKS), 0);
    EXPECT_EQ(GetClocks(&card_, &engine, &memory, RESTORE_CLOCKS), 0);
    EXPECT_EQ(engine, untouched);
    EXPECT_EQ(memory, untouched);
    EXPECT_EQ(Clocks(0), std::make_pair(70875u, 99000u));

    // Null outputs are simply not written.
    EXPECT_NE(SetClocks(&card_, 60750, nullptr, 0, nullptr, 0), 0);
    EXPECT_NE(GetClocks(&card_, nullptr, nullptr, 0), 0);
    EXPECT_EQ(Clocks(0).first, 60750u);
}

TEST_F(TestCardTest, VoltagesStepWithinLimitsPerRailAndSet) {
    EXPECT_DOUBLE_EQ(GetVoltage(&card_, VDDC), 1.0);
    EXPECT_DOUBLE_EQ(GetVoltage(&card_, VDDC | USE_3DVOLTAGE), 1.2);
    EXPECT_DOUBLE_EQ(IncreaseVoltage(&card_, VDDC), 1.01);
    EXPECT_DOUBLE_EQ(IncreaseVoltage(&card_, VDDC), 1.02);
    EXPECT_DOUBLE_EQ(DecreaseVoltage(&card_, VDDC | USE_3DVOLTAGE), 1.19);
    EXPECT_DOUBLE_EQ(GetVoltage(&card_, VDDC), 1.02);
    EXPECT_DOUBLE_EQ(GetVoltage(&card_, VDDC | USE_3DVOLTAGE), 1.19);
    EXPECT_DOUBLE_EQ(GetVoltage(&card_, MVDDC), 1.5) << "other rails are unmoved";

    // Steps stop at the limits and report the limit.
    double volts = 0;
    for (int i = 0; i < 400; ++i) volts = IncreaseVoltage(&card_, MVDDC);
    EXPECT_DOUBLE_EQ(volts, 4.0);
    for (int i = 0; i < 400; ++i) volts = DecreaseVoltage(&card_, MVDDC);
    EXPECT_DOUBLE_EQ(volts, 0.5);
    EXPECT_DOUBLE_EQ(DecreaseVoltage(&card_, MVDDC), 0.5);
}

TEST_F(TestCardTest, RailsTheCardLacksAndBadRailSelectorsGiveZero) {
    const int missing[] = {
        MVDDQ, VDDCI, MVDDC | USE_3DVOLTAGE, USE_3DVOLTAGE, SUPPORTS_VDDC, VDDC | RESTORE_CLOCKS,
        -1};
    for (int rail : missing) {
        SCOPED_TRACE(rail);
        EXPECT_EQ(GetVoltage(&card_, rail), 0.0);
        EXPECT_EQ(IncreaseVoltage(&card_, rail), 0.0);
        EXPECT_EQ(DecreaseVoltage(&card_, rail), 0.0);
    }
    EXPECT_FALSE(std::filesystem::exists(stateDir_ + "/state")) << "nothing was changed";
}

TEST_F(ClockSimTest, ThreeDClocksOfACardWithoutThemAreRefused) {
    std::vector<DeviceRecord> devices = StartLibrary();
    auto plain = std::find_if(devices.begin(), devices.end(), [](const DeviceRecord& d) {
        return !(d.flags & static_cast<uint32_t>(SUPPORTS_3DCLOCKS));
    });
    ASSERT_NE(plain, devices.end());
    uint32_t engine = 7, memory = 7;
    EXPECT_EQ(GetClocks(&*plain, &engine, &memory, USE_3DCLOCKS), 0);
    EXPECT_EQ(SetClocks(&*plain, 60750, &engine, 72000, &memory, USE_3DCLOCKS), 0);
    EXPECT_EQ(engine, 7u);
    EXPECT_EQ(memory, 7u);
    EXPECT_FALSE(std::filesystem::exists(stateDir_ + "/state"));
}

TEST_F(ClockSimTest, RecordsNamingNoDeviceAndCallsOutsideASessionAreRefused) {
    const auto expectRefused = [](DeviceRecord* record) {
        uint32_t engine = 7, memory = 7;
        EXPECT_EQ(GetClocks(record, &engine, &memory, 0), 0);
        EXPECT_EQ(SetClocks(record, 60750, &engine, 72000, &memory, 0), 0);
        EXPECT_EQ(SetClocks(record, 1, &engine, 1, &memory, RESTORE_CLOCKS), 0);
        EXPECT_EQ(GetVoltage(record, VDDC), 0.0);
        EXPECT_EQ(IncreaseVoltage(record, VDDC), 0.0);
        EXPECT_EQ(DecreaseVoltage(record, VDDC), 0.0);
        EXPECT_EQ(engine, 7u);
        EXPECT_EQ(memory, 7u);
    };

    DeviceRecord before{};
    EXPECT_EQ(EnumerateDevices(&before), 0);
    EXPECT_EQ(before.name[0], '\0') << "no device before InitializeClockLib";
    expectRefused(&before);
    EXPECT_EQ(DeInitializeClockLib(), 0);

    std::vector<DeviceRecord> devices = StartLibrary();
    ASSERT_FALSE(devices.empty());
    DeviceRecord zeroed{};
    DeviceRecord unknown = devices[0];
    unknown.libraryHandle = 1000;
    expectRefused(nullptr);
    expectRefused(&zeroed);
    expectRefused(&unknown);
    EXPECT_EQ(EnumerateDevices(nullptr), 0);

    EXPECT_NE(DeInitializeClockLib(), 0);
    expectRefused(&devices[0]);
    EXPECT_FALSE(std::filesystem::exists(stateDir_ + "/state"));
}

TEST_F(ClockSimTest, StartsWithoutAReasonBuffer) {
    EXPECT_NE(InitializeClockLib(nullptr), 0);
    setenv("TAVOCLOCK_DEVICES", (scratch_ + "/absent.toml").c_str(), 1);
    EXPECT_EQ(InitializeClockLib(nullptr), 0);
}

}  // namespace
}  // namespace clocksim_test
