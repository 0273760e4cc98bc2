// Compiled help handed to a viewer that runs detached from the program.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/batch/temp_dir.h"
#include "tests/winmodel/case_name.h"
#include "winmodel/model.h"
#include "winmodel/scripted_front_end.h"

namespace {

using namespace win;
namespace fs = std::filesystem;

class HelpViewerTest : public ::testing::Test {
  protected:
    HelpViewerTest() { WriteBytes(helpFile, "ITSF"); }

    // A viewer that writes the file it was given and its session to the marker.
    std::string MakeViewer(const std::string& name) {
        const std::string viewer = scratch.File(name);
        WriteBytes(viewer,
                   "#!/bin/sh\n"
                   "file=\"$1\"\n"
                   "set -- $(/bin/cat /proc/$$/stat)\n"
                   "printf '%s\\n%s\\n' \"$file\" \"$6\" > \"" +
                       marker +
                       ".part\"\n"
                       "/bin/mv \"" +
                       marker + ".part\" \"" + marker + "\"\n");
        fs::permissions(viewer, fs::perms::owner_all);
        return viewer;
    }

    // The viewer runs on its own, so its marker comes when it comes: poll
    // for it, within a bound.
    std::optional<std::string> WaitForMarker() const {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            if (fs::exists(marker)) return ReadBytes(marker);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }

    void ExpectViewerRanDetachedWith(const std::string& file) {
        const std::optional<std::string> report = WaitForMarker();
        ASSERT_TRUE(report.has_value()) << "the viewer did not run";
        const size_t lineEnd = report->find('\n');
        ASSERT_NE(lineEnd, std::string::npos);
        EXPECT_EQ(report->substr(0, lineEnd), file);
        const std::string viewerSession = report->substr(lineEnd + 1);
        EXPECT_NE(viewerSession, "\n");
        EXPECT_NE(viewerSession, std::to_string(getsid(0)) + "\n");
        // Nothing of it is left for this process to reap.
        errno = 0;
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
    }

    winmodel::ScriptedFrontEnd frontEnd;
    TempDir scratch;
    const std::string helpFile = scratch.File("korvan.chm");
    const std::string marker = scratch.File("viewer-ran");
};

TEST_F(HelpViewerTest, StartsTheViewerDetachedWithTheFile) {
    winmodel::SetHelpViewerForTest(MakeViewer("viewer"));

    EXPECT_NE(HtmlHelpA(nullptr, helpFile.c_str(), HH_DISPLAY_TOPIC, 0), nullptr);

    ExpectViewerRanDetachedWith(helpFile);
}

TEST_F(HelpViewerTest, FindsAnInstalledViewerOnThePath) {
    fs::create_directory(scratch.File("bin"));
    MakeViewer("bin/kchmviewer");
    const char* savedPath = std::getenv("PATH");
    const std::string previousPath = savedPath != nullptr ? savedPath : "";
    setenv("PATH", (":/nonexistent:" + scratch.File("bin")).c_str(), 1);

    const HWND viewer = HtmlHelpA(nullptr, helpFile.c_str(), HH_DISPLAY_TOPIC, 0);
    setenv("PATH", previousPath.c_str(), 1);

    EXPECT_NE(viewer, nullptr);
    ExpectViewerRanDetachedWith(helpFile);
}

TEST_F(HelpViewerTest, ViewerThatFailsToStartGivesNull) {
    const std::string broken = scratch.File("broken-viewer");
    WriteBytes(broken, "not a program");
    fs::permissions(broken, fs::perms::owner_all);
    winmodel::SetHelpViewerForTest(broken);

    EXPECT_EQ(HtmlHelpA(nullptr, helpFile.c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
}

struct RefusalCase : NamedCase<RefusalCase> {
    const char* file;  // inside the scratch folder; nullptr: the help file
    const char* viewer;
    UINT command;
};

class HelpRefusalTest : public HelpViewerTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(HelpRefusalTest, ReturnsNullAndStartsNothing) {
    const RefusalCase& param = GetParam();
    fs::create_directory(scratch.File("folder.chm"));
    winmodel::SetHelpViewerForTest(param.viewer != nullptr ? param.viewer : MakeViewer("viewer"));
    const std::string file = param.file != nullptr ? scratch.File(param.file) : helpFile;

    EXPECT_EQ(HtmlHelpA(nullptr, file.c_str(), param.command, 0), nullptr);
    EXPECT_FALSE(fs::exists(marker));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HelpRefusalTest,
    ::testing::Values(RefusalCase{"MissingFile", "missing.chm", nullptr, HH_DISPLAY_TOPIC},
                      RefusalCase{"Directory", "folder.chm", nullptr, HH_DISPLAY_TOPIC},
                      RefusalCase{"NoViewer", nullptr, "", HH_DISPLAY_TOPIC},
                      RefusalCase{"ViewerThatDoesNotExist", nullptr, "/nonexistent/viewer",
                                  HH_DISPLAY_TOPIC},
                      RefusalCase{"OtherCommand", nullptr, nullptr, HH_DISPLAY_TOPIC + 0x0F}),
    CaseName());

}  // namespace
