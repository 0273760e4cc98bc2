// The fan controls, which drive nothing, and the system menu's About box and
// help file.
#include <chrono>
#include <fstream>
#include <thread>

#include "program_fixture.h"
#include "res/resource.h"
#include "tests/winmodel/case_name.h"

namespace {

using namespace win;
using Log = std::vector<std::string>;
namespace fs = std::filesystem;

// Every child's text, enabled state and check state: what the user can see.
Log DialogState(HWND dialog) {
    Log state;
    for (HWND child : winmodel::Children(dialog)) {
        state.push_back(std::to_string(winmodel::ControlId(child)) + " '" + winmodel::Text(child) +
                        "' " + (winmodel::IsEnabled(child) ? "on" : "off") + " " +
                        std::to_string(winmodel::CheckState(child)));
    }
    return state;
}

class FanControlsTest : public ProgramTest {
  protected:
    static void ClickControl(int id) { winmodel::Click(Control(id)); }
    static winmodel::TrackbarState Slider() { return winmodel::Trackbar(Control(IDC_FAN_SPEED)); }
};

TEST_F(FanControlsTest, TheCheckBoxSwitchesTheSliderWhichDrivesNothing) {
    recording::SetDevices({FullCard()});
    ui.Then([] {
        EXPECT_FALSE(IsEnabled(IDC_FAN_SPEED));
        ClickControl(IDC_MANUAL_FAN);
        EXPECT_TRUE(IsEnabled(IDC_FAN_SPEED));

        recording::ClearCalls();
        const Log before = DialogState(MainDialog());
        winmodel::MoveTrackbar(Control(IDC_FAN_SPEED), 8);
        EXPECT_EQ(Slider().position, 8);
        EXPECT_EQ(recording::CallLog(), Log{});
        EXPECT_EQ(DialogState(MainDialog()), before);
        EXPECT_EQ(TextOf(IDC_FAN_RPM), "");
        EXPECT_TRUE(winmodel::ShownBoxes().empty());

        ClickControl(IDC_MANUAL_FAN);
        EXPECT_FALSE(IsEnabled(IDC_FAN_SPEED));
        EXPECT_EQ(Slider().position, 8);
        ClickControl(IDC_MANUAL_FAN);
        EXPECT_TRUE(IsEnabled(IDC_FAN_SPEED));
        EXPECT_EQ(Slider().position, 8);
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
}

// A failed start skips the slider's set-up: it stays enabled with 1036
// unchecked, so the first click only checks the box.
TEST_F(FanControlsTest, AfterAFailedStartTheSecondClickDisablesTheSlider) {
    recording::SetInitFailure("no card");
    ui.Then([] {
        EXPECT_TRUE(IsEnabled(IDC_FAN_SPEED));
        ClickControl(IDC_MANUAL_FAN);
        EXPECT_TRUE(IsEnabled(IDC_FAN_SPEED));
        ClickControl(IDC_MANUAL_FAN);
        EXPECT_FALSE(IsEnabled(IDC_FAN_SPEED));
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 1);
}

HWND AboutBox() {
    for (HWND window : winmodel::TopLevelWindows()) {
        if (winmodel::Text(window) == "About Korvan") return window;
    }
    return nullptr;
}

struct AboutCase : NamedCase<AboutCase> {
    UINT command;
    bool closeWithOk;  // else Escape
};

class AboutBoxTest : public ProgramTest, public ::testing::WithParamInterface<AboutCase> {};

// Only the command's upper bits count: 17 to 31 open the About box too.
TEST_P(AboutBoxTest, OpensOverTheDisabledMainDialogAndReturnsWithNothingChanged) {
    const AboutCase& param = GetParam();
    recording::SetDevices({FullCard()});
    Log before;
    ui.Then([&] {
        before = DialogState(MainDialog());
        recording::ClearCalls();
        winmodel::ChooseSystemCommand(MainDialog(), param.command);
    });
    // The About box's own loop runs this step.
    ui.Then([&] {
        const HWND about = AboutBox();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetParent(about), MainDialog());
        EXPECT_FALSE(winmodel::IsEnabled(MainDialog()));
        const winmodel::Rect frame = winmodel::TemplateRect(about);
        EXPECT_EQ(std::make_pair(frame.cx, frame.cy), std::make_pair(235, 55));
        const std::vector<HWND> controls = winmodel::Children(about);
        ASSERT_EQ(controls.size(), 4u);
        Log kinds;
        for (HWND control : controls) {
            kinds.push_back(std::to_string(winmodel::ControlId(control)) + " " +
                            winmodel::ClassName(control));
        }
        EXPECT_EQ(kinds, (Log{"1054 Static", "-1 Static", "-1 Static", "1 Button"}));
        EXPECT_EQ(winmodel::ImageId(controls[0]), IDR_MAINFRAME);
        EXPECT_EQ(winmodel::Text(controls[1]), "Tavo Korvan Version 5.22");
        EXPECT_EQ(winmodel::Text(controls[3]), "OK");
        if (param.closeWithOk) {
            winmodel::Click(controls[3]);
        } else {
            winmodel::PressKey(about, VK_ESCAPE);
        }
    });
    ui.Then([&] {
        EXPECT_EQ(AboutBox(), nullptr);
        EXPECT_TRUE(winmodel::IsEnabled(MainDialog()));
        EXPECT_EQ(DialogState(MainDialog()), before);
        EXPECT_EQ(recording::CallLog(), Log{});
        EXPECT_TRUE(winmodel::ShownBoxes().empty());
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_EQ(ui.StepsLeft(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, AboutBoxTest,
                         ::testing::Values(AboutCase{"Command16ClosedWithOk", IDM_ABOUTBOX, true},
                                           AboutCase{"Command17ClosedWithEscape", 17, false},
                                           AboutCase{"Command31ClosedWithOk", 31, true}),
                         CaseName());

class HelpFileTest : public ProgramTest {
  protected:
    HelpFileTest() {
        fs::create_directories(runtimeDir / "tools");
        winmodel::SetModuleFileNameForTest(program.string());
        // A viewer that notes each file it is asked to show, one line each.
        std::ofstream(viewer) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" << viewerLog.string()
                              << "\"\n";
        fs::permissions(viewer, fs::perms::owner_all);
        winmodel::SetHelpViewerForTest(viewer.string());
    }

    // The viewer runs detached, so its note comes when it comes: wait for
    // `count` lines, within a bound.
    Log WaitForViewerLines(size_t count) const {
        Log lines;
        for (int attempt = 0; attempt < 1000; ++attempt) {
            lines.clear();
            std::ifstream log(viewerLog);
            for (std::string line; std::getline(log, line);) lines.push_back(line);
            if (lines.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }

    const fs::path program = runtimeDir / "tools" / "clock.exe";
    const fs::path helpFile = runtimeDir / "tools" / "clock.chm";
    const fs::path viewer = runtimeDir / "viewer";
    const fs::path viewerLog = runtimeDir / "viewer.log";
};

// Only the command's upper bits count: 33 to 47 open help too. The program
// keeps no handle, so every choice asks the viewer again.
TEST_F(HelpFileTest, EachHelpCommandAsksTheViewerForTheFileBesideTheProgram) {
    std::ofstream(helpFile) << "ITSF";
    recording::SetDevices({FullCard()});
    const std::vector<UINT> commands{IDM_HELP, 33, 47};
    for (size_t i = 0; i < commands.size(); ++i) {
        ui.Then([command = commands[i]] { winmodel::ChooseSystemCommand(MainDialog(), command); });
        ui.Then([this, seen = i + 1] {
            EXPECT_EQ(WaitForViewerLines(seen), Log(seen, helpFile.string()));
        });
    }
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_TRUE(winmodel::ShownBoxes().empty());
    EXPECT_EQ(WaitForViewerLines(commands.size()).size(), commands.size());
}

TEST_F(HelpFileTest, AMissingHelpFileIsReportedAndChangesNothing) {
    recording::SetDevices({FullCard()});
    Log before;
    ui.Then([&before] {
        before = DialogState(MainDialog());
        winmodel::ChooseSystemCommand(MainDialog(), IDM_HELP);
    });
    ui.Then([&before] {
        ASSERT_EQ(winmodel::ShownBoxes().size(), 1u);
        const winmodel::BoxRecord& box = winmodel::ShownBoxes()[0];
        EXPECT_EQ(box.text, "Cannot find 'Korvan' help file!");
        EXPECT_EQ(box.caption, "TavoDiag");
        EXPECT_EQ(box.type, MB_OK);
        EXPECT_EQ(box.owner, MainDialog());
        EXPECT_EQ(DialogState(MainDialog()), before);
    });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_FALSE(fs::exists(viewerLog));
}

class SystemMenuTest : public ProgramTest {};

TEST_F(SystemMenuTest, OtherCommandsKeepTheirDefaultHandling) {
    recording::SetDevices({FullCard()});
    ui.Then([] { winmodel::ChooseSystemCommand(MainDialog(), SC_MOVE); });
    ui.Then([] {
        EXPECT_NE(MainDialog(), nullptr);
        EXPECT_EQ(AboutBox(), nullptr);
        EXPECT_TRUE(winmodel::ShownBoxes().empty());
        winmodel::ChooseSystemCommand(MainDialog(), SC_CLOSE);
    });
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_EQ(MainDialog(), nullptr);
    EXPECT_EQ(ui.StepsLeft(), 0u);
    EXPECT_EQ(recording::DeInitializeCount(), 1);
}

}  // namespace
