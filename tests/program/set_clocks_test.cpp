// Set Clocks: the checks of the two entries, the request to the display
// driver, the step test and what the library is asked.
#include "program_fixture.h"
#include "res/resource.h"
#include "tests/winmodel/case_name.h"

namespace {

using namespace win;
using Log = std::vector<std::string>;
using Bytes = std::vector<unsigned char>;

class SetClocksTest : public ProgramTest {
  protected:
    SetClocksTest() { ui.hasDisplay = true; }

    static void Type(int id, const std::string& text) { winmodel::TypeText(Control(id), text); }
    static void PressSetClocks() { winmodel::Click(Control(IDC_SET_CLOCKS)); }
    static std::pair<std::string, std::string> ClockTexts() {
        return {TextOf(IDC_ENGINE_CLOCK), TextOf(IDC_MEMORY_CLOCK)};
    }
    static std::string LastBoxText() {
        const auto& boxes = winmodel::ShownBoxes();
        return boxes.empty() ? "" : boxes.back().text;
    }

    // The two clocks of a request as the driver reads them: little-endian
    // words at offsets 40 and 44.
    static std::pair<uint32_t, uint32_t> RequestedClocks(const winmodel::DisplayRequest& request) {
        const auto word = [&request](size_t offset) {
            uint32_t value = 0;
            for (size_t i = 0; i < 4; ++i) {
                value |= static_cast<uint32_t>(request.input.at(offset + i)) << (8 * i);
            }
            return value;
        };
        return {word(40), word(44)};
    }
};

struct RefusalCase : NamedCase<RefusalCase> {
    const char* memoryText;
    const char* engineText;
    const char* boxText;
    const char* caption;
    UINT type;
};

class SetClocksRefusalTest : public SetClocksTest,
                             public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SetClocksRefusalTest, RefusesWithOneBoxAndChangesNothing) {
    const RefusalCase& param = GetParam();
    recording::SetDevices({FullCard()});
    ui.Then([&] {
        Type(IDC_MEMORY_CLOCK, param.memoryText);
        Type(IDC_ENGINE_CLOCK, param.engineText);
        recording::ClearCalls();
        PressSetClocks();
        ASSERT_EQ(winmodel::ShownBoxes().size(), 1u);
        const winmodel::BoxRecord& box = winmodel::ShownBoxes().front();
        EXPECT_EQ(box.text, param.boxText);
        EXPECT_EQ(box.caption, param.caption);
        EXPECT_EQ(box.type, param.type);
        EXPECT_EQ(box.owner, MainDialog());
        EXPECT_TRUE(winmodel::DisplayRequests().empty());
        EXPECT_EQ(recording::CallLog(), Log{});
        EXPECT_EQ(ClockTexts(),
                  std::make_pair(std::string(param.engineText), std::string(param.memoryText)));
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

constexpr const char* kNotNumeric = "Only numerical values accepted!";
constexpr const char* kOutOfRange = "Clock value out of range! The largest is 42949672.95.";

// The memory entry is examined completely before the engine entry: only the
// first fault is reported.
INSTANTIATE_TEST_SUITE_P(
    Cases, SetClocksRefusalTest,
    ::testing::Values(
        RefusalCase{"MemoryMissing", "", "x", "Memory clock value is missing!", "Memory Clock",
                    MB_ICONWARNING},
        RefusalCase{"MemoryNotNumeric", "40O.00", "", kNotNumeric, "Memory Clock", MB_ICONWARNING},
        RefusalCase{"MemoryTooLarge", "42949672.96", "", kOutOfRange, "Memory Clock",
                    MB_ICONWARNING},
        RefusalCase{"MemoryOf19DigitsTooLarge", "1234567890123456789", "", kOutOfRange,
                    "Memory Clock", MB_ICONWARNING},
        RefusalCase{"EngineMissing", "400.00", "", "Engine clock value is missing!", "Engine Clock",
                    MB_ICONWARNING},
        RefusalCase{"EngineNegative", "400.00", "-1.00", kNotNumeric, "Engine Clock",
                    MB_ICONWARNING},
        RefusalCase{"EngineWithSpace", "400.00", " 500", kNotNumeric, "Engine Clock",
                    MB_ICONWARNING},
        RefusalCase{"EngineOf20Digits", "400.00", "12345678901234567890", kNotNumeric,
                    "Engine Clock", MB_ICONWARNING},
        RefusalCase{"EngineTooLarge", "400.00", "99999999", kOutOfRange, "Engine Clock",
                    MB_ICONWARNING},
        RefusalCase{"NothingChanged", "400.00", "500.00", "Clock Settings Not Modified!",
                    "Clock Settings", MB_ICONINFORMATION},
        RefusalCase{"NothingChangedBelowTheShownDecimals", "400.001", "500.009",
                    "Clock Settings Not Modified!", "Clock Settings", MB_ICONINFORMATION}),
    CaseName());

struct EntryCase : NamedCase<EntryCase> {
    int field;
    const char* text;
    uint32_t entry;  // in the library's unit
    const char* shown;
};

class ClockEntryTest : public SetClocksTest, public ::testing::WithParamInterface<EntryCase> {};

// MHz × 100.0 in double precision, truncated: what reaches the driver and
// the library. The other clock is left as shown and so reaches the library
// as 0.
TEST_P(ClockEntryTest, ConvertsTheEntryForTheDriverAndTheLibrary) {
    const EntryCase& param = GetParam();
    const bool engine = param.field == IDC_ENGINE_CLOCK;
    recording::SetDevices({FullCard()});
    ui.Then([&] {
        Type(param.field, param.text);
        PressSetClocks();
        EXPECT_EQ(winmodel::ShownBoxes().size(), 0u) << LastBoxText();
        ASSERT_EQ(winmodel::DisplayRequests().size(), 1u);
        const auto requested = RequestedClocks(winmodel::DisplayRequests()[0]);
        EXPECT_EQ(requested, engine ? std::make_pair(param.entry, 40000u)
                                    : std::make_pair(50000u, param.entry));
        const std::string entry = std::to_string(param.entry);
        EXPECT_EQ(recording::CallLog({"SetClocks"}),
                  Log{engine ? "SetClocks(dev0, " + entry + ", 0, flags=0)"
                             : "SetClocks(dev0, 0, " + entry + ", flags=0)"});
        EXPECT_EQ(TextOf(param.field), param.shown);
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClockEntryTest,
    ::testing::Values(
        // 1.15 × 100.0 lies just below 115.
        EntryCase{"JustBelowAWholeUnit", IDC_ENGINE_CLOCK, "1.15", 114, "1.14"},
        EntryCase{"JustBelowAWholeUnitInMemory", IDC_MEMORY_CLOCK, "325.03", 32502, "325.02"},
        EntryCase{"SecondPointEndsTheNumber", IDC_ENGINE_CLOCK, "12.5.3", 1250, "12.50"},
        EntryCase{"TrailingPoint", IDC_ENGINE_CLOCK, "5.", 500, "5.00"},
        EntryCase{"LeadingPoint", IDC_MEMORY_CLOCK, ".5", 50, "0.50"},
        EntryCase{"LeadingZeros", IDC_ENGINE_CLOCK, "0012", 1200, "12.00"},
        EntryCase{"Largest", IDC_ENGINE_CLOCK, "42949672.95", 4294967295u, "42949672.95"},
        // Nothing for the library to change: the edit keeps what was typed.
        EntryCase{"LonePoint", IDC_ENGINE_CLOCK, ".", 0, "."},
        EntryCase{"Zero", IDC_MEMORY_CLOCK, "0", 0, "0"}),
    CaseName());

TEST_F(SetClocksTest, HandsTheDriverOneZeroFilledRequestWithBothEntries) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        Type(IDC_ENGINE_CLOCK, "600.00");
        Type(IDC_MEMORY_CLOCK, "450.00");
        PressSetClocks();
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);

    Bytes expected{
        96,   0,    0,    0,  // the request's length
        0x12, 0,    0x11, 0,  // 0x00110012
        0,    0,    0,    0,  //
        0,    0,    0,    0,  //
        80,   0,    0,    0,  // bytes from here to the end
        15,   0,    0,    0,  //
        0,    0,    0,    0,  //
        0,    0,    0,    0,  //
        64,   0,    0,    0,  // bytes from here to the end
        3,    0,    0,    0,  //
        0x60, 0xEA, 0,    0,  // engine 60000
        0xC8, 0xAF, 0,    0,  // memory 45000
    };
    expected.resize(96, 0);
    ASSERT_EQ(winmodel::DisplayRequests().size(), 1u);
    EXPECT_EQ(winmodel::DisplayRequests()[0].escape, 29446);
    EXPECT_EQ(winmodel::DisplayRequests()[0].input, expected);
    EXPECT_EQ(recording::CallLog({"GetClocks", "SetClocks"}),
              (Log{"GetClocks(dev0, flags=0)", "GetClocks(dev0, flags=0)",
                   "SetClocks(dev0, 60000, 45000, flags=0)"}));
}

TEST_F(SetClocksTest, WithoutADisplayTheLibraryIsStillAsked) {
    ui.hasDisplay = false;
    recording::SetDevices({FullCard()});
    ui.Then([] {
        Type(IDC_ENGINE_CLOCK, "600.00");
        recording::ClearCalls();
        PressSetClocks();
        ASSERT_EQ(winmodel::ShownBoxes().size(), 1u);
        const winmodel::BoxRecord& box = winmodel::ShownBoxes().front();
        EXPECT_EQ(box.text, "Fail to talk to display driver");
        EXPECT_EQ(box.caption, "korvan");  // the module's name
        EXPECT_EQ(box.type, MB_OK);
        EXPECT_EQ(box.owner, MainDialog());
        EXPECT_TRUE(winmodel::DisplayRequests().empty());
        EXPECT_EQ(recording::CallLog(),
                  (Log{"GetClocks(dev0, flags=0)", "SetClocks(dev0, 60000, 0, flags=0)"}));
        EXPECT_EQ(ClockTexts(), std::make_pair(std::string("600.00"), std::string("400.00")));
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

// 405.00 MHz is 60 engine steps of 675 and 45 memory steps of 900: entries
// just above them already are the clocks in effect.
TEST_F(SetClocksTest, EntriesThatReduceToTheCurrentClocksSkipTheLibrary) {
    recording::Device card = FullCard();
    card.engine = 40500;
    card.memory = 40500;
    recording::SetDevices({card});
    ui.Then([this] {
        Type(IDC_ENGINE_CLOCK, "406.00");
        Type(IDC_MEMORY_CLOCK, "405.50");
        recording::ClearCalls();
        PressSetClocks();
        EXPECT_EQ(recording::CallLog(), Log{"GetClocks(dev0, flags=0)"});
        ASSERT_EQ(winmodel::DisplayRequests().size(), 1u);
        EXPECT_EQ(RequestedClocks(winmodel::DisplayRequests()[0]), std::make_pair(40600u, 40550u));
        EXPECT_EQ(ClockTexts(), std::make_pair(std::string("405.00"), std::string("405.00")));
        // What was read is kept: the same texts again change nothing.
        PressSetClocks();
        EXPECT_EQ(LastBoxText(), "Clock Settings Not Modified!");

        // The engine entry alone reducing to its clock is not enough.
        Type(IDC_ENGINE_CLOCK, "406.00");
        Type(IDC_MEMORY_CLOCK, "415.00");
        recording::ClearCalls();
        PressSetClocks();
        EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{"SetClocks(dev0, 40600, 41500, flags=0)"});
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(SetClocksTest, OnlyTheChangedClockIsSetShownAndKept) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        // The memory clock moves behind the dialog's back; a clock the user
        // left alone is neither shown nor kept afresh.
        recording::Device moved = FullCard();
        moved.memory = 41000;
        recording::SetDevices({moved});
        Type(IDC_ENGINE_CLOCK, "550.00");
        recording::ClearCalls();
        PressSetClocks();
        EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{"SetClocks(dev0, 55000, 0, flags=0)"});
        EXPECT_EQ(ClockTexts(), std::make_pair(std::string("550.00"), std::string("400.00")));
        PressSetClocks();
        EXPECT_EQ(LastBoxText(), "Clock Settings Not Modified!");
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

// The driver's box runs a loop in which Auto Update refreshes the kept clocks;
// what counts as unchanged is decided after it, against them.
TEST_F(SetClocksTest, ARefreshBehindTheDriverBoxDecidesWhatIsUnchanged) {
    ui.hasDisplay = false;
    ui.answerBoxesAtOnce = false;
    recording::SetDevices({FullCard()});
    ui.Then([] {
        winmodel::Click(Control(IDC_AUTO_UPDATE));
        Type(IDC_ENGINE_CLOCK, "550.00");
        PressSetClocks();
        EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{"SetClocks(dev0, 55000, 40000, flags=0)"});
        EXPECT_EQ(ClockTexts(), std::make_pair(std::string("550.00"), std::string("400.00")));
    });
    ui.Then([this] {
        ASSERT_NE(winmodel::OpenMessageBox(), nullptr);
        recording::Device moved = FullCard();
        moved.memory = 41000;
        recording::SetDevices({moved});
        ui.AdvanceTime(5000);
    });
    ui.Then([] {
        EXPECT_EQ(TextOf(IDC_MEMORY_CLOCK), "410.00");
        winmodel::AnswerBox(winmodel::OpenMessageBox());
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_EQ(ui.StepsLeft(), 0u);
}

TEST_F(SetClocksTest, ThreeDModeSetsThe3DSetButTestsThe2DClocks) {
    recording::Device card = FullCard();
    card.engine = 40500;  // 2D clocks on their steps of 675 and 900
    card.memory = 40500;
    recording::SetDevices({card});
    ui.Then([] {
        winmodel::Click(Control(IDC_3D_CLOCKS));
        ASSERT_EQ(ClockTexts(), std::make_pair(std::string("600.00"), std::string("450.00")));
        Type(IDC_ENGINE_CLOCK, "650.00");
        recording::ClearCalls();
        PressSetClocks();
        EXPECT_EQ(recording::CallLog(), (Log{"GetClocks(dev0, flags=0)",
                                             "SetClocks(dev0, 65000, 0, flags=USE_3DCLOCKS)"}));
        EXPECT_EQ(recording::Devices()[0].engine3d, 65000u);
        EXPECT_EQ(recording::Devices()[0].engine, 40500u);

        // Entries equal to the 2D clocks pass the step test, so nothing is set.
        Type(IDC_ENGINE_CLOCK, "405.00");
        Type(IDC_MEMORY_CLOCK, "405.00");
        recording::ClearCalls();
        PressSetClocks();
        EXPECT_EQ(recording::CallLog(), Log{"GetClocks(dev0, flags=0)"});
        EXPECT_EQ(winmodel::DisplayRequests().size(), 2u);
        EXPECT_EQ(ClockTexts(), std::make_pair(std::string("405.00"), std::string("405.00")));
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(SetClocksTest, EnterInEitherClockFieldSetsTheClocks) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        Type(IDC_ENGINE_CLOCK, "550.00");
        winmodel::PressKey(Control(IDC_ENGINE_CLOCK), VK_RETURN);
    });
    ui.Then([] {
        EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{"SetClocks(dev0, 55000, 0, flags=0)"});
        Type(IDC_MEMORY_CLOCK, "410.00");
        winmodel::PressKey(Control(IDC_MEMORY_CLOCK), VK_RETURN);
    });
    ui.Then([] {
        EXPECT_EQ(recording::CallLog({"SetClocks"}), (Log{"SetClocks(dev0, 55000, 0, flags=0)",
                                                          "SetClocks(dev0, 0, 41000, flags=0)"}));
        EXPECT_NE(MainDialog(), nullptr);
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(SetClocksTest, AnEntryOfZeroLeavesThatClockAndItsKeptValue) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        Type(IDC_ENGINE_CLOCK, "0");
        PressSetClocks();
        EXPECT_EQ(recording::CallLog({"SetClocks"}), Log{"SetClocks(dev0, 0, 0, flags=0)"});
        EXPECT_EQ(ClockTexts(), std::make_pair(std::string("0"), std::string("400.00")));
        // The engine clock kept is still the one read at the start.
        Type(IDC_ENGINE_CLOCK, "500.00");
        PressSetClocks();
        EXPECT_EQ(LastBoxText(), "Clock Settings Not Modified!");
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

TEST_F(SetClocksTest, WithoutASelectedDeviceOnlyTheDriverHearsOfIt) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        winmodel::TypeText(Control(IDC_DEVICE), "Vireo");
        Type(IDC_ENGINE_CLOCK, "550.00");
        recording::ClearCalls();
        PressSetClocks();
        EXPECT_EQ(winmodel::DisplayRequests().size(), 1u);
        EXPECT_EQ(recording::CallLog(), Log{});
        EXPECT_EQ(ClockTexts(), std::make_pair(std::string("550.00"), std::string("400.00")));
        EXPECT_TRUE(winmodel::ShownBoxes().empty());
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

}  // namespace
