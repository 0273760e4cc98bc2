// The front end that tests drive the model with: a user who follows a script
// of steps, and a clock that moves only when a step says so.
#ifndef KORVAN_WINMODEL_SCRIPTED_FRONT_END_H
#define KORVAN_WINMODEL_SCRIPTED_FRONT_END_H

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "winmodel/model.h"

namespace winmodel {

/// Installs itself on construction and puts the terminal front end back on
/// destruction; both reset the model, so each test starts afresh.
class ScriptedFrontEnd : public FrontEnd {
  public:
    ScriptedFrontEnd();
    ~ScriptedFrontEnd() override;
    ScriptedFrontEnd(const ScriptedFrontEnd&) = delete;
    ScriptedFrontEnd& operator=(const ScriptedFrontEnd&) = delete;

    /// Queues a user action. Each step runs when the program's innermost
    /// loop waits for input; once none is left, the run ends with a quit
    /// request of NoInputExitCode().
    void Then(std::function<void()> step);

    /// Inside a step: moves the virtual clock on by `ms`. Every timer falling
    /// due on the way fires in order, each handled by the running loop, before
    /// the next step runs (not before this call returns), so a 10000 ms
    /// advance fires a 5000 ms timer twice.
    void AdvanceTime(uint64_t ms);

    /// true: every message box answers IDOK at once (ShownBoxes still records
    /// it). false: a box stays open, running its loop, until a step calls
    /// AnswerBox.
    bool answerBoxesAtOnce = true;
    /// What HasDisplay() answers, and so whether CreateDCA("DISPLAY") works.
    bool hasDisplay = false;

    size_t StepsLeft() const { return steps_.size(); }

    uint64_t NowMs() override { return now_; }
    bool WaitForInput(std::optional<uint64_t> deadlineMs) override;
    std::optional<int> OnMessageBox(HWND box) override;
    bool HasDisplay() const override { return hasDisplay; }

  private:
    std::deque<std::function<void()>> steps_;
    uint64_t now_ = 0;
    uint64_t advanceTarget_ = 0;  // where the clock is going; ahead of now_ while it moves
};

}  // namespace winmodel

#endif  // KORVAN_WINMODEL_SCRIPTED_FRONT_END_H
