// Windows, painting, message boxes, menus and resources over the system's own.
// Resources come from the executable's compiled resource section.
#include <map>
#include <vector>

#include "winnative/native.h"

namespace winnative {
namespace {

// Our PAINTSTRUCT carries only the device context; EndPaint needs the rest.
std::map<::HWND, std::vector<::PAINTSTRUCT>>& PaintsInProgress() {
    static std::map<::HWND, std::vector<::PAINTSTRUCT>> paints;
    return paints;
}

}  // namespace
}  // namespace winnative

namespace win {

using winnative::Handle;
using winnative::Native;
using winnative::Ours;

BOOL DestroyWindow(HWND window) {
    return ::DestroyWindow(Native(window));
}

BOOL IsWindow(HWND window) {
    return ::IsWindow(Native(window));
}

BOOL ShowWindow(HWND window, int command) {
    return ::ShowWindow(Native(window), command);
}

HWND GetDlgItem(HWND dialog, int id) {
    return Ours(::GetDlgItem(Native(dialog), id));
}

int GetDlgCtrlID(HWND window) {
    return ::GetDlgCtrlID(Native(window));
}

HWND GetParent(HWND window) {
    return Ours(::GetParent(Native(window)));
}

HWND GetDesktopWindow() {
    return Ours(::GetDesktopWindow());
}

BOOL EnableWindow(HWND window, BOOL enable) {
    return ::EnableWindow(Native(window), enable);
}

BOOL IsWindowEnabled(HWND window) {
    return ::IsWindowEnabled(Native(window));
}

BOOL IsIconic(HWND window) {
    return ::IsIconic(Native(window));
}

int GetWindowText(HWND window, char* buffer, int bufferSize) {
    return ::GetWindowTextA(Native(window), buffer, bufferSize);
}

int GetWindowTextLength(HWND window) {
    return ::GetWindowTextLengthA(Native(window));
}

BOOL SetWindowText(HWND window, const char* text) {
    return ::SetWindowTextA(Native(window), text);
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    ::PAINTSTRUCT native{};
    const ::HDC dc = ::BeginPaint(Native(window), &native);
    winnative::PaintsInProgress()[Native(window)].push_back(native);
    if (paint != nullptr) paint->hdc = Handle<HDC>(dc);
    return Handle<HDC>(dc);
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
    auto& paints = winnative::PaintsInProgress();
    const auto found = paints.find(Native(window));
    if (found == paints.end() || found->second.empty()) return 0;
    const ::PAINTSTRUCT native = found->second.back();
    found->second.pop_back();
    if (found->second.empty()) paints.erase(found);
    return ::EndPaint(Native(window), &native);
}

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    // The system's box returns at once, unseen, while a quit request is
    // pending. A box shown after the batch has asked to quit must still wait
    // for its OK, so the request waits outside the box instead.
    ::MSG quit{};
    const bool quitPending = ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    const int answer = ::MessageBoxA(Native(owner), text, caption, type);
    if (quitPending) ::PostQuitMessage(static_cast<int>(quit.wParam));
    return answer;
}

HMENU GetSystemMenu(HWND window, BOOL revert) {
    return Handle<HMENU>(::GetSystemMenu(Native(window), revert));
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const char* text) {
    return ::AppendMenuA(Handle<::HMENU>(menu), flags, id, text);
}

int LoadString(HINSTANCE instance, UINT id, char* buffer, int bufferSize) {
    return ::LoadStringA(Handle<::HINSTANCE>(instance), id, buffer, bufferSize);
}

HICON LoadIcon(HINSTANCE instance, int id) {
    return Handle<HICON>(::LoadIconA(Handle<::HINSTANCE>(instance), MAKEINTRESOURCEA(id)));
}

HINSTANCE GetModuleHandle() {
    return Handle<HINSTANCE>(::GetModuleHandleA(nullptr));
}

}  // namespace win
