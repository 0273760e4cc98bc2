// Resource and control ids, shared by the program's code and its resources.
#ifndef KORVAN_RES_RESOURCE_H
#define KORVAN_RES_RESOURCE_H

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_CLOCK_DIALOG = 133;

// Strings.
constexpr unsigned IDS_ABOUTBOX = 101;
constexpr unsigned IDS_HELP = 102;

// Images.
constexpr int IDR_MAINFRAME = 128;  // the application icon
constexpr int IDB_LOGO = 130;       // the main dialog's picture

// System-menu commands of the main dialog.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
constexpr unsigned IDM_HELP = 0x0020;

// Controls of the main dialog.
constexpr int IDC_MEMORY_CLOCK = 1000;
constexpr int IDC_ENGINE_CLOCK = 1001;
constexpr int IDC_RESTORE_CLOCKS = 1011;
constexpr int IDC_RESTORE_MEMORY_CLOCK = 1012;
constexpr int IDC_RESTORE_ENGINE_CLOCK = 1013;
constexpr int IDC_GET_CLOCK_INFO = 1014;
constexpr int IDC_AUTO_UPDATE = 1030;
constexpr int IDC_DEVICE = 1031;
constexpr int IDC_2D_CLOCKS = 1033;
constexpr int IDC_3D_CLOCKS = 1034;
constexpr int IDC_FAN_SPEED = 1035;
constexpr int IDC_MANUAL_FAN = 1036;
constexpr int IDC_FAN_RPM = 1037;
constexpr int IDC_SET_CLOCKS = 1039;
constexpr int IDC_SPIN_ENGINE_CLOCK = 1040;
constexpr int IDC_VDDC = 1042;
constexpr int IDC_VDDCI = 1043;
constexpr int IDC_MVDDC = 1044;
constexpr int IDC_MVDDQ = 1045;
constexpr int IDC_SPIN_VDDC = 1047;
constexpr int IDC_SPIN_MEMORY_CLOCK = 1048;
constexpr int IDC_SPIN_MVDDC = 1049;
constexpr int IDC_SPIN_MVDDQ = 1050;
constexpr int IDC_SAME_CLOCKS = 1051;
constexpr int IDC_SPIN_VDDCI = 1052;
constexpr int IDC_MEMORY_TYPE = 1057;

// Controls of the About box.
constexpr int IDC_ABOUT_ICON = 1054;

// Controls without an id of their own.
constexpr int IDC_STATIC = -1;

#endif  // KORVAN_RES_RESOURCE_H
