// Runs the whole program in-process on the window model with a scripted user.
// Which clock library answers is the test executable's choice: it links
// either the recording stand-in or the simulated library.
#ifndef KORVAN_TESTS_SUPPORT_IN_PROCESS_PROGRAM_H
#define KORVAN_TESTS_SUPPORT_IN_PROCESS_PROGRAM_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "winmodel/model.h"
#include "winmodel/scripted_front_end.h"

class InProcessProgramTest : public ::testing::Test {
  protected:
    InProcessProgramTest();
    ~InProcessProgramTest() override;

    /// Starts the program with `arguments` (without the program's name) and
    /// returns its exit status once it has ended.
    int RunKorvan(const std::vector<std::string>& arguments = {});

    /// The main dialog while it runs, or nullptr.
    static win::HWND MainDialog();
    static win::HWND Control(int id);
    static std::string TextOf(int id);
    static bool IsEnabled(int id);

    /// Queues a step that presses Escape in the main dialog, ending the run.
    void ThenClose();

    winmodel::ScriptedFrontEnd ui;
    /// A fresh directory of this test's own, removed afterwards; the user's
    /// runtime directory while the test runs.
    std::filesystem::path runtimeDir;
};

#endif  // KORVAN_TESTS_SUPPORT_IN_PROCESS_PROGRAM_H
