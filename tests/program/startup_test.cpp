// Start-up, the single-instance rule, the main dialog's template and teardown.
#include <stdlib.h>

#include <fstream>
#include <regex>

#include "batch/batch_options.h"
#include "program_fixture.h"
#include "res/resource.h"

namespace {

using namespace win;

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    int x, y, cx, cy;
    DWORD style;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | WS_GROUP;
constexpr DWORD kEdit = kChild | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kReadOnly = kEdit | ES_READONLY;
constexpr DWORD kButton = kChild | WS_TABSTOP;
constexpr DWORD kSpin = kChild | UDS_ARROWKEYS;

// The main dialog as its users know it, control by control, in tab order.
const ExpectedControl kMainDialog[] = {
    {1039, "Button", "Set Clocks", 143, 127, 132, 15, kButton | BS_DEFPUSHBUTTON},
    {1011, "Button", "Restore Default Clocks", 143, 144, 132, 15, kButton},
    {1001, "Edit", "", 58, 36, 55, 15, kEdit},
    {1000, "Edit", "", 194, 51, 55, 15, kEdit},
    {1031, "ComboBox", "", 40, 7, 235, 103, kChild | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP},
    {1051, "Button", "Same Clock Settings for All Devices", 11, 200, 126, 11,
     kButton | BS_AUTOCHECKBOX | BS_MULTILINE},
    {1033, "Button", "2D Clocks", 11, 214, 49, 10, kChild | BS_AUTORADIOBUTTON | WS_GROUP},
    {1034, "Button", "3D Clocks", 11, 226, 49, 10, kChild | BS_AUTORADIOBUTTON},
    {1036, "Button", "Manual Fan Speed Control", 23, 150, 99, 10, kButton | BS_AUTOCHECKBOX},
    {1035, "msctls_trackbar32", "Slider1", 11, 162, 124, 19,
     kChild | TBS_BOTH | TBS_AUTOTICKS | WS_TABSTOP},
    {1037, "Edit", "", 39, 130, 92, 14, kReadOnly | ES_RIGHT},
    {-1, "Button", "Engine Settings", 7, 24, 132, 89, kChild | BS_GROUPBOX},
    {-1, "Button", "Memory Settings", 143, 24, 132, 101, kChild | BS_GROUPBOX},
    {-1, "Static", "Core Clock", 12, 39, 41, 8, kLabel},
    {-1, "Static", "Core Voltage", 12, 59, 41, 8, kLabel},
    {1042, "Edit", "", 58, 56, 55, 15, kReadOnly},
    {-1, "Static", "Core Clock", 148, 54, 41, 8, kLabel},
    {-1, "Static", "Core Voltage", 148, 74, 41, 8, kLabel},
    {1044, "Edit", "", 194, 71, 55, 15, kReadOnly},
    {-1, "Static", "I/O Voltage", 148, 94, 41, 8, kLabel},
    {1045, "Edit", "", 194, 91, 55, 15, kReadOnly},
    {-1, "Button", "Fan Speed Settings", 7, 116, 132, 70, kChild | BS_GROUPBOX},
    {-1, "Static", "RPM", 17, 132, 17, 8, kLabel},
    {1040, "msctls_updown32", "Spin1", 122, 36, 10, 14, kSpin},
    {1047, "msctls_updown32", "Spin1", 122, 56, 11, 14, kSpin},
    {1048, "msctls_updown32", "Spin1", 258, 51, 11, 14, kSpin},
    {1049, "msctls_updown32", "Spin1", 258, 71, 11, 14, kSpin},
    {1050, "msctls_updown32", "Spin1", 258, 91, 11, 14, kSpin},
    {-1, "Static", "Device:", 13, 9, 26, 8, kLabel},
    {1012, "Button", "Restore Default Memory Clock", 150, 108, 119, 12, kButton},
    {1013, "Button", "Restore Default Engine Clock", 14, 96, 119, 12, kButton},
    {1014, "Button", "Get Clock Info", 143, 161, 132, 15, kButton},
    {-1, "Static", "", 155, 179, 109, 58, kChild | SS_BITMAP | SS_CENTERIMAGE},
    {-1, "Button", "Options", 7, 187, 132, 51, kChild | BS_GROUPBOX},
    {1030, "Button", "Auto Update", 73, 214, 55, 10, kButton | BS_AUTOCHECKBOX},
    {-1, "Static", "Core VDDCI", 12, 79, 41, 8, kLabel},
    {1043, "Edit", "", 58, 76, 55, 15, kReadOnly},
    {1052, "msctls_updown32", "Spin1", 122, 76, 11, 14, kSpin},
    {1057, "Edit", "", 149, 34, 119, 13, kReadOnly},
};

class StartupTest : public ProgramTest {};

TEST_F(StartupTest, MainDialogIsBuiltFromItsTemplateControlByControl) {
    std::vector<HWND> children;
    ui.Then([&] {
        const HWND dialog = MainDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(winmodel::Style(dialog) & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
                  WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
        const winmodel::Rect frame = winmodel::TemplateRect(dialog);
        EXPECT_EQ(frame.cx, 281);
        EXPECT_EQ(frame.cy, 247);
        children = winmodel::Children(dialog);
        ASSERT_EQ(children.size(), std::size(kMainDialog));
        for (size_t i = 0; i < children.size(); ++i) {
            const ExpectedControl& expected = kMainDialog[i];
            SCOPED_TRACE("control #" + std::to_string(i + 1) + " (" + expected.text + ")");
            const HWND control = children[i];
            EXPECT_EQ(winmodel::ControlId(control), expected.id);
            EXPECT_EQ(winmodel::ClassName(control), expected.className);
            EXPECT_EQ(winmodel::Text(control), expected.text);
            const winmodel::Rect rect = winmodel::TemplateRect(control);
            EXPECT_EQ(std::vector<int>({rect.x, rect.y, rect.cx, rect.cy}),
                      std::vector<int>({expected.x, expected.y, expected.cx, expected.cy}));
            EXPECT_EQ(winmodel::Style(control) & ~WS_DISABLED, expected.style);
        }
        EXPECT_EQ(winmodel::ImageId(children[32]), IDB_LOGO);
    });
    ThenClose();
    // Without a started library nothing overwrites the template's texts.
    recording::SetInitFailure("left as built");
    EXPECT_EQ(RunKorvan(), 1);
    EXPECT_EQ(children.size(), 39u);
}

TEST_F(StartupTest, SecondInstanceEndsAtOnceWithoutWindowOrLibraryCall) {
    const HANDLE firstInstance = CreateMutexA(nullptr, FALSE, "NameOfMutexObject");
    ASSERT_NE(firstInstance, nullptr);
    ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
    recording::SetDevices({FullCard()});

    EXPECT_EQ(RunKorvan({"-engclk=50000", "-viewclkinfo"}), 0);
    EXPECT_TRUE(recording::Calls().empty());
    EXPECT_TRUE(winmodel::ShownBoxes().empty());
    EXPECT_TRUE(winmodel::TopLevelWindows().empty());

    // Once the first instance has gone, the next start runs normally.
    CloseHandle(firstInstance);
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_EQ(recording::CallLog({"InitializeClockLib"}).size(), 1u);
}

TEST_F(StartupTest, MutexFailureIsReportedFirstAndTheDialogStillRuns) {
    // A runtime "directory" that is a file leaves no place for the marker.
    const std::string notADirectory = (runtimeDir / "file").string();
    std::ofstream(notADirectory) << "x";
    setenv("XDG_RUNTIME_DIR", notADirectory.c_str(), 1);
    recording::SetDevices({FullCard()});
    bool dialogRan = false;
    ui.Then([&] { dialogRan = MainDialog() != nullptr; });
    ThenClose();

    EXPECT_EQ(RunKorvan(), 0);
    ASSERT_FALSE(winmodel::ShownBoxes().empty());
    const winmodel::BoxRecord& first = winmodel::ShownBoxes().front();
    EXPECT_EQ(first.owner, nullptr);
    EXPECT_TRUE(std::regex_match(first.text, std::regex(R"(CreateMutex Error: [1-9][0-9]*\.)")))
        << first.text;
    EXPECT_EQ(first.caption, "Error");
    EXPECT_EQ(first.type, MB_ICONERROR);
    EXPECT_TRUE(dialogRan);
    EXPECT_TRUE(recording::IsInitialized() || recording::DeInitializeCount() == 1);
}

class EndingTest : public ProgramTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EndingTest, EndsTheDialogWithOneLibraryShutdown) {
    const bool useCloseBox = GetParam();
    recording::SetDevices({FullCard(), PlainCard()});
    ui.Then([useCloseBox] {
        if (useCloseBox) {
            winmodel::CloseWindow(MainDialog());
        } else {
            winmodel::PressKey(MainDialog(), VK_ESCAPE);
        }
    });
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_EQ(MainDialog(), nullptr);
    EXPECT_EQ(recording::DeInitializeCount(), 1);
    EXPECT_EQ(recording::CallLog().back(), "DeInitializeClockLib()");
    EXPECT_EQ(ui.StepsLeft(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EscapeOrCloseBox, EndingTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "CloseBox" : "Escape"; });

TEST_F(StartupTest, FailedLibraryStartShowsItsReasonAndLeavesAnEmptyDialog) {
    recording::SetInitFailure("no card answers");
    g_batchOptions.batchMode = true;  // a batch does not run after a failed start
    g_batchOptions.engclk = true;
    g_batchOptions.engineClock = 50000;
    std::vector<std::string> items{"unread"};
    bool sliderEnabled = false;
    ui.Then([&] {
        items = winmodel::ComboItems(Control(1031));
        sliderEnabled = IsEnabled(1035);
    });
    ThenClose();

    EXPECT_EQ(RunKorvan(), 1);
    ASSERT_EQ(winmodel::ShownBoxes().size(), 1u);
    const winmodel::BoxRecord& box = winmodel::ShownBoxes().front();
    EXPECT_EQ(box.text, "Failed: no card answers\n");
    EXPECT_EQ(box.caption, "Error!");
    EXPECT_EQ(box.type, MB_OK);
    EXPECT_TRUE(items.empty());
    EXPECT_TRUE(sliderEnabled);
    EXPECT_EQ(recording::CallLog(),
              (std::vector<std::string>{"InitializeClockLib()", "DeInitializeClockLib()"}));
}

}  // namespace

namespace {

// The program's help file opens from the system menu alone: F1 goes to the
// framework's standard Help command, which opens nothing of the program's.
TEST_F(StartupTest, F1DoesNotOpenTheProgramsHelpFile) {
    recording::SetDevices({FullCard()});
    bool stillOpen = false;
    ui.Then([] { winmodel::PressKey(Control(IDC_ENGINE_CLOCK), VK_F1); });
    ui.Then([&] { stillOpen = MainDialog() != nullptr; });
    ThenClose();
    EXPECT_EQ(RunKorvan(), 0);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(winmodel::ShownBoxes().empty());
}

}  // namespace
