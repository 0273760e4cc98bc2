// The common controls as a program and a user meet them.
#include <cstring>
#include <set>
#include <string>

#include "tests/winmodel/case_name.h"
#include "tests/winmodel/test_dialog.h"

namespace testdialog {
namespace {

using namespace win;
using winmodel::CheckState;
using winmodel::Click;
using winmodel::Text;

WPARAM Notification(int id, UINT code) {
    return MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(code));
}

class ControlsTest : public DialogTest {
  protected:
    ControlsTest() { Open(); }
};

struct UpDownCase : NamedCase<UpDownCase> {
    bool positiveRange;  // lower 0, upper 100 instead of the default lower 100, upper 0
    bool upArrow;
    int expectedDelta;
};

class UpDownDirectionTest : public ControlsTest,
                            public ::testing::WithParamInterface<UpDownCase> {};

TEST_P(UpDownDirectionTest, ArrowProposesDeltaByRangeDirectionAndAppliesIt) {
    const UpDownCase& param = GetParam();
    const HWND spin = Item(kSpinId);
    if (param.positiveRange) SendMessage(spin, UDM_SETRANGE, 0, MAKEWPARAM(100, 0));
    SendMessage(spin, UDM_SETPOS, 0, 50);
    int seenPosition = -1;
    int seenDelta = 0;
    spy.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_NOTIFY) return std::nullopt;
        const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
        EXPECT_EQ(wParam, static_cast<WPARAM>(kSpinId));
        EXPECT_EQ(change->hdr.hwndFrom, spin);
        EXPECT_EQ(change->hdr.idFrom, static_cast<UINT_PTR>(kSpinId));
        EXPECT_EQ(change->hdr.code, UDN_DELTAPOS);
        seenPosition = change->iPos;
        seenDelta = change->iDelta;
        return 0;
    };

    winmodel::ClickUpDownArrow(spin, param.upArrow);

    EXPECT_EQ(seenPosition, 50);
    EXPECT_EQ(seenDelta, param.expectedDelta);
    EXPECT_EQ(winmodel::UpDown(spin).position, 50 + param.expectedDelta);
    EXPECT_EQ(LOWORD(static_cast<uintptr_t>(SendMessage(spin, UDM_GETPOS, 0, 0))),
              50 + param.expectedDelta);
}

INSTANTIATE_TEST_SUITE_P(Ranges, UpDownDirectionTest,
                         ::testing::Values(UpDownCase{"DefaultRangeUpArrow", false, true, -1},
                                           UpDownCase{"DefaultRangeDownArrow", false, false, +1},
                                           UpDownCase{"PositiveRangeUpArrow", true, true, +1},
                                           UpDownCase{"PositiveRangeDownArrow", true, false, -1}),
                         CaseName());

TEST_F(ControlsTest, UpDownKeepsItsPositionWhenTheParentRefusesAndStaysInRange) {
    const HWND spin = Item(kSpinId);
    EXPECT_EQ(SendMessage(spin, UDM_GETRANGE, 0, 0), MAKEWPARAM(0, 100));
    SendMessage(spin, UDM_SETRANGE, 0, MAKEWPARAM(10, 0));
    EXPECT_EQ(SendMessage(spin, UDM_SETPOS, 0, 10), 0);

    bool refuse = true;
    spy.handler = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_NOTIFY) return refuse ? 1 : 0;
        return std::nullopt;
    };
    winmodel::ClickUpDownArrow(spin, false);
    EXPECT_EQ(winmodel::UpDown(spin).position, 10);

    refuse = false;
    winmodel::ClickUpDownArrow(spin, true);  // already at the top: no wrap
    EXPECT_EQ(winmodel::UpDown(spin).position, 10);
    EXPECT_EQ(spy.Of(WM_NOTIFY).size(), 2u);
}

TEST_F(ControlsTest, AutoCheckBoxHasToggledWhenItsClickArrives) {
    const HWND check = Item(kCheckId);
    std::vector<LRESULT> statesSeen;
    spy.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_COMMAND && wParam == Notification(kCheckId, BN_CLICKED)) {
            statesSeen.push_back(SendMessage(check, BM_GETCHECK, 0, 0));
        }
        return std::nullopt;
    };

    Click(check);
    Click(check);

    EXPECT_EQ(statesSeen, (std::vector<LRESULT>{BST_CHECKED, BST_UNCHECKED}));
    EXPECT_EQ(winmodel::Focus(), check);
}

