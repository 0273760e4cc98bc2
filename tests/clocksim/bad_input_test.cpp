// Broken device files, broken state files and state directories that are not
// safely ours: the library refuses to start, says which file and why, and
// leaves everything as it found it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "clocklib/clock_library.h"
#include "tests/clocksim/clocksim_fixture.h"

namespace clocksim_test {
namespace {

namespace fs = std::filesystem;

const char* const kClocks = R"(
[device.clocks_2d]
engine = { default = 67500, min = 54000, max = 81000 }
memory = { default = 90000, min = 72000, max = 108000 }
)";

struct DeviceFileCase {
    const char* label;
    std::string content;
    std::vector<std::string> reasonHolds;
};

TEST_F(ClockSimTest, BrokenDeviceFilesAreNamedWithTheirFaultAndLeftAlone) {
    const std::string card = "[[device]]\nname = \"Card\"\n";
    const DeviceFileCase cases[] = {
        {"bad TOML", card + "[device.clocks_2d\n", {"line 3", "column"}},
        {"not UTF-8", card + "# \xff\xfe\n", {"line 3"}},
        {"no device", "# nothing here\n", {"no device"}},
        {"empty device list", "device = []\n", {"no device"}},
        {"device not a table", "device = 3\n", {"line 1", "[[device]]"}},
        {"missing name", std::string("[[device]]\n") + kClocks, {"line 1", "missing 'name'"}},
        {"missing clock set", card, {"line 1", "missing [device.clocks_2d]"}},
        {"missing limit",
         card + "[device.clocks_2d]\nengine = { default = 67500, min = 54000 }\n"
                "memory = { default = 90000, min = 72000, max = 108000 }\n",
         {"line 4", "missing 'clocks_2d.engine.max'"}},
        {"name of wrong type",
         std::string("[[device]]\nname = 7\n") + kClocks,
         {"line 2", "'name' must be a string"}},
        {"clock of wrong type",
         card + "[device.clocks_2d]\nengine = { default = 675.0, min = 675, max = 1350 }\n",
         {"line 4", "must be an integer"}},
        {"capabilities of wrong type",
         card + "capabilities = \"VDDC\"\n" + kClocks,
         {"line 3", "array of strings"}},
        {"volts of wrong type",
         card + "capabilities = [\"VDDC\"]\n" + kClocks +
             "[device.rails.vddc]\ndefault = \"1.1\"\nmin = 1.0\nmax = 1.2\nstep = 0.025\n",
         {"line 9", "'vddc.default' must be a number of volts"}},
        {"unknown capability",
         card + "capabilities = [\"TURBO\"]\n" + kClocks,
         {"line 3", "unknown capability \"TURBO\""}},
        {"capability without its data",
         card + "capabilities = [\"VDDC\"]\n" + kClocks,
         {"\"VDDC\" needs a [device.rails.vddc] table"}},
        {"data without its capability",
         card + kClocks +
             "[device.rails.vddc]\ndefault = 1.1\nmin = 1.0\nmax = 1.2\nstep = 0.025\n",
         {"not among the capabilities"}},
        {"misspelt key", card + "nmae = \"x\"\n" + kClocks, {"line 3", "unknown key 'nmae'"}},
        {"clock off the step grid",
         card + "[device.clocks_2d]\nengine = { default = 67501, min = 54000, max = 81000 }\n",
         {"line 4", "multiple of 675"}},
        {"default outside limits",
         card + "[device.clocks_2d]\nengine = { default = 94500, min = 54000, max = 81000 }\n",
         {"min <= default <= max"}},
        {"two devices with one id",
         card + kClocks + "[[device]]\nname = \"Other\"\nid = \"Card\"\n" + kClocks,
         {"line 7", "device 2", "already used by device 1"}},
    };
    for (const DeviceFileCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = UseDeviceFile(c.content);
        const std::string reason = StartFailure();
        EXPECT_LE(reason.size(), static_cast<std::size_t>(CLOCKLIB_ERROR_TEXT_MAX));
        EXPECT_EQ(reason.rfind(path + ": ", 0), 0u) << reason;
        for (const std::string& part : c.reasonHolds) {
            EXPECT_NE(reason.find(part), std::string::npos) << reason << "\nlacks: " << part;
        }
        EXPECT_EQ(ReadFile(path), c.content);
        EXPECT_FALSE(fs::exists(stateDir_)) << "a refused start touches no state";
    }
}

TEST_F(ClockSimTest, DeviceFileThatCannotBeReadIsNamed) {
    const std::string missing = scratch_ + "/absent.toml";
    setenv("TAVOCLOCK_DEVICES", missing.c_str(), 1);
    EXPECT_EQ(StartFailure(), missing + ": cannot open: No such file or directory");

    const std::string directory = scratch_ + "/folder.toml";
    ASSERT_TRUE(fs::create_directory(directory));
    setenv("TAVOCLOCK_DEVICES", directory.c_str(), 1);
    EXPECT_EQ(StartFailure(), directory + ": cannot read: Is a directory");
    EXPECT_FALSE(fs::exists(stateDir_));
}

TEST_F(ClockSimTest, DeviceFileWithoutReadPermissionIsNamed) {
    if (geteuid() == 0) GTEST_SKIP() << "running as root, which can read any file";
    const std::string path = UseDeviceFile("# unreadable\n");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    EXPECT_EQ(StartFailure(), path + ": cannot open: Permission denied");
}

TEST_F(ClockSimTest, BrokenStateFilesAreNamedWithTheirFaultAndLeftAlone) {
    const DeviceFileCase cases[] = {
        {"garbage",
         "\x7f"
         "ELF binary\x01\x02",
         {"not a state file"}},
        {"empty", "", {"not a state file"}},
        {"truncated", "tavoclock-state 1\n[Tavo Vireo 7950 XT]\nengine = 8", {"truncated"}},
        {"newer version", "tavoclock-state 2\nend\n", {"unsupported version 2"}},
        {"unknown setting",
         "tavoclock-state 1\n[Tavo Vireo 7950 XT]\nturbo = 1\nend\n",
         {"line 3", "unknown setting 'turbo'"}},
        {"value out of range",
         "tavoclock-state 1\n[Tavo Vireo 7950 XT]\nengine = 99999999999\nend\n",
         {"line 3", "'engine' needs a whole number"}},
        {"setting outside a device",
         "tavoclock-state 1\nengine = 81000\nend\n",
         {"line 2", "before any [device id]"}},
        {"text after the end", "tavoclock-state 1\nend\nengine = 1\n", {"line 3", "after"}},
    };
    ASSERT_TRUE(fs::create_directory(stateDir_));
    fs::permissions(stateDir_, fs::perms::owner_all, fs::perm_options::replace);
    const std::string path = stateDir_ + "/state";
    for (const DeviceFileCase& c : cases) {
        SCOPED_TRACE(c.label);
        WriteFile(path, c.content);
        const std::string reason = StartFailure();
        EXPECT_EQ(reason.rfind(path + ": ", 0), 0u) << reason;
        for (const std::string& part : c.reasonHolds) {
            EXPECT_NE(reason.find(part), std::string::npos) << reason << "\nlacks: " << part;
        }
        EXPECT_EQ(ReadFile(path), c.content);
    }
}

TEST_F(ClockSimTest, StateFileBrokenWhileRunningFailsCallsAndIsLeftAlone) {
    std::vector<DeviceRecord> devices = StartLibrary();
    ASSERT_FALSE(devices.empty());
    uint32_t engine = 7, memory = 7;
    ASSERT_NE(SetClocks(&devices[0], 82350, &engine, 0, &memory, 0), 0);

    const std::string broken = "tavoclock-state 1\n[Tavo Vireo 7950 XT]\nengine = 82";
    WriteFile(stateDir_ + "/state", broken);
    engine = memory = 7;
    EXPECT_EQ(GetClocks(&devices[0], &engine, &memory, 0), 0);
    EXPECT_EQ(SetClocks(&devices[0], 83025, &engine, 0, &memory, 0), 0);
    EXPECT_EQ(IncreaseVoltage(&devices[0], VDDC), 0.0);
    EXPECT_EQ(engine, 7u);
    EXPECT_EQ(ReadFile(stateDir_ + "/state"), broken);
}

struct PlantedLinkCase {
    const char* label;
    const char* stateDirSuffix;  // appended to the state directory's path
    const char* linkName;        // inside the state directory; empty: the directory itself
};

// A link planted where the library expects its own directory or files could
// make it write wherever the planter likes. It refuses instead.
TEST_F(ClockSimTest, PlantedSymbolicLinksAreRefusedNotFollowed) {
    const PlantedLinkCase cases[] = {
        {"directory", "", ""},
        {"directory named with a trailing slash", "/", ""},
        {"state file", "", "state"},
        {"lock file", "", "lock"},
    };
    for (const PlantedLinkCase& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(stateDir_);
        const std::string target = scratch_ + "/target";
        fs::remove_all(target);
        ASSERT_TRUE(fs::create_directory(target));
        fs::permissions(target, fs::perms::owner_all, fs::perm_options::replace);
        std::string linkPath = stateDir_;
        if (*c.linkName) {
            ASSERT_TRUE(fs::create_directory(stateDir_));
            fs::permissions(stateDir_, fs::perms::owner_all, fs::perm_options::replace);
            linkPath += std::string("/") + c.linkName;
            WriteFile(target + "/victim", "precious\n");
            fs::create_symlink(target + "/victim", linkPath);
        } else {
            fs::create_directory_symlink(target, linkPath);
        }
        setenv("TAVOCLOCK_STATE_DIR", (stateDir_ + c.stateDirSuffix).c_str(), 1);

        const std::string reason = StartFailure();
        EXPECT_NE(reason.find("symbolic link"), std::string::npos) << reason;
        EXPECT_EQ(reason.rfind(linkPath + ": ", 0), 0u) << reason;
        EXPECT_EQ(RunProbe({"set", "0", "82350", "0"}).exitCode, 3);
        if (*c.linkName) {
            EXPECT_EQ(ReadFile(target + "/victim"), "precious\n");
            EXPECT_EQ(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 1);
        } else {
            EXPECT_TRUE(fs::is_empty(target)) << "nothing was written through the link";
        }
    }
}

TEST_F(ClockSimTest, StateOfAnotherUserIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give files to another user";
    ASSERT_TRUE(fs::create_directory(stateDir_));
    fs::permissions(stateDir_, fs::perms::owner_all, fs::perm_options::replace);
    ASSERT_EQ(chown(stateDir_.c_str(), 65534, 65534), 0) << std::strerror(errno);
    EXPECT_EQ(StartFailure(),
              stateDir_ + ": the state directory belongs to user 65534, not to this user (0)");
    EXPECT_TRUE(fs::is_empty(stateDir_));

    ASSERT_EQ(chown(stateDir_.c_str(), 0, 0), 0) << std::strerror(errno);
    const std::string stateFile = stateDir_ + "/state";
    WriteFile(stateFile, "tavoclock-state 1\nend\n");
    ASSERT_EQ(chown(stateFile.c_str(), 65534, 65534), 0) << std::strerror(errno);
    EXPECT_EQ(StartFailure(), stateFile + ": belongs to user 65534, not to this user (0)");
}

TEST_F(ClockSimTest, StateDirectoryThatIsNotPrivateAndWritableIsRefused) {
    struct ModeCase {
        fs::perms mode;
        const char* reasonHolds;
    };
    const ModeCase cases[] = {
        {fs::perms::owner_read | fs::perms::owner_exec, "is not writable (mode 0500)"},
        {fs::perms::owner_all | fs::perms::group_all, "written by other users (mode 0770)"},
        {fs::perms::all, "written by other users (mode 0777)"},
    };
    ASSERT_TRUE(fs::create_directory(stateDir_));
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.reasonHolds);
        fs::permissions(stateDir_, c.mode, fs::perm_options::replace);
        const std::string reason = StartFailure();
        EXPECT_EQ(reason.rfind(stateDir_ + ": the state directory ", 0), 0u) << reason;
        EXPECT_NE(reason.find(c.reasonHolds), std::string::npos) << reason;
        EXPECT_TRUE(fs::is_empty(stateDir_));
    }
}

