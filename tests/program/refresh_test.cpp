// The refresh cycle: a change of device or of the 2D/3D choice shows the new
// values at once, and Auto Update repeats the reading every five seconds.
#include <algorithm>
#include <map>

#include "program_fixture.h"
#include "res/resource.h"
#include "tests/winmodel/case_name.h"

namespace {

using namespace win;
using Log = std::vector<std::string>;

// The fields a refresh rewrites, in this order.
const std::vector<int> kShownFields{IDC_ENGINE_CLOCK, IDC_MEMORY_CLOCK, IDC_VDDC,       IDC_MVDDC,
                                    IDC_MVDDQ,        IDC_VDDCI,        IDC_MEMORY_TYPE};
// The controls a refresh or a device change enables and disables.
const std::vector<int> kSwitchedControls{
    IDC_ENGINE_CLOCK, IDC_SPIN_ENGINE_CLOCK, IDC_MEMORY_CLOCK, IDC_SPIN_MEMORY_CLOCK,
    IDC_SPIN_VDDC,    IDC_SPIN_MVDDC,        IDC_SPIN_MVDDQ,   IDC_SPIN_VDDCI,
    IDC_2D_CLOCKS,    IDC_3D_CLOCKS};

class RefreshTest : public ProgramTest {
  protected:
    static Log ShownTexts() {
        Log texts;
        for (int id : kShownFields) texts.push_back(TextOf(id));
        return texts;
    }

    static std::vector<int> EnabledControls() {
        std::vector<int> enabled;
        std::copy_if(kSwitchedControls.begin(), kSwitchedControls.end(),
                     std::back_inserter(enabled), [](int id) { return IsEnabled(id); });
        return enabled;
    }

    // The two radio buttons' check states, "2D Clocks" first.
    static std::pair<int, int> RadioChecks() {
        return {winmodel::CheckState(Control(IDC_2D_CLOCKS)),
                winmodel::CheckState(Control(IDC_3D_CLOCKS))};
    }

    static size_t ClockReads() { return recording::CallLog({"GetClocks"}).size(); }

    static void Choose(int index) { winmodel::ChooseComboItem(Control(IDC_DEVICE), index); }
    static void ClickControl(int id) { winmodel::Click(Control(id)); }

    static recording::Device SecondFullCard() {
        recording::Device card = FullCard();
        card.name = "Vireo Twin";
        card.engine3d = 70000;
        card.memory3d = 48000;
        return card;
    }

