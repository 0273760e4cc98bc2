// The dialog on the simulated library: clocks set by typing and pressing Set
// Clocks reach the simulated card, quantised and clamped as the card does,
// and the real program reports them from another process.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "res/resource.h"
#include "tests/support/in_process_program.h"
#include "tests/winmodel/case_name.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class SimulatedProgramTest : public InProcessProgramTest {
  protected:
    SimulatedProgramTest() {
        // The simulated library's three built-in devices, with a state of
        // this test's own.
        unsetenv("TAVOCLOCK_DEVICES");
        setenv("TAVOCLOCK_STATE_DIR", stateDir.c_str(), 1);
        ui.hasDisplay = true;
    }
    ~SimulatedProgramTest() override { unsetenv("TAVOCLOCK_STATE_DIR"); }

    // Runs the built program with `argument` in a process of its own, with
    // this test's state directory and without a display, and returns what it
    // printed once it has ended with status 0.
    std::string OutputOfTheBuiltProgram(const std::string& argument) const {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string variable = *entry;
            if (!variable.starts_with("DISPLAY=") && !variable.starts_with("WAYLAND_DISPLAY=")) {
                environment.push_back(variable);
            }
        }
        std::vector<char*> envp;
        for (std::string& variable : environment) envp.push_back(variable.data());
        envp.push_back(nullptr);
        std::string program = KORVAN_EXECUTABLE;
        std::string argumentCopy = argument;
        std::vector<char*> argv{program.data(), argumentCopy.data(), nullptr};

        const std::string outputPath = (runtimeDir / "output.txt").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(spawned);
            return "";
        }
        int status = 0;
        while (waitpid(child, &status, 0) < 0) {
            if (errno != EINTR) {
                ADD_FAILURE() << "waitpid: " << std::strerror(errno);
                return "";
            }
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        std::ifstream output(outputPath, std::ios::binary);
        return {std::istreambuf_iterator<char>(output), std::istreambuf_iterator<char>()};
    }

    const fs::path stateDir = runtimeDir / "clock-state";
};

struct SetCase : NamedCase<SetCase> {
    bool in3DMode;
    const char* engineEntry;
    const char* memoryEntry;
    const char* engineShown;
    const char* memoryShown;
    const char* report;
};

class SetClocksOnTheSimulatedCardTest : public SimulatedProgramTest,
                                        public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetClocksOnTheSimulatedCardTest, TheNextRunReportsWhatTheDialogSet) {
    const SetCase& param = GetParam();
    std::pair<std::string, std::string> shown;
    ui.Then([&] {
        ASSERT_EQ(winmodel::ComboItems(Control(IDC_DEVICE)).at(0), "Tavo Vireo 7950 XT");
        if (param.in3DMode) winmodel::Click(Control(IDC_3D_CLOCKS));
        winmodel::TypeText(Control(IDC_ENGINE_CLOCK), param.engineEntry);
        winmodel::TypeText(Control(IDC_MEMORY_CLOCK), param.memoryEntry);
        winmodel::Click(Control(IDC_SET_CLOCKS));
        shown = {TextOf(IDC_ENGINE_CLOCK), TextOf(IDC_MEMORY_CLOCK)};
    });
    ThenClose();
    ASSERT_EQ(RunKorvan(), 0);
    EXPECT_TRUE(winmodel::ShownBoxes().empty());
    EXPECT_EQ(shown,
              std::make_pair(std::string(param.engineShown), std::string(param.memoryShown)));

    EXPECT_EQ(OutputOfTheBuiltProgram("-viewclkinfo"), param.report);
}

// The first card's 2D clocks start at 810.00 and 900.00 and go up to 1012.50
// and 1080.00; its 3D clocks start at 1080.00 and 1125.00.
INSTANTIATE_TEST_SUITE_P(
    Cases, SetClocksOnTheSimulatedCardTest,
    ::testing::Values(
        SetCase{"QuantisedDownToTheSteps", false, "850.00", "950.00", "843.75", "945.00",
                "\nCurrent Clock Settings:\n\tEngine: 843.75\n\tMemory: 945.00\n"
                "\nCurrent 3D Clock Settings:\n\tEngine: 1080.00\n\tMemory: 1125.00\n"},
        SetCase{"ClampedToTheLimit", false, "2000", "900.00", "1012.50", "900.00",
                "\nCurrent Clock Settings:\n\tEngine: 1012.50\n\tMemory: 900.00\n"
                "\nCurrent 3D Clock Settings:\n\tEngine: 1080.00\n\tMemory: 1125.00\n"},
        SetCase{"On3DSet", true, "1100.00", "1125.00", "1093.50", "1125.00",
                "\nCurrent Clock Settings:\n\tEngine: 810.00\n\tMemory: 900.00\n"
                "\nCurrent 3D Clock Settings:\n\tEngine: 1093.50\n\tMemory: 1125.00\n"}),
    CaseName());

}  // namespace
