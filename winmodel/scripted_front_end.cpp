#include "winmodel/scripted_front_end.h"

#include <algorithm>
#include <utility>

namespace winmodel {

ScriptedFrontEnd::ScriptedFrontEnd() {
    SetFrontEnd(this);
    ResetForTest();
}

ScriptedFrontEnd::~ScriptedFrontEnd() {
    ResetForTest();
    SetFrontEnd(nullptr);
}

void ScriptedFrontEnd::Then(std::function<void()> step) {
    steps_.push_back(std::move(step));
}

void ScriptedFrontEnd::AdvanceTime(uint64_t ms) {
    advanceTarget_ = std::max(advanceTarget_, now_) + ms;
}

bool ScriptedFrontEnd::WaitForInput(std::optional<uint64_t> deadlineMs) {
    if (advanceTarget_ > now_) {
        // Stop at each timer on the way so that the loop handles it before
        // the clock goes further.
        if (deadlineMs && *deadlineMs > now_ && *deadlineMs <= advanceTarget_) {
            now_ = *deadlineMs;
            return true;
        }
        now_ = advanceTarget_;
    }
    if (steps_.empty()) return false;
    // Taken off the queue first: the step may run a nested loop that takes
    // the steps after it.
    std::function<void()> step = std::move(steps_.front());
    steps_.pop_front();
    step();
    return true;
}

std::optional<int> ScriptedFrontEnd::OnMessageBox(HWND) {
    if (answerBoxesAtOnce) return win::IDOK;
    return std::nullopt;
}

}  // namespace winmodel
