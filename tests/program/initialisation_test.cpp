// What the main dialog shows once it has started: the device list, the first
// device's clocks, voltages and capabilities, and the parts of the window that
// do not depend on the device.
#include <array>

#include "program_fixture.h"
#include "res/resource.h"

namespace {

using namespace win;
using Log = std::vector<std::string>;

struct VoltageRowIds {
    int field;
    int spin;
};

// In the order the rows are read: VDDC, MVDDC, MVDDQ, VDDCI.
constexpr std::array<VoltageRowIds, 4> kVoltageRows{{
    {IDC_VDDC, IDC_SPIN_VDDC},
    {IDC_MVDDC, IDC_SPIN_MVDDC},
    {IDC_MVDDQ, IDC_SPIN_MVDDQ},
    {IDC_VDDCI, IDC_SPIN_VDDCI},
}};

struct InitialisationCase {
    const char* name;
    std::vector<recording::Device> devices;
    Log items;
    const char* memoryType;
    bool engineClockSettable;  // edit 1001 and spin 1040
    bool memoryClockSettable;  // edit 1000 and spin 1048
    bool has3d;
    const char* engineText;
    const char* memoryText;
    std::array<const char*, 4> voltages;  // "N/A" where the spin must be disabled
    Log calls;                            // up to the point the dialog waits for its user
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const InitialisationCase& c, std::ostream* os) {
    *os << c.name;
}

class InitialisationTest : public ProgramTest,
                           public ::testing::WithParamInterface<InitialisationCase> {
  public:
    static std::vector<InitialisationCase> Cases();

  private:
    static recording::Device CardWithEdgeValues();
};

recording::Device InitialisationTest::CardWithEdgeValues() {
    recording::Device card = FullCard();
    card.engine = 999;
    card.memory = 40;
    card.voltages[VDDC] = 1.4;
    return card;
}

recording::Device SharedMemoryDevice() {
    return {.name = "Pallas",
            .flags = static_cast<uint32_t>(SUPPORTS_SYSTEM_MEMORY),
            .engine = 45000,
            .memory = 0};
}

// Device names are listed in enumeration order, which is never alphabetical here.
std::vector<InitialisationCase> InitialisationTest::Cases() {
    return {
        {"FullCardAlone",
         {CardWithEdgeValues()},
         {"Vireo"},
         "Graphics Memory",
         true,
         true,
         true,
         "9.99",
         "0.40",
         {"1.400", "1.500", "1.800", "0.950"},
         {"InitializeClockLib()", "EnumerateDevices()", "GetClocks(dev0, flags=0)",
          "GetVoltage(dev0, VDDC)", "GetVoltage(dev0, MVDDC)", "GetVoltage(dev0, MVDDQ)",
          "GetVoltage(dev0, VDDCI)"}},
        {"PlainCardFirstOfTwo",
         {PlainCard(), IntegratedDevice()},
         {"Corsa", "Aster"},
         "Graphics Memory",
         true,
         true,
         false,
         "300.00",
         "270.00",
         {"1.050", "N/A", "N/A", "N/A"},
         {"InitializeClockLib()", "EnumerateDevices()", "EnumerateDevices()",
          "GetClocks(dev0, flags=0)", "GetVoltage(dev0, VDDC)"}},
        {"SystemMemoryOnly",
         {IntegratedDevice()},
         {"Aster"},
         "System Memory",
         false,
         false,
         false,
         "200.00",
         "135.00",
         {"N/A", "N/A", "N/A", "N/A"},
         {"InitializeClockLib()", "EnumerateDevices()", "GetClocks(dev0, flags=0)"}},
        {"SystemMemoryWithoutOnly",
         {SharedMemoryDevice(), FullCard(), PlainCard()},
         {"Pallas", "Vireo", "Corsa"},
         "System Memory",
         false,
         true,
         false,
         "450.00",
         "0.00",
         {"N/A", "N/A", "N/A", "N/A"},
         {"InitializeClockLib()", "EnumerateDevices()", "EnumerateDevices()", "EnumerateDevices()",
          "GetClocks(dev0, flags=0)"}},
    };
}

TEST_P(InitialisationTest, ShowsTheFirstDeviceAsItsCapabilitiesAllow) {
    const InitialisationCase& c = GetParam();
    recording::SetDevices(c.devices);
    bool inspected = false;
    ui.Then([&] {
        ASSERT_NE(MainDialog(), nullptr);
        EXPECT_EQ(recording::CallLog(), c.calls);

        EXPECT_EQ(winmodel::ComboItems(Control(IDC_DEVICE)), c.items);
        EXPECT_EQ(winmodel::ComboSelection(Control(IDC_DEVICE)), 0);
        EXPECT_EQ(IsEnabled(IDC_SAME_CLOCKS), c.items.size() > 1);

        EXPECT_EQ(TextOf(IDC_MEMORY_TYPE), c.memoryType);
        EXPECT_EQ(IsEnabled(IDC_ENGINE_CLOCK), c.engineClockSettable);
        EXPECT_EQ(IsEnabled(IDC_SPIN_ENGINE_CLOCK), c.engineClockSettable);
        EXPECT_EQ(IsEnabled(IDC_MEMORY_CLOCK), c.memoryClockSettable);
        EXPECT_EQ(IsEnabled(IDC_SPIN_MEMORY_CLOCK), c.memoryClockSettable);

        EXPECT_EQ(IsEnabled(IDC_2D_CLOCKS), c.has3d);
        EXPECT_EQ(IsEnabled(IDC_3D_CLOCKS), c.has3d);
        EXPECT_EQ(winmodel::CheckState(Control(IDC_2D_CLOCKS)),
                  c.has3d ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(winmodel::CheckState(Control(IDC_3D_CLOCKS)), BST_UNCHECKED);

        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), c.engineText);
        EXPECT_EQ(TextOf(IDC_MEMORY_CLOCK), c.memoryText);
        for (size_t row = 0; row < kVoltageRows.size(); ++row) {
            SCOPED_TRACE("voltage field " + std::to_string(kVoltageRows[row].field));
            EXPECT_EQ(TextOf(kVoltageRows[row].field), c.voltages[row]);
            EXPECT_EQ(IsEnabled(kVoltageRows[row].spin), std::string(c.voltages[row]) != "N/A");
        }
        inspected = true;
    });
    ThenClose();

    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_TRUE(inspected);
}

