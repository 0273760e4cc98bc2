// Batch runs of the whole program: from the command line through the dialog's
// initialisation to the library calls, the boxes and the exit status.
#include <functional>

#include "program_fixture.h"
#include "res/resource.h"

namespace {

using namespace win;
using Log = std::vector<std::string>;

// What initialisation asks of the full card when it is the only device.
const Log kFullCardStartCalls = {"InitializeClockLib()", "EnumerateDevices()",
                                 "GetClocks(dev0, flags=0)"};
const Log kFullCardVoltageCalls = {"GetVoltage(dev0, VDDC)", "GetVoltage(dev0, MVDDC)",
                                   "GetVoltage(dev0, MVDDQ)", "GetVoltage(dev0, VDDCI)"};

Log Joined(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class BatchProgramTest : public ProgramTest {
  protected:
    BatchProgramTest() { ui.answerBoxesAtOnce = false; }

    // Queues a step that finds a message box open over the main dialog, lets
    // `check` look at it and the program behind it, and presses its OK.
    void ThenAnswerBox(std::function<void(const winmodel::BoxRecord&)> check) {
        ui.Then([this, check = std::move(check)] {
            const HWND box = winmodel::OpenMessageBox();
            ASSERT_NE(box, nullptr) << "no message box is open";
            const winmodel::BoxRecord* record = winmodel::BoxOf(box);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->owner, MainDialog());
            check(*record);
            ++answeredBoxes;
            winmodel::AnswerBox(box);
        });
    }

    static void ExpectHelpBox(const winmodel::BoxRecord& box) {
        EXPECT_EQ(box.text.size(), 885u);
        EXPECT_EQ(box.text.rfind("COMMAND: Korvan <OPTION>\n\n", 0), 0u) << box.text;
        // No caption of its own: the application's name stands in.
        EXPECT_EQ(box.caption, "korvan");
        EXPECT_EQ(box.type, MB_OK);
    }

    int answeredBoxes = 0;
};

TEST_F(BatchProgramTest, HelpAloneShowsTheUsageBeforeTheVoltagesAreReadThenEnds) {
    recording::SetDevices({FullCard()});
    ThenAnswerBox([](const winmodel::BoxRecord& box) {
        ExpectHelpBox(box);
        EXPECT_EQ(recording::CallLog(), kFullCardStartCalls);
    });

    EXPECT_EQ(RunKorvan({"-help"}), 0);
    EXPECT_EQ(answeredBoxes, 1);
    EXPECT_EQ(winmodel::ShownBoxes().size(), 1u);
    EXPECT_EQ(recording::CallLog(),
              Joined({kFullCardStartCalls, kFullCardVoltageCalls, {"DeInitializeClockLib()"}}));
    EXPECT_EQ(MainDialog(), nullptr);
}

TEST_F(BatchProgramTest, ClockInfoAfterHelpIsStillShownAndWaitedFor) {
    recording::SetDevices({FullCard()});
    ThenAnswerBox(ExpectHelpBox);
    // Help has already asked to quit; the report's box must wait all the same.
    ThenAnswerBox([](const winmodel::BoxRecord& box) {
        EXPECT_EQ(box.text,
                  "\nCurrent Clock Settings:\n\tEngine: 500.00\n\tMemory: 400.00\n"
                  "\nCurrent 3D Clock Settings:\n\tEngine: 600.00\n\tMemory: 450.00\n");
        EXPECT_EQ(box.caption, "Clock Info");
        EXPECT_EQ(box.type, MB_OK);
    });

    EXPECT_EQ(RunKorvan({"-help", "-viewclkinfo"}), 0);
    EXPECT_EQ(answeredBoxes, 2);
    EXPECT_EQ(winmodel::ShownBoxes().size(), 2u);
    EXPECT_EQ(recording::CallLog(),
              Joined({kFullCardStartCalls,
                      {"GetClocks(dev0, flags=0)", "GetClocks(dev0, flags=USE_3DCLOCKS)"},
                      kFullCardVoltageCalls,
                      {"DeInitializeClockLib()"}}));
}

TEST_F(BatchProgramTest, BatchActsOnTheFirstDeviceWhileOnlyItsClocksAreShown) {
    recording::SetDevices({PlainCard(), FullCard()});
    ThenAnswerBox([](const winmodel::BoxRecord& box) {
        EXPECT_EQ(box.text, "\nCurrent Clock Settings:\n\tEngine: 500.00\n\tMemory: 270.00\n");
        EXPECT_EQ(box.caption, "Clock Info");
        // The dialog behind the box: the clocks read before the batch, no voltages yet.
        EXPECT_EQ(TextOf(IDC_ENGINE_CLOCK), "300.00");
        EXPECT_EQ(TextOf(IDC_MEMORY_CLOCK), "270.00");
        for (const int field : {IDC_VDDC, IDC_MVDDC, IDC_MVDDQ, IDC_VDDCI}) {
            EXPECT_EQ(TextOf(field), "") << field;
        }
    });

    EXPECT_EQ(RunKorvan({"-engclk=50000", "-viewclkinfo"}), 0);
    EXPECT_EQ(answeredBoxes, 1);
    EXPECT_EQ(
        recording::CallLog(),
        (Log{"InitializeClockLib()", "EnumerateDevices()", "EnumerateDevices()",
             "GetClocks(dev0, flags=0)", "SetClocks(dev0, 50000, 0, flags=0)",
             "GetClocks(dev0, flags=0)", "GetVoltage(dev0, VDDC)", "DeInitializeClockLib()"}));
}

TEST_F(BatchProgramTest, FailedLibraryStartRunsNoBatchAndKeepsTheDialogOpen) {
    recording::SetInitFailure("no card answers");
    ThenAnswerBox([](const winmodel::BoxRecord& box) {
        EXPECT_EQ(box.text, "Failed: no card answers\n");
        EXPECT_EQ(box.caption, "Error!");
        EXPECT_EQ(box.type, MB_OK);
    });
    bool dialogShown = false;
    ui.Then([&] { dialogShown = MainDialog() != nullptr && winmodel::IsVisible(MainDialog()); });
    ThenClose();

    EXPECT_EQ(RunKorvan({"-engclk=50000", "-viewclkinfo"}), 1);
    EXPECT_EQ(answeredBoxes, 1);
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(winmodel::ShownBoxes().size(), 1u);
    EXPECT_EQ(recording::CallLog(), (Log{"InitializeClockLib()", "DeInitializeClockLib()"}));
}

TEST_F(BatchProgramTest, UnwritableReportFileIsNamedInAWarningAndEndsWithOne) {
    recording::SetDevices({FullCard()});
    const std::string path = (runtimeDir / "missing" / "clocks.txt").string();
    ThenAnswerBox([&](const winmodel::BoxRecord& box) {
        EXPECT_EQ(box.text,
                  "Cannot write the clock report to \"" + path + "\": No such file or directory");
        EXPECT_EQ(box.caption, "Clock Info");
        EXPECT_EQ(box.type, MB_ICONWARNING);
    });

    EXPECT_EQ(RunKorvan({"-printclkinfo=" + path}), 1);
    EXPECT_EQ(answeredBoxes, 1);
    EXPECT_FALSE(std::filesystem::exists(runtimeDir / "missing"));
}

struct NoActionCase {
    const char* name;
    std::vector<std::string> arguments;
    bool opensDialog;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const NoActionCase& c, std::ostream* os) {
    *os << c.name;
}

class NoActionTest : public BatchProgramTest, public ::testing::WithParamInterface<NoActionCase> {};

// These keywords carry no action: "3drestore" only makes the run a batch and
// "setvolt=" only makes it interactive again.
TEST_P(NoActionTest, MakesNoCallBeyondTheDialogsOwn) {
    const NoActionCase& c = GetParam();
    recording::SetDevices({FullCard()});
    bool dialogShown = false;
    if (c.opensDialog) {
        ui.Then([&] { dialogShown = winmodel::IsVisible(MainDialog()); });
        ThenClose();
    }

    // A batch that did not end by itself would wait for input in vain and end with 1.
    EXPECT_EQ(RunKorvan(c.arguments), 0);
    EXPECT_EQ(dialogShown, c.opensDialog);
    EXPECT_EQ(ui.StepsLeft(), 0u);
    EXPECT_TRUE(winmodel::ShownBoxes().empty());
    EXPECT_EQ(recording::CallLog(),
              Joined({kFullCardStartCalls, kFullCardVoltageCalls, {"DeInitializeClockLib()"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, NoActionTest,
    ::testing::Values(NoActionCase{"ThreeDRestore", {"3drestore"}, false},
                      NoActionCase{"SetVolt", {"setvolt=1"}, true},
                      NoActionCase{"RestoreThenSetVolt", {"-restore", "setvolt=1"}, true}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
