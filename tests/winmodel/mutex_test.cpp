// The named mutex: one holder per user, safe against files planted by others,
// and released by the kernel when its holder dies.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/batch/temp_dir.h"
#include "tests/winmodel/case_name.h"
#include "winmodel/model.h"
#include "winmodel/scripted_front_end.h"

namespace {

using namespace win;
namespace fs = std::filesystem;

constexpr const char* kName = "Korvan.SingleInstance";
constexpr uid_t kOtherUser = 65534;

class MutexTest : public ::testing::Test {
  protected:
    MutexTest() {
        if (const char* previous = std::getenv("XDG_RUNTIME_DIR")) savedRuntime_ = previous;
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    }
    ~MutexTest() override {
        if (savedRuntime_) {
            setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

    winmodel::ScriptedFrontEnd frontEnd;
    TempDir runtime;

  private:
    std::optional<std::string> savedRuntime_;
};

TEST_F(MutexTest, SecondCreateSeesTheNameTakenUntilTheHolderClosesIt) {
    const HANDLE first = CreateMutexA(nullptr, FALSE, kName);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(winmodel::MutexPath(kName), runtime.File("Korvan.SingleInstance.lock"));
    EXPECT_EQ(fs::status(winmodel::MutexPath(kName)).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);

    const HANDLE second = CreateMutexA(nullptr, FALSE, kName);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_FALSE(CloseHandle(first));

    const HANDLE third = CreateMutexA(nullptr, FALSE, kName);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

TEST_F(MutexTest, NamesCannotLeaveTheRuntimeDirectory) {
    const std::string path = winmodel::MutexPath("../Global\\x");
    EXPECT_EQ(fs::path(path).parent_path(), runtime.path());
    ASSERT_NE(CreateMutexA(nullptr, FALSE, "../Global\\x"), nullptr);
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(MutexTest, LinkAtTheLockPathIsRefusedAndNotFollowed) {
    TempDir elsewhere;
    const std::string target = elsewhere.File("target");
    fs::create_symlink(target, winmodel::MutexPath(kName));

    EXPECT_EQ(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(MutexTest, LockFileOfAnotherUserIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "planting another user's file takes root";
    const std::string path = winmodel::MutexPath(kName);
    WriteBytes(path, "planted");
    ASSERT_EQ(chown(path.c_str(), kOtherUser, kOtherUser), 0);

    EXPECT_EQ(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadBytes(path), "planted");
}

struct RuntimeCase : NamedCase<RuntimeCase> {
    bool needsRoot;
    void (*spoil)(const fs::path& runtime, const fs::path& elsewhere);
};

class UntrustedRuntimeTest : public MutexTest, public ::testing::WithParamInterface<RuntimeCase> {};

TEST_P(UntrustedRuntimeTest, MutexIsRefused) {
    if (GetParam().needsRoot && geteuid() != 0) GTEST_SKIP() << "takes root";
    TempDir elsewhere;
    GetParam().spoil(runtime.path(), elsewhere.path());

    EXPECT_EQ(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Directories, UntrustedRuntimeTest,
    ::testing::Values(RuntimeCase{"WritableByOthers", false,
                                  [](const fs::path& runtime, const fs::path&) {
                                      fs::permissions(runtime, fs::perms::all);
                                  }},
                      RuntimeCase{"LinkToADirectory", false,
                                  [](const fs::path& runtime, const fs::path& elsewhere) {
                                      fs::create_directory_symlink(elsewhere, runtime / "link");
                                      setenv("XDG_RUNTIME_DIR", (runtime / "link").c_str(), 1);
                                  }},
                      RuntimeCase{"Missing", false,
                                  [](const fs::path& runtime, const fs::path&) {
                                      setenv("XDG_RUNTIME_DIR", (runtime / "gone").c_str(), 1);
                                  }},
                      RuntimeCase{"OwnedByAnotherUser", true,
                                  [](const fs::path& runtime, const fs::path&) {
                                      ASSERT_EQ(chown(runtime.c_str(), kOtherUser, kOtherUser), 0);
                                  }}),
    CaseName());

TEST_F(MutexTest, WithoutARuntimeDirectoryAPrivateOneUnderTmpIsUsed) {
    unsetenv("XDG_RUNTIME_DIR");
    const fs::path expectedDirectory = "/tmp/korvan-" + std::to_string(geteuid());
    EXPECT_EQ(fs::path(winmodel::MutexPath(kName)).parent_path(), expectedDirectory);

    const HANDLE mutex = CreateMutexA(nullptr, FALSE, "Korvan.FallbackTest");
    ASSERT_NE(mutex, nullptr);

    struct stat status {};
    ASSERT_EQ(lstat(expectedDirectory.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 077, 0u);
    EXPECT_EQ(status.st_uid, geteuid());
    CloseHandle(mutex);
    fs::remove(winmodel::MutexPath("Korvan.FallbackTest"));
}

// A process that holds the mutex until it is killed; killed and reaped at the
// latest when the test ends.
class Holder {
  public:
    Holder() {
        int ready[2];
        if (pipe(ready) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            const HANDLE held = CreateMutexA(nullptr, FALSE, kName);
            const char answer = held != nullptr && GetLastError() == ERROR_SUCCESS ? 'y' : 'n';
            if (write(ready[1], &answer, 1) != 1) _exit(1);
            for (;;) pause();
        }
        close(ready[1]);
        char answer = 'n';
        holding_ = pid_ > 0 && read(ready[0], &answer, 1) == 1 && answer == 'y';
        close(ready[0]);
    }
    ~Holder() { Kill(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool holding() const { return holding_; }
    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    bool holding_ = false;
};

TEST_F(MutexTest, KilledHolderDoesNotBlockTheNextStart) {
    Holder holder;
    ASSERT_TRUE(holder.holding());
    const HANDLE whileHeld = CreateMutexA(nullptr, FALSE, kName);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(whileHeld);

    holder.Kill();

    EXPECT_NE(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

}  // namespace
