// Sent and queued messages, the quit request, timers on the virtual clock and
// the nested loops of message boxes.
#include <string>

#include "tests/winmodel/case_name.h"
#include "tests/winmodel/test_dialog.h"

namespace testdialog {
namespace {

using namespace win;

constexpr UINT kPrivateMessage = WM_USER + 77;

class MessageLoopTest : public DialogTest {
  protected:
    MessageLoopTest() { Open(); }
};

TEST_F(MessageLoopTest, SentPaintRunsTheHandlerBeforeSendMessageReturns) {
    bool painted = false;
    spy.handler = [&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_PAINT) return std::nullopt;
        PAINTSTRUCT paint{};
        EXPECT_NE(BeginPaint(window, &paint), nullptr);
        EndPaint(window, &paint);
        painted = true;
        return 0;
    };

    SendMessage(dialog, WM_PAINT, 0, 0);

    EXPECT_TRUE(painted);
}

TEST_F(MessageLoopTest, SendingToAnInvalidWindowReturnsZero) {
    const HWND edit = Item(kEditId);
    DestroyWindow(dialog);
    EXPECT_EQ(SendMessage(edit, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(SendMessage(nullptr, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(PostMessage(edit, kPrivateMessage, 0, 0));
}

TEST_F(MessageLoopTest, PostedMessagesComeFirstThenQuitThenPaintThenTimers) {
    SetTimer(dialog, 9, 100, nullptr);
    frontEnd.Then([&] { frontEnd.AdvanceTime(100); });
    // The dialog was shown on creation, so it already waits for its paint.
    PostMessage(dialog, kPrivateMessage, 1, 2);
    PostQuitMessage(7);

    MSG message{};
    EXPECT_TRUE(GetMessage(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, kPrivateMessage);
    EXPECT_EQ(message.wParam, 1u);
    EXPECT_FALSE(GetMessage(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_TRUE(GetMessage(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, WM_PAINT);
    EXPECT_EQ(message.hwnd, dialog);
    DispatchMessage(&message);
    EXPECT_TRUE(GetMessage(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, WM_TIMER);
    EXPECT_EQ(message.wParam, 9u);
    EXPECT_EQ(message.time, 100u);
}

TEST_F(MessageLoopTest, UncoveredWindowIsPaintedOnceBeforeWaitingForInput) {
    RunLoop();  // paints the newly shown dialog, then runs out of input
    spy.messages.clear();
    frontEnd.Then([&] { winmodel::Uncover(dialog); });

    EXPECT_EQ(RunLoop(), frontEnd.NoInputExitCode());

    EXPECT_EQ(spy.Of(WM_PAINT).size(), 1u);
}

TEST_F(MessageLoopTest, TimersFireInDueOrderOncePerPeriodAcrossAnAdvance) {
    std::vector<std::pair<WPARAM, DWORD>> fired;
    spy.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_TIMER) fired.emplace_back(wParam, static_cast<DWORD>(frontEnd.NowMs()));
        return std::nullopt;
    };
    EXPECT_EQ(SetTimer(dialog, 5, 5000, nullptr), 5u);
    EXPECT_EQ(SetTimer(dialog, 3, 3000, nullptr), 3u);
    frontEnd.Then([&] { frontEnd.AdvanceTime(10000); });

    RunLoop();

    EXPECT_EQ(fired, (std::vector<std::pair<WPARAM, DWORD>>{
                         {3, 3000}, {5, 5000}, {3, 6000}, {3, 9000}, {5, 10000}}));
}

TEST_F(MessageLoopTest, TimerIsReplacedByItsIdAndStopsWhenKilled) {
    int ticks = 0;
    spy.handler = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_TIMER) ++ticks;
        return std::nullopt;
    };
    SetTimer(dialog, 1, 1000, nullptr);
    SetTimer(dialog, 1, 4000, nullptr);
    ASSERT_EQ(winmodel::RunningTimers().size(), 1u);
    EXPECT_EQ(winmodel::RunningTimers()[0].periodMs, 4000u);

    frontEnd.Then([&] { frontEnd.AdvanceTime(8000); });
    frontEnd.Then([&] {
        EXPECT_EQ(ticks, 2);
        EXPECT_TRUE(KillTimer(dialog, 1));
        frontEnd.AdvanceTime(8000);
    });
    RunLoop();

    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(KillTimer(dialog, 1));
    EXPECT_TRUE(winmodel::RunningTimers().empty());
}

HWND g_procWindow = nullptr;
DWORD g_procTime = 0;
int g_procCalls = 0;

void NeverCalledTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    ADD_FAILURE() << "called";
}

void RecordingTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time) {
    EXPECT_EQ(message, WM_TIMER);
    EXPECT_EQ(id, 4u);
    g_procWindow = window;
    g_procTime = time;
    ++g_procCalls;
}

TEST_F(MessageLoopTest, TimerWithAProcedureCallsItInsteadOfTheWindow) {
    g_procCalls = 0;
    SetTimer(dialog, 4, 250, &RecordingTimerProc);
    frontEnd.Then([&] { frontEnd.AdvanceTime(250); });
    // A posted imitation must not reach a procedure no timer registered.
    PostMessage(dialog, WM_TIMER, 4, reinterpret_cast<LPARAM>(&NeverCalledTimerProc));

    RunLoop();

    EXPECT_EQ(g_procCalls, 1);
    EXPECT_EQ(g_procWindow, dialog);
    EXPECT_EQ(g_procTime, 250u);
    EXPECT_TRUE(spy.Of(WM_TIMER).empty());
}

class MessageBoxLoopTest : public MessageLoopTest {
  protected:
    MessageBoxLoopTest() {
        frontEnd.answerBoxesAtOnce = false;
        // Apply shows a box; its answer is kept once the box returns.
        spy.handler = [this](HWND window, UINT message, WPARAM wParam,
                             LPARAM) -> std::optional<LRESULT> {
            if (message == WM_TIMER) ++ticks;
            if (message == WM_COMMAND && wParam == MAKEWPARAM(kApplyId, BN_CLICKED)) {
                if (quitBeforeBox) PostQuitMessage(3);
                answer = MessageBox(window, "Clocks applied.", "Korvan", MB_ICONINFORMATION);
            }
            return std::nullopt;
        };
    }

    int ticks = 0;
    bool quitBeforeBox = false;
    std::optional<int> answer;
};

TEST_F(MessageBoxLoopTest, TimerKeepsFiringInsideTheBoxLoopUntilTheBoxIsAnswered) {
    SetTimer(dialog, 1, 5000, nullptr);
    HWND box = nullptr;
    frontEnd.Then([&] { winmodel::Click(Item(kApplyId)); });
    frontEnd.Then([&] {
        box = winmodel::OpenMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(IsWindowEnabled(dialog));
        frontEnd.AdvanceTime(5000);
    });
    frontEnd.Then([&] {
        EXPECT_EQ(ticks, 1);
        EXPECT_EQ(winmodel::OpenMessageBox(), box);
        EXPECT_FALSE(answer.has_value());
        winmodel::AnswerBox(box);
    });
    frontEnd.Then([&] {
        EXPECT_EQ(answer, IDOK);
        EXPECT_EQ(winmodel::OpenMessageBox(), nullptr);
        EXPECT_FALSE(IsWindow(box));
        EXPECT_TRUE(IsWindowEnabled(dialog));
    });

    EXPECT_EQ(RunLoop(), frontEnd.NoInputExitCode());

    EXPECT_EQ(frontEnd.StepsLeft(), 0u);
    ASSERT_EQ(winmodel::ShownBoxes().size(), 1u);
    const winmodel::BoxRecord& record = winmodel::ShownBoxes()[0];
    EXPECT_EQ(record.owner, dialog);
    EXPECT_EQ(record.text, "Clocks applied.");
    EXPECT_EQ(record.caption, "Korvan");
    EXPECT_EQ(record.type, MB_ICONINFORMATION);
}

TEST_F(MessageBoxLoopTest, BoxShownWhileAQuitIsPendingStillWaitsAndTheQuitEndsTheOuterLoop) {
    quitBeforeBox = true;
    bool boxWaited = false;
    frontEnd.Then([&] { winmodel::Click(Item(kApplyId)); });
    frontEnd.Then([&] {
        boxWaited = winmodel::OpenMessageBox() != nullptr;
        winmodel::AnswerBox(winmodel::OpenMessageBox());
    });
    frontEnd.Then([] { ADD_FAILURE() << "the outer loop waited despite the quit request"; });

    EXPECT_EQ(RunLoop(), 3);

    EXPECT_TRUE(boxWaited);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(frontEnd.StepsLeft(), 1u);
}

struct BoxKeyCase : NamedCase<BoxKeyCase> {
    WPARAM key;
};

class MessageBoxKeyTest : public MessageBoxLoopTest,
                          public ::testing::WithParamInterface<BoxKeyCase> {};

TEST_P(MessageBoxKeyTest, KeyOnTheBoxAnswersOk) {
    frontEnd.Then([&] { winmodel::Click(Item(kApplyId)); });
    frontEnd.Then([&] { winmodel::PressKey(winmodel::OpenMessageBox(), GetParam().key); });
    frontEnd.Then([&] { EXPECT_EQ(answer, IDOK); });

    RunLoop();

    EXPECT_EQ(frontEnd.StepsLeft(), 0u);
    EXPECT_EQ(answer, IDOK);
}

INSTANTIATE_TEST_SUITE_P(Keys, MessageBoxKeyTest,
                         ::testing::Values(BoxKeyCase{"Enter", VK_RETURN},
                                           BoxKeyCase{"Escape", VK_ESCAPE}),
                         CaseName());

TEST_F(MessageBoxLoopTest, BoxWithNoInputToComeClosesWithOk) {
    frontEnd.Then([&] { winmodel::Click(Item(kApplyId)); });

    EXPECT_EQ(RunLoop(), frontEnd.NoInputExitCode());

    EXPECT_EQ(answer, IDOK);
    EXPECT_TRUE(IsWindowEnabled(dialog));
}

TEST_F(MessageLoopTest, BoxAnsweredAtOnceIsRecordedWithTheApplicationNameForCaption) {
    winmodel::SetModuleFileNameForTest("/opt/tools/korvan.exe");

    EXPECT_EQ(MessageBox(Item(kEditId), "Done", nullptr, MB_OK), IDOK);

    ASSERT_EQ(winmodel::ShownBoxes().size(), 1u);
    EXPECT_EQ(winmodel::ShownBoxes()[0].caption, "korvan");
    // The box belongs to the control's top-level window.
    EXPECT_EQ(winmodel::ShownBoxes()[0].owner, dialog);
    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_EQ(winmodel::TopLevelWindows(), std::vector<HWND>{dialog});
}

}  // namespace
}  // namespace testdialog
