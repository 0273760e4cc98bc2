// Runs the whole program in-process, on the window model and the recording
// clock library, with a scripted user.
#ifndef KORVAN_TESTS_PROGRAM_PROGRAM_FIXTURE_H
#define KORVAN_TESTS_PROGRAM_PROGRAM_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recording_clock_library.h"
#include "winmodel/model.h"
#include "winmodel/scripted_front_end.h"

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override;

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

    /// The three built-in kinds of device: a card with a 3D set and every
    /// rail, a card with VDDC only, and an integrated device.
    static recording::Device FullCard();
    static recording::Device PlainCard();
    static recording::Device IntegratedDevice();

    winmodel::ScriptedFrontEnd ui;
    std::filesystem::path runtimeDir;
};

#endif  // KORVAN_TESTS_PROGRAM_PROGRAM_FIXTURE_H