bool IsValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                   : (lead >> 3) == 30 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

// A path far longer than the reason buffer keeps its file name and the fault;
// its head is cut between characters and the buffer is never overrun.
TEST_F(ClockSimTest, ReasonForALongPathKeepsFileAndFaultWithinTheBuffer) {
    std::string path = scratch_;
    for (int level = 0; level < 3; ++level) {
        std::string component;
        for (int i = 0; i < 60; ++i) component += "\xc3\xa9";  // é: two bytes each
        path += "/" + component + "x";
        ASSERT_TRUE(fs::create_directory(path));
    }
    path += "/devices.toml";
    setenv("TAVOCLOCK_DEVICES", path.c_str(), 1);

    char buffer[CLOCKLIB_ERROR_TEXT_SIZE];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(InitializeClockLib(buffer), 0);
    const char* nul = static_cast<const char*>(std::memchr(buffer, '\0', sizeof buffer));
    ASSERT_NE(nul, nullptr);
    const std::string reason(buffer, static_cast<std::size_t>(nul - buffer));
    EXPECT_LE(reason.size(), static_cast<std::size_t>(CLOCKLIB_ERROR_TEXT_MAX));
    EXPECT_GE(reason.size(), static_cast<std::size_t>(CLOCKLIB_ERROR_TEXT_MAX) - 3)
        << "cut to fit, not dropped";
    for (std::size_t i = reason.size() + 1; i < sizeof buffer; ++i) {
        EXPECT_EQ(buffer[i], '#') << "byte " << i << " was written";
    }
    EXPECT_EQ(reason.rfind("...", 0), 0u) << reason;
    EXPECT_NE(reason.find("x/devices.toml: cannot open: No such file or directory"),
              std::string::npos)
        << reason;
    EXPECT_TRUE(IsValidUtf8(reason)) << reason;
}

}  // namespace
}  // namespace clocksim_test
