#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "batch/clock_report.h"
#include "framework/win.h"
#include "temp_dir.h"
#include "tests/support/recording_clock_library.h"

namespace {

// Records what the batch shows and when it quits, each with the number of
// library calls made before it, so the order against those calls is checked too.
class FakeHost : public BatchHost {
  public:
    struct Box {
        std::string text;
        const char* caption;
        unsigned type;
        size_t callsBefore;
    };
    struct Quit {
        int exitCode;
        size_t callsBefore;
    };

    DeviceRecord* device = nullptr;
    bool supports3D = true;
    std::vector<Box> boxes;
    std::vector<Quit> quits;

    DeviceRecord* SelectedDevice() override { return device; }
    bool Supports3D() const override { return supports3D; }
    void ShowMessage(const std::string& text, const char* caption, unsigned type) override {
        boxes.push_back({text, caption, type, recording::Calls().size()});
    }
    void PostQuit(int exitCode) override { quits.push_back({exitCode, recording::Calls().size()}); }
};

BatchOptions ParseCommandLine(std::initializer_list<std::string> arguments) {
    BatchOptions options;
    for (const std::string& argument : arguments) ParseBatchArgument(argument.c_str(), options);
    return options;
}

// One card with both clock sets and a core rail, enumerated as start-up does,
// with the start-up calls cleared from the log.
class RunBatchTest : public ::testing::Test {
  protected:
    void SetUp() override { StartLibrary(); }
    void TearDown() override { DeInitializeClockLib(); }

    void StartLibrary() {
        recording::Reset();
        recording::Device card;
        card.name = "Card";
        card.flags = static_cast<uint32_t>(SUPPORTS_3DCLOCKS | SUPPORTS_VDDC);
        card.engine = 50000;
        card.memory = 60000;
        card.engine3d = 40000;
        card.memory3d = 30000;
        card.voltages = {{VDDC, 1.2}};
        recording::SetDevices({card});
        char errorText[CLOCKLIB_ERROR_TEXT_SIZE] = {};
        ASSERT_NE(InitializeClockLib(errorText), 0) << errorText;
        EnumerateDevices(&device_);
        recording::ClearCalls();
        host_.device = &device_;
    }

    std::vector<std::string> Run(std::initializer_list<std::string> arguments) {
        RunBatch(ParseCommandLine(arguments), host_);
        return recording::CallLog();
    }

