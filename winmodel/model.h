// The in-process window model: the Linux provider of framework/win.h. It keeps
// every window, control state, timer and queued message itself and behaves as
// the Windows API does where the program depends on it. A front end shows the
// model (a terminal, GTK) or drives it (the tests); this header is what front
// ends and tests see of it. The program's own code never includes it.
#ifndef KORVAN_WINMODEL_MODEL_H
#define KORVAN_WINMODEL_MODEL_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/win.h"

namespace winmodel {

using win::HWND;
using win::UINT;

/// What a front end is told and asked. Every call comes from the model's one
/// thread, from inside a message loop of the program.
class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    /// The current time in milliseconds; timers are due against it.
    virtual uint64_t NowMs() = 0;

    /// The program's loop has nothing to do. Block until the user does
    /// something (and feed it to the model through the input functions
    /// below) or until `deadlineMs` (the next timer, if any) has passed.
    /// Return false when no input can ever come: the model then ends the run
    /// with a quit request of exit code `NoInputExitCode()`.
    virtual bool WaitForInput(std::optional<uint64_t> deadlineMs) = 0;
    virtual int NoInputExitCode() { return 1; }

    /// A message box is about to run. Return an answer (IDOK) to close it at
    /// once without a loop, as a terminal does; return nothing to show it and
    /// let its modal loop run until the user answers through AnswerBox.
    virtual std::optional<int> OnMessageBox(HWND box) = 0;

    /// Notifications for a view that mirrors the model.
    virtual void OnWindowCreated(HWND) {}
    virtual void OnWindowChanged(HWND) {}
    virtual void OnWindowDestroyed(HWND) {}

    /// The display driver is reachable only where a display is.
    virtual bool HasDisplay() const { return false; }
};

/// Installs the front end; the model does not own it. Passing nullptr puts
/// the default terminal front end back.
void SetFrontEnd(FrontEnd* frontEnd);
FrontEnd& CurrentFrontEnd();

/// Forgets every window, timer, queued message, mutex, box record and display
/// request, so that each test starts from a fresh process's state.
void ResetForTest();

// ---- Inspection ----

struct Rect {
    int x, y, cx, cy;
};

struct BoxRecord {
    HWND owner;
    std::string text;
    std::string caption;  // as shown: the application's name when none was given
    UINT type;
};

/// Every message box shown since the last reset, in order.
const std::vector<BoxRecord>& ShownBoxes();
/// The message box currently open (innermost), or nullptr.
HWND OpenMessageBox();
/// The record of an open box; it stays valid until the next box is shown.
const BoxRecord* BoxOf(HWND box);

std::vector<HWND> TopLevelWindows();
/// Child windows in creation (template, hence tab) order.
std::vector<HWND> Children(HWND parent);
std::string ClassName(HWND window);
/// The current style: WS_DISABLED and WS_VISIBLE follow the window's state.
win::DWORD Style(HWND window);
std::string Text(HWND window);
bool IsEnabled(HWND window);
/// Visible as on the screen: the window and every parent of it are shown.
bool IsVisible(HWND window);
int ControlId(HWND window);
/// Position and size as the template gave them, in dialog units.
Rect TemplateRect(HWND window);
/// Resource id of a static picture's image, else 0.
int ImageId(HWND window);
/// Check state of a check box or radio button (BST_*).
int CheckState(HWND button);
std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);  // -1 for none
struct TrackbarState {
    int rangeMin, rangeMax, position, tickFrequency;
};
TrackbarState Trackbar(HWND trackbar);
struct UpDownState {
    int lower, upper, position;
};
UpDownState UpDown(HWND upDown);
struct MenuItem {
    UINT flags;
    uintptr_t id;
    std::string text;
};
std::vector<MenuItem> SystemMenuItems(HWND window);
/// The icons set with WM_SETICON, by ICON_BIG and ICON_SMALL.
win::HICON WindowIcon(HWND window, win::WPARAM which);
/// Resource id behind an icon handle from LoadIcon, else 0.
int IconId(win::HICON icon);
/// The window with the keyboard focus.
HWND Focus();
/// Timers that run, with their owners and periods.
struct TimerRecord {
    HWND window;
    uintptr_t id;
    UINT periodMs;
};
std::vector<TimerRecord> RunningTimers();

// ---- Input, as a user gives it ----

/// A mouse click on a push button, check box or radio button. Disabled or
/// hidden windows ignore it, as they do on the screen.
void Click(HWND control);
/// Replaces an edit's text as typing would (read-only edits and the text
/// limit apply; the edit's parent gets EN_CHANGE). Typing into a combo box's
/// edit field leaves no item selected.
void TypeText(HWND control, const std::string& text);
/// A key pressed while `focus` has the keyboard focus (VK_RETURN, VK_ESCAPE,
/// VK_TAB, VK_UP, VK_DOWN…), routed through the dialog manager. The key is
/// queued: it takes effect when the running loop takes it, so after the step
/// that pressed it.
void PressKey(HWND focus, win::WPARAM virtualKey);
/// Chooses an entry of a combo box's list, as a user picking from it.
void ChooseComboItem(HWND combo, int index);
/// One click on an up-down control's arrow.
void ClickUpDownArrow(HWND upDown, bool upArrow);
/// Drags a trackbar's thumb to `position` and releases it.
void MoveTrackbar(HWND trackbar, int position);
/// Chooses a system-menu command of a top-level window: WM_SYSCOMMAND is
/// queued for the running loop, as PressKey's keys are.
void ChooseSystemCommand(HWND window, UINT command);
/// Answers the open message box with its OK button.
void AnswerBox(HWND box);
/// Clicks the close box of a top-level window.
void CloseWindow(HWND window);
/// Marks a window as needing a repaint, as when it is uncovered on the screen:
/// it gets WM_PAINT once its loop has no other message.
void Uncover(HWND window);

// ---- The display driver stand-in ----

struct DisplayRequest {
    int escape;
    std::vector<unsigned char> input;
};
/// Requests handed to ExtEscape since the last reset, in order.
const std::vector<DisplayRequest>& DisplayRequests();

// ---- The module and help viewer, as tests set them ----

/// The application's name as untitled message boxes show it: the executable's
/// file name without its directory and extension (the test override, else
/// argv[0] as InitializePlatform got it, else the running executable).
std::string ApplicationName();

/// Makes GetModuleFileNameA report `path` instead of the running executable.
void SetModuleFileNameForTest(const std::string& path);
/// Makes HtmlHelpA start `viewer` (a program taking the file as its one
/// argument) instead of looking for an installed CHM viewer; "" means none.
void SetHelpViewerForTest(const std::string& viewer);

// ---- The named mutex ----

/// Where the named mutex of `name` lives for this user; a file whose lock
/// marks that an instance holds the name.
std::string MutexPath(const char* name);

}  // namespace winmodel

#endif  // KORVAN_WINMODEL_MODEL_H
