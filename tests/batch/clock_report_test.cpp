#include "batch/clock_report.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace {

TEST(FormatClockReport, ListsTheClocksInMHz) {
    const ClockReport without3d = FormatClockReport(50000, 40000, false, 123, 456);
    EXPECT_EQ(without3d, "\nCurrent Clock Settings:\n\tEngine: 500.00\n\tMemory: 400.00\n");
    EXPECT_EQ(without3d.size(), 57u);

    EXPECT_EQ(FormatClockReport(0, 5, true, 999, 4294967295u),
              "\nCurrent Clock Settings:\n\tEngine: 0.00\n\tMemory: 0.05\n"
              "\nCurrent 3D Clock Settings:\n\tEngine: 9.99\n\tMemory: 42949672.95\n");
}

std::string FailureFor(const std::string& path, int error) {
    return "Cannot write the clock report to \"" + path + "\": " + std::strerror(error);
}

constexpr char kReport[] = "\nCurrent Clock Settings:\n\tEngine: 500.00\n\tMemory: 400.00\n";
constexpr char kReportOnDisk[] =
    "\r\nCurrent Clock Settings:\r\n\tEngine: 500.00\r\n\tMemory: 400.00\r\n";

class AppendReportToFileTest : public ::testing::Test {
  protected:
    TempDir dir_;
};

TEST_F(AppendReportToFileTest, CreatesTheFileWithCrLfLineEnds) {
    const std::string path = dir_.File("clocks.txt");
    ASSERT_EQ(AppendReportToFile(path, kReport), "");
    EXPECT_EQ(ReadBytes(path), kReportOnDisk);
}

TEST_F(AppendReportToFileTest, AppendsAfterWhatIsThere) {
    const std::string path = dir_.File("clocks.txt");
    WriteBytes(path, "notes\r\n");
    ASSERT_EQ(AppendReportToFile(path, kReport), "");
    ASSERT_EQ(AppendReportToFile(path, FormatClockReport(1, 2, false, 0, 0)), "");
    // The report's own leading line feed leaves an empty line between reports.
    EXPECT_EQ(ReadBytes(path), std::string("notes\r\n") + kReportOnDisk +
                                   "\r\nCurrent Clock Settings:\r\n\tEngine: 0.01\r\n"
                                   "\tMemory: 0.02\r\n");
}

TEST_F(AppendReportToFileTest, RemovesOnlyOneTrailingCtrlZ) {
    const struct {
        const char* existing;
        const char* kept;
    } cases[] = {
        {"old\x1a", "old"},
        {"\x1a", ""},
        {"old\x1a\x1a", "old\x1a"},
        {"old\x1a\r\n", "old\x1a\r\n"},
    };
    for (const auto& c : cases) {
        const std::string path = dir_.File("eof.txt");
        WriteBytes(path, c.existing);
        ASSERT_EQ(AppendReportToFile(path, kReport), "");
        EXPECT_EQ(ReadBytes(path), std::string(c.kept) + kReportOnDisk) << c.existing;
    }
    const std::string path = dir_.File("empty-report.txt");
    WriteBytes(path, "old\x1a");
    ASSERT_EQ(AppendReportToFile(path, ""), "");
    EXPECT_EQ(ReadBytes(path), "old");
}

TEST_F(AppendReportToFileTest, RefusesPathsThatCannotBeWritten) {
    const std::string missingDirectory = dir_.File("missing/clocks.txt");
    const std::string longName = dir_.File(std::string(5000, 'n'));
    const struct {
        std::string path;
        int error;
    } cases[] = {
        {"", ENOENT},
        {missingDirectory, ENOENT},
        {dir_.path().string(), EISDIR},
        {longName, ENAMETOOLONG},
        {dir_.File("with") + std::string("\0nul", 4), EINVAL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AppendReportToFile(c.path, kReport), FailureFor(c.path, c.error));
    }
    EXPECT_FALSE(std::filesystem::exists(missingDirectory));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "a refused write left a file behind";
}

TEST_F(AppendReportToFileTest, RefusesAFileWithoutWritePermission) {
    if (geteuid() == 0) GTEST_SKIP() << "running as root, whom file permissions do not stop";
    const std::string path = dir_.File("read-only.txt");
    WriteBytes(path, "keep");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(AppendReportToFile(path, kReport), FailureFor(path, EACCES));
    EXPECT_EQ(ReadBytes(path), "keep");
}

TEST(AppendReportToFile, RefusesAKernelFileEvenForRoot) {
    const std::string path = "/proc/sys/kernel/osrelease";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not available here";
    const std::string message = AppendReportToFile(path, kReport);
    EXPECT_TRUE(message == FailureFor(path, EACCES) || message == FailureFor(path, EROFS))
        << message;
}

TEST(AppendReportToFile, ReportsAFullDevice) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "/dev/full is not available here";
    EXPECT_EQ(AppendReportToFile("/dev/full", kReport), FailureFor("/dev/full", ENOSPC));
}

TEST_F(AppendReportToFileTest, RefusesAFifoInsteadOfWaitingOnIt) {
    const std::string path = dir_.File("pipe");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(AppendReportToFile(path, kReport),
              "Cannot write the clock report to \"" + path + "\": Not a regular file or device");
}

// A file size limit makes the write stop part-way, as a full disk does.
TEST_F(AppendReportToFileTest, UndoesAPartialWrite) {
    const std::string path = dir_.File("limited.txt");
    WriteBytes(path, "old\x1a");

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    // Past the limit the kernel would otherwise stop the process with a signal.
    const sighandler_t savedHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::string message = AppendReportToFile(path, kReport);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedHandler);

    EXPECT_EQ(message, FailureFor(path, EFBIG));
    EXPECT_EQ(ReadBytes(path), "old\x1a");
}

}  // namespace
