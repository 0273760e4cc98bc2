// The message queue, the quit request and timers.
#include <algorithm>

#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

// The platform's floor for a timer's period; it also keeps a zero period from
// firing again and again at one virtual moment.
constexpr UINT kMinimumTimerPeriodMs = 10;
constexpr UINT kMaximumTimerPeriodMs = 0x7FFFFFFF;

bool Matches(HWND window, UINT message, HWND filterWindow, UINT filterMin, UINT filterMax) {
    const bool windowMatches =
        filterWindow == nullptr || window == filterWindow || IsDescendant(filterWindow, window);
    const bool rangeMatches =
        (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
    return windowMatches && rangeMatches;
}

std::vector<Timer>::iterator FindTimer(HWND window, uintptr_t id) {
    auto& timers = State().timers;
    return std::find_if(timers.begin(), timers.end(), [&](const Timer& timer) {
        return timer.window == window && timer.id == id;
    });
}

}  // namespace

std::optional<win::MSG> TakeNextMessage(HWND filterWindow, UINT filterMin, UINT filterMax,
                                        bool deliverQuit) {
    Model& model = State();
    FrontEnd& frontEnd = CurrentFrontEnd();
    const auto time = [&frontEnd] { return static_cast<DWORD>(frontEnd.NowMs()); };

    for (auto message = model.posted.begin(); message != model.posted.end(); ++message) {
        if (Matches(message->hwnd, message->message, filterWindow, filterMin, filterMax)) {
            win::MSG taken = *message;
            model.posted.erase(message);
            taken.time = time();
            return taken;
        }
    }
    if (deliverQuit && model.pendingQuit) {
        const int exitCode = *model.pendingQuit;
        model.pendingQuit.reset();
        return win::MSG{nullptr, win::WM_QUIT, static_cast<WPARAM>(exitCode), 0, time()};
    }
    for (const auto& [key, window] : model.windows) {
        if (window->needsPaint && IsShownWithParents(window->handle) &&
            Matches(window->handle, win::WM_PAINT, filterWindow, filterMin, filterMax)) {
            // BeginPaint clears the mark too; dropping it here as well means a
            // handler that forgets to validate cannot starve every other input.
            window->needsPaint = false;
            return win::MSG{window->handle, win::WM_PAINT, 0, 0, time()};
        }
    }
    const uint64_t now = frontEnd.NowMs();
    Timer* due = nullptr;
    for (Timer& timer : model.timers) {
        if (timer.dueMs > now ||
            !Matches(timer.window, win::WM_TIMER, filterWindow, filterMin, filterMax)) {
            continue;
        }
        if (due == nullptr || timer.dueMs < due->dueMs ||
            (timer.dueMs == due->dueMs && timer.sequence < due->sequence)) {
            due = &timer;
        }
    }
    if (due == nullptr) return std::nullopt;
    due->dueMs = now + due->periodMs;
    return win::MSG{due->window, win::WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc),
                    static_cast<DWORD>(now)};
}

std::optional<uint64_t> NextTimerDue() {
    std::optional<uint64_t> next;
    for (const Timer& timer : State().timers) {
        if (!next || timer.dueMs < *next) next = timer.dueMs;
    }
    return next;
}

void ForgetTimersOf(HWND window) {
    std::erase_if(State().timers, [window](const Timer& timer) { return timer.window == window; });
}

}  // namespace winmodel::detail

namespace win {

using winmodel::detail::Find;
using winmodel::detail::State;

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A null window posts to the thread itself, as on the platform.
    if (window != nullptr && Find(window) == nullptr) {
        winmodel::detail::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    State().posted.push_back(MSG{window, message, wParam, lParam, 0});
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    State().pendingQuit = exitCode;
}

BOOL GetMessage(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
    if (message == nullptr) return -1;
    for (;;) {
        if (auto next = winmodel::detail::TakeNextMessage(window, filterMin, filterMax, true)) {
            *message = *next;
            return message->message == WM_QUIT ? FALSE : TRUE;
        }
        winmodel::FrontEnd& frontEnd = winmodel::CurrentFrontEnd();
        if (!frontEnd.WaitForInput(winmodel::detail::NextTimerDue())) {
            PostQuitMessage(frontEnd.NoInputExitCode());
        }
    }
}

LRESULT DispatchMessage(const MSG* message) {
    if (message == nullptr) return 0;
    if (message->message == WM_TIMER && message->lParam != 0) {
        // Only a procedure that a running timer registered is called: a
        // posted WM_TIMER must not make the model jump to any address.
        const auto& timers = State().timers;
        const bool registered =
            std::any_of(timers.begin(), timers.end(), [message](const auto& timer) {
                return timer.window == message->hwnd && timer.id == message->wParam &&
                       reinterpret_cast<LPARAM>(timer.proc) == message->lParam;
            });
        if (registered) {
            reinterpret_cast<TIMERPROC>(message->lParam)(message->hwnd, WM_TIMER, message->wParam,
                                                         message->time);
        }
        return 0;
    }
    return SendMessage(message->hwnd, message->message, message->wParam, message->lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapseMs, TIMERPROC timerProc) {
    using winmodel::detail::Timer;
    if (window != nullptr && Find(window) == nullptr) {
        winmodel::detail::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto& model = State();
    auto existing = winmodel::detail::FindTimer(window, id);
    // A timer without a window gets an id of its own unless it replaces one.
    if (window == nullptr && existing == model.timers.end()) {
        id = winmodel::detail::NewHandleValue();
    }
    const UINT period = std::clamp(elapseMs, winmodel::detail::kMinimumTimerPeriodMs,
                                   winmodel::detail::kMaximumTimerPeriodMs);
    const Timer timer{window,    id,
                      period,    winmodel::CurrentFrontEnd().NowMs() + period,
                      timerProc, model.timerSequence++};
    if (existing != model.timers.end()) {
        *existing = timer;
    } else {
        model.timers.push_back(timer);
    }
    // Success is a nonzero value, even for a window's timer of id 0.
    return id != 0 ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    auto& timers = State().timers;
    const auto found = winmodel::detail::FindTimer(window, id);
    if (found == timers.end()) return FALSE;
    timers.erase(found);
    return TRUE;
}

}  // namespace win

namespace winmodel {

std::vector<TimerRecord> RunningTimers() {
    std::vector<TimerRecord> records;
    for (const detail::Timer& timer : detail::State().timers) {
        records.push_back({timer.window, timer.id, timer.periodMs});
    }
    return records;
}

}  // namespace winmodel
