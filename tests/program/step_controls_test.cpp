// The restore buttons and the six spins: restores and voltage steps act on
// the device at once, clock steps only edit the entry for Set Clocks.
#include "program_fixture.h"
#include "res/resource.h"
#include "tests/winmodel/case_name.h"

namespace {

using namespace win;
using Log = std::vector<std::string>;

class StepControlsTest : public ProgramTest {
  protected:
    static void Type(int id, const std::string& text) { winmodel::TypeText(Control(id), text); }
    static void ClickControl(int id) { winmodel::Click(Control(id)); }
    static void ClickArrow(int spin, bool up) { winmodel::ClickUpDownArrow(Control(spin), up); }
    static int SpinPosition(int spin) { return winmodel::UpDown(Control(spin)).position; }
    static std::pair<std::string, std::string> ClockTexts() {
        return {TextOf(IDC_ENGINE_CLOCK), TextOf(IDC_MEMORY_CLOCK)};
    }
    static std::string LastBoxText() {
        const auto& boxes = winmodel::ShownBoxes();
        return boxes.empty() ? "" : boxes.back().text;
    }
};

struct RestoreCase : NamedCase<RestoreCase> {
    int button;
    bool in3DMode;
    const char* call;
    const char* engineText;
    const char* memoryText;
};

class RestoreTest : public StepControlsTest, public ::testing::WithParamInterface<RestoreCase> {};

// The device's 2D clocks are first moved off their defaults (500.00 and
// 400.00); in 3D mode the edits show the 3D set (600.00 and 450.00) before
// the restore.
TEST_P(RestoreTest, RestoresTheDefaultsAndShowsOnlyWhatItRestored) {
    const RestoreCase& param = GetParam();
    recording::SetDevices({FullCard()});
    ui.hasDisplay = true;
    ui.Then([&] {
        Type(IDC_ENGINE_CLOCK, "550.00");
        Type(IDC_MEMORY_CLOCK, "410.00");
        ClickControl(IDC_SET_CLOCKS);
        if (param.in3DMode) ClickControl(IDC_3D_CLOCKS);
        recording::ClearCalls();
        const size_t requestsBefore = winmodel::DisplayRequests().size();

        ClickControl(param.button);
        EXPECT_EQ(recording::CallLog(), Log{param.call});
        EXPECT_EQ(ClockTexts(),
                  std::make_pair(std::string(param.engineText), std::string(param.memoryText)));
        EXPECT_EQ(winmodel::DisplayRequests().size(), requestsBefore);
        EXPECT_TRUE(winmodel::ShownBoxes().empty());
        // The clocks kept are the ones shown, so pressing Set Clocks now
        // changes nothing.
        ClickControl(IDC_SET_CLOCKS);
        EXPECT_EQ(LastBoxText(), "Clock Settings Not Modified!");
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreTest,
    ::testing::Values(
        RestoreCase{"BothIn3DMode", IDC_RESTORE_CLOCKS, true,
                    "SetClocks(dev0, 1, 1, flags=RESTORE_CLOCKS)", "500.00", "400.00"},
        RestoreCase{"EngineIn3DMode", IDC_RESTORE_ENGINE_CLOCK, true,
                    "SetClocks(dev0, 1, 0, flags=RESTORE_CLOCKS)", "500.00", "450.00"},
        RestoreCase{"MemoryIn3DMode", IDC_RESTORE_MEMORY_CLOCK, true,
                    "SetClocks(dev0, 0, 1, flags=RESTORE_CLOCKS)", "600.00", "400.00"},
        RestoreCase{"EngineIn2DMode", IDC_RESTORE_ENGINE_CLOCK, false,
                    "SetClocks(dev0, 1, 0, flags=RESTORE_CLOCKS)", "500.00", "410.00"},
        RestoreCase{"MemoryIn2DMode", IDC_RESTORE_MEMORY_CLOCK, false,
                    "SetClocks(dev0, 0, 1, flags=RESTORE_CLOCKS)", "550.00", "400.00"}),
    CaseName());

struct ClockStepCase : NamedCase<ClockStepCase> {
    int spin;
    int field;
    const char* before;
    bool up;
    const char* after;
};

class ClockStepTest : public StepControlsTest,
                      public ::testing::WithParamInterface<ClockStepCase> {};

TEST_P(ClockStepTest, StepsTheEntryByOneMegahertzWithoutTheLibrary) {
    const ClockStepCase& param = GetParam();
    recording::SetDevices({FullCard()});
    ui.Then([&] {
        Type(param.field, param.before);
        recording::ClearCalls();
        ClickArrow(param.spin, param.up);
        EXPECT_EQ(TextOf(param.field), param.after);
        EXPECT_EQ(recording::CallLog(), Log{});
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClockStepTest,
    ::testing::Values(
        ClockStepCase{"EmptyUp", IDC_SPIN_ENGINE_CLOCK, IDC_ENGINE_CLOCK, "", true, "1.00"},
        ClockStepCase{"EmptyDown", IDC_SPIN_ENGINE_CLOCK, IDC_ENGINE_CLOCK, "", false, "-1.00"},
        ClockStepCase{"BelowZero", IDC_SPIN_ENGINE_CLOCK, IDC_ENGINE_CLOCK, "0.50", false, "-0.50"},
        ClockStepCase{"EngineUp", IDC_SPIN_ENGINE_CLOCK, IDC_ENGINE_CLOCK, "300.00", true,
                      "301.00"},
        ClockStepCase{"MemoryDown", IDC_SPIN_MEMORY_CLOCK, IDC_MEMORY_CLOCK, "300.00", false,
                      "299.00"},
        ClockStepCase{"MemoryUp", IDC_SPIN_MEMORY_CLOCK, IDC_MEMORY_CLOCK, "300.00", true,
                      "301.00"},
        ClockStepCase{"NumberBeforeOtherText", IDC_SPIN_ENGINE_CLOCK, IDC_ENGINE_CLOCK, "300.5abc",
                      true, "301.50"},
        ClockStepCase{"TextWithoutNumber", IDC_SPIN_MEMORY_CLOCK, IDC_MEMORY_CLOCK, "abc", true,
                      "1.00"}),
    CaseName());

TEST_F(StepControlsTest, ANegativeStepIsRefusedBySetClocks) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        Type(IDC_ENGINE_CLOCK, "0.50");
        ClickArrow(IDC_SPIN_ENGINE_CLOCK, false);
        ClickControl(IDC_SET_CLOCKS);
        ASSERT_EQ(winmodel::ShownBoxes().size(), 1u);
        EXPECT_EQ(winmodel::ShownBoxes()[0].text, "Only numerical values accepted!");
        EXPECT_EQ(winmodel::ShownBoxes()[0].caption, "Engine Clock");
        EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{});
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

// Each step puts the spin back to 0 before the spin applies its own change of
// one, so the position never builds up.
TEST_F(StepControlsTest, OnlyTheLastOfSeveralClockStepsReachesTheDevice) {
    recording::SetDevices({FullCard()});
    ui.hasDisplay = true;
    ui.Then([] {
        for (int i = 0; i < 3; ++i) ClickArrow(IDC_SPIN_ENGINE_CLOCK, false);
        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), "497.00");
        EXPECT_EQ(SpinPosition(IDC_SPIN_ENGINE_CLOCK), 1);
        EXPECT_EQ(winmodel::DisplayRequests().size(), 0u);
        recording::ClearCalls();
        ClickControl(IDC_SET_CLOCKS);
        EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{"SetClocks(dev0, 49700, 0, flags=0)"});
        EXPECT_EQ(winmodel::DisplayRequests().size(), 1u);
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

struct VoltageStepCase : NamedCase<VoltageStepCase> {
    int spin;
    int field;
    bool in3DMode;
    bool up;
    const char* call;
    const char* afterTwoSteps;
};

class VoltageStepTest : public StepControlsTest,
                        public ::testing::WithParamInterface<VoltageStepCase> {};

// The library's voltages move by 0.025 V a step. Only VDDC follows 3D mode;
// the other rails step their plain value, which the field then shows.
TEST_P(VoltageStepTest, StepsTheRailAndShowsWhatTheLibraryReturns) {
    const VoltageStepCase& param = GetParam();
    recording::SetDevices({FullCard()});
    ui.Then([&] {
        if (param.in3DMode) ClickControl(IDC_3D_CLOCKS);
        recording::ClearCalls();
        ClickArrow(param.spin, param.up);
        ClickArrow(param.spin, param.up);
        EXPECT_EQ(recording::CallLog(), (Log{param.call, param.call}));
        EXPECT_EQ(TextOf(param.field), param.afterTwoSteps);
        EXPECT_EQ(SpinPosition(param.spin), param.up ? 0 : 1);
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VoltageStepTest,
    ::testing::Values(VoltageStepCase{"VddcUp", IDC_SPIN_VDDC, IDC_VDDC, false, true,
                                      "IncreaseVoltage(dev0, VDDC)", "1.150"},
                      VoltageStepCase{"VddcUpIn3DMode", IDC_SPIN_VDDC, IDC_VDDC, true, true,
                                      "IncreaseVoltage(dev0, VDDC|USE_3DVOLTAGE)", "1.250"},
                      VoltageStepCase{"VddcDownIn3DMode", IDC_SPIN_VDDC, IDC_VDDC, true, false,
                                      "DecreaseVoltage(dev0, VDDC|USE_3DVOLTAGE)", "1.150"},
                      VoltageStepCase{"MvddcUpIn3DMode", IDC_SPIN_MVDDC, IDC_MVDDC, true, true,
                                      "IncreaseVoltage(dev0, MVDDC)", "1.550"},
                      VoltageStepCase{"MvddqDownIn3DMode", IDC_SPIN_MVDDQ, IDC_MVDDQ, true, false,
                                      "DecreaseVoltage(dev0, MVDDQ)", "1.750"},
                      VoltageStepCase{"VddciUpIn3DMode", IDC_SPIN_VDDCI, IDC_VDDCI, true, true,
                                      "IncreaseVoltage(dev0, VDDCI)", "1.000"},
                      VoltageStepCase{"VddciDown", IDC_SPIN_VDDCI, IDC_VDDCI, false, false,
                                      "DecreaseVoltage(dev0, VDDCI)", "0.900"}),
    CaseName());

TEST_F(StepControlsTest, WithoutASelectedDeviceOnlyTheClockStepsWork) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        winmodel::TypeText(Control(IDC_DEVICE), "Vireo");
        recording::ClearCalls();
        const auto shownValues = [] {
            Log texts;
            for (int id :
                 {IDC_ENGINE_CLOCK, IDC_MEMORY_CLOCK, IDC_VDDC, IDC_MVDDC, IDC_MVDDQ, IDC_VDDCI}) {
                texts.push_back(TextOf(id));
            }
            return texts;
        };
        const Log before = shownValues();
        for (int button :
             {IDC_RESTORE_CLOCKS, IDC_RESTORE_ENGINE_CLOCK, IDC_RESTORE_MEMORY_CLOCK}) {
            ClickControl(button);
        }
        for (int spin : {IDC_SPIN_VDDC, IDC_SPIN_MVDDC, IDC_SPIN_MVDDQ, IDC_SPIN_VDDCI}) {
            ClickArrow(spin, true);
        }
        EXPECT_EQ(recording::CallLog(), Log{});
        EXPECT_EQ(shownValues(), before);

        ClickArrow(IDC_SPIN_ENGINE_CLOCK, true);
        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), "501.00");
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

}  // namespace
