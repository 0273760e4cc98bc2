// The report file of "korvan -printclkinfo=PATH" when the path or the disk
// works against it: a clear message on the terminal, exit status 1, and the
// file as it was, down to the byte.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "fault_fixture.h"

namespace faults {
namespace {

// The built-in first device's report as the file receives it.
constexpr const char* kReportBytes =
    "\r\nCurrent Clock Settings:\r\n\tEngine: 810.00\r\n\tMemory: 900.00\r\n"
    "\r\nCurrent 3D Clock Settings:\r\n\tEngine: 1080.00\r\n\tMemory: 1125.00\r\n";

constexpr const char* kEarlierReport = "earlier report\r\n";

std::string FailureLine(const std::string& path, const std::string& reason) {
    return "Clock Info: Cannot write the clock report to \"" + path + "\": " + reason + "\n";
}

// A path of exactly `length` characters below `base`, made of directories of
// 200 characters or fewer (the last name is the file's); creates the directories.
std::string PathOfLength(const std::string& base, std::size_t length) {
    std::string path = base;
    while (length - path.size() - 1 > 200) {
        path += "/" + std::string(199, 'd');
        mkdir(path.c_str(), 0700);
    }
    return path + "/" + std::string(length - path.size() - 1, 'r');
}

class ReportFileTest : public FaultTest {
  protected:
    // The library's state directory exists from the start, so that any entry
    // that appears during a run is the report's doing.
    ReportFileTest() { EXPECT_EQ(RunProbe({"get", "0"}).exitCode, 0); }

    // Runs the report into `path` and checks the failure that must follow.
    void ExpectRefusal(const std::string& path, const std::string& reason,
                       ProcessOptions options = {}) {
        const ProcessResult run = RunKorvan({"-printclkinfo=" + path}, std::move(options));
        if (run.exitCode == kSetupFailed) GTEST_SKIP() << run.err;
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, FailureLine(path, reason));
        EXPECT_EQ(run.out, "");
    }
};

struct RefusedPath {
    const char* name;
    std::function<std::string(const std::string& scratch)> make;  // returns the path
    const char* reason;
};

const RefusedPath kRefusedPaths[] = {
    {"MissingDirectory", [](const std::string& scratch) { return scratch + "/missing/report.txt"; },
     "No such file or directory"},
    {"Directory",
     [](const std::string& scratch) {
         mkdir((scratch + "/reports").c_str(), 0700);
         return scratch + "/reports";
     },
     "Is a directory"},
    {"FileNameOf256Characters",
     [](const std::string& scratch) { return scratch + "/" + std::string(256, 'n'); },
     "File name too long"},
    {"PathOf5000Characters", [](const std::string& scratch) { return PathOfLength(scratch, 5000); },
     "File name too long"},
    {"PathOf100000Characters",
     [](const std::string& scratch) { return scratch + "/" + std::string(100000, '/') + "r"; },
     "File name too long"},
    // Opened read-write, a FIFO would swallow the report and lose it on close.
    {"Fifo",
     [](const std::string& scratch) {
         mkfifo((scratch + "/fifo").c_str(), 0600);
         return scratch + "/fifo";
     },
     "Not a regular file or device"},
    {"DeviceThatIsAlwaysFull", [](const std::string&) { return "/dev/full"; },
     "No space left on device"},
};

void PrintTo(const RefusedPath& refused, std::ostream* out) {
    *out << refused.name;
}

class RefusedPathTest : public ReportFileTest, public ::testing::WithParamInterface<RefusedPath> {};

TEST_P(RefusedPathTest, FailsWithTheSystemsReasonAndCreatesNothing) {
    const std::string path = GetParam().make(m_scratch);
    const auto before = ScratchSnapshot();
    ExpectRefusal(path, GetParam().reason);
    EXPECT_EQ(ScratchSnapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Paths, RefusedPathTest, ::testing::ValuesIn(kRefusedPaths),
                         [](const auto& param) { return std::string(param.param.name); });

// Paths past the 260 characters of the platform the program came from reach
// the system whole: nothing cuts them, so the report lands where it was sent.
class LongPathTest : public ReportFileTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LongPathTest, ReportIsAppendedAtExactlyThatPath) {
    const std::string path = PathOfLength(m_scratch, GetParam());
    ASSERT_EQ(path.size(), GetParam());
    WriteFileBytes(path, kEarlierReport);

    const ProcessResult run = RunKorvan({"-printclkinfo=" + path});

    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFileBytes(path), std::string(kEarlierReport) + kReportBytes);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongPathTest, ::testing::Values(255, 256, 4000));

TEST_F(ReportFileTest, ReadOnlyFileIsLeftWhole) {
    const std::string path = Path("report.txt");
    WriteFileBytes(path, kEarlierReport);
    ProcessOptions options;
    options.prepareMounts = [path] { return BindReadOnly(path); };
    ExpectRefusal(path, "Read-only file system", std::move(options));
    EXPECT_EQ(ReadFileBytes(path), kEarlierReport);
}

TEST_F(ReportFileTest, ImmutableFileIsLeftWhole) {
    const std::string path = Path("report.txt");
    WriteFileBytes(path, kEarlierReport);
    const ImmutableFile immutable(path);
    if (!immutable.fault().empty()) GTEST_SKIP() << immutable.fault();
    ExpectRefusal(path, "Operation not permitted");
    EXPECT_EQ(ReadFileBytes(path), kEarlierReport);
}

// Fills the file system that holds `directory` to the last byte.
std::string FillFileSystem(const std::string& directory) {
    const int fd = open((directory + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return std::string("cannot create the filler: ") + std::strerror(errno);
    const std::string block(512, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    const int error = errno;
    close(fd);
    return error == ENOSPC ? "" : std::string("filling stopped early: ") + std::strerror(error);
}

// On a full disk the append fails; the file must end exactly as it began,
// including a trailing Ctrl-Z that the report would have replaced. The
// earlier content fills whole pages, so the report needs space there is not.
class FullDiskTest : public ReportFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullDiskTest, FailedAppendLeavesTheFileAsItWas) {
    const bool endsWithCtrlZ = GetParam();
    std::string earlier(8192, 'x');
    if (endsWithCtrlZ) earlier.back() = '\x1a';
    const std::string disk = Path("disk");
    const std::string path = disk + "/report.txt";
    const std::string copiedOut = Path("report-after.txt");
    ASSERT_EQ(mkdir(disk.c_str(), 0700), 0);

    ProcessOptions options;
    options.prepareMounts = [&] {
        std::string fault = MountTmpfs(disk, 64 * 1024);
        if (!fault.empty()) return fault;
        WriteFileBytes(path, earlier);
        return FillFileSystem(disk);
    };
    // The tmpfs goes with the namespace: keep what the program left.
    options.afterRun = [&] { WriteFileBytes(copiedOut, ReadFileBytes(path)); };
    ExpectRefusal(path, "No space left on device", std::move(options));
    if (IsSkipped()) return;
    EXPECT_EQ(ReadFileBytes(copiedOut), earlier);
}

INSTANTIATE_TEST_SUITE_P(Ending, FullDiskTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "CtrlZ" : "Plain"; });

}  // namespace
}  // namespace faults