    // FullCard with its engine clock moved, as if something else had set it.
    static recording::Device FullCardAt(uint32_t engine) {
        recording::Device card = FullCard();
        card.engine = engine;
        return card;
    }
};

struct DeviceChoice {
    int index;
    Log calls;
    Log texts;
    std::vector<int> enabled;
};

TEST_F(RefreshTest, ChoosingADeviceShowsItsValuesAtOnceAndNothingFollows) {
    recording::SetDevices({FullCard(), PlainCard(), IntegratedDevice()});
    const std::vector<DeviceChoice> choices{
        {1,
         {"GetClocks(dev1, flags=0)", "GetVoltage(dev1, VDDC)"},
         {"300.00", "270.00", "1.050", "N/A", "N/A", "N/A", "Graphics Memory"},
         {IDC_ENGINE_CLOCK, IDC_SPIN_ENGINE_CLOCK, IDC_MEMORY_CLOCK, IDC_SPIN_MEMORY_CLOCK,
          IDC_SPIN_VDDC}},
        {2,
         {"GetClocks(dev2, flags=0)"},
         {"200.00", "135.00", "N/A", "N/A", "N/A", "N/A", "System Memory"},
         {}},
        // Rows that were "N/A" get their spins back, and so do the clock fields.
        {0,
         {"GetClocks(dev0, flags=0)", "GetVoltage(dev0, VDDC)", "GetVoltage(dev0, MVDDC)",
          "GetVoltage(dev0, MVDDQ)", "GetVoltage(dev0, VDDCI)"},
         {"500.00", "400.00", "1.100", "1.500", "1.800", "0.950", "Graphics Memory"},
         kSwitchedControls},
    };
    for (const DeviceChoice& choice : choices) {
        ui.Then([this, &choice] {
            SCOPED_TRACE("device " + std::to_string(choice.index));
            recording::ClearCalls();
            Choose(choice.index);
            EXPECT_EQ(recording::CallLog(), choice.calls);
            EXPECT_EQ(ShownTexts(), choice.texts);
            EXPECT_EQ(EnabledControls(), choice.enabled);
            recording::ClearCalls();
            ui.AdvanceTime(60000);
        });
    }
    ui.Then([] { EXPECT_EQ(recording::CallLog(), Log{}) << "no refresh without Auto Update"; });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(RefreshTest, ThreeDModeReadsThe3DSetAndKeepsIt) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        recording::ClearCalls();
        ClickControl(IDC_3D_CLOCKS);
        EXPECT_EQ(
            recording::CallLog(),
            (Log{"GetClocks(dev0, flags=USE_3DCLOCKS)", "GetVoltage(dev0, VDDC|USE_3DVOLTAGE)",
                 "GetVoltage(dev0, MVDDC|USE_3DVOLTAGE)", "GetVoltage(dev0, MVDDQ|USE_3DVOLTAGE)",
                 "GetVoltage(dev0, VDDCI|USE_3DVOLTAGE)"}));
        EXPECT_EQ(ShownTexts(),
                  (Log{"600.00", "450.00", "1.200", "1.550", "1.850", "1.000", "Graphics Memory"}));
        EXPECT_EQ(RadioChecks(), std::make_pair(0, 1));

        // The 3D clocks read are the ones Set Clocks now compares against.
        ClickControl(IDC_SET_CLOCKS);
        ASSERT_FALSE(winmodel::ShownBoxes().empty());
        EXPECT_EQ(winmodel::ShownBoxes().back().text, "Clock Settings Not Modified!");

        recording::ClearCalls();
        ClickControl(IDC_2D_CLOCKS);
        EXPECT_EQ(recording::CallLog(), (Log{"GetClocks(dev0, flags=0)", "GetVoltage(dev0, VDDC)",
                                             "GetVoltage(dev0, MVDDC)", "GetVoltage(dev0, MVDDQ)",
                                             "GetVoltage(dev0, VDDCI)"}));
        EXPECT_EQ(ShownTexts(),
                  (Log{"500.00", "400.00", "1.100", "1.500", "1.800", "0.950", "Graphics Memory"}));
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{});
}

struct ModeStep {
    int device;
    const char* firstCall;
    const char* engineText;
    std::pair<int, int> radioChecks;
    bool radiosEnabled;
};

