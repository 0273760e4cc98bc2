// Shared ground for the simulated library's tests: every test gets its own
// scratch directory as TAVOCLOCK_STATE_DIR, so no test touches the user's
// real state, and can start a second process that uses the library.
#ifndef KORVAN_TESTS_CLOCKSIM_CLOCKSIM_FIXTURE_H
#define KORVAN_TESTS_CLOCKSIM_CLOCKSIM_FIXTURE_H

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "clocklib/clock_library.h"

namespace clocksim_test {

// One card with both clock sets and two rails, with limits chosen for tests.
extern const char* const kTestDeviceToml;

struct ProbeResult {
    int exitCode = -1;
    std::string output;
};

// Runs clocksim_probe with `args` in this process's environment.
ProbeResult RunProbe(const std::vector<std::string>& args);

// Starts clocksim_probe without waiting; Finish collects it.
struct RunningProbe {
    int pid = -1;
    int outputFd = -1;
};
RunningProbe StartProbe(const std::vector<std::string>& args);
ProbeResult FinishProbe(RunningProbe probe);

std::optional<std::string> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

class ClockSimTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes scratch/<fileName> and names it in TAVOCLOCK_DEVICES.
    std::string UseDeviceFile(const std::string& toml,
                              const std::string& fileName = "devices.toml");
    // Starts the library, failing the test if it does not start.
    std::vector<DeviceRecord> StartLibrary();
    // Starts the library expecting it to refuse; returns the reason.
    std::string StartFailure();

    std::string scratch_;
    std::string stateDir_;
};

}  // namespace clocksim_test

#endif  // KORVAN_TESTS_CLOCKSIM_CLOCKSIM_FIXTURE_H
