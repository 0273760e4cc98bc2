// The terminal front end: message boxes printed, and a dialog that waits for a
// user who cannot come ends the run.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/winmodel/case_name.h"
#include "tests/winmodel/test_dialog.h"

namespace {

using namespace win;

// Whatever the process writes to one of its standard streams meanwhile.
class CapturedStream {
  public:
    explicit CapturedStream(std::FILE* stream) : stream_(stream), file_(std::tmpfile()) {
        std::fflush(stream_);
        saved_ = dup(fileno(stream_));
        if (file_ != nullptr) dup2(fileno(file_), fileno(stream_));
    }
    ~CapturedStream() {
        Restore();
        if (file_ != nullptr) std::fclose(file_);
    }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    std::string Take() {
        Restore();
        std::string text;
        if (file_ == nullptr) return text;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
        return text;
    }

  private:
    void Restore() {
        if (saved_ < 0) return;
        std::fflush(stream_);
        dup2(saved_, fileno(stream_));
        close(saved_);
        saved_ = -1;
    }

    std::FILE* stream_;
    std::FILE* file_;
    int saved_ = -1;
};

TEST(ScriptedFrontEndTest, ServesWhileItLivesAndLeavesTheTerminalAndAFreshModel) {
    {
        winmodel::ScriptedFrontEnd scripted;
        EXPECT_EQ(&winmodel::CurrentFrontEnd(), &scripted);
        CreateDialogParam(GetModuleHandle(), testdialog::kDialogId, nullptr,
                          &testdialog::SpyDialogProc, 0);
        ASSERT_EQ(winmodel::TopLevelWindows().size(), 1u);
    }
    EXPECT_EQ(dynamic_cast<winmodel::ScriptedFrontEnd*>(&winmodel::CurrentFrontEnd()), nullptr);
    EXPECT_TRUE(winmodel::TopLevelWindows().empty());
}

class TerminalFrontEndTest : public ::testing::Test {
  protected:
    TerminalFrontEndTest() {
        winmodel::SetFrontEnd(nullptr);
        winmodel::ResetForTest();
        winmodel::SetModuleFileNameForTest("/opt/korvan/korvan.exe");
    }
    ~TerminalFrontEndTest() override { winmodel::ResetForTest(); }
};

struct BoxCase : NamedCase<BoxCase> {
    UINT type;
    const char* caption;
    const char* text;
    bool toStderr;
    const char* printed;
};

class TerminalBoxTest : public TerminalFrontEndTest,
                        public ::testing::WithParamInterface<BoxCase> {};

TEST_P(TerminalBoxTest, BoxIsPrintedToItsStreamAndAnsweredOk) {
    const BoxCase& param = GetParam();
    CapturedStream out(stdout);
    CapturedStream err(stderr);

    const int answer = MessageBox(nullptr, param.text, param.caption, param.type);

    const std::string printedOut = out.Take();
    const std::string printedErr = err.Take();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(param.toStderr ? printedErr : printedOut, param.printed);
    EXPECT_EQ(param.toStderr ? printedOut : printedErr, "");
    EXPECT_EQ(winmodel::ShownBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Types, TerminalBoxTest,
    ::testing::Values(BoxCase{"Plain", MB_OK, "Korvan", "Clocks applied.", false,
                              "Clocks applied.\n"},
                      BoxCase{"InformationEndingInNewline", MB_ICONINFORMATION, "Korvan",
                              "Core\nMemory\n", false, "Core\nMemory\n"},
                      BoxCase{"Warning", MB_ICONWARNING, "Korvan", "Clock too high", true,
                              "Korvan: Clock too high\n"},
                      BoxCase{"ErrorWithoutCaption", MB_ICONERROR, nullptr, "No card found.\n",
                              true, "korvan: No card found.\n"}),
    CaseName());

TEST_F(TerminalFrontEndTest, DialogWaitingForAUserEndsTheRunWithOneLineAndExitCode1) {
    char program[] = "/usr/bin/korvan";
    char* argv[] = {program, nullptr};
    InitializePlatform(1, argv);
    const HWND dialog = CreateDialogParam(GetModuleHandle(), testdialog::kDialogId, nullptr,
                                          &testdialog::SpyDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    CapturedStream err(stderr);

    MSG message{};
    while (GetMessage(&message, nullptr, 0, 0)) {
        if (!IsDialogMessage(dialog, &message)) DispatchMessage(&message);
    }

    EXPECT_EQ(message.wParam, 1u);
    EXPECT_EQ(err.Take(),
              "korvan: no display to show the main dialog on; run \"korvan -help\" for the "
              "command-line options\n");
}

}  // namespace
