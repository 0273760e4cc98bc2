// Regression: a device file that was a FIFO made the library's start wait
// forever for a writer, and with it every program that loads the library.
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/clocksim/clocksim_fixture.h"

namespace clocksim_test {
namespace {

TEST_F(ClockSimTest, DeviceFileThatIsAFifoIsRefusedWithoutHanging) {
    const std::string fifo = scratch_ + "/devices.toml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    setenv("TAVOCLOCK_DEVICES", fifo.c_str(), 1);

    // In a second process, so that a regression fails the test instead of stalling it.
    RunningProbe probe = StartProbe({"get", "0"});
    pollfd output{probe.outputFd, POLLIN, 0};
    const int ready = poll(&output, 1, 20000);
    if (ready == 0) kill(probe.pid, SIGKILL);
    const ProbeResult result = FinishProbe(probe);
    ASSERT_NE(ready, 0) << "the library's start still waits on the FIFO";
    EXPECT_EQ(result.exitCode, 3) << "the library refuses to start";

    EXPECT_EQ(StartFailure(), fifo + ": is not a regular file");
    EXPECT_FALSE(std::filesystem::exists(stateDir_));
}

}  // namespace
}  // namespace clocksim_test
