// The dialog templates: the one description of both dialogs, from which every
// platform builds them. Positions and sizes are in dialog units; the order is
// the tab order.
#include "res/dialogs.h"

#include "res/resource.h"

namespace {

using win::ControlTemplate;
using win::DWORD;

constexpr DWORD kChild = win::WS_CHILD | win::WS_VISIBLE;
constexpr DWORD kLabel = kChild | win::SS_LEFT | win::WS_GROUP;
constexpr DWORD kPushButton = kChild | win::BS_PUSHBUTTON | win::WS_TABSTOP;
constexpr DWORD kGroupBox = kChild | win::BS_GROUPBOX;
constexpr DWORD kClockEdit =
    kChild | win::ES_LEFT | win::ES_AUTOHSCROLL | win::WS_BORDER | win::WS_TABSTOP;
constexpr DWORD kReadOnlyEdit = kClockEdit | win::ES_READONLY;
constexpr DWORD kUpDown = kChild | win::UDS_ARROWKEYS;
constexpr DWORD kDialogStyle =
    win::DS_MODALFRAME | win::DS_SETFONT | win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU;

constexpr const char* kButton = win::kButtonClass;
constexpr const char* kEdit = win::kEditClass;
constexpr const char* kStatic = win::kStaticClass;
constexpr const char* kSpin = win::kUpDownClass;

const ControlTemplate kClockDialogControls[] = {
    {IDC_SET_CLOCKS, kButton, "Set Clocks", 143, 127, 132, 15,
     kChild | win::BS_DEFPUSHBUTTON | win::WS_TABSTOP, 0},
    {IDC_RESTORE_CLOCKS, kButton, "Restore Default Clocks", 143, 144, 132, 15, kPushButton, 0},
    {IDC_ENGINE_CLOCK, kEdit, "", 58, 36, 55, 15, kClockEdit, 0},
    {IDC_MEMORY_CLOCK, kEdit, "", 194, 51, 55, 15, kClockEdit, 0},
    {IDC_DEVICE, win::kComboBoxClass, "", 40, 7, 235, 103,
     kChild | win::CBS_DROPDOWN | win::WS_VSCROLL | win::WS_TABSTOP, 0},
    {IDC_SAME_CLOCKS, kButton, "Same Clock Settings for All Devices", 11, 200, 126, 11,
     kChild | win::BS_AUTOCHECKBOX | win::BS_MULTILINE | win::WS_TABSTOP, 0},
    {IDC_2D_CLOCKS, kButton, "2D Clocks", 11, 214, 49, 10,
     kChild | win::BS_AUTORADIOBUTTON | win::WS_GROUP, 0},
    {IDC_3D_CLOCKS, kButton, "3D Clocks", 11, 226, 49, 10, kChild | win::BS_AUTORADIOBUTTON, 0},
    {IDC_MANUAL_FAN, kButton, "Manual Fan Speed Control", 23, 150, 99, 10,
     kChild | win::BS_AUTOCHECKBOX | win::WS_TABSTOP, 0},
    {IDC_FAN_SPEED, win::kTrackbarClass, "Slider1", 11, 162, 124, 19,
     kChild | win::TBS_BOTH | win::TBS_AUTOTICKS | win::WS_TABSTOP, 0},
    {IDC_FAN_RPM, kEdit, "", 39, 130, 92, 14, kReadOnlyEdit | win::ES_RIGHT, 0},
    {IDC_STATIC, kButton, "Engine Settings", 7, 24, 132, 89, kGroupBox, 0},
    {IDC_STATIC, kButton, "Memory Settings", 143, 24, 132, 101, kGroupBox, 0},
    {IDC_STATIC, kStatic, "Core Clock", 12, 39, 41, 8, kLabel, 0},
    {IDC_STATIC, kStatic, "Core Voltage", 12, 59, 41, 8, kLabel, 0},
    {IDC_VDDC, kEdit, "", 58, 56, 55, 15, kReadOnlyEdit, 0},
    {IDC_STATIC, kStatic, "Core Clock", 148, 54, 41, 8, kLabel, 0},
    {IDC_STATIC, kStatic, "Core Voltage", 148, 74, 41, 8, kLabel, 0},
    {IDC_MVDDC, kEdit, "", 194, 71, 55, 15, kReadOnlyEdit, 0},
    {IDC_STATIC, kStatic, "I/O Voltage", 148, 94, 41, 8, kLabel, 0},
    {IDC_MVDDQ, kEdit, "", 194, 91, 55, 15, kReadOnlyEdit, 0},
    {IDC_STATIC, kButton, "Fan Speed Settings", 7, 116, 132, 70, kGroupBox, 0},
    {IDC_STATIC, kStatic, "RPM", 17, 132, 17, 8, kLabel, 0},
    {IDC_SPIN_ENGINE_CLOCK, kSpin, "Spin1", 122, 36, 10, 14, kUpDown, 0},
    {IDC_SPIN_VDDC, kSpin, "Spin1", 122, 56, 11, 14, kUpDown, 0},
    {IDC_SPIN_MEMORY_CLOCK, kSpin, "Spin1", 258, 51, 11, 14, kUpDown, 0},
    {IDC_SPIN_MVDDC, kSpin, "Spin1", 258, 71, 11, 14, kUpDown, 0},
    {IDC_SPIN_MVDDQ, kSpin, "Spin1", 258, 91, 11, 14, kUpDown, 0},
    {IDC_STATIC, kStatic, "Device:", 13, 9, 26, 8, kLabel, 0},
    {IDC_RESTORE_MEMORY_CLOCK, kButton, "Restore Default Memory Clock", 150, 108, 119, 12,
     kPushButton, 0},
    {IDC_RESTORE_ENGINE_CLOCK, kButton, "Restore Default Engine Clock", 14, 96, 119, 12,
     kPushButton, 0},
    {IDC_GET_CLOCK_INFO, kButton, "Get Clock Info", 143, 161, 132, 15, kPushButton, 0},
    {IDC_STATIC, kStatic, nullptr, 155, 179, 109, 58, kChild | win::SS_BITMAP | win::SS_CENTERIMAGE,
     IDB_LOGO},
    {IDC_STATIC, kButton, "Options", 7, 187, 132, 51, kGroupBox, 0},
    {IDC_AUTO_UPDATE, kButton, "Auto Update", 73, 214, 55, 10,
     kChild | win::BS_AUTOCHECKBOX | win::WS_TABSTOP, 0},
    {IDC_STATIC, kStatic, "Core VDDCI", 12, 79, 41, 8, kLabel, 0},
    {IDC_VDDCI, kEdit, "", 58, 76, 55, 15, kReadOnlyEdit, 0},
    {IDC_SPIN_VDDCI, kSpin, "Spin1", 122, 76, 11, 14, kUpDown, 0},
    {IDC_MEMORY_TYPE, kEdit, "", 149, 34, 119, 13, kReadOnlyEdit, 0},
};

const ControlTemplate kAboutControls[] = {
    {IDC_ABOUT_ICON, kStatic, nullptr, 13, 12, 20, 20, kChild | win::SS_ICON, IDR_MAINFRAME},
    {IDC_STATIC, kStatic, "Tavo Korvan Version 5.22", 40, 10, 119, 8, kLabel | win::SS_NOPREFIX, 0},
    {IDC_STATIC, kStatic, "Copyright (C) 2026 Tavo", 40, 25, 148, 8, kLabel, 0},
    {win::IDOK, kButton, "OK", 178, 5, 50, 14,
     kChild | win::BS_DEFPUSHBUTTON | win::WS_GROUP | win::WS_TABSTOP, 0},
};

}  // namespace

const win::DialogTemplate kDialogTemplates[2] = {
    {IDD_CLOCK_DIALOG, "Korvan - Tavo", 0, 0, 281, 247, kDialogStyle, 8, "MS Sans Serif",
     kClockDialogControls},
    {IDD_ABOUTBOX, "About Korvan", 0, 0, 235, 55, kDialogStyle, 8, "MS Sans Serif", kAboutControls},
};