INSTANTIATE_TEST_SUITE_P(Devices, InitialisationTest,
                         ::testing::ValuesIn(InitialisationTest::Cases()),
                         [](const auto& param) { return std::string(param.param.name); });

class DialogFrameTest : public ProgramTest {};

TEST_F(DialogFrameTest, HasIconsMenuEntriesFanSliderAndFocusOnSetClocks) {
    recording::SetDevices({FullCard()});
    bool inspected = false;
    ui.Then([&] {
        const HWND dialog = MainDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(winmodel::IconId(winmodel::WindowIcon(dialog, ICON_BIG)), IDR_MAINFRAME);
        EXPECT_EQ(winmodel::IconId(winmodel::WindowIcon(dialog, ICON_SMALL)), IDR_MAINFRAME);

        const std::vector<winmodel::MenuItem> menu = winmodel::SystemMenuItems(dialog);
        ASSERT_GE(menu.size(), 3u);
        const std::vector<winmodel::MenuItem> added(menu.end() - 3, menu.end());
        EXPECT_EQ(added[0].flags & MF_SEPARATOR, MF_SEPARATOR);
        EXPECT_EQ(added[1].flags & MF_SEPARATOR, 0u);
        EXPECT_EQ(added[1].id, IDM_ABOUTBOX);
        EXPECT_EQ(added[1].text, "&About Korvan...");
        EXPECT_EQ(added[2].flags & MF_SEPARATOR, 0u);
        EXPECT_EQ(added[2].id, IDM_HELP);
        EXPECT_EQ(added[2].text, "&Help");

        const winmodel::TrackbarState slider = winmodel::Trackbar(Control(IDC_FAN_SPEED));
        EXPECT_EQ(slider.rangeMin, 0);
        EXPECT_EQ(slider.rangeMax, 22);
        EXPECT_EQ(slider.tickFrequency, 2);
        EXPECT_FALSE(IsEnabled(IDC_FAN_SPEED));

        // Left as the template made them, with no timer behind Auto Update.
        for (const int id : {IDC_AUTO_UPDATE, IDC_MANUAL_FAN}) {
            EXPECT_TRUE(IsEnabled(id)) << id;
            EXPECT_EQ(winmodel::CheckState(Control(id)), BST_UNCHECKED) << id;
        }
        EXPECT_TRUE(winmodel::RunningTimers().empty());

        EXPECT_EQ(winmodel::Focus(), Control(IDC_SET_CLOCKS));
        inspected = true;
    });
    ThenClose();

    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_TRUE(inspected);
}

}  // namespace