TEST_F(ControlsTest, AutoRadioButtonChecksItselfAndClearsOnlyItsOwnGroup) {
    SendMessage(Item(kRadioOtherId), BM_SETCHECK, BST_CHECKED, 0);
    Click(Item(kRadioLowId));
    Click(Item(kRadioHighId));

    EXPECT_EQ(CheckState(Item(kRadioLowId)), BST_UNCHECKED);
    EXPECT_EQ(CheckState(Item(kRadioMidId)), BST_UNCHECKED);
    EXPECT_EQ(CheckState(Item(kRadioHighId)), BST_CHECKED);
    EXPECT_EQ(CheckState(Item(kRadioOtherId)), BST_CHECKED);
    EXPECT_EQ(spy.Commands(), (std::vector<WPARAM>{Notification(kRadioLowId, BN_CLICKED),
                                                   Notification(kRadioHighId, BN_CLICKED)}));
}

TEST_F(ControlsTest, ArrowKeysMoveTheCheckWithinTheRadioGroupAndWrap) {
    const HWND disabledMid = Item(kRadioMidId);
    EnableWindow(disabledMid, FALSE);
    Click(Item(kRadioLowId));
    spy.messages.clear();
    frontEnd.Then([&] { winmodel::PressKey(Item(kRadioLowId), VK_DOWN); });
    frontEnd.Then([&] { winmodel::PressKey(winmodel::Focus(), VK_DOWN); });

    RunLoop();

    // Low → High (the disabled Mid is skipped) → back to Low.
    EXPECT_EQ(spy.Commands(), (std::vector<WPARAM>{Notification(kRadioHighId, BN_CLICKED),
                                                   Notification(kRadioLowId, BN_CLICKED)}));
    EXPECT_EQ(CheckState(Item(kRadioLowId)), BST_CHECKED);
    EXPECT_EQ(CheckState(Item(kRadioHighId)), BST_UNCHECKED);
    EXPECT_EQ(winmodel::Focus(), Item(kRadioLowId));
}

TEST_F(ControlsTest, GetWindowTextCopiesOneLessThanTheBufferAndTerminates) {
    const HWND edit = Item(kEditId);
    const std::string longText = "0123456789abcdefghijklmnopqrstuvwxyz";
    SetWindowText(edit, longText.c_str());
    char buffer[20];
    std::memset(buffer, 'X', sizeof buffer);

    EXPECT_EQ(GetWindowText(edit, buffer, 20), 19);
    EXPECT_EQ(std::string(buffer), longText.substr(0, 19));
    EXPECT_EQ(GetWindowTextLength(edit), static_cast<int>(longText.size()));
    EXPECT_EQ(GetWindowText(edit, buffer, 0), 0);
}

TEST_F(ControlsTest, TypingHonoursReadOnlyAndTheLimitAndNotifies) {
    const HWND edit = Item(kEditId);
    SendMessage(edit, EM_LIMITTEXT, 5, 0);
    winmodel::TypeText(edit, "1234567");
    EXPECT_EQ(Text(edit), "12345");

    SendMessage(edit, EM_SETREADONLY, TRUE, 0);
    winmodel::TypeText(edit, "typed");
    EXPECT_EQ(Text(edit), "12345");
    SetWindowText(edit, "set by the program, beyond the limit");
    EXPECT_EQ(Text(edit), "set by the program, beyond the limit");

    // One EN_CHANGE for the typing, one for the program's text; none for the
    // refused typing.
    EXPECT_EQ(spy.Commands(), (std::vector<WPARAM>{Notification(kEditId, EN_CHANGE),
                                                   Notification(kEditId, EN_CHANGE)}));
}

class ComboTest : public ControlsTest {
  protected:
    ComboTest() {
        for (const char* item : {"Idle", "3D", "Custom"}) {
            addedAt.push_back(SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item)));
        }
    }
    const HWND combo = Item(kComboId);
    std::vector<LRESULT> addedAt;
};

TEST_F(ComboTest, KeepsItemsInOrderAddedAndReadsThemBack) {
    EXPECT_EQ(addedAt, (std::vector<LRESULT>{0, 1, 2}));
    EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessage(combo, CB_GETLBTEXTLEN, 2, 0), 6);
    char item[7];
    EXPECT_EQ(SendMessage(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(item)), 6);
    EXPECT_STREQ(item, "Custom");
    EXPECT_EQ(SendMessage(combo, CB_GETLBTEXTLEN, 3, 0), CB_ERR);
    EXPECT_EQ(SendMessage(combo, CB_ADDSTRING, 0, 0), CB_ERR);
}

TEST_F(ComboTest, SetCurSelShowsTheItemSilentlyAndOutOfRangeClearsTheSelection) {
    EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Text(combo), "3D");

    EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 7, 0), CB_ERR);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_TRUE(spy.Commands().empty());

    SendMessage(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Text(combo), "");
}

