// Dialogs built from templates, their keyboard handling and their end.
#include <string>

#include "tests/winmodel/case_name.h"
#include "tests/winmodel/test_dialog.h"

namespace testdialog {
namespace {

using namespace win;

WPARAM Clicked(int id) {
    return MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED);
}

TEST_F(DialogTest, BuildsEveryControlOfTheTemplateBeforeWmInitDialog) {
    std::vector<HWND> childrenAtInit;
    bool visibleAtInit = true;
    spy.handler = [&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_INITDIALOG) return std::nullopt;
        childrenAtInit = winmodel::Children(window);
        visibleAtInit = winmodel::IsVisible(window);
        return TRUE;
    };

    ASSERT_NE(Open(1234), nullptr);

    ASSERT_FALSE(spy.messages.empty());
    EXPECT_EQ(spy.messages.front().message, WM_INITDIALOG);
    EXPECT_EQ(spy.messages.front().wParam, reinterpret_cast<WPARAM>(Item(kEditId)));
    EXPECT_EQ(spy.messages.front().lParam, 1234);
    EXPECT_FALSE(visibleAtInit);
    EXPECT_TRUE(winmodel::IsVisible(dialog));
    EXPECT_EQ(winmodel::Text(dialog), "Test dialog");

    const std::vector<HWND> children = winmodel::Children(dialog);
    EXPECT_EQ(childrenAtInit, children);
    ASSERT_EQ(children.size(), 13u);
    EXPECT_EQ(winmodel::ControlId(children[1]), kApplyId);
    EXPECT_EQ(winmodel::ClassName(children[1]), kButtonClass);
    EXPECT_EQ(winmodel::Text(children[1]), "&Apply");
    EXPECT_EQ(winmodel::Style(children[1]) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    const winmodel::Rect rect = winmodel::TemplateRect(children[1]);
    EXPECT_EQ(std::vector<int>({rect.x, rect.y, rect.cx, rect.cy}),
              std::vector<int>({100, 10, 50, 14}));
    EXPECT_EQ(winmodel::ImageId(Item(kPictureId)), kIconId);
    EXPECT_FALSE(winmodel::IsEnabled(Item(kDisabledButtonId)));
    EXPECT_TRUE(winmodel::IsEnabled(Item(kResetId)));
    EXPECT_EQ(GetParent(Item(kEditId)), dialog);
    EXPECT_EQ(GetDlgCtrlID(Item(kEditId)), kEditId);
}

TEST_F(DialogTest, FocusGoesToTheFirstTabStopOnlyWhenWmInitDialogAsksForIt) {
    spy.handler = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_INITDIALOG) return FALSE;
        return std::nullopt;
    };
    Open();
    EXPECT_EQ(winmodel::Focus(), nullptr);

    spy.handler = nullptr;
    DestroyWindow(dialog);
    Open();
    EXPECT_EQ(winmodel::Focus(), Item(kEditId));
}

TEST_F(DialogTest, MissingTemplateCreatesNothing) {
    EXPECT_EQ(CreateDialogParam(GetModuleHandle(), kMissingDialogId, nullptr, &SpyDialogProc, 0),
              nullptr);
    EXPECT_TRUE(winmodel::TopLevelWindows().empty());
    EXPECT_TRUE(spy.messages.empty());
}

TEST_F(DialogTest, DefaultIdNamesTheDefaultPushButton) {
    Open();
    EXPECT_EQ(SendMessage(dialog, DM_GETDEFID, 0, 0),
              static_cast<LRESULT>(MAKEWPARAM(kApplyId, DC_HASDEFID)));
}

struct KeyCase : NamedCase<KeyCase> {
    int focusId;
    WPARAM key;
    WPARAM expectedCommand;
    bool fromButton;  // lParam is the button's window rather than 0
};

class DialogKeyTest : public DialogTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DialogKeyTest, KeyReachesTheDialogAsACommand) {
    const KeyCase& param = GetParam();
    Open();
    frontEnd.Then([&] { winmodel::PressKey(Item(param.focusId), param.key); });

