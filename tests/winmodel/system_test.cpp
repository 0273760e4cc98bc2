// Resources, the module's name and path, system menus, icons and the display
// driver stand-in.
#include <cstring>
#include <string>
#include <thread>

#include "tests/winmodel/test_dialog.h"

namespace testdialog {
namespace {

using namespace win;

TEST_F(DialogTest, LoadStringCopiesWhatFitsAndReportsMissingStrings) {
    char buffer[6];
    EXPECT_EQ(LoadString(GetModuleHandle(), kGreetingStringId, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "Hello");
    char whole[64];
    EXPECT_EQ(LoadString(GetModuleHandle(), kGreetingStringId, whole, sizeof whole), 18);
    EXPECT_STREQ(whole, "Hello, overclocker");
    EXPECT_EQ(LoadString(GetModuleHandle(), 4242, whole, sizeof whole), 0);
    EXPECT_STREQ(whole, "");
}

TEST_F(DialogTest, IconsAreHandlesOfTheirResourcesAndWindowsKeepTwoOfThem) {
    const HICON icon = LoadIcon(GetModuleHandle(), kIconId);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIcon(GetModuleHandle(), kIconId), icon);
    EXPECT_EQ(winmodel::IconId(icon), kIconId);
    EXPECT_EQ(LoadIcon(GetModuleHandle(), kMissingIconId), nullptr);

    Open();
    EXPECT_EQ(SendMessage(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(SendMessage(dialog, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    SendMessage(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(winmodel::WindowIcon(dialog, ICON_BIG), nullptr);
    EXPECT_EQ(winmodel::WindowIcon(dialog, ICON_SMALL), icon);
}

TEST_F(DialogTest, SystemMenuStartsWithMoveAndCloseAndTakesTheProgramsItems) {
    Open();
    const HMENU menu = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetSystemMenu(dialog, FALSE), menu);
    EXPECT_TRUE(AppendMenu(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenu(menu, MF_STRING, 0x0010, "&About Korvan..."));

    const auto items = winmodel::SystemMenuItems(dialog);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].id, SC_MOVE);
    EXPECT_EQ(items[0].text, "&Move");
    EXPECT_EQ(items[1].id, SC_CLOSE);
    EXPECT_EQ(items[2].flags & MF_SEPARATOR, MF_SEPARATOR);
    EXPECT_EQ(items[3].id, 0x0010u);
    EXPECT_EQ(items[3].text, "&About Korvan...");

    EXPECT_EQ(GetSystemMenu(Item(kEditId), FALSE), nullptr);
    EXPECT_FALSE(AppendMenu(nullptr, MF_STRING, 1, "lost"));
}

TEST_F(DialogTest, ChosenSystemCommandReachesTheDialogThroughItsLoop) {
    Open();
    frontEnd.Then([&] { winmodel::ChooseSystemCommand(dialog, 0x0010); });
    frontEnd.Then([&] { winmodel::ChooseSystemCommand(dialog, SC_MINIMIZE); });
    RunLoop();

    const auto commands = spy.Of(WM_SYSCOMMAND);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].wParam, 0x0010u);
    // Without a minimise box the dialog cannot be minimised.
    EXPECT_FALSE(IsIconic(dialog));
}

TEST_F(DialogTest, ModuleFileNameIsCutToTheBufferAndSaysSo) {
    winmodel::SetModuleFileNameForTest("/opt/tools/korvan.exe");
    char whole[64];
    EXPECT_EQ(GetModuleFileNameA(nullptr, whole, sizeof whole), 21u);
    EXPECT_STREQ(whole, "/opt/tools/korvan.exe");

    char cut[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, cut, sizeof cut), sizeof cut);
    EXPECT_STREQ(cut, "/opt/to");
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(DialogTest, RunningExecutableIsTheModuleWithoutAnOverride) {
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_NE(std::string(path).find("winmodel_tests"), std::string::npos);
    EXPECT_EQ(winmodel::ApplicationName(), "winmodel_tests");
}

TEST_F(DialogTest, ApplicationNameComesFromTheCommandAndKeepsAnInstalledFrontEnd) {
    char program[] = "/usr/local/bin/korvan.bin";
    char* argv[] = {program, nullptr};

    InitializePlatform(1, argv);

    EXPECT_EQ(winmodel::ApplicationName(), "korvan");
    EXPECT_EQ(&winmodel::CurrentFrontEnd(), &frontEnd);
}

TEST_F(DialogTest, DisplayDriverExistsOnlyWithADisplayAndRecordsRequests) {
    EXPECT_EQ(CreateDCA("DISPLAY", nullptr, nullptr, nullptr), nullptr);

    frontEnd.hasDisplay = true;
    const HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(CreateDCA("PRINTER", nullptr, nullptr, nullptr), nullptr);
    const char request[] = {0x01, 0x02, 0x7F};
    char reply[4] = {};
    EXPECT_EQ(ExtEscape(dc, 0x7001, sizeof request, request, sizeof reply, reply), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(ExtEscape(dc, 0x7002, 0, nullptr, 0, nullptr), -1);

    ASSERT_EQ(winmodel::DisplayRequests().size(), 1u);
    EXPECT_EQ(winmodel::DisplayRequests()[0].escape, 0x7001);
    EXPECT_EQ(winmodel::DisplayRequests()[0].input, (std::vector<unsigned char>{1, 2, 0x7F}));
}

TEST_F(DialogTest, LastErrorBelongsToEachThread) {
    EXPECT_FALSE(CloseHandle(nullptr));
    ASSERT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    DWORD seenByOtherThread = ERROR_INVALID_HANDLE;
    std::thread([&] { seenByOtherThread = GetLastError(); }).join();

    EXPECT_EQ(seenByOtherThread, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(DialogTest, ResetForgetsWindowsTimersAndRecords) {
    Open();
    SetTimer(dialog, 1, 100, nullptr);
    MessageBox(dialog, "x", "y", MB_OK);
    PostQuitMessage(4);

    winmodel::ResetForTest();

    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(winmodel::TopLevelWindows().empty());
    EXPECT_TRUE(winmodel::RunningTimers().empty());
    EXPECT_TRUE(winmodel::ShownBoxes().empty());
    // No quit is left pending: the loop waits for input (none comes) instead.
    frontEnd.Then([] { PostQuitMessage(9); });
    MSG message{};
    EXPECT_FALSE(GetMessage(&message, nullptr, 0, 0));
    EXPECT_EQ(message.wParam, 9u);
}

}  // namespace
}  // namespace testdialog