TEST_F(ComboTest, ChoosingSelectsAndNotifiesWhileTypingLeavesNoSelection) {
    winmodel::ChooseComboItem(combo, 2);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Text(combo), "Custom");

    winmodel::TypeText(combo, "Quiet");
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(combo), "Quiet");
    EXPECT_EQ(winmodel::ComboItems(combo), (std::vector<std::string>{"Idle", "3D", "Custom"}));

    EXPECT_EQ(spy.Commands(), (std::vector<WPARAM>{Notification(kComboId, CBN_SELCHANGE),
                                                   Notification(kComboId, CBN_EDITCHANGE)}));
}

TEST_F(ControlsTest, TrackbarKeepsItsPositionInRangeAndCountsTicks) {
    const HWND slider = Item(kSliderId);
    EXPECT_EQ(SendMessage(slider, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessage(slider, TBM_GETNUMTICS, 0, 0), 101);

    SendMessage(slider, TBM_SETPOS, TRUE, 80);
    SendMessage(slider, TBM_SETRANGEMIN, TRUE, 10);
    SendMessage(slider, TBM_SETRANGEMAX, TRUE, 45);
    EXPECT_EQ(SendMessage(slider, TBM_GETPOS, 0, 0), 45);
    SendMessage(slider, TBM_SETPOS, TRUE, -3);
    EXPECT_EQ(SendMessage(slider, TBM_GETPOS, 0, 0), 10);

    SendMessage(slider, TBM_SETTICFREQ, 10, 0);
    // Ticks at 10, 20, 30, 40 and the end at 45.
    EXPECT_EQ(SendMessage(slider, TBM_GETNUMTICS, 0, 0), 5);
}

TEST_F(ControlsTest, MovingTheTrackbarReportsPositionEndAndRelease) {
    const HWND slider = Item(kSliderId);
    std::vector<std::pair<UINT, WPARAM>> seen;  // WM_NOTIFY with its code
    spy.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_HSCROLL) {
            EXPECT_EQ(lParam, reinterpret_cast<LPARAM>(slider));
            seen.emplace_back(message, wParam);
        } else if (message == WM_NOTIFY) {
            seen.emplace_back(message, reinterpret_cast<const NMHDR*>(lParam)->code);
        }
        return std::nullopt;
    };

    winmodel::MoveTrackbar(slider, 150);

    EXPECT_EQ(seen, (std::vector<std::pair<UINT, WPARAM>>{
                        {WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(TB_THUMBPOSITION), 100)},
                        {WM_HSCROLL, TB_ENDTRACK},
                        {WM_NOTIFY, NM_RELEASEDCAPTURE}}));
    EXPECT_EQ(winmodel::Trackbar(slider).position, 100);
}

// The state a user could change, in one string to compare before and after.
std::string Snapshot(HWND control) {
    const auto trackbar = winmodel::Trackbar(control);
    return Text(control) + "|" + std::to_string(CheckState(control)) + "|" +
           std::to_string(winmodel::ComboSelection(control)) + "|" +
           std::to_string(winmodel::UpDown(control).position) + "|" +
           std::to_string(trackbar.position);
}

struct IgnoredInputCase : NamedCase<IgnoredInputCase> {
    int id;
    void (*disable)(HWND dialog, HWND control);
    void (*act)(HWND control);
};

class IgnoredInputTest : public ControlsTest,
                         public ::testing::WithParamInterface<IgnoredInputCase> {};

