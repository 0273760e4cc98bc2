// The message queue and timers over the system's own.
#include <cstddef>
#include <map>
#include <utility>

#include "winnative/native.h"

namespace winnative {
namespace {

// The framework reads notifications through our structures: they must be the
// system's, field for field.
static_assert(sizeof(win::NMHDR) == sizeof(::NMHDR));
static_assert(offsetof(win::NMHDR, idFrom) == offsetof(::NMHDR, idFrom));
static_assert(offsetof(win::NMHDR, code) == offsetof(::NMHDR, code));
static_assert(sizeof(win::NMUPDOWN) == sizeof(::NMUPDOWN));
static_assert(offsetof(win::NMUPDOWN, iPos) == offsetof(::NMUPDOWN, iPos));
static_assert(offsetof(win::NMUPDOWN, iDelta) == offsetof(::NMUPDOWN, iDelta));
static_assert(sizeof(win::WPARAM) == sizeof(::WPARAM) && sizeof(win::LPARAM) == sizeof(::LPARAM));

// The last message GetMessage took, whole: IsDialogMessage and
// DispatchMessage get it back with the fields our MSG does not carry.
::MSG g_lastTaken{};

::MSG ToNative(const win::MSG& message) {
    if (Ours(g_lastTaken.hwnd) == message.hwnd && g_lastTaken.message == message.message &&
        g_lastTaken.wParam == message.wParam &&
        g_lastTaken.lParam == static_cast<::LPARAM>(message.lParam)) {
        return g_lastTaken;
    }
    ::MSG native{};
    native.hwnd = Native(message.hwnd);
    native.message = message.message;
    native.wParam = message.wParam;
    native.lParam = static_cast<::LPARAM>(message.lParam);
    native.time = message.time;
    const DWORD position = ::GetMessagePos();
    native.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return native;
}

// The system calls timer procedures with its own calling convention; ours are
// plain functions, so one procedure of the system's kind calls them.
std::map<std::pair<::HWND, UINT_PTR>, win::TIMERPROC>& TimerProcedures() {
    static std::map<std::pair<::HWND, UINT_PTR>, win::TIMERPROC> procedures;
    return procedures;
}

void CALLBACK CallTimerProcedure(::HWND window, UINT message, UINT_PTR id, DWORD time) {
    const auto& procedures = TimerProcedures();
    const auto found = procedures.find({window, id});
    if (found != procedures.end()) found->second(Ours(window), message, id, time);
}

}  // namespace
}  // namespace winnative

namespace win {

using winnative::Native;
using winnative::Ours;

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Native(window), message, wParam, static_cast<::LPARAM>(lParam));
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(Native(window), message, wParam, static_cast<::LPARAM>(lParam));
}

void PostQuitMessage(int exitCode) {
    ::PostQuitMessage(exitCode);
}

BOOL GetMessage(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    if (message == nullptr) return -1;
    ::MSG native{};
    const BOOL result = ::GetMessageA(&native, Native(window), filterMin, filterMax);
    if (result == -1) return -1;
    winnative::g_lastTaken = native;
    *message = MSG{Ours(native.hwnd), native.message, native.wParam,
                   static_cast<LPARAM>(native.lParam), native.time};
    return result;
}

LRESULT DispatchMessage(const MSG* message) {
    if (message == nullptr) return 0;
    const ::MSG native = winnative::ToNative(*message);
    return ::DispatchMessageA(&native);
}

BOOL IsDialogMessage(HWND dialog, MSG* message) {
    if (message == nullptr) return 0;
    ::MSG native = winnative::ToNative(*message);
    // F1 alone asks the dialog for the framework's standard Help command, as
    // the framework's accelerator does; the system alone would send WM_HELP.
    const bool modified =
        ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0;
    if (native.message == WM_KEYDOWN && native.wParam == VK_F1 && !modified &&
        (native.hwnd == Native(dialog) || ::IsChild(Native(dialog), native.hwnd))) {
        ::SendMessageA(Native(dialog), WM_COMMAND, MAKEWPARAM(win::ID_HELP, 0), 0);
        return 1;
    }
    return ::IsDialogMessageA(Native(dialog), &native);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC timerProc) {
    const UINT_PTR timer =
        ::SetTimer(Native(window), id, elapseMs,
                   timerProc != nullptr ? &winnative::CallTimerProcedure : nullptr);
    if (timer == 0) return 0;
    // A timer without a window is known by the id the system gave it.
    const std::pair<::HWND, UINT_PTR> key{Native(window), window != nullptr ? id : timer};
    if (timerProc != nullptr) {
        winnative::TimerProcedures()[key] = timerProc;
    } else {
        winnative::TimerProcedures().erase(key);
    }
    return timer;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    winnative::TimerProcedures().erase({Native(window), id});
    return ::KillTimer(Native(window), id);
}

}  // namespace win
