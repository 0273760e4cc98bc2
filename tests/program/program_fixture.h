// Runs the whole program in-process, on the window model and the recording
// clock library, with a scripted user.
#ifndef KORVAN_TESTS_PROGRAM_PROGRAM_FIXTURE_H
#define KORVAN_TESTS_PROGRAM_PROGRAM_FIXTURE_H

#include "recording_clock_library.h"
#include "tests/support/in_process_program.h"

class ProgramTest : public InProcessProgramTest {
  protected:
    ProgramTest();

    /// The three built-in kinds of device: a card with a 3D set and every
    /// rail, a card with VDDC only, and an integrated device.
    static recording::Device FullCard();
    static recording::Device PlainCard();
    static recording::Device IntegratedDevice();
};

#endif  // KORVAN_TESTS_PROGRAM_PROGRAM_FIXTURE_H