TEST_F(RefreshTest, ThreeDModeCarriesOverTo3DDevicesOnlyAndFallsBackTo2D) {
    recording::SetDevices({FullCard(), SecondFullCard(), PlainCard()});
    const std::vector<ModeStep> steps{
        {1, "GetClocks(dev1, flags=USE_3DCLOCKS)", "700.00", {0, 1}, true},
        {2, "GetClocks(dev2, flags=0)", "300.00", {1, 0}, false},
        // Back on a device with 3D clocks, the mode that was forced stays 2D.
        {0, "GetClocks(dev0, flags=0)", "500.00", {1, 0}, true},
    };
    ui.Then([] { ClickControl(IDC_3D_CLOCKS); });
    for (const ModeStep& step : steps) {
        ui.Then([&step] {
            SCOPED_TRACE("device " + std::to_string(step.device));
            recording::ClearCalls();
            Choose(step.device);
            const Log calls = recording::CallLog();
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.front(), step.firstCall);
            EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), step.engineText);
            EXPECT_EQ(RadioChecks(), step.radioChecks);
            EXPECT_EQ(IsEnabled(IDC_2D_CLOCKS), step.radiosEnabled);
            EXPECT_EQ(IsEnabled(IDC_3D_CLOCKS), step.radiosEnabled);
        });
    }
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(RefreshTest, A3DDeviceAfterAFirstDeviceWithout3DEnablesBothRadiosUnchecked) {
    recording::SetDevices({PlainCard(), FullCard()});
    ui.Then([] {
        EXPECT_FALSE(IsEnabled(IDC_2D_CLOCKS));
        EXPECT_FALSE(IsEnabled(IDC_3D_CLOCKS));
        recording::ClearCalls();
        Choose(1);
        EXPECT_TRUE(IsEnabled(IDC_2D_CLOCKS));
        EXPECT_TRUE(IsEnabled(IDC_3D_CLOCKS));
        EXPECT_EQ(RadioChecks(), std::make_pair(0, 0));
        const Log calls = recording::CallLog();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front(), "GetClocks(dev1, flags=0)");
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

struct VddciCase : NamedCase<VddciCase> {
    uint32_t flags;
    std::map<int, double> voltages;
    const char* text2D;
    const char* text3D;
};

class VddciIn3DTest : public RefreshTest, public ::testing::WithParamInterface<VddciCase> {};

// The library has no 3D capability for VDDCI: the memory I/O rail's governs it.
TEST_P(VddciIn3DTest, FollowsThe3DMemoryIoCapability) {
    const VddciCase& param = GetParam();
    recording::SetDevices({{.name = "Card",
                            .flags = static_cast<uint32_t>(SUPPORTS_3DCLOCKS) | param.flags,
                            .engine = 50000,
                            .memory = 40000,
                            .engine3d = 60000,
                            .memory3d = 45000,
                            .voltages = param.voltages}});
    const auto expectRow = [](const char* text) {
        EXPECT_EQ(TextOf(IDC_VDDCI), text);
        EXPECT_EQ(IsEnabled(IDC_SPIN_VDDCI), std::string(text) != "N/A");
        const Log reads = recording::CallLog({"GetVoltage"});
        const bool readVddci = std::any_of(reads.begin(), reads.end(), [](const std::string& call) {
            return call.find("VDDCI") != std::string::npos;
        });
        EXPECT_EQ(readVddci, std::string(text) != "N/A");
    };
    ui.Then([&] {
        recording::ClearCalls();
        ClickControl(IDC_3D_CLOCKS);
        SCOPED_TRACE("3D");
        expectRow(param.text3D);
    });
    ui.Then([&] {
        recording::ClearCalls();
        ClickControl(IDC_2D_CLOCKS);
        SCOPED_TRACE("2D");
        expectRow(param.text2D);
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, VddciIn3DTest,
                         ::testing::Values(VddciCase{"With3DMvddqWithoutVddci",
                                                     static_cast<uint32_t>(SUPPORTS_3DMVDDQ),
                                                     {{MVDDQ | USE_3DVOLTAGE, 1.85},
                                                      {VDDCI | USE_3DVOLTAGE, 1.05}},
                                                     "N/A",
                                                     "1.050"},
                                           VddciCase{"WithVddciWithout3DMvddq",
                                                     static_cast<uint32_t>(SUPPORTS_VDDCI),
                                                     {{VDDCI, 0.95}},
                                                     "0.950",
                                                     "N/A"}),
                         CaseName());

TEST_F(RefreshTest, AutoUpdateRefreshesEveryFiveSecondsUntilCleared) {
    recording::SetDevices({FullCard()});
    ui.Then([this] {
        recording::ClearCalls();
        ClickControl(IDC_AUTO_UPDATE);
        const std::vector<winmodel::TimerRecord> timers = winmodel::RunningTimers();
        ASSERT_EQ(timers.size(), 1u);
        EXPECT_EQ(timers[0].window, MainDialog());
        EXPECT_EQ(timers[0].id, 1u);
        EXPECT_EQ(timers[0].periodMs, 5000u);
        EXPECT_EQ(recording::CallLog(), Log{}) << "checking the box reads nothing at once";
        recording::SetDevices({FullCardAt(52000)});
        ui.AdvanceTime(4999);
    });
    ui.Then([this] {
        EXPECT_EQ(ClockReads(), 0u);
        ui.AdvanceTime(1);
    });
    ui.Then([this] {
        EXPECT_EQ(recording::CallLog(), (Log{"GetClocks(dev0, flags=0)", "GetVoltage(dev0, VDDC)",
                                             "GetVoltage(dev0, MVDDC)", "GetVoltage(dev0, MVDDQ)",
                                             "GetVoltage(dev0, VDDCI)"}));
        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), "520.00");
        recording::ClearCalls();
        ui.AdvanceTime(10000);
    });
    ui.Then([this] {
        EXPECT_EQ(ClockReads(), 2u);
        recording::ClearCalls();
        ClickControl(IDC_AUTO_UPDATE);
        EXPECT_TRUE(winmodel::RunningTimers().empty());
        ui.AdvanceTime(20000);
    });
    ui.Then([] { EXPECT_EQ(recording::CallLog(), Log{}); });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(RefreshTest, ARepaintRefreshesOnlyWhileAutoUpdateIsOn) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        recording::ClearCalls();
        winmodel::Uncover(MainDialog());
    });
    ui.Then([] {
        EXPECT_EQ(ClockReads(), 0u);
        ClickControl(IDC_AUTO_UPDATE);
        recording::ClearCalls();
        winmodel::Uncover(MainDialog());
    });
    ui.Then([] { EXPECT_EQ(recording::CallLog({"GetClocks"}), Log{"GetClocks(dev0, flags=0)"}); });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

// Typing into the device list's edit field leaves no device selected: the
// refresh that the 3D button asks for stops before the library, and stays
// pending until a paint finds a device again.
TEST_F(RefreshTest, ARefreshWithoutASelectedDeviceStaysPendingForTheNextPaint) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        winmodel::TypeText(Control(IDC_DEVICE), "Vir");
        ASSERT_EQ(winmodel::ComboSelection(Control(IDC_DEVICE)), -1);
        recording::ClearCalls();
        ClickControl(IDC_3D_CLOCKS);
        EXPECT_EQ(recording::CallLog(), Log{});
        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), "500.00");
        winmodel::Uncover(MainDialog());
    });
    ui.Then([] {
        EXPECT_EQ(recording::CallLog(), Log{});
        // Another program's selection sends no notification of it.
        SendMessage(Control(IDC_DEVICE), CB_SETCURSEL, 0, 0);
        winmodel::Uncover(MainDialog());
    });
    ui.Then([] {
        const Log calls = recording::CallLog();
        ASSERT_EQ(calls.size(), 5u);
        EXPECT_EQ(calls.front(), "GetClocks(dev0, flags=USE_3DCLOCKS)");
        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), "600.00");
        recording::ClearCalls();
        winmodel::Uncover(MainDialog());
    });
    ui.Then(
        [] { EXPECT_EQ(recording::CallLog(), Log{}) << "the refresh that ran is not pending"; });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(RefreshTest, TheTimerRefreshesTheDialogBehindAnOpenMessageBox) {
    recording::SetDevices({FullCard()});
    ui.answerBoxesAtOnce = false;
    ui.Then([] {
        ClickControl(IDC_AUTO_UPDATE);
        // The box's own loop runs the next two steps before this click returns.
        ClickControl(IDC_GET_CLOCK_INFO);
        EXPECT_EQ(winmodel::OpenMessageBox(), nullptr);
    });
    ui.Then([this] {
        ASSERT_NE(winmodel::OpenMessageBox(), nullptr);
        EXPECT_EQ(winmodel::BoxOf(winmodel::OpenMessageBox())->caption, "Clock Info");
        recording::ClearCalls();
        recording::SetDevices({FullCardAt(52000)});
        ui.AdvanceTime(5000);
    });
    ui.Then([] {
        EXPECT_EQ(ClockReads(), 1u);
        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), "520.00");
        ASSERT_NE(winmodel::OpenMessageBox(), nullptr);
        winmodel::AnswerBox(winmodel::OpenMessageBox());
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_EQ(ui.StepsLeft(), 0u);
}

}  // namespace
