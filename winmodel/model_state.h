// The window model's own state and the helpers its parts share. Private to
// winmodel/: front ends and tests see the model through model.h only.
#ifndef KORVAN_WINMODEL_MODEL_STATE_H
#define KORVAN_WINMODEL_MODEL_STATE_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/win.h"
#include "winmodel/model.h"

namespace winmodel::detail {

using win::DWORD;
using win::LPARAM;
using win::LRESULT;
using win::WPARAM;

// The platform's class of dialogs, message boxes included.
inline constexpr const char* kDialogClass = "#32770";

enum class WindowKind {
    Generic,
    Dialog,
    MessageBox,
    Button,
    Edit,
    ComboBox,
    Static,
    UpDown,
    Trackbar
};

// Single-line edits take this many characters from typing until EM_LIMITTEXT
// says otherwise; a limit of zero stands for the largest one.
constexpr size_t kDefaultEditTextLimit = 30000;
constexpr size_t kLargestEditTextLimit = 0x7FFFFFFE;

struct Window {
    HWND handle = nullptr;
    WindowKind kind = WindowKind::Generic;
    std::string className;
    DWORD style = 0;  // WS_DISABLED and WS_VISIBLE follow the window's state
    std::string text;
    int controlId = 0;
    HWND parent = nullptr;  // child windows only
    HWND owner = nullptr;   // top-level windows only
    std::vector<HWND> children;
    Rect templateRect{};
    int imageId = 0;
    win::WNDPROC proc = nullptr;
    bool needsPaint = false;
    bool destroying = false;
    bool iconic = false;
    win::HICON bigIcon = nullptr;
    win::HICON smallIcon = nullptr;
    win::HMENU systemMenu = nullptr;  // handed out by the first GetSystemMenu
    std::vector<MenuItem> systemMenuItems;

    int check = 0;
    size_t textLimit = kDefaultEditTextLimit;
    std::vector<std::string> comboItems;
    int comboSelection = -1;
    UpDownState upDown{100, 0, 0};
    TrackbarState trackbar{0, 100, 0, 1};

    std::optional<size_t> boxRecord;  // index into Model::shownBoxes
    std::optional<int> boxAnswer;
};

struct Timer {
    HWND window;
    uintptr_t id;
    UINT periodMs;
    uint64_t dueMs;
    win::TIMERPROC proc;
    uint64_t sequence;  // orders timers falling due at the same moment
};

struct Model {
    std::map<uintptr_t, std::unique_ptr<Window>> windows;  // by handle, so in creation order
    std::deque<win::MSG> posted;
    std::optional<int> pendingQuit;
    std::vector<Timer> timers;
    uint64_t timerSequence = 0;
    std::vector<BoxRecord> shownBoxes;
    std::vector<HWND> openBoxes;  // innermost last
    HWND focus = nullptr;
    std::map<int, win::HICON> icons;
    std::map<uintptr_t, int> mutexFiles;  // handle to descriptor, -1 for an unnamed mutex
    std::set<uintptr_t> deviceContexts;
    std::vector<DisplayRequest> displayRequests;
    std::optional<std::string> moduleFileNameOverride;
    std::optional<std::string> helpViewerOverride;
    std::string commandName;  // argv[0] as InitializePlatform got it
};

Model& State();

/// A handle value that no other handle of this process ever had, so that a
/// stale handle never reaches a new object.
uintptr_t NewHandleValue();
template <typename Handle>
Handle NewHandle() {
    return reinterpret_cast<Handle>(NewHandleValue());
}
template <typename Handle>
uintptr_t KeyOf(Handle handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

// Pseudo handles that stand for objects the model does not keep.
inline const HWND kDesktopWindow = reinterpret_cast<HWND>(uintptr_t{0x10});
inline const HWND kHelpViewerWindow = reinterpret_cast<HWND>(uintptr_t{0x20});
inline const win::HINSTANCE kModuleHandle = reinterpret_cast<win::HINSTANCE>(uintptr_t{0x30});

void SetLastError(DWORD error);

/// The window behind `handle`, or nullptr once it is destroyed (or never was).
Window* Find(HWND handle);
void NotifyChanged(HWND window);

struct NewWindow {
    const char* className;
    const char* text;
    DWORD style;
    int controlId;
    HWND parent;
    HWND owner;
    Rect rect;
    int imageId;
    win::WNDPROC proc;                // nullptr: the procedure of the class
    std::optional<size_t> boxRecord;  // set for a message box: its ShownBoxes entry
};
HWND CreateWindowRecord(const NewWindow& description);
/// What a top-level window's system menu holds before the program adds to it.
std::vector<MenuItem> DefaultSystemMenu();

/// The top-level window that `window` belongs to (itself when top-level).
HWND RootOf(HWND window);
bool IsDescendant(HWND ancestor, HWND window);
/// Own WS_VISIBLE and WS_DISABLED only, as the dialog manager's navigation sees them.
bool IsNavigable(const Window& window);
/// Visible as on the screen: the window and every parent of it.
bool IsShownWithParents(HWND window);
/// Whether a user could reach the window: it and every parent exist, are
/// visible and enabled.
bool AcceptsInput(HWND window);
void MoveFocus(HWND window);
/// The first enabled, visible WS_TABSTOP child of a dialog.
HWND FirstTabStop(HWND dialog);
/// WM_COMMAND(id, code) from a control to its parent.
void NotifyParent(HWND control, UINT code);

/// Copies at most capacity - 1 characters and a NUL; returns the count copied.
size_t CopyText(const std::string& text, char* buffer, size_t capacity);
/// `value` held within the two bounds, whichever of them is the lower.
int ClampBetween(int value, int bound1, int bound2);

win::WNDPROC ClassProcedure(WindowKind kind);
/// A click on a button: auto check boxes and radio buttons change before
/// the parent hears BN_CLICKED.
void PressButton(HWND button);
bool IsRadioButton(HWND window);
/// The arrow keys in a group of radio buttons: focus and check move on.
void MoveInRadioGroup(HWND focus, bool forward);

/// The next message of the queue as GetMessage orders it, without waiting.
/// A nested modal loop passes deliverQuit = false: the quit request then
/// stays pending for the loop outside it.
std::optional<win::MSG> TakeNextMessage(HWND filterWindow, UINT filterMin, UINT filterMax,
                                        bool deliverQuit);
std::optional<uint64_t> NextTimerDue();
void ForgetTimersOf(HWND window);

FrontEnd& DefaultTerminalFrontEnd();
/// The front end this process runs with when no test installs one.
FrontEnd& ChooseFrontEnd();
void SetPlatformFrontEnd(FrontEnd& frontEnd);

void CloseAllMutexes();

}  // namespace winmodel::detail

#endif  // KORVAN_WINMODEL_MODEL_STATE_H