    DeviceRecord device_{};
    FakeHost host_;
};

using Log = std::vector<std::string>;

TEST_F(RunBatchTest, CommandLinesMakeTheseLibraryCalls) {
    const struct {
        std::initializer_list<std::string> arguments;
        Log calls;
    } cases[] = {
        {{"help"}, {}},
        {{"3drestore"}, {}},
        {{"setvolt=1"}, {}},
        {{"engclk=50675"}, {"SetClocks(dev0, 50675, 0, flags=0)"}},
        {{"memclk=-1"}, {"SetClocks(dev0, 0, 4294967295, flags=0)"}},
        {{"memclk=300", "engclk=200"}, {"SetClocks(dev0, 200, 300, flags=0)"}},
        {{"memclk3d=30000"}, {"SetClocks(dev0, 0, 30000, flags=USE_3DCLOCKS)"}},
        {{"engclk=1", "engclk3d=2"},
         {"SetClocks(dev0, 1, 0, flags=0)", "SetClocks(dev0, 2, 0, flags=USE_3DCLOCKS)"}},
        // A step is in MHz, a clock in 10 kHz; each step reads the clocks afresh.
        {{"incsclk=10"}, {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 51000, 0, flags=0)"}},
        {{"incsclk=10", "decsclk=10"},
         {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 51000, 0, flags=0)",
          "GetClocks(dev0, flags=0)", "SetClocks(dev0, 50000, 0, flags=0)"}},
        {{"incclk=5", "incmclk=2"},
         {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 0, 60200, flags=0)",
          "GetClocks(dev0, flags=0)", "SetClocks(dev0, 50500, 60400, flags=0)"}},
        {{"decclk=1"}, {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 49900, 59900, flags=0)"}},
        // 2D: memory before engine; 3D: engine before memory.
        {{"incsclk=1", "incmclk=1"},
         {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 0, 60100, flags=0)",
          "GetClocks(dev0, flags=0)", "SetClocks(dev0, 50100, 0, flags=0)"}},
        {{"decsclk=1", "decmclk=1"},
         {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 0, 59900, flags=0)",
          "GetClocks(dev0, flags=0)", "SetClocks(dev0, 49900, 0, flags=0)"}},
        {{"incmclk3d=1", "incsclk3d=1"},
         {"GetClocks(dev0, flags=USE_3DCLOCKS)", "SetClocks(dev0, 40100, 0, flags=USE_3DCLOCKS)",
          "GetClocks(dev0, flags=USE_3DCLOCKS)", "SetClocks(dev0, 0, 30100, flags=USE_3DCLOCKS)"}},
        {{"decmclk3d=1", "decsclk3d=1"},
         {"GetClocks(dev0, flags=USE_3DCLOCKS)", "SetClocks(dev0, 39900, 0, flags=USE_3DCLOCKS)",
          "GetClocks(dev0, flags=USE_3DCLOCKS)", "SetClocks(dev0, 0, 29900, flags=USE_3DCLOCKS)"}},
        // Both share the 3D steps, so the last value given moves both ways.
        {{"decclk3d=2", "incclk3d=1"},
         {"GetClocks(dev0, flags=USE_3DCLOCKS)",
          "SetClocks(dev0, 40100, 30100, flags=USE_3DCLOCKS)",
          "GetClocks(dev0, flags=USE_3DCLOCKS)",
          "SetClocks(dev0, 40000, 30000, flags=USE_3DCLOCKS)"}},
        // Unsigned wrap-around: below zero, and a step too large for 32 bits.
        {{"decsclk=600"}, {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 4294957296, 0, flags=0)"}},
        {{"incsclk=2147483647"},
         {"GetClocks(dev0, flags=0)", "SetClocks(dev0, 49900, 0, flags=0)"}},
        // Restores pass 1 for each clock to restore.
        {{"restore", "resetmclk"},
         {"SetClocks(dev0, 0, 1, flags=RESTORE_CLOCKS)",
          "SetClocks(dev0, 1, 1, flags=RESTORE_CLOCKS)"}},
        {{"resetsclk"}, {"SetClocks(dev0, 1, 0, flags=RESTORE_CLOCKS)"}},
        {{"incvolt"}, {"IncreaseVoltage(dev0, VDDC)"}},
        {{"decvolt"}, {"DecreaseVoltage(dev0, VDDC)"}},
        // Everything at once: the fixed order, whatever the command line's.
        {{"decvolt", "viewclkinfo", "restore", "resetsclk", "decclk=1", "incclk3d=1", "memclk3d=7",
          "engclk=8"},
         {"SetClocks(dev0, 8, 0, flags=0)", "SetClocks(dev0, 0, 7, flags=USE_3DCLOCKS)",
          "GetClocks(dev0, flags=USE_3DCLOCKS)", "SetClocks(dev0, 40100, 107, flags=USE_3DCLOCKS)",
          "GetClocks(dev0, flags=0)", "SetClocks(dev0, 4294967204, 59900, flags=0)",
          "SetClocks(dev0, 1, 0, flags=RESTORE_CLOCKS)",
          "SetClocks(dev0, 1, 1, flags=RESTORE_CLOCKS)", "GetClocks(dev0, flags=0)",
          "GetClocks(dev0, flags=USE_3DCLOCKS)", "DecreaseVoltage(dev0, VDDC)"}},
    };
    for (const auto& c : cases) {
        StartLibrary();
        std::string shown;
        for (const std::string& argument : c.arguments) shown += " " + argument;
        EXPECT_EQ(Run(c.arguments), c.calls) << "Korvan" << shown;
    }
}

