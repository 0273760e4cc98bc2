// Windows themselves: creation, destruction, the default procedure and the
// calls that read or change a window's text, state and painting.
#include <strings.h>

#include <algorithm>
#include <array>
#include <utility>

#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

WindowKind KindOfClass(const std::string& className) {
    struct ClassKind {
        const char* name;
        WindowKind kind;
    };
    static constexpr std::array<ClassKind, 7> kClasses{{
        {kDialogClass, WindowKind::Dialog},
        {win::kButtonClass, WindowKind::Button},
        {win::kEditClass, WindowKind::Edit},
        {win::kComboBoxClass, WindowKind::ComboBox},
        {win::kStaticClass, WindowKind::Static},
        {win::kUpDownClass, WindowKind::UpDown},
        {win::kTrackbarClass, WindowKind::Trackbar},
    }};
    // Class names compare without regard to case, as the platform's do.
    for (const ClassKind& entry : kClasses) {
        if (strcasecmp(entry.name, className.c_str()) == 0) return entry.kind;
    }
    return WindowKind::Generic;
}

// The window and everything below it, parents before their children.
std::vector<HWND> SubtreeOf(HWND root) {
    std::vector<HWND> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        const Window* window = Find(tree[i]);
        if (window == nullptr) continue;
        tree.insert(tree.begin() + static_cast<std::ptrdiff_t>(i) + 1, window->children.begin(),
                    window->children.end());
    }
    return tree;
}

std::vector<HWND> WindowsOwnedBy(HWND owner) {
    std::vector<HWND> owned;
    for (const auto& [key, window] : State().windows) {
        if (window->owner == owner && !window->destroying) owned.push_back(window->handle);
    }
    return owned;
}

// Drops one window whose children are already gone.
void Forget(HWND handle) {
    Model& model = State();
    const Window* window = Find(handle);
    if (window == nullptr) return;
    Window* parent = Find(window->parent);
    if (parent != nullptr) {
        std::erase(parent->children, handle);
        NotifyChanged(parent->handle);
    }
    if (model.focus == handle) {
        MoveFocus(parent != nullptr && !parent->destroying ? parent->handle : nullptr);
    }
    ForgetTimersOf(handle);
    std::erase_if(model.posted,
                  [handle](const win::MSG& message) { return message.hwnd == handle; });
    CurrentFrontEnd().OnWindowDestroyed(handle);
    model.windows.erase(KeyOf(handle));
}

}  // namespace

std::vector<MenuItem> DefaultSystemMenu() {
    return {{win::MF_STRING, win::SC_MOVE, "&Move"}, {win::MF_STRING, win::SC_CLOSE, "&Close"}};
}

HWND CreateWindowRecord(const NewWindow& description) {
    auto window = std::make_unique<Window>();
    const HWND handle = NewHandle<HWND>();
    window->handle = handle;
    window->className = description.className != nullptr ? description.className : "";
    window->kind = description.boxRecord ? WindowKind::MessageBox : KindOfClass(window->className);
    window->boxRecord = description.boxRecord;
    window->style = description.style;
    window->text = description.text != nullptr ? description.text : "";
    window->controlId = description.controlId;
    Window* parent = Find(description.parent);
    window->parent = parent != nullptr ? description.parent : nullptr;
    window->owner = parent != nullptr ? nullptr : RootOf(description.owner);
    window->templateRect = description.rect;
    window->imageId = description.imageId;
    window->proc = description.proc != nullptr ? description.proc : ClassProcedure(window->kind);
    // Controls are drawn with their dialog; only a top-level window waits for
    // a WM_PAINT of its own.
    window->needsPaint = parent == nullptr && (description.style & win::WS_VISIBLE) != 0;
    if (parent == nullptr && (description.style & win::WS_SYSMENU)) {
        window->systemMenuItems = DefaultSystemMenu();
    }
    if (parent != nullptr) parent->children.push_back(handle);
    State().windows.emplace(KeyOf(handle), std::move(window));
    CurrentFrontEnd().OnWindowCreated(handle);
    return handle;
}

}  // namespace winmodel::detail

namespace win {

using winmodel::detail::Find;
using winmodel::detail::NotifyChanged;
using winmodel::detail::Window;

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Window* target = Find(window);
    if (target == nullptr) return 0;
    const WNDPROC proc = target->proc != nullptr ? target->proc : &DefWindowProc;
    return proc(window, message, wParam, lParam);
}

LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* target = Find(window);
    if (target == nullptr) return 0;
    switch (message) {
        case WM_SETTEXT:
            target->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
            NotifyChanged(window);
            return TRUE;
        case WM_GETTEXT:
            return static_cast<LRESULT>(
                winmodel::detail::CopyText(target->text, reinterpret_cast<char*>(lParam), wParam));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(target->text.size());
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE:
                    SendMessage(window, WM_CLOSE, 0, 0);
                    break;
                case SC_MINIMIZE:
                    // The minimise box bit means something else on child windows.
                    if (target->parent == nullptr && (target->style & WS_MINIMIZEBOX)) {
                        target->iconic = true;
                        NotifyChanged(window);
                    }
                    break;
                case SC_RESTORE:
                    target->iconic = false;
                    NotifyChanged(window);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETICON: {
            HICON& slot = wParam == ICON_BIG ? target->bigIcon : target->smallIcon;
            const HICON previous = std::exchange(slot, reinterpret_cast<HICON>(lParam));
            NotifyChanged(window);
            return reinterpret_cast<LRESULT>(previous);
        }
        default:
            return 0;
    }
}

BOOL DestroyWindow(HWND window) {
    Window* target = Find(window);
    if (target == nullptr) {
        winmodel::detail::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // A handler of WM_DESTROY may destroy what is already on its way out.
    if (target->destroying) return TRUE;
    // Owned windows (a message box over a dialog) go before their owner.
    for (HWND owned : winmodel::detail::WindowsOwnedBy(window)) DestroyWindow(owned);

    const std::vector<HWND> tree = winmodel::detail::SubtreeOf(window);
    for (HWND member : tree) {
        if (Window* found = Find(member)) found->destroying = true;
    }
    for (HWND member : tree) SendMessage(member, WM_DESTROY, 0, 0);
    // The framework's teardown runs from WM_NCDESTROY, so it comes children
    // first and the window itself last, when nothing below it is left.
    for (auto member = tree.rbegin(); member != tree.rend(); ++member) {
        SendMessage(*member, WM_NCDESTROY, 0, 0);
        winmodel::detail::Forget(*member);
    }
    return TRUE;
}

BOOL IsWindow(HWND window) {
    return window == winmodel::detail::kDesktopWindow || Find(window) != nullptr;
}

HWND GetDesktopWindow() {
    return winmodel::detail::kDesktopWindow;
}

BOOL ShowWindow(HWND window, int command) {
    Window* target = Find(window);
    if (target == nullptr) return FALSE;
    const bool wasVisible = (target->style & WS_VISIBLE) != 0;
    if (command == SW_HIDE) {
        target->style &= ~WS_VISIBLE;
    } else {
        target->style |= WS_VISIBLE;
        if (!wasVisible) target->needsPaint = true;
    }
    if (wasVisible != ((target->style & WS_VISIBLE) != 0)) NotifyChanged(window);
    return wasVisible ? TRUE : FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
    const Window* parent = Find(dialog);
    if (parent == nullptr) return nullptr;
    for (HWND child : parent->children) {
        const Window* control = Find(child);
        if (control != nullptr && control->controlId == id) return child;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND window) {
    const Window* target = Find(window);
    return target != nullptr && target->parent != nullptr ? target->controlId : 0;
}

HWND GetParent(HWND window) {
    // As on the platform, a top-level window's "parent" is its owner.
    const Window* target = Find(window);
    if (target == nullptr) return nullptr;
    return target->parent != nullptr ? target->parent : target->owner;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    Window* target = Find(window);
    if (target == nullptr) return FALSE;
    const bool wasDisabled = (target->style & WS_DISABLED) != 0;
    if (wasDisabled == (enable == FALSE)) return wasDisabled ? TRUE : FALSE;
    if (enable) {
        target->style &= ~WS_DISABLED;
    } else {
        target->style |= WS_DISABLED;
    }
    NotifyChanged(window);
    SendMessage(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
    const Window* target = Find(window);
    return target != nullptr && (target->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL IsIconic(HWND window) {
    const Window* target = Find(window);
    return target != nullptr && target->iconic ? TRUE : FALSE;
}

int GetWindowText(HWND window, char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) return 0;
    buffer[0] = '\0';
    return static_cast<int>(SendMessage(window, WM_GETTEXT, static_cast<WPARAM>(bufferSize),
                                        reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND window) {
    return static_cast<int>(SendMessage(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowText(HWND window, const char* text) {
    if (Find(window) == nullptr) return FALSE;
    SendMessage(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
    return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    Window* target = Find(window);
    if (target == nullptr) return nullptr;
    target->needsPaint = false;
    const HDC dc = winmodel::detail::NewHandle<HDC>();
    winmodel::detail::State().deviceContexts.insert(winmodel::detail::KeyOf(dc));
    if (paint != nullptr) paint->hdc = dc;
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint == nullptr) return FALSE;
    return winmodel::detail::State().deviceContexts.erase(winmodel::detail::KeyOf(paint->hdc)) > 0
               ? TRUE
               : FALSE;
}

}  // namespace win

namespace winmodel {

void Uncover(HWND window) {
    if (detail::Window* target = detail::Find(window)) target->needsPaint = true;
}

}  // namespace winmodel