    EXPECT_EQ(RunLoop(), frontEnd.NoInputExitCode());

    const auto commands = spy.Of(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, param.expectedCommand);
    const HWND expectedSource = param.fromButton ? Item(LOWORD(param.expectedCommand)) : nullptr;
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(expectedSource));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeyTest,
    ::testing::Values(
        KeyCase{"EnterInEditRunsDefaultButton", kEditId, VK_RETURN, Clicked(kApplyId), true},
        KeyCase{"EnterOnPushButtonRunsThatButton", kResetId, VK_RETURN, Clicked(kResetId), true},
        KeyCase{"EscapeCancelsWithoutCancelButton", kEditId, VK_ESCAPE, Clicked(IDCANCEL), false},
        KeyCase{"F1AsksForTheStandardHelpCommand", kEditId, VK_F1, MAKEWPARAM(ID_HELP, 0), false}),
    CaseName());

TEST_F(DialogTest, EnterDoesNothingWhileTheDefaultButtonIsDisabled) {
    Open();
    EnableWindow(Item(kApplyId), FALSE);
    frontEnd.Then([&] { winmodel::PressKey(Item(kEditId), VK_RETURN); });
    RunLoop();
    EXPECT_TRUE(spy.Commands().empty());
}

TEST_F(DialogTest, ClosingTheDialogCancelsItWithoutDestroyingIt) {
    Open();
    SendMessage(dialog, WM_CLOSE, 0, 0);
    frontEnd.Then([&] { winmodel::CloseWindow(dialog); });
    RunLoop();

    EXPECT_EQ(spy.Commands(), (std::vector<WPARAM>{Clicked(IDCANCEL), Clicked(IDCANCEL)}));
    EXPECT_TRUE(IsWindow(dialog));
}

TEST_F(DialogTest, TabMovesToTheNextEnabledVisibleTabStopAndWraps) {
    Open();
    ShowWindow(Item(kResetId), SW_HIDE);
    std::vector<int> visited;
    // A key is handled once the loop takes it, so each step sees where the
    // previous Tab went.
    for (int i = 0; i < 7; ++i) {
        frontEnd.Then([&] {
            visited.push_back(GetDlgCtrlID(winmodel::Focus()));
            winmodel::PressKey(winmodel::Focus(), VK_TAB);
        });
    }
    RunLoop();
    visited.push_back(GetDlgCtrlID(winmodel::Focus()));

    EXPECT_EQ(visited, (std::vector<int>{kEditId, kApplyId, kCheckId, kRadioLowId, kRadioOtherId,
                                         kComboId, kSliderId, kEditId}));
}

TEST_F(DialogTest, DestroyingTellsWindowThenChildrenAndEndsWithTheWindowAlone) {
    Open();
    const HWND edit = Item(kEditId);
    SetTimer(dialog, 1, 1000, nullptr);
    bool childAliveAtDestroy = false;
    bool childAliveAtNcDestroy = true;
    spy.handler = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY) childAliveAtDestroy = IsWindow(edit);
        if (message == WM_NCDESTROY) childAliveAtNcDestroy = IsWindow(edit);
        return std::nullopt;
    };

    EXPECT_TRUE(DestroyWindow(dialog));

    EXPECT_TRUE(childAliveAtDestroy);
    EXPECT_FALSE(childAliveAtNcDestroy);
    ASSERT_GE(spy.messages.size(), 2u);
    EXPECT_EQ(spy.messages.back().message, WM_NCDESTROY);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(winmodel::RunningTimers().empty());
    EXPECT_EQ(winmodel::Focus(), nullptr);
    // A stale handle is harmless and never names a new window.
    EXPECT_EQ(SendMessage(dialog, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(dialog));
    const HWND stale = dialog;
    Open();
    EXPECT_NE(dialog, stale);
    EXPECT_FALSE(IsWindow(stale));
}

}  // namespace
}  // namespace testdialog