TEST_F(RunBatchTest, HelpShowsTheUsageAndQuitsButTheBatchGoesOn) {
    EXPECT_EQ(Run({"help", "engclk=50675"}), Log{"SetClocks(dev0, 50675, 0, flags=0)"});

    ASSERT_EQ(host_.boxes.size(), 1u);
    const FakeHost::Box& box = host_.boxes[0];
    EXPECT_EQ(box.text.size(), 885u);
    EXPECT_EQ(
        box.text.rfind("COMMAND: Korvan <OPTION>\n\n<OPTION> List\n-help/h/? : displays help\n", 0),
        0u);
    EXPECT_NE(box.text.find("-printclkinfo=<filename> : print clock info to <filename>\n"
                            "\n  *option can be specified either with or without '-'\n"),
              std::string::npos);
    EXPECT_EQ(box.caption, nullptr);
    EXPECT_EQ(box.type, win::MB_OK);
    EXPECT_EQ(box.callsBefore, 0u);

    ASSERT_EQ(host_.quits.size(), 2u);
    EXPECT_EQ(host_.quits[0].exitCode, 0);
    EXPECT_EQ(host_.quits[0].callsBefore, 0u);
    EXPECT_EQ(host_.quits[1].exitCode, 0);
    EXPECT_EQ(host_.quits[1].callsBefore, 1u);
}

TEST_F(RunBatchTest, ViewShowsTheReportAndWritesNoFile) {
    TempDir dir;
    const std::string path = dir.File("clocks.txt");
    Run({"viewclkinfo", "printclkinfo=" + path});

    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, FormatClockReport(50000, 60000, true, 40000, 30000));
    EXPECT_STREQ(host_.boxes[0].caption, "Clock Info");
    EXPECT_EQ(host_.boxes[0].type, win::MB_OK);
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(host_.quits.size(), 1u);
    EXPECT_EQ(host_.quits[0].exitCode, 0);
}

TEST_F(RunBatchTest, ReportLeavesOutThe3DClocksWhenTheDialogHasNone) {
    host_.supports3D = false;
    EXPECT_EQ(Run({"viewclkinfo"}), Log{"GetClocks(dev0, flags=0)"});
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, FormatClockReport(50000, 60000, false, 0, 0));
}

TEST_F(RunBatchTest, PrintAppendsTheReportToTheFile) {
    TempDir dir;
    const std::string path = dir.File("clocks.txt");
    Run({"incsclk=10", "printclkinfo=" + path});

    EXPECT_TRUE(host_.boxes.empty());
    EXPECT_EQ(ReadBytes(path),
              "\r\nCurrent Clock Settings:\r\n\tEngine: 510.00\r\n\tMemory: 600.00\r\n"
              "\r\nCurrent 3D Clock Settings:\r\n\tEngine: 400.00\r\n\tMemory: 300.00\r\n");
    ASSERT_EQ(host_.quits.size(), 1u);
    EXPECT_EQ(host_.quits[0].exitCode, 0);
}

TEST_F(RunBatchTest, AnUnwritableReportWarnsGoesOnAndQuitsWithOne) {
    TempDir dir;
    const std::string path = dir.File("missing/clocks.txt");
    EXPECT_EQ(Run({"printclkinfo=" + path, "incvolt"}),
              (Log{"GetClocks(dev0, flags=0)", "GetClocks(dev0, flags=USE_3DCLOCKS)",
                   "IncreaseVoltage(dev0, VDDC)"}));

    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text,
              "Cannot write the clock report to \"" + path + "\": " + std::strerror(ENOENT));
    EXPECT_STREQ(host_.boxes[0].caption, "Clock Info");
    EXPECT_EQ(host_.boxes[0].type, win::MB_ICONWARNING);
    ASSERT_EQ(host_.quits.size(), 1u);
    EXPECT_EQ(host_.quits[0].exitCode, 1);
    EXPECT_EQ(host_.quits[0].callsBefore, 3u);
}

TEST_F(RunBatchTest, WithoutADeviceNothingReachesTheLibrary) {
    host_.device = nullptr;
    EXPECT_EQ(Run({"help", "engclk=1", "incclk=1", "restore", "viewclkinfo", "incvolt"}), Log{});
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].caption, nullptr);
    ASSERT_EQ(host_.quits.size(), 2u);
    EXPECT_EQ(host_.quits[1].exitCode, 0);
}

}  // namespace
