#include "tests/winmodel/test_dialog.h"

#include <array>

#include "framework/resources.h"

namespace testdialog {
namespace {

using namespace win;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

constexpr std::array kControls{
    ControlTemplate{kEditId, kEditClass, "start", 10, 10, 80, 12,
                    kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0},
    ControlTemplate{kApplyId, kButtonClass, "&Apply", 100, 10, 50, 14,
                    kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    ControlTemplate{kResetId, kButtonClass, "&Reset", 100, 30, 50, 14,
                    kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
    ControlTemplate{kCheckId, kButtonClass, "&Keep", 10, 30, 80, 10,
                    kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
    ControlTemplate{kRadioLowId, kButtonClass, "&Low", 10, 50, 40, 10,
                    kChild | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 0},
    ControlTemplate{kRadioMidId, kButtonClass, "&Mid", 10, 60, 40, 10, kChild | BS_AUTORADIOBUTTON,
                    0},
    ControlTemplate{kRadioHighId, kButtonClass, "&High", 10, 70, 40, 10,
                    kChild | BS_AUTORADIOBUTTON, 0},
    ControlTemplate{kRadioOtherId, kButtonClass, "&Other", 60, 50, 40, 10,
                    kChild | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 0},
    ControlTemplate{kComboId, kComboBoxClass, nullptr, 10, 90, 80, 60,
                    kChild | WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN, 0},
    ControlTemplate{kSpinId, kUpDownClass, nullptr, 92, 90, 10, 12, kChild | UDS_ARROWKEYS, 0},
    ControlTemplate{kSliderId, kTrackbarClass, nullptr, 10, 110, 100, 15,
                    kChild | WS_TABSTOP | TBS_AUTOTICKS | TBS_BOTH, 0},
    ControlTemplate{kDisabledButtonId, kButtonClass, "&Off", 120, 110, 40, 14,
                    kChild | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0},
    ControlTemplate{kPictureId, kStaticClass, nullptr, 170, 10, 20, 20, kChild | SS_ICON, kIconId},
};

constexpr std::array kDialogs{
    DialogTemplate{kDialogId, "Test dialog", 0, 0, 200, 140,
                   WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | WS_VISIBLE, 8,
                   "MS Shell Dlg", kControls},
};

constexpr std::array kStrings{StringResource{kGreetingStringId, "Hello, overclocker"}};

constexpr std::array<unsigned char, 4> kIconBytes{0, 0, 1, 0};
constexpr std::array kIcons{ImageResource{kIconId, kIconBytes}};

DialogSpy* g_spy = nullptr;

}  // namespace

std::vector<Received> DialogSpy::Of(UINT message) const {
    std::vector<Received> found;
    for (const Received& received : messages) {
        if (received.message == message) found.push_back(received);
    }
    return found;
}

std::vector<WPARAM> DialogSpy::Commands() const {
    std::vector<WPARAM> commands;
    for (const Received& received : Of(WM_COMMAND)) commands.push_back(received.wParam);
    return commands;
}

LRESULT SpyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_spy != nullptr) {
        g_spy->messages.push_back({dialog, message, wParam, lParam});
        if (g_spy->handler) {
            if (auto result = g_spy->handler(dialog, message, wParam, lParam)) return *result;
        }
    }
    return message == WM_INITDIALOG ? TRUE : DefDlgProc(dialog, message, wParam, lParam);
}

DialogTest::DialogTest() {
    g_spy = &spy;
}

DialogTest::~DialogTest() {
    g_spy = nullptr;
}

HWND DialogTest::Open(LPARAM initParam) {
    dialog = CreateDialogParam(GetModuleHandle(), kDialogId, nullptr, &SpyDialogProc, initParam);
    return dialog;
}

int DialogTest::RunLoop() {
    MSG message{};
    while (GetMessage(&message, nullptr, 0, 0)) {
        if (!IsDialogMessage(dialog, &message)) DispatchMessage(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace testdialog

namespace win {

const ResourceTable& ProgramResources() {
    static const ResourceTable table{
        testdialog::kDialogs, testdialog::kStrings, testdialog::kIcons, {}};
    return table;
}

}  // namespace win
