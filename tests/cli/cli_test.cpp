// The built program run from a terminal without a display: every run gets a
// fresh runtime directory (the single-instance lock) and a fresh state
// directory of the simulated library, and is judged by its exact output on
// stdout and stderr, its exit status and the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "winmodel/model.h"

extern char** environ;

namespace {

struct Outcome {
    std::string out;
    std::string err;
    int exitStatus = -1;

    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const Outcome& outcome) {
    return stream << "exit " << outcome.exitStatus << "\n--- stdout ---\n"
                  << outcome.out << "\n--- stderr ---\n"
                  << outcome.err;
}

// Reads both pipes to their ends together, so that a child filling one of
// them never waits on a parent reading the other.
void ReadBoth(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            ADD_FAILURE() << "poll: " << std::strerror(errno);
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
            } else {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            }
        }
    }
}

Outcome RunKorvan(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{KORVAN_BINARY};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    Outcome outcome;
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (error == 0) ReadBoth(outPipe[0], errPipe[0], outcome.out, outcome.err);
    close(outPipe[0]);
    close(errPipe[0]);
    if (error != 0) {
        ADD_FAILURE() << "posix_spawn " << argv[0] << ": " << std::strerror(error);
        return outcome;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

constexpr char kHelpText[] =
    "COMMAND: Korvan <OPTION>\n\n"
    "<OPTION> List\n"
    "-help/h/? : displays help\n"
    "-incmclk= : increment memory clock by target value\n"
    "-decmclk= : decrement memory clock by target value\n"
    "-incsclk= : increment engine clock by target value\n"
    "-decsclk= : decrement engine clock by target value\n"
    "-incmclk3d= : increment 3d memory clock by target value\n"
    "-decmclk3d= : decrement 3d memory clock by target value\n"
    "-incsclk3d= : increment 3d engine clock by target value\n"
    "-decsclk3d= : decrement 3d engine clock by target value\n"
    "-resetmclk : resets memory clock\n"
    "-resetsclk : resets engine clock\n"
    "-engclk=<target clk in KHz> : sets engine clock to target value\n"
    "-memclk=<target clk in KHz> : sets memory clock to target value\n"
    "-restore : restore clocks to BIOS default\n"
    "-viewclkinfo : displays clock information\n"
    "-printclkinfo=<filename> : print clock info to <filename>\n"
    "\n  *option can be specified either with or without '-'\n";

constexpr char kNoDisplayLine[] =
    "korvan: no display to show the main dialog on; run \"korvan -help\" for the command-line "
    "options\n";

// The first built-in device, the Vireo card: engine 810.00 MHz by default,
// limits 607.50 to 1012.50 in steps of 6.75; memory 900.00; 3D 1080.00 and 1125.00.
std::string VireoReport(const char* engine) {
    return std::string("\nCurrent Clock Settings:\n\tEngine: ") + engine +
           "\n\tMemory: 900.00\n\nCurrent 3D Clock Settings:\n\tEngine: 1080.00\n\tMemory: "
           "1125.00\n";
}

std::string WithCrLf(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvan-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        scratch = pattern;
        const std::filesystem::path runtime = scratch / "runtime";
        ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0) << std::strerror(errno);
        // The program inherits this environment: no display, so the terminal
        // front end; and directories of this test's own.
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("TAVOCLOCK_STATE_DIR", (scratch / "state").c_str(), 1);
        unsetenv("TAVOCLOCK_DEVICES");
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    std::filesystem::path scratch;
};

TEST_F(CliTest, HelpPrintsTheUsageAndNothingElse) {
    ASSERT_EQ(std::strlen(kHelpText), 885u);
    EXPECT_EQ(RunKorvan({"-help"}), (Outcome{kHelpText, "", 0}));
}

struct RunStep {
    std::vector<std::string> arguments;
    Outcome expected;
};

struct SessionCase {
    const char* name;
    std::vector<RunStep> runs;  // one after the other, on the same library state
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SessionCase& c, std::ostream* os) {
    *os << c.name;
}

class SessionTest : public CliTest, public ::testing::WithParamInterface<SessionCase> {};

TEST_P(SessionTest, EachRunPrintsAndExitsAsExpected) {
    const std::vector<RunStep>& runs = GetParam().runs;
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE("run #" + std::to_string(i + 1));
        EXPECT_EQ(RunKorvan(runs[i].arguments), runs[i].expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SessionTest,
    ::testing::Values(
        // 500.00 MHz lies below the engine's limit and is raised to it; a
        // later run still sees it, until it is restored.
        SessionCase{"KeptClockUntilRestored",
                    {{{"-engclk=50000"}, {"", "", 0}},
                     {{"-viewclkinfo"}, {VireoReport("607.50"), "", 0}},
                     {{"restore", "viewclkinfo"}, {VireoReport("810.00"), "", 0}}}},
        // 810.00 + 10 MHz is 820.00, which is not a step of 6.75: 816.75 is kept.
        SessionCase{"StepFromTheDefault",
                    {{{"-incsclk=10", "-viewclkinfo"}, {VireoReport("816.75"), "", 0}}}},
        SessionCase{"NoArgumentsAndNoDisplay", {{{}, {"", kNoDisplayLine, 1}}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CliTest, ReportsAreAppendedToTheFileWithCrLfLineEnds) {
    const std::filesystem::path file = scratch / "clocks.txt";
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(RunKorvan({"-printclkinfo=" + file.string()}), (Outcome{"", "", 0}));
    }
    // The second report's leading line feed leaves an empty line after the first.
    EXPECT_EQ(ReadBytes(file), WithCrLf(VireoReport("810.00") + VireoReport("810.00")));
}

TEST_F(CliTest, TrailingCtrlZIsRemovedBeforeTheReport) {
    const std::filesystem::path file = scratch / "clocks.txt";
    WriteBytes(file, "earlier\r\n\x1a");
    EXPECT_EQ(RunKorvan({"printclkinfo=" + file.string()}), (Outcome{"", "", 0}));
    EXPECT_EQ(ReadBytes(file), "earlier\r\n" + WithCrLf(VireoReport("810.00")));
}

struct BadPathCase {
    const char* name;
    std::string relativePath;
    const char* reason;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const BadPathCase& c, std::ostream* os) {
    *os << c.name;
}

class BadReportPathTest : public CliTest, public ::testing::WithParamInterface<BadPathCase> {};

TEST_P(BadReportPathTest, NamesThePathAndTheReasonAndCreatesNothing) {
    const std::string path = (scratch / GetParam().relativePath).string();
    EXPECT_EQ(RunKorvan({"-printclkinfo=" + path}),
              (Outcome{"",
                       "Clock Info: Cannot write the clock report to \"" + path +
                           "\": " + GetParam().reason + "\n",
                       1}));
    // Only the library's own state directory may have appeared.
    for (const auto& entry : std::filesystem::directory_iterator(scratch)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "runtime" || name == "state") << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, BadReportPathTest,
                         ::testing::Values(BadPathCase{"MissingDirectory", "missing/clocks.txt",
                                                       "No such file or directory"},
                                           BadPathCase{"FiveThousandCharacters",
                                                       std::string(5000, 'n'),
                                                       "File name too long"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(CliTest, SecondInstanceEndsAtOnceAndChangesNothing) {
    const std::string lockPath = winmodel::MutexPath("NameOfMutexObject");
    const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0) << lockPath << ": " << std::strerror(errno);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0) << std::strerror(errno);

    const std::filesystem::path file = scratch / "clocks.txt";
    EXPECT_EQ(RunKorvan({"-engclk=70000", "-printclkinfo=" + file.string()}), (Outcome{"", "", 0}));
    EXPECT_FALSE(std::filesystem::exists(file));

    // With the first instance gone, the engine clock is still the default.
    close(lock);
    EXPECT_EQ(RunKorvan({"-viewclkinfo"}), (Outcome{VireoReport("810.00"), "", 0}));
}

TEST_F(CliTest, FailedLibraryStartPrintsTheReasonAndEndsWithOne) {
    const std::filesystem::path devices = scratch / "devices.toml";
    WriteBytes(devices,
               "[[device]]\n"
               "name = \"Card\"\n"
               "\n"
               "[device.clocks_2d]\n"
               "engine = { default = 81000, min = 60750 }\n"
               "memory = { default = 90000, min = 72000, max = 108000 }\n");
    setenv("TAVOCLOCK_DEVICES", devices.c_str(), 1);
    // The dialog stays open after the failure, and with no display and no
    // user it cannot be used: the run ends there.
    EXPECT_EQ(RunKorvan({"-engclk=70000", "-viewclkinfo"}),
              (Outcome{"Failed: " + devices.string() +
                           ": line 5: device 1 (\"Card\"): missing 'clocks_2d.engine.max'\n",
                       kNoDisplayLine, 1}));
}

}  // namespace
