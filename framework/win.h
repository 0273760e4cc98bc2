// The platform operations Korvan needs, shaped as the Windows API shapes them
// but declared here, in our own namespace, so that the program's code never
// includes an OS or toolkit header. Two providers implement them: the
// in-process window model on Linux (winmodel/) and the real calls on Windows.
// Numeric values are the platform's, because templates, notifications and
// the display-driver request carry them.
#ifndef KORVAN_FRAMEWORK_WIN_H
#define KORVAN_FRAMEWORK_WIN_H

#include <cstdint>

namespace win {

using BOOL = int;
using UINT = unsigned int;
using DWORD = uint32_t;
using WORD = uint16_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
using INT_PTR = intptr_t;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Opaque handles: each provider gives them its own meaning.
struct WindowObject;
struct MenuObject;
struct IconObject;
struct DeviceContextObject;
struct KernelObject;
struct ModuleObject;
using HWND = WindowObject*;
using HMENU = MenuObject*;
using HICON = IconObject*;
using HDC = DeviceContextObject*;
using HANDLE = KernelObject*;
using HINSTANCE = ModuleObject*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

struct NMUPDOWN {
    NMHDR hdr;
    int iPos;
    int iDelta;
};

struct PAINTSTRUCT {
    HDC hdc;
};

constexpr WORD LOWORD(uintptr_t value) {
    return static_cast<WORD>(value & 0xFFFF);
}
constexpr WORD HIWORD(uintptr_t value) {
    return static_cast<WORD>((value >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

// Window messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_USER = 0x0400;

// Dialog manager.
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr WORD DC_HASDEFID = 0x534B;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Buttons.
constexpr UINT BN_CLICKED = 0;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;

// Edits.
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EN_CHANGE = 0x0300;

// Combo boxes.
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CBN_EDITCHANGE = 5;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr LRESULT CB_ERR = -1;

// Common-control notifications.
constexpr UINT NM_FIRST = 0;
constexpr UINT NM_RELEASEDCAPTURE = NM_FIRST - 16;
constexpr UINT UDN_FIRST = 0U - 721U;
constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;

// Up-down controls.
constexpr UINT UDM_SETRANGE = WM_USER + 101;
constexpr UINT UDM_GETRANGE = WM_USER + 102;
constexpr UINT UDM_SETPOS = WM_USER + 103;
constexpr UINT UDM_GETPOS = WM_USER + 104;

// Trackbars.
constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_SETPOS = WM_USER + 5;
constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;
constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;
constexpr UINT TBM_GETNUMTICS = WM_USER + 16;
constexpr UINT TBM_SETTICFREQ = WM_USER + 20;
constexpr WPARAM TB_THUMBPOSITION = 4;
constexpr WPARAM TB_ENDTRACK = 8;

// Icons.
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// System commands and menus.
constexpr UINT SC_SIZE = 0xF000;
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;

// The framework's standard Help command (F1).
constexpr UINT ID_HELP = 0xE146;

// Message boxes.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_ICONMASK = 0xF0;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;  // top-level windows; the same bit as WS_GROUP
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;

// Control styles, by class.
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_MULTILINE = 0x2000;
constexpr DWORD ES_LEFT = 0x0;
constexpr DWORD ES_RIGHT = 0x2;
constexpr DWORD ES_AUTOHSCROLL = 0x80;
constexpr DWORD ES_READONLY = 0x800;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD SS_BITMAP = 0xE;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_NOPREFIX = 0x80;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD UDS_ARROWKEYS = 0x20;
constexpr DWORD TBS_AUTOTICKS = 0x1;
constexpr DWORD TBS_BOTH = 0x8;

// Window classes of the templates' controls.
inline constexpr const char* kButtonClass = "Button";
inline constexpr const char* kEditClass = "Edit";
inline constexpr const char* kComboBoxClass = "ComboBox";
inline constexpr const char* kStaticClass = "Static";
inline constexpr const char* kUpDownClass = "msctls_updown32";
inline constexpr const char* kTrackbarClass = "msctls_trackbar32";

// Errors.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;

// Virtual keys.
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_F1 = 0x70;

constexpr UINT HH_DISPLAY_TOPIC = 0;
constexpr DWORD MAX_PATH = 260;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// Messages and the queue.
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
/// Returns 0 when it takes WM_QUIT, else nonzero. Blocks until a message comes.
BOOL GetMessage(MSG* message, HWND window, UINT filterMin, UINT filterMax);
LRESULT DispatchMessage(const MSG* message);
/// Gives the dialog manager its keyboard handling (Enter, Escape, Tab);
/// returns nonzero when the message was consumed.
BOOL IsDialogMessage(HWND dialog, MSG* message);

// Windows.
/// Creates a modeless dialog from template `templateId`. `dialogProc` sees
/// every message (WM_INITDIALOG with `initParam` first) and hands what it does
/// not handle to DefDlgProc.
HWND CreateDialogParam(HINSTANCE instance, int templateId, HWND owner, WNDPROC dialogProc,
                       LPARAM initParam);
LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
HWND GetParent(HWND window);
HWND GetDesktopWindow();
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL IsIconic(HWND window);
int GetWindowText(HWND window, char* buffer, int bufferSize);
int GetWindowTextLength(HWND window);
BOOL SetWindowText(HWND window, const char* text);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// Timers.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC timerProc);
BOOL KillTimer(HWND window, UINT_PTR id);

// Message boxes: modal, each running its own message loop until closed.
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Menus and resources.
HMENU GetSystemMenu(HWND window, BOOL revert);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const char* text);
int LoadString(HINSTANCE instance, UINT id, char* buffer, int bufferSize);
HICON LoadIcon(HINSTANCE instance, int id);
HINSTANCE GetModuleHandle();

// Kernel objects and the module.
HANDLE CreateMutexA(const void* security, BOOL initialOwner, const char* name);
DWORD GetLastError();
BOOL CloseHandle(HANDLE handle);
DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size);

// The display driver.
HDC CreateDCA(const char* driver, const char* device, const char* output, const void* initData);
int ExtEscape(HDC dc, int escape, int inputSize, const char* input, int outputSize, char* output);
BOOL DeleteDC(HDC dc);

// Compiled help.
HWND HtmlHelpA(HWND caller, const char* file, UINT command, uintptr_t data);

/// Prepares the provider for this process's arguments; the framework's entry
/// point calls it once, before the application starts.
void InitializePlatform(int argc, char** argv);

}  // namespace win

#endif  // KORVAN_FRAMEWORK_WIN_H