TEST_P(IgnoredInputTest, ControlThatCannotBeReachedIgnoresTheUser) {
    const IgnoredInputCase& param = GetParam();
    const HWND control = Item(param.id);
    SendMessage(Item(kComboId), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Idle"));
    param.disable(dialog, control);
    const std::string before = Snapshot(control);
    spy.messages.clear();

    param.act(control);

    EXPECT_EQ(Snapshot(control), before);
    EXPECT_TRUE(spy.Commands().empty());
    EXPECT_TRUE(spy.Of(WM_NOTIFY).empty());
    EXPECT_TRUE(spy.Of(WM_HSCROLL).empty());
}

void DisableControl(HWND, HWND control) {
    EnableWindow(control, FALSE);
}
void HideControl(HWND, HWND control) {
    ShowWindow(control, SW_HIDE);
}
void DisableDialog(HWND dialog, HWND) {
    EnableWindow(dialog, FALSE);
}
void KeepTemplateState(HWND, HWND) {}

INSTANTIATE_TEST_SUITE_P(
    Controls, IgnoredInputTest,
    ::testing::Values(IgnoredInputCase{"DisabledByTemplate", kDisabledButtonId, KeepTemplateState,
                                       Click},
                      IgnoredInputCase{"DisabledCheckBox", kCheckId, DisableControl, Click},
                      IgnoredInputCase{"HiddenCheckBox", kCheckId, HideControl, Click},
                      IgnoredInputCase{"CheckBoxOfDisabledDialog", kCheckId, DisableDialog, Click},
                      IgnoredInputCase{"DisabledRadio", kRadioMidId, DisableControl, Click},
                      IgnoredInputCase{"DisabledEdit", kEditId, DisableControl,
                                       [](HWND edit) { winmodel::TypeText(edit, "typed"); }},
                      IgnoredInputCase{"DisabledCombo", kComboId, DisableControl,
                                       [](HWND combo) { winmodel::ChooseComboItem(combo, 0); }},
                      IgnoredInputCase{"DisabledUpDown", kSpinId, DisableControl,
                                       [](HWND spin) { winmodel::ClickUpDownArrow(spin, true); }},
                      IgnoredInputCase{"DisabledTrackbar", kSliderId, DisableControl,
                                       [](HWND slider) { winmodel::MoveTrackbar(slider, 40); }},
                      IgnoredInputCase{"DisabledButtonClickedByMessage", kResetId, DisableControl,
                                       [](HWND button) { SendMessage(button, BM_CLICK, 0, 0); }}),
    CaseName());

TEST_F(ControlsTest, EnableWindowReportsThePreviousStateAndTellsTheWindowOfChangesOnly) {
    EXPECT_EQ(EnableWindow(dialog, FALSE), FALSE);
    EXPECT_NE(EnableWindow(dialog, FALSE), FALSE);
    EXPECT_NE(EnableWindow(dialog, TRUE), FALSE);

    const auto enables = spy.Of(WM_ENABLE);
    ASSERT_EQ(enables.size(), 2u);
    EXPECT_EQ(enables[0].wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(enables[1].wParam, static_cast<WPARAM>(TRUE));
}

// What a view that mirrors the model hears of it.
class MirroringFrontEnd : public winmodel::ScriptedFrontEnd {
  public:
    void OnWindowCreated(HWND window) override { created.push_back(window); }
    void OnWindowChanged(HWND window) override { changed.insert(window); }
    void OnWindowDestroyed(HWND window) override { destroyed.push_back(window); }

    std::vector<HWND> created;
    std::set<HWND> changed;
    std::vector<HWND> destroyed;
};

class ViewNotificationTest : public ::testing::Test {
  protected:
    MirroringFrontEnd view;
    HWND dialog = CreateDialogParam(GetModuleHandle(), kDialogId, nullptr, &SpyDialogProc, 0);
};

TEST_F(ViewNotificationTest, ViewHearsOfEveryWindowComingAndGoing) {
    std::vector<HWND> everyWindow{dialog};
    for (HWND child : winmodel::Children(dialog)) everyWindow.push_back(child);
    EXPECT_EQ(view.created, everyWindow);

    DestroyWindow(dialog);

    ASSERT_EQ(view.destroyed.size(), everyWindow.size());
    EXPECT_EQ(view.destroyed.back(), dialog);
}

struct ChangeCase : NamedCase<ChangeCase> {
    int id;
    void (*change)(HWND control);
};

class ViewChangeTest : public ViewNotificationTest,
                       public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ViewChangeTest, StateChangeIsReportedForItsWindow) {
    const HWND control = GetDlgItem(dialog, GetParam().id);
    view.changed.clear();

    GetParam().change(control);

    EXPECT_TRUE(view.changed.contains(control));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ViewChangeTest,
    ::testing::Values(
        ChangeCase{"Typing", kEditId, [](HWND edit) { winmodel::TypeText(edit, "1"); }},
        ChangeCase{"ProgramText", kEditId, [](HWND edit) { SetWindowText(edit, "1"); }},
        ChangeCase{"ReadOnly", kEditId,
                   [](HWND edit) { SendMessage(edit, EM_SETREADONLY, TRUE, 0); }},
        ChangeCase{"CheckBoxClick", kCheckId, Click},
        ChangeCase{"SetCheck", kRadioMidId,
                   [](HWND radio) { SendMessage(radio, BM_SETCHECK, BST_CHECKED, 0); }},
        ChangeCase{"Disable", kResetId, [](HWND button) { EnableWindow(button, FALSE); }},
        ChangeCase{"Hide", kResetId, [](HWND button) { ShowWindow(button, SW_HIDE); }},
        ChangeCase{"ComboItem", kComboId,
                   [](HWND combo) {
                       SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Idle"));
                   }},
        ChangeCase{"UpDownPosition", kSpinId,
                   [](HWND spin) { SendMessage(spin, UDM_SETPOS, 0, 40); }},
        ChangeCase{"TrackbarRange", kSliderId,
                   [](HWND slider) { SendMessage(slider, TBM_SETRANGEMAX, TRUE, 40); }},
        ChangeCase{"TrackbarMove", kSliderId,
                   [](HWND slider) { winmodel::MoveTrackbar(slider, 40); }}),
    CaseName());

}  // namespace
}  // namespace testdialog
