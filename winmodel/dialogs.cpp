// The dialog manager: dialogs built from templates, their default procedure
// and the keyboard handling of IsDialogMessage.
#include <algorithm>

#include "framework/resources.h"
#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

using win::BN_CLICKED;
using win::MAKEWPARAM;
using win::WORD;

HWND NextTabStop(HWND dialog, HWND from) {
    const Window* parent = Find(dialog);
    if (parent == nullptr) return nullptr;
    const auto& children = parent->children;
    const auto at = std::find(children.begin(), children.end(), from);
    const size_t start =
        at == children.end() ? children.size() - 1 : static_cast<size_t>(at - children.begin());
    for (size_t step = 1; step <= children.size(); ++step) {
        const HWND candidate = children[(start + step) % children.size()];
        const Window* control = Find(candidate);
        if (control != nullptr && (control->style & win::WS_TABSTOP) && IsNavigable(*control)) {
            return candidate;
        }
    }
    return nullptr;
}

bool IsPushButton(const Window* window) {
    if (window == nullptr || window->kind != WindowKind::Button) return false;
    const DWORD type = window->style & win::BS_TYPEMASK;
    return type == win::BS_PUSHBUTTON || type == win::BS_DEFPUSHBUTTON;
}

void PressEnter(HWND dialog, HWND focus) {
    if (IsPushButton(Find(focus)) && IsDescendant(dialog, focus)) {
        PressButton(focus);
        return;
    }
    const LRESULT defId = win::SendMessage(dialog, win::DM_GETDEFID, 0, 0);
    // Without a default button Enter means OK, as on the platform.
    const int id = win::HIWORD(static_cast<uintptr_t>(defId)) == win::DC_HASDEFID
                       ? win::LOWORD(static_cast<uintptr_t>(defId))
                       : win::IDOK;
    const HWND button = win::GetDlgItem(dialog, id);
    if (button != nullptr && !AcceptsInput(button)) return;
    win::SendMessage(dialog, win::WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
}

void SendCancel(HWND dialog) {
    win::SendMessage(dialog, win::WM_COMMAND, MAKEWPARAM(win::IDCANCEL, BN_CLICKED), 0);
}

// Handles a key for the dialog; false when the key is not one it handles.
bool HandleDialogKey(HWND dialog, HWND focus, WPARAM key) {
    switch (key) {
        case win::VK_RETURN:
            PressEnter(dialog, focus);
            return true;
        case win::VK_ESCAPE:
            SendCancel(dialog);
            return true;
        case win::VK_F1:
            // The dialog asks for help with the framework's standard Help
            // command; the application decides what that shows.
            win::SendMessage(dialog, win::WM_COMMAND, MAKEWPARAM(win::ID_HELP, 0), 0);
            return true;
        case win::VK_TAB:
            if (const HWND next = NextTabStop(dialog, focus)) MoveFocus(next);
            return true;
        case win::VK_UP:
        case win::VK_LEFT:
        case win::VK_DOWN:
        case win::VK_RIGHT:
            if (!IsRadioButton(focus)) return false;
            MoveInRadioGroup(focus, key == win::VK_DOWN || key == win::VK_RIGHT);
            return true;
        default:
            return false;
    }
}

}  // namespace
}  // namespace winmodel::detail

namespace win {

using winmodel::detail::Find;
using winmodel::detail::Window;

HWND CreateDialogParam(HINSTANCE, int templateId, HWND owner, WNDPROC dialogProc,
                       LPARAM initParam) {
    const DialogTemplate* dialogTemplate = ProgramResources().FindDialog(templateId);
    if (dialogTemplate == nullptr) {
        winmodel::detail::SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // Shown, if the template says so, only once WM_INITDIALOG has set it up.
    const HWND dialog = winmodel::detail::CreateWindowRecord({
        winmodel::detail::kDialogClass,
        dialogTemplate->caption,
        dialogTemplate->style & ~WS_VISIBLE,
        0,
        nullptr,
        owner,
        {dialogTemplate->x, dialogTemplate->y, dialogTemplate->cx, dialogTemplate->cy},
        0,
        dialogProc != nullptr ? dialogProc : &DefDlgProc,
        std::nullopt,
    });
    for (const ControlTemplate& control : dialogTemplate->controls) {
        winmodel::detail::CreateWindowRecord({
            control.className,
            control.text,
            control.style | WS_CHILD,
            control.id,
            dialog,
            nullptr,
            {control.x, control.y, control.cx, control.cy},
            control.imageId,
            nullptr,
            std::nullopt,
        });
    }
    const LRESULT wantsFocus =
        SendMessage(dialog, WM_INITDIALOG,
                    reinterpret_cast<WPARAM>(winmodel::detail::FirstTabStop(dialog)), initParam);
    if (Find(dialog) == nullptr) return nullptr;
    if (wantsFocus != 0) {
        if (const HWND first = winmodel::detail::FirstTabStop(dialog)) {
            winmodel::detail::MoveFocus(first);
        }
    }
    if (dialogTemplate->style & WS_VISIBLE) ShowWindow(dialog, SW_SHOW);
    return dialog;
}

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const Window* window = Find(dialog);
    if (window == nullptr) return 0;
    switch (message) {
        case DM_GETDEFID:
            for (HWND child : window->children) {
                const Window* control = Find(child);
                if (control != nullptr && control->kind == winmodel::detail::WindowKind::Button &&
                    (control->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                    return static_cast<LRESULT>(
                        MAKEWPARAM(static_cast<WORD>(control->controlId), DC_HASDEFID));
                }
            }
            return 0;
        case WM_CLOSE:
            // Closing a dialog is cancelling it; the program decides what
            // that ends.
            winmodel::detail::SendCancel(dialog);
            return 0;
        default:
            return DefWindowProc(dialog, message, wParam, lParam);
    }
}

BOOL IsDialogMessage(HWND dialog, MSG* message) {
    if (message == nullptr || Find(dialog) == nullptr) return FALSE;
    if (message->hwnd != dialog && !winmodel::detail::IsDescendant(dialog, message->hwnd)) {
        return FALSE;
    }
    if (message->message == WM_KEYDOWN) {
        // A key queued before its window was disabled or hidden is lost.
        if (!winmodel::detail::AcceptsInput(message->hwnd)) return TRUE;
        if (winmodel::detail::HandleDialogKey(dialog, message->hwnd, message->wParam)) {
            return TRUE;
        }
    }
    DispatchMessage(message);
    return TRUE;
}

}  // namespace win
