// A small dialog for the model's tests: its template, a dialog procedure that
// records what reaches it, and a fixture that opens it under a scripted user.
#ifndef KORVAN_TESTS_WINMODEL_TEST_DIALOG_H
#define KORVAN_TESTS_WINMODEL_TEST_DIALOG_H

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "framework/win.h"
#include "winmodel/model.h"
#include "winmodel/scripted_front_end.h"

namespace testdialog {

using win::HWND;
using win::LPARAM;
using win::LRESULT;
using win::UINT;
using win::WPARAM;

enum : int {
    kDialogId = 100,
    kMissingDialogId = 999,
    kIconId = 7,
    kMissingIconId = 8,
    kGreetingStringId = 50,
    kEditId = 1001,
    kApplyId,  // the default button
    kResetId,
    kCheckId,
    kRadioLowId,  // first of a group of three
    kRadioMidId,
    kRadioHighId,
    kRadioOtherId,  // a group of its own
    kComboId,
    kSpinId,
    kSliderId,
    kDisabledButtonId,
    kPictureId,
};

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

/// Sees every message of the dialog before DefDlgProc; `handler` may answer
/// one itself by returning a result.
struct DialogSpy {
    std::vector<Received> messages;
    std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> handler;

    std::vector<Received> Of(UINT message) const;
    /// The wParam of each WM_COMMAND, in order.
    std::vector<WPARAM> Commands() const;
};

LRESULT SpyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

class DialogTest : public ::testing::Test {
  protected:
    DialogTest();
    ~DialogTest() override;

    HWND Open(LPARAM initParam = 0);
    HWND Item(int id) const { return win::GetDlgItem(dialog, id); }
    /// The program's loop for the dialog, until a quit request; its exit code.
    int RunLoop();

    winmodel::ScriptedFrontEnd frontEnd;
    DialogSpy spy;
    HWND dialog = nullptr;
};

}  // namespace testdialog

#endif  // KORVAN_TESTS_WINMODEL_TEST_DIALOG_H
