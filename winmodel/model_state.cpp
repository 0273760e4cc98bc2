#include "winmodel/model_state.h"

#include <algorithm>
#include <cstring>

namespace winmodel {
namespace detail {
namespace {

thread_local DWORD t_lastError = win::ERROR_SUCCESS;

FrontEnd* g_installedFrontEnd = nullptr;
FrontEnd* g_platformFrontEnd = nullptr;

}  // namespace

Model& State() {
    static Model model;
    return model;
}

uintptr_t NewHandleValue() {
    // Never reset, not even by ResetForTest: a handle kept from an earlier
    // test must not name a window of the next one. Steps of 4 keep the values
    // looking like aligned addresses to anyone printing them.
    static uintptr_t next = 0x1000;
    next += 4;
    return next;
}

void SetLastError(DWORD error) {
    t_lastError = error;
}

Window* Find(HWND handle) {
    auto& windows = State().windows;
    const auto found = windows.find(KeyOf(handle));
    return found == windows.end() ? nullptr : found->second.get();
}

void NotifyChanged(HWND window) {
    CurrentFrontEnd().OnWindowChanged(window);
}

HWND RootOf(HWND window) {
    Window* current = Find(window);
    while (current != nullptr && current->parent != nullptr) {
        Window* parent = Find(current->parent);
        if (parent == nullptr) break;
        current = parent;
    }
    return current == nullptr ? nullptr : current->handle;
}

bool IsDescendant(HWND ancestor, HWND window) {
    const Window* current = Find(window);
    while (current != nullptr && current->parent != nullptr) {
        if (current->parent == ancestor) return true;
        current = Find(current->parent);
    }
    return false;
}

bool IsNavigable(const Window& window) {
    return (window.style & win::WS_VISIBLE) != 0 && (window.style & win::WS_DISABLED) == 0;
}

bool IsShownWithParents(HWND window) {
    const Window* current = Find(window);
    if (current == nullptr) return false;
    for (; current != nullptr; current = Find(current->parent)) {
        if ((current->style & win::WS_VISIBLE) == 0 || current->destroying) return false;
    }
    return true;
}

bool AcceptsInput(HWND window) {
    const Window* current = Find(window);
    if (current == nullptr) return false;
    for (; current != nullptr; current = Find(current->parent)) {
        if (current->destroying || !IsNavigable(*current)) return false;
    }
    return true;
}

void MoveFocus(HWND window) {
    const HWND previous = State().focus;
    if (previous == window) return;
    State().focus = window;
    if (Find(previous) != nullptr) NotifyChanged(previous);
    if (Find(window) != nullptr) NotifyChanged(window);
}

HWND FirstTabStop(HWND dialog) {
    const Window* parent = Find(dialog);
    if (parent == nullptr) return nullptr;
    for (HWND child : parent->children) {
        const Window* control = Find(child);
        if (control != nullptr && (control->style & win::WS_TABSTOP) && IsNavigable(*control)) {
            return child;
        }
    }
    return nullptr;
}

void NotifyParent(HWND control, UINT code) {
    const Window* window = Find(control);
    if (window == nullptr || window->parent == nullptr) return;
    win::SendMessage(
        window->parent, win::WM_COMMAND,
        win::MAKEWPARAM(static_cast<win::WORD>(window->controlId), static_cast<win::WORD>(code)),
        reinterpret_cast<LPARAM>(control));
}

size_t CopyText(const std::string& text, char* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0) return 0;
    const size_t count = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

int ClampBetween(int value, int bound1, int bound2) {
    return std::clamp(value, std::min(bound1, bound2), std::max(bound1, bound2));
}

void SetPlatformFrontEnd(FrontEnd& frontEnd) {
    g_platformFrontEnd = &frontEnd;
}

}  // namespace detail

void SetFrontEnd(FrontEnd* frontEnd) {
    detail::g_installedFrontEnd = frontEnd;
}

FrontEnd& CurrentFrontEnd() {
    if (detail::g_installedFrontEnd != nullptr) return *detail::g_installedFrontEnd;
    if (detail::g_platformFrontEnd != nullptr) return *detail::g_platformFrontEnd;
    return detail::DefaultTerminalFrontEnd();
}

void ResetForTest() {
    detail::CloseAllMutexes();
    detail::State() = detail::Model{};
    detail::SetLastError(win::ERROR_SUCCESS);
}

}  // namespace winmodel

namespace win {

DWORD GetLastError() {
    return winmodel::detail::t_lastError;
}

}  // namespace win
